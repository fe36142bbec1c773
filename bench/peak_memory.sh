#!/usr/bin/env bash
# Peak memory per listed file: each tool's peak RSS on a tree, less its peak on an
# empty tree, divided by the files the tree holds (from its stamp).
#
# Usage: bench/peak_memory.sh TREE ...     TREE: a generated tree (many100k, many, longpaths...)
# Environment:
#   BENCH_DIR   where the trees live            (default /tmp/twinscout-bench)
#   BUILDS      twinscout binaries, space separated, each shown by its path
#               (default <repo>/build/release/twinscout)
#   TOOLS       peers to run too                (default "fdupes jdupes rdfind duff rmlint")
set -u
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
BENCH_DIR=${BENCH_DIR:-/tmp/twinscout-bench}
BUILDS=${BUILDS:-$repo/build/release/twinscout}
TOOLS=${TOOLS-"fdupes jdupes rdfind duff rmlint"}
empty=$(mktemp -d)
scratch=$(mktemp -d)
trap 'rm -rf "$empty" "$scratch"' EXIT

command_for() {  # tool tree
    case $1 in
        fdupes) echo fdupes -r -q "$2" ;;
        jdupes) echo jdupes -r -q "$2" ;;
        rdfind) echo rdfind -dryrun true -outputname "$scratch/rdfind.txt" "$2" ;;
        duff)   echo duff -r "$2" ;;
        rmlint) echo rmlint -T df -p -o fdupes:/dev/null "$2" ;;
        *)      echo "$1" /s "$2" ;;
    esac
}

peak() {  # tool tree: peak RSS in KiB
    # shellcheck disable=SC2046
    /usr/bin/time -f "%M" $(command_for "$1" "$2") 2>&1 >/dev/null | tail -n 1
}

cd "$BENCH_DIR" || exit 1
printf '| tool | tree | files | peak RSS KiB | empty-tree KiB | bytes per file |\n|---|---|---:|---:|---:|---:|\n'
for tree in "$@"; do
    files=$(python3 -c "import json,sys; print(json.load(open(sys.argv[1]))['files'])" "$tree.stamp.json")
    for tool in $BUILDS $TOOLS; do
        command -v "$tool" >/dev/null || continue
        base=$(peak "$tool" "$empty")
        top=$(peak "$tool" "$tree")
        printf '| %s | %s | %s | %s | %s | %.1f |\n' "$tool" "$tree" "$files" "$top" "$base" \
            "$(echo "($top - $base) * 1024 / $files" | bc -l)"
    done
done
