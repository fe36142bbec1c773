#!/usr/bin/env bash
# Builds the packages and checks them as a user meets them. Run as root: the .deb is
# installed and removed again.
#
#   scripts/check-packages.sh [linux] [win64] [win32]     (default: all three)
#
# linux: the man page passes mandoc -T lint and groff -ww; lintian finds no error or
#        warning in the .deb; apt-get installs it; twinscout, run from PATH over a small
#        tree, finds its pair; man -w finds the page; apt-get remove leaves none of its
#        files behind.
# win64, win32: the zip holds exactly twinscout.exe, README.md and LICENSE, and the
#        exe from it finds the pair under Wine.
# CI=true also turns warnings into errors (TWINSCOUT_WERROR=ON).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

usage() { sed -n '2,14s/^# \{0,1\}//p' "${BASH_SOURCE[0]}"; }

targets=()
for arg in "$@"; do
    case $arg in
        linux | win64 | win32) targets+=("$arg") ;;
        -h | --help) usage; exit 0 ;;
        *) echo "check-packages: unknown argument '$arg'" >&2; usage >&2; exit 2 ;;
    esac
done
[ ${#targets[@]} -eq 0 ] && targets=(linux win64 win32)
wants() { [[ " ${targets[*]} " == *" $1 "* ]]; }

if [ "$(id -u)" -ne 0 ]; then
    echo "check-packages: run as root: the .deb is installed and removed again" >&2
    exit 1
fi

packages=(cmake ninja-build g++ file dpkg-dev liburing-dev)
if wants linux; then packages+=(mandoc groff-base man-db lintian); fi
if wants win64 || wants win32; then
    packages+=(unzip mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
               wine wine64 wine32:i386)
fi
source "$root/scripts/install-deps.sh"
install_packages check-packages "${packages[@]}"
if wants win64 || wants win32; then
    source "$root/scripts/wine.sh"
    prepare_wine
fi

configure_args=()
[ "${CI:-}" = true ] && configure_args+=(-DTWINSCOUT_WERROR=ON)

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# apt-get reads the .deb from here as its own unprivileged user.
chmod 755 "$work"
fail() { echo "check-packages: FAILED: $*" >&2; exit 1; }

# Builds one package preset from scratch and prints the package's path.
build_package() {
    local preset=$1 pattern=$2
    echo "=== $preset: configure, build, package" >&2
    cmake --preset "$preset" "${configure_args[@]}" >&2
    cmake --build --preset "$preset" >&2
    rm -rf "build/$preset/packages"
    cpack --preset "$preset" >&2
    local found=(build/"$preset"/packages/$pattern)
    [ ${#found[@]} -eq 1 ] && [ -f "${found[0]}" ] || fail "$preset: no single $pattern"
    echo "$root/${found[0]}"
}

# A tree with one pair and one file of the same size that differs.
make_tree() {
    mkdir -p "$1/sub"
    printf 'the same bytes\n' >"$1/a.dat"
    printf 'the same bytes\n' >"$1/sub/b.dat"
    printf 'the sane bytes\n' >"$1/c.dat"
}

check_linux() {
    local deb
    deb="$(build_package package-linux 'twinscout_*.deb')"

    echo "=== man page: mandoc -T lint, groff -man -ww -z"
    local page=build/package-linux/twinscout.1 lint
    lint="$(mandoc -T lint "$page" 2>&1)" || fail "mandoc -T lint: $lint"
    [ -z "$lint" ] || fail "mandoc -T lint: $lint"
    lint="$(groff -man -ww -z "$page" 2>&1)" || fail "groff: $lint"
    [ -z "$lint" ] || fail "groff: $lint"

    echo "=== lintian $(basename "$deb")"
    lintian --fail-on error,warning --info "$deb" || fail "lintian"
    echo "=== dpkg -c $(basename "$deb")"
    dpkg -c "$deb"

    echo "=== apt-get install $(basename "$deb")"
    if dpkg-query -W -f='${Status}\n' twinscout 2>/dev/null | grep -q 'ok installed'; then
        echo "twinscout was installed already: removing it first"
        DEBIAN_FRONTEND=noninteractive apt-get -q remove -y twinscout </dev/null
    fi
    cp "$deb" "$work/"
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 -q install -y \
        "$work/$(basename "$deb")" </dev/null
    local installed
    mapfile -t installed < <(dpkg -L twinscout)

    [ "$(command -v twinscout)" = /usr/bin/twinscout ] || fail "twinscout is not /usr/bin/twinscout"
    make_tree "$work/tree"
    local out status=0
    out="$(cd "$work" && twinscout /s "$work/tree")" || status=$?
    [ "$status" -eq 0 ] || fail "twinscout from PATH exited $status"
    grep -qxF "$work/tree/a.dat #### $work/tree/sub/b.dat are the same file" <<<"$out" \
        || grep -qxF "$work/tree/sub/b.dat #### $work/tree/a.dat are the same file" <<<"$out" \
        || fail "twinscout from PATH did not report the pair: $out"
    [ "$(grep -c ' are the same file$' <<<"$out")" -eq 1 ] || fail "more than one pair: $out"
    echo "twinscout /s $work/tree: the pair, and nothing else"
    man -w twinscout || fail "man -w twinscout"

    echo "=== apt-get remove twinscout"
    DEBIAN_FRONTEND=noninteractive apt-get -q remove -y twinscout </dev/null
    local path left=()
    for path in "${installed[@]}"; do
        # Directories the system shares (/usr/bin, ...) stay; anything of ours must go.
        if [ -e "$path" ] && ! { [ -d "$path" ] && [ -n "$(ls -A "$path")" ]; }; then
            left+=("$path")
        fi
    done
    [ ${#left[@]} -eq 0 ] || fail "left behind after apt-get remove: ${left[*]}"
    [ ! -e /usr/share/doc/twinscout ] || fail "left behind: /usr/share/doc/twinscout"
    if dpkg-query -W -f='${Status}\n' twinscout 2>/dev/null | grep -qv 'not-installed'; then
        fail "dpkg still knows twinscout: $(dpkg-query -W -f='${Status}' twinscout)"
    fi
    if man -w twinscout >/dev/null 2>&1; then fail "man -w still finds twinscout"; fi
    echo "removed: none of the ${#installed[@]} paths it installed is left"
}

check_zip() {
    local arch=$1 zip
    zip="$(build_package "package-$arch" "twinscout-*-$arch.zip")"
    echo "=== unzip -l $(basename "$zip")"
    unzip -l "$zip"
    local names
    names="$(unzip -Z1 "$zip" | sort | tr '\n' ' ')"
    [ "$names" = "LICENSE README.md twinscout.exe " ] || fail "$zip holds: $names"

    local dir="$work/$arch"
    mkdir -p "$dir"
    unzip -q "$zip" -d "$dir/app"
    make_tree "$dir/tree"
    if [ "$arch" = win32 ] && ! runs_32bit_programs; then
        echo "$arch: SKIPPED running twinscout.exe: this machine cannot execute 32-bit programs"
        return 0
    fi
    local out status=0
    out="$(cd "$dir" && "$root/cmake/wine-run.sh" app/twinscout.exe /s tree | tr -d '\r')" \
        || status=$?
    [ "$status" -eq 0 ] || fail "$arch: twinscout.exe exited $status"
    grep -qxF 'tree\a.dat #### tree\sub\b.dat are the same file' <<<"$out" \
        || grep -qxF 'tree\sub\b.dat #### tree\a.dat are the same file' <<<"$out" \
        || fail "$arch: twinscout.exe did not report the pair: $out"
    [ "$(grep -c ' are the same file$' <<<"$out")" -eq 1 ] || fail "more than one pair: $out"
    echo "$arch: twinscout.exe /s tree under Wine: the pair, and nothing else"
}

start=$SECONDS
if wants linux; then check_linux; fi
if wants win64; then check_zip win64; fi
if wants win32; then check_zip win32; fi
echo "=== check-packages: ${targets[*]} passed ($((SECONDS - start)) s)"
