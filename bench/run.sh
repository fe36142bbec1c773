#!/usr/bin/env bash
# Benchmark twinscout against fdupes, jdupes, rdfind, duff and rmlint.
#
# Usage: bench/run.sh [TREE ...]        TREE in: mixed samesize bigfiles many many100k longpaths
#                                       usrshare (default: the four generated)
#   usrshare is not generated: the machine's /usr/share, run from / as the
#   relative path usr/share; its twinscout pairs are checked against
#   fdupes -r -H (bench/check_pairs.py).
# Environment:
#   BENCH_DIR   where trees and results live  (default /tmp/twinscout-bench)
#   TWINSCOUT   the binary under test         (default <repo>/build/release/twinscout)
#   TOOLS       tools to run, space separated (default below; extra choices:
#               duff-t = duff -rt, byte-by-byte confirmation)
#   RUNS        timed runs per tool and tree  (default 3; one untimed warm-up
#               run comes first)
#   TIMEOUT     seconds allowed per run       (default 900; a tool whose
#               warm-up run times out gets no timed runs on that tree)
#   SLOW        seconds; a tool whose first timed run took longer gets no
#               more timed runs on that tree, to keep the whole run affordable
#               (default 0 = never; the table shows the run count)
#   QUIET_MAX   before each run, wait up to this many seconds for the rest of
#               the machine to go quiet (< 10% of a core busy; default 300)
#   RESULTS_DIR write into this results directory (e.g. an earlier one, to
#               add a tool to it; the summary then covers only TOOLS)
#   COLD        1 = cold mode: no warm-up; before every timed run sync and
#               drop the page cache (root only, else it stops), and record the
#               bytes read from the device backing the tree (sectors read in
#               /proc/diskstats around the run, whole tool and its children)
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
COLD=${COLD:-0}
SLOW=${SLOW:-0}
QUIET_MAX=${QUIET_MAX:-300}
HZ=$(getconf CLK_TCK)

trees=("$@")
[ ${#trees[@]} -eq 0 ] && trees=(mixed samesize bigfiles many)

for t in "${trees[@]}"; do
    case $t in mixed|samesize|bigfiles|many|many100k|longpaths|usrshare) ;;
        *) echo "unknown tree: $t" >&2; exit 2 ;;
    esac
done

if [ "$COLD" = 1 ]; then
    if [ "$(id -u)" != 0 ] || ! sync || ! echo 3 2>/dev/null > /proc/sys/vm/drop_caches; then
        echo "cold mode needs root to drop the page cache (/proc/sys/vm/drop_caches); stopping" >&2
        exit 1
    fi
fi

mkdir -p "$BENCH_DIR"
BENCH_DIR=$(cd "$BENCH_DIR" && pwd)
res=${RESULTS_DIR:-"$BENCH_DIR/results/$(date +%Y%m%d-%H%M%S)"}
mkdir -p "$res"
echo "results in $res"

# Generate missing trees (skips complete ones).
gen_args=()
for t in "${trees[@]}"; do [ "$t" = usrshare ] || gen_args+=("$t=$BENCH_DIR/$t"); done
[ ${#gen_args[@]} -eq 0 ] || python3 "$here/generate_tree.py" "${gen_args[@]}" || exit 1

# Directory to run from and the relative path handed to the tools.
tree_place() {
    case $1 in
        usrshare) run_dir=/; tpath=usr/share ;;
        *) run_dir=$BENCH_DIR; tpath=$1 ;;
    esac
}

# Sectors read so far from the block device holding $1 (whole disk or
# partition line of /proc/diskstats; a sector there is always 512 bytes).
disk_of() {
    local src; src=$(findmnt -no SOURCE -T "$1") || return 1
    basename "$(readlink -f "$src")"
}
sectors_read() {
    awk -v d="$1" '$3 == d { print $6; exit }' /proc/diskstats
}

# Build the command line of TOOL on TREE (a name relative to $BENCH_DIR)
# into the array cmd.  Every tool's stdout goes to /dev/null when timed.
tool_cmd() {
    local tool=$1 tree=$2
    # rdfind's results file is named by the tree name, the rest by its path.
    local name=$tree; tree_place "$tree"; tree=$tpath
    case $tool in
        twinscout)   cmd=("$TWINSCOUT" /s "$tree") ;;
        fdupes)      cmd=(fdupes -r -q "$tree") ;;
        jdupes)      cmd=(jdupes -r -q "$tree") ;;
        rdfind)      cmd=(rdfind -dryrun true -outputname "$res/$name/rdfind.results.txt" "$tree") ;;
        duff)        cmd=(duff -r "$tree") ;;
        duff-t)      cmd=(duff -r -t "$tree") ;;
        # -p: byte-by-byte comparison (--algorithm=paranoid), the exact mode.
        rmlint)      cmd=(rmlint -T df -p -o fdupes "$tree") ;;
        # default rmlint: blake2b digests decide.
        rmlint-hash) cmd=(rmlint -T df -o fdupes "$tree") ;;
        *) echo "unknown tool $tool" >&2; return 1 ;;
    esac
}

# Busy CPU jiffies of the whole machine (all cores, user+nice+system+irq+...).
busy_jiffies() {
    awk '/^cpu / { print $2 + $3 + $4 + $7 + $8 + $9; exit }' /proc/stat
}

# Wait until other processes use < 10% of one core over a 1 s sample (or
# QUIET_MAX seconds have passed), so that a compile elsewhere does not
# disturb the measurement.
wait_quiet() {
    local start=$SECONDS b0 b1
    while :; do
        b0=$(busy_jiffies); sleep 1; b1=$(busy_jiffies)
        [ $((b1 - b0)) -le $((HZ / 10)) ] && return 0
        if [ $((SECONDS - start)) -ge "$QUIET_MAX" ]; then
            echo "    machine still busy after $QUIET_MAX s, running anyway"
            return 0
        fi
        sleep 2
    done
}

# Run the timed command; append "wall user sys maxrss rc other_cpu_s" to
# $1 (other_cpu_s = CPU seconds used meanwhile by everything but the tool).
timed_run() {
    local out=$1; shift
    local b0 b1 rc line s0 s1 dev=""
    [ "$COLD" = 1 ] && { sync; echo 3 > /proc/sys/vm/drop_caches; s0=$(sectors_read "$disk"); }
    b0=$(busy_jiffies)
    timeout -k 5 "$TIMEOUT" /usr/bin/time -f '%e %U %S %M' -o "$out.tmp" "$@"
    rc=$?
    b1=$(busy_jiffies)
    # Device bytes: column 7, after other_cpu_s (cold mode only).
    [ "$COLD" = 1 ] && { s1=$(sectors_read "$disk"); dev=" $(( (s1 - s0) * 512 ))"; }
    if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
        rm -f "$out.tmp"; return $rc
    fi
    line=$(tail -n1 "$out.tmp"); rm -f "$out.tmp"
    echo "$line $rc $(echo "$line" | awk -v d=$((b1 - b0)) -v hz="$HZ" \
        '{ o = d / hz - $2 - $3; printf "%.2f", (o < 0 ? 0 : o) }')$dev" >> "$out"
    return $rc
}

# True, with the tool's status recorded, when exit status $2 of run $1 means that
# the time ran out.
ran_out() {
    [ "$2" -eq 124 ] || [ "$2" -eq 137 ] || return 1
    echo "    $1 timed out after $TIMEOUT s"
    echo "timeout $TIMEOUT" > "$res/$tree/$tool.status"
}

tool_available() {
    case $1 in
        twinscout) [ -x "$TWINSCOUT" ] ;;
        duff-t) command -v duff >/dev/null ;;
        rmlint-hash) command -v rmlint >/dev/null ;;
        *) command -v "$1" >/dev/null ;;
    esac
}

for tree in "${trees[@]}"; do
    tree_place "$tree"
    cd "$run_dir" || exit 1
    disk=$(disk_of "$tpath")
    mkdir -p "$res/$tree"
    [ "$COLD" = 1 ] && echo "cold $disk" > "$res/$tree/mode"
    if [ -f "$BENCH_DIR/$tree.stamp.json" ]; then
        cp "$BENCH_DIR/$tree.stamp.json" "$res/$tree/expected.json"
    else
        # Not generated: no expected duplicates, only its size.
        find "$tpath" -type f -printf '%s\n' | awk '{ n++; s += $1 } END {
            printf "{\"files\": %d, \"bytes\": %.0f}\n", n, s }' > "$res/$tree/expected.json"
    fi
    for tool in $TOOLS; do
        if ! tool_available "$tool"; then
            echo "[$tree] $tool: not available, skipped"
            echo "missing" > "$res/$tree/$tool.status"
            continue
        fi
        tool_cmd "$tool" "$tree" || continue
        echo "[$tree] $tool: ${cmd[*]}"
        printf '%s\n' "${cmd[*]}" > "$res/$tree/$tool.cmd"
        rm -f "$res/$tree/$tool.status"  # from an earlier run into the same RESULTS_DIR
        : > "$res/$tree/$tool.times"
        first=1
        if [ "$COLD" = 1 ]; then
            # No warm-up: the first cold run is timed and its stdout kept.
            wait_quiet
            timed_run "$res/$tree/$tool.times" "${cmd[@]}" > "$res/$tree/$tool.out" 2> "$res/$tree/$tool.err"
            ran_out "run 1" $? && continue
            echo "    run 1: $(tail -n1 "$res/$tree/$tool.times")"
            first=2
        else
            # Warm-up: untimed for the table; its stdout is kept to count the
            # duplicates found.  It also warms the page cache.
            wait_quiet
            timed_run "$res/$tree/$tool.warmup" "${cmd[@]}" > "$res/$tree/$tool.out" 2> "$res/$tree/$tool.err"
            ran_out warm-up $? && continue
            echo "    warm-up: $(tail -n1 "$res/$tree/$tool.warmup")"
        fi
        [ "$tool" = rdfind ] && cp "$res/$tree/rdfind.results.txt" "$res/$tree/rdfind.out"
        for ((i = first; i <= RUNS; i++)); do
            wait_quiet
            timed_run "$res/$tree/$tool.times" "${cmd[@]}" > /dev/null 2>> "$res/$tree/$tool.err"
            ran_out "run $i" $? && break
            echo "    run $i: $(tail -n1 "$res/$tree/$tool.times")"
            # A tool slower than SLOW s on its first timed run gets no more.
            if [ "$i" = "$first" ] && [ "$SLOW" != 0 ] && awk -v w="$(tail -n1 "$res/$tree/$tool.times" | cut -d' ' -f1)" \
                    -v s="$SLOW" 'BEGIN { exit !(w > s) }'; then
                echo "    slower than $SLOW s: one timed run only"
                break
            fi
        done
    done

    if [ "$tree" = usrshare ] && command -v fdupes >/dev/null && [ -f "$res/$tree/twinscout.out" ]; then
        echo "[$tree] pair check: fdupes -r -H $tpath"
        fdupes -r -H "$tpath" > "$res/$tree/fdupes-H.out" 2>/dev/null
        python3 "$here/check_pairs.py" "$res/$tree/twinscout.out" "$res/$tree/fdupes-H.out" \
            > "$res/$tree/pair_check.txt"
        cat "$res/$tree/pair_check.txt"
    fi

    # The warm read(2) counts need not be repeated by a cold run.
    if [ "$tree" = bigfiles ] && [ "$COLD" != 1 ]; then
        # Bytes read, warm cache: read(2)-family bytes (rchar) of one run.
        find bigfiles -type f -printf '%s\n' | sort -n | uniq -c |
            awk '$1 > 1 { s += $1 * $2 } END { printf "%.0f\n", s }' > "$res/$tree/same_size_bytes"
        find bigfiles -type f -printf '%s\n' | awk '{ s += $1 } END { printf "%.0f\n", s }' > "$res/$tree/total_bytes"
        for tool in $TOOLS; do
            tool_available "$tool" || continue
            [ -f "$res/$tree/$tool.times" ] || continue
            tool_cmd "$tool" "$tree"
            echo "[$tree] $tool: bytes read (warm)"
            wait_quiet
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
    [ "$COLD" = 1 ] && echo "Cold mode: page cache dropped before every run; no warm-up run." && echo
    echo "Machine: $(nproc) cores, $(awk '/MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)," \
         "kernel $(uname -r), filesystem $(findmnt -no FSTYPE -T "$BENCH_DIR")" \
         "on $(findmnt -no SOURCE -T "$BENCH_DIR"); runs per tool: $RUNS$([ "$COLD" = 1 ] || echo ' (+1 warm-up)')"
    echo
    python3 "$here/summarize.py" "$res" "${trees[@]}" -- $TOOLS
} > "$res/summary.md"
cat "$res/summary.md"
