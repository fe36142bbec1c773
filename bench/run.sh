#!/usr/bin/env bash
# Benchmark twinscout against fdupes, jdupes, rdfind, duff and rmlint.
#
# Usage: bench/run.sh [TREE ...]        TREE in: mixed samesize bigfiles many
#                                       (default: all four)
# Environment:
#   BENCH_DIR   where trees and results live  (default /tmp/twinscout-bench)
#   TWINSCOUT   the binary under test         (default <repo>/build/release/twinscout)
#   TOOLS       tools to run, space separated (default below; extra choices:
#               duff-t = duff -rt, byte-by-byte confirmation)
#   RUNS        timed runs per tool and tree  (default 3; one untimed warm-up
#               run comes first)
#   TIMEOUT     seconds allowed per run       (default 900; a tool whose
#               warm-up run times out gets no timed runs on that tree)
#   SLOW        seconds; a tool whose warm-up run took longer gets only one
#               timed run on that tree, to keep the whole run affordable
#               (default 0 = never; the table shows the run count)
#   COLD_IO     1 = on bigfiles, also measure block-device reads of each tool
#               with a cold cache (needs root for drop_caches; default 1)
#
# Everything generated goes under $BENCH_DIR, never into the repository.
# Results: $BENCH_DIR/results/<date-time>/, summary in summary.md there.
set -u

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
BENCH_DIR=${BENCH_DIR:-/tmp/twinscout-bench}
TWINSCOUT=${TWINSCOUT:-$repo/build/release/twinscout}
TOOLS=${TOOLS:-"twinscout fdupes jdupes rdfind duff rmlint rmlint-hash"}
RUNS=${RUNS:-3}
TIMEOUT=${TIMEOUT:-900}
COLD_IO=${COLD_IO:-1}
SLOW=${SLOW:-0}

trees=("$@")
[ ${#trees[@]} -eq 0 ] && trees=(mixed samesize bigfiles many)

for t in "${trees[@]}"; do
    case $t in mixed|samesize|bigfiles|many) ;;
        *) echo "unknown tree: $t" >&2; exit 2 ;;
    esac
done

mkdir -p "$BENCH_DIR"
BENCH_DIR=$(cd "$BENCH_DIR" && pwd)
res="$BENCH_DIR/results/$(date +%Y%m%d-%H%M%S)"
mkdir -p "$res"
echo "results in $res"

# Generate missing trees (skips complete ones).
gen_args=()
for t in "${trees[@]}"; do gen_args+=("$t=$BENCH_DIR/$t"); done
python3 "$here/generate_tree.py" "${gen_args[@]}" || exit 1

# Build the command line of TOOL on TREE (a name relative to $BENCH_DIR)
# into the array cmd.  Every tool's stdout goes to /dev/null when timed.
tool_cmd() {
    local tool=$1 tree=$2
    case $tool in
        twinscout)   cmd=("$TWINSCOUT" /s "$tree") ;;
        fdupes)      cmd=(fdupes -r -q "$tree") ;;
        jdupes)      cmd=(jdupes -r -q "$tree") ;;
        rdfind)      cmd=(rdfind -dryrun true -outputname "$res/$tree/rdfind.results.txt" "$tree") ;;
        duff)        cmd=(duff -r "$tree") ;;
        duff-t)      cmd=(duff -r -t "$tree") ;;
        # -p: byte-by-byte comparison (--algorithm=paranoid), the exact mode.
        rmlint)      cmd=(rmlint -T df -p -o fdupes "$tree") ;;
        # default rmlint: blake2b digests decide.
        rmlint-hash) cmd=(rmlint -T df -o fdupes "$tree") ;;
        *) echo "unknown tool $tool" >&2; return 1 ;;
    esac
}

tool_available() {
    case $1 in
        twinscout) [ -x "$TWINSCOUT" ] ;;
        duff-t) command -v duff >/dev/null ;;
        rmlint-hash) command -v rmlint >/dev/null ;;
        *) command -v "$1" >/dev/null ;;
    esac
}

cd "$BENCH_DIR" || exit 1
for tree in "${trees[@]}"; do
    mkdir -p "$res/$tree"
    cp "$BENCH_DIR/$tree.stamp.json" "$res/$tree/expected.json"
    for tool in $TOOLS; do
        if ! tool_available "$tool"; then
            echo "[$tree] $tool: not available, skipped"
            echo "missing" > "$res/$tree/$tool.status"
            continue
        fi
        tool_cmd "$tool" "$tree" || continue
        echo "[$tree] $tool: ${cmd[*]}"
        printf '%s\n' "${cmd[*]}" > "$res/$tree/$tool.cmd"
        # Warm-up: untimed for the table; its stdout is kept to count the
        # duplicates found.  It also warms the page cache.
        timeout -k 5 "$TIMEOUT" /usr/bin/time -f '%e %U %S %M' -o "$res/$tree/$tool.warmup" \
            "${cmd[@]}" > "$res/$tree/$tool.out" 2> "$res/$tree/$tool.err"
        rc=$?
        if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
            echo "    warm-up timed out after $TIMEOUT s"
            echo "timeout $TIMEOUT" > "$res/$tree/$tool.status"
            continue
        fi
        echo "    warm-up: $(tail -n1 "$res/$tree/$tool.warmup") (exit $rc)"
        [ "$tool" = rdfind ] && cp "$res/$tree/rdfind.results.txt" "$res/$tree/rdfind.out"
        : > "$res/$tree/$tool.times"
        n=$RUNS
        if [ "$SLOW" != 0 ] && awk -v w="$(tail -n1 "$res/$tree/$tool.warmup" | cut -d' ' -f1)" -v s="$SLOW" \
                'BEGIN { exit !(w > s) }'; then
            n=1
            echo "    warm-up slower than $SLOW s: one timed run only"
        fi
        for ((i = 1; i <= n; i++)); do
            timeout -k 5 "$TIMEOUT" /usr/bin/time -f '%e %U %S %M' -o "$res/$tree/$tool.run" \
                "${cmd[@]}" > /dev/null 2>> "$res/$tree/$tool.err"
            rc=$?
            if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
                echo "    run $i timed out"
                echo "timeout $TIMEOUT" > "$res/$tree/$tool.status"
                break
            fi
            echo "$(tail -n1 "$res/$tree/$tool.run") $rc" >> "$res/$tree/$tool.times"
            echo "    run $i: $(tail -n1 "$res/$tree/$tool.times")"
        done
        rm -f "$res/$tree/$tool.run"
    done

    if [ "$tree" = bigfiles ]; then
        # Bytes read, warm cache: read(2)-family bytes (rchar) of one run.
        find bigfiles -type f -printf '%s\n' | sort -n | uniq -c |
            awk '$1 > 1 { s += $1 * $2 } END { print s + 0 }' > "$res/$tree/same_size_bytes"
        find bigfiles -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }' > "$res/$tree/total_bytes"
        for tool in $TOOLS; do
            tool_available "$tool" || continue
            [ -f "$res/$tree/$tool.times" ] || continue
            tool_cmd "$tool" "$tree"
            echo "[$tree] $tool: bytes read (warm)"
            timeout -k 5 "$TIMEOUT" python3 "$here/measure_io.py" "$res/$tree/$tool.io-warm" -- "${cmd[@]}"
            if [ "$COLD_IO" = 1 ] && sync && echo 3 2>/dev/null > /proc/sys/vm/drop_caches; then
                echo "[$tree] $tool: bytes read (cold cache)"
                timeout -k 5 "$TIMEOUT" python3 "$here/measure_io.py" "$res/$tree/$tool.io-cold" -- "${cmd[@]}"
            fi
        done
    fi
done

{
    echo "# twinscout benchmark, $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo
    echo "Machine: $(nproc) cores, $(awk '/MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)," \
         "kernel $(uname -r), filesystem $(findmnt -no FSTYPE -T "$BENCH_DIR")" \
         "on $(findmnt -no SOURCE -T "$BENCH_DIR"); runs per tool: $RUNS (+1 warm-up)"
    echo
    python3 "$here/summarize.py" "$res" "${trees[@]}" -- $TOOLS
} > "$res/summary.md"
cat "$res/summary.md"
