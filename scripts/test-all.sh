#!/usr/bin/env bash
# Installs what the tests need, then configures, builds and tests each preset,
# stopping at the first failure.
#
#   scripts/test-all.sh [--asan] [PRESET...]
#
# PRESET is one of linux, linux-asan, linux-sync, release, win64, win32; default: linux,
# win64, win32, plus linux-asan and linux-sync (synchronous reads, as where io_uring is
# refused) when CI=true. --asan adds linux-asan to any list.
# CI=true also turns warnings into errors (TWINSCOUT_WERROR=ON).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

usage() { sed -n '2,10s/^# \{0,1\}//p' "${BASH_SOURCE[0]}"; }

ci=false
[ "${CI:-}" = true ] && ci=true
want_asan=false
presets=()
for arg in "$@"; do
    case $arg in
        --asan | asan) want_asan=true ;;
        linux | linux-asan | linux-sync | release | win64 | win32) presets+=("$arg") ;;
        -h | --help) usage; exit 0 ;;
        *) echo "test-all: unknown argument '$arg'" >&2; usage >&2; exit 2 ;;
    esac
done
if [ ${#presets[@]} -eq 0 ]; then
    presets=(linux)
    # Sanitizers next: they catch what the plain build misses, before the slow Wine runs.
    if $want_asan || $ci; then presets+=(linux-asan); fi
    if $ci; then presets+=(linux-sync); fi
    presets+=(win64 win32)
elif $want_asan && [[ " ${presets[*]} " != *" linux-asan "* ]]; then
    presets+=(linux-asan)
fi

needs_wine=false
[[ " ${presets[*]} " == *" win"* ]] && needs_wine=true

# --- Packages ---------------------------------------------------------------------------
# strace: a trace test signals a run at a chosen write.
packages=(cmake ninja-build g++ libgtest-dev googletest liburing-dev strace)
if $needs_wine; then
    packages+=(mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
               wine wine64 wine32:i386)
fi

source "$root/scripts/install-deps.sh"
install_packages test-all "${packages[@]}"

# --- Wine ------------------------------------------------------------------------------
if $needs_wine; then
    source "$root/scripts/wine.sh"
    prepare_wine
fi

# --- Configure, build, test -------------------------------------------------------------
configure_args=()
$ci && configure_args+=(-DTWINSCOUT_WERROR=ON)

log_dir="$(mktemp -d)"
trap 'rm -rf "$log_dir"' EXIT
summaries=()
total_passed=0
total_failed=0

for preset in "${presets[@]}"; do
    start=$SECONDS
    echo "=== $preset: configure"
    cmake --preset "$preset" "${configure_args[@]}"
    echo "=== $preset: build"
    cmake --build --preset "$preset"
    echo "=== $preset: test"
    log="$log_dir/$preset.log"
    status=0
    ctest_args=()
    skipped=""
    if [ "$preset" = win32 ] && ! runs_32bit_programs; then
        # The build and the checks on the exe still run; only running it is impossible.
        skipped=" (SKIPPED twinscout_tests and twinscout_e2e: this machine cannot execute 32-bit programs)"
        echo "=== win32:${skipped# }"
        ctest_args+=(-E '^twinscout_(tests|e2e)$')
    fi
    # Serial on purpose: tests share the build root as working directory and temp paths.
    ctest --preset "$preset" "${ctest_args[@]}" 2>&1 | tee "$log" || status=$?
    summary="$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" || true)"
    if [[ $summary =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
        total_failed=$((total_failed + BASH_REMATCH[1]))
        total_passed=$((total_passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
    fi
    summaries+=("$preset: ${summary:-no ctest summary} ($((SECONDS - start)) s)$skipped")
    if [ "$status" -ne 0 ] || [ -z "$summary" ]; then
        echo "=== $preset: FAILED" >&2
        printf '%s\n' "${summaries[@]}"
        echo "ctest: $total_passed passed, $((total_failed > 0 ? total_failed : 1)) failed"
        exit 1
    fi
done

echo "=== summary"
printf '%s\n' "${summaries[@]}"
echo "ctest: $total_passed passed, $total_failed failed"
