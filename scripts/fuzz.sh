#!/usr/bin/env bash
# Installs clang and libFuzzer when missing, builds the `fuzz` preset and runs every fuzz
# target for a bounded time over a copy of its seed corpus (tests/fuzz/corpus/<target>).
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#
# SECONDS per target, default 60. TARGET is e.g. timestamp_fuzz; default: all of them.
# Any crash, sanitizer report, broken property or hang is a finding: the reproducer is kept
# under build/fuzz/findings/<target>/ and the script exits non-zero. Replay one with
# build/fuzz/<target> <reproducer>. CI=true also turns warnings into errors.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

usage() { sed -n '2,10s/^# \{0,1\}//p' "${BASH_SOURCE[0]}"; }

seconds=60
targets=()
for arg in "$@"; do
    case $arg in
        -h | --help) usage; exit 0 ;;
        *[!0-9]*) targets+=("$arg") ;;
        '') ;;
        *) seconds=$arg ;;
    esac
done
# libFuzzer reads a total time of 0 as "no limit".
if [ "$seconds" -lt 1 ]; then
    echo "fuzz: SECONDS must be at least 1" >&2; exit 2
fi
if [ ${#targets[@]} -eq 0 ]; then
    for source in tests/fuzz/*_fuzz.cpp; do
        targets+=("$(basename "$source" .cpp)")
    done
fi
for target in "${targets[@]}"; do
    if [ ! -f "tests/fuzz/$target.cpp" ]; then
        echo "fuzz: unknown target '$target'" >&2; usage >&2; exit 2
    fi
done

# --- Packages ---------------------------------------------------------------------------
# libFuzzer comes with clang's runtime libraries, packaged per clang version; llvm gives
# the symbolizer that puts file and line into sanitizer reports.
clang_major=14  # Debian 12's clang
if command -v clang++ >/dev/null; then
    clang_major="$(clang++ -dumpversion | cut -d. -f1)"
fi
packages=(cmake ninja-build clang "libclang-rt-$clang_major-dev" "llvm-$clang_major" liburing-dev)

# shellcheck source=install-deps.sh
source "$root/scripts/install-deps.sh"
install_packages fuzz "${packages[@]}"

# --- Build ------------------------------------------------------------------------------
configure_args=()
[ "${CI:-}" = true ] && configure_args+=(-DTWINSCOUT_WERROR=ON)
echo "=== fuzz: configure and build"
if ! { cmake --preset fuzz "${configure_args[@]}" && cmake --build --preset fuzz; }; then
    echo "=== fuzz: build FAILED" >&2
    echo "fuzz: 0 passed, ${#targets[@]} failed"
    exit 1
fi

# --- Run --------------------------------------------------------------------------------
symbolizer="$(command -v "llvm-symbolizer-$clang_major" || command -v llvm-symbolizer || true)"
[ -n "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH="$symbolizer"
export UBSAN_OPTIONS="print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"

findings="$root/build/fuzz/findings"
rm -rf "$findings"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

passed=0
failed=0
summaries=()
for target in "${targets[@]}"; do
    echo "=== $target: ${seconds} s"
    # The fuzzer adds what it learns to its first corpus directory: a copy, never the seeds.
    corpus="$work/$target"
    mkdir -p "$corpus" "$findings/$target"
    if [ -d "tests/fuzz/corpus/$target" ]; then
        cp -R "tests/fuzz/corpus/$target/." "$corpus/"
    fi
    log="$findings/$target.log"
    status=0
    # -timeout makes a hang a finding; stdin closed, since CI has none.
    "build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$findings/$target/" "$corpus" >"$log" 2>&1 </dev/null || status=$?
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
    took="$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -n 1)"
    speed="${runs:-?} runs"
    if [ -n "$runs" ] && [ -n "$took" ] && [ "$took" -gt 0 ]; then
        speed="$speed, $((runs / took)) exec/s"
    fi
    if [ "$status" -eq 0 ] && [ -z "$(ls -A "$findings/$target")" ]; then
        passed=$((passed + 1))
        summaries+=("$target: clean ($speed)")
        continue
    fi
    failed=$((failed + 1))
    echo "=== $target: FINDING (exit status $status)" >&2
    grep -E -m 20 'ERROR|runtime error|fuzz property broken|SUMMARY|#[0-9]+ 0x' "$log" >&2 || true
    reproducer="$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -n 1)"
    summaries+=("$target: FINDING, reproducer ${reproducer:-none written}, log $log")
    if [ -n "$reproducer" ]; then
        echo "reproducer: $reproducer (replay: build/fuzz/$target $reproducer)" >&2
    fi
done

echo "=== summary"
printf '%s\n' "${summaries[@]}"
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
