#!/usr/bin/env bash
# Builds the release binary and runs it over the sample tree bundled in examples/.
#
#   scripts/run-example.sh [TREE [EXTRA_ARGS...]]
#
# TREE is a directory under examples/ (default: the only one, or "photos").
# Runs from examples/ with a relative path, because on Linux an argument that
# begins with "/" is read as a flag.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

cmake --preset release >/dev/null
cmake --build --preset release --target twinscout

tree="${1:-}"
[ $# -gt 0 ] && shift
if [ -z "$tree" ]; then
    mapfile -t trees < <(find examples -mindepth 1 -maxdepth 1 -type d -printf '%f\n' | sort)
    if [ ${#trees[@]} -eq 1 ]; then
        tree="${trees[0]}"
    elif [ -d examples/photos ]; then
        tree=photos
    else
        echo "run-example: pick a tree under examples/: ${trees[*]:-none found}" >&2
        exit 2
    fi
fi
tree="${tree#examples/}"
tree="${tree%/}"
if [ ! -d "examples/$tree" ]; then
    echo "run-example: examples/$tree is not a directory" >&2
    exit 2
fi

cd examples
echo "+ cd examples && ../build/release/twinscout /s $tree /d $*"
exec ../build/release/twinscout /s "$tree" /d "$@"
