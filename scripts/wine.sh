#!/usr/bin/env bash
# Wine for the scripts that run the Windows builds (test-all.sh, check-packages.sh).
# Source it, then call
#
#   prepare_wine          environment, and the prefix created if it is missing
#   runs_32bit_programs   true where this machine can execute the 32-bit Wine loader

prepare_wine() {
    : "${HOME:=$(getent passwd "$(id -u)" | cut -d: -f6)}"
    export HOME
    export WINEDEBUG=-all
    # The ANSI code page 1252 and host names in UTF-8, as cmake/wine-run.sh sets them.
    export LC_ALL=C.UTF-8
    # No network and no stdin: never offer the Mono/Gecko downloads.
    export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
    local prefix="${WINEPREFIX:-$HOME/.wine}"
    if [ ! -f "$prefix/system.reg" ]; then
        echo "=== creating the Wine prefix $prefix"
        # The 32-bit loader sets up the prefix for both builds where it can run at all.
        if runs_32bit_programs; then
            wineboot -i </dev/null
        else
            "$root/cmake/wine-run.sh" wineboot -i </dev/null
        fi
        wineserver -w
    fi
}

# Some kernels are built without IA-32 emulation: the i386 loader then fails with
# "Exec format error" and no 32-bit exe can start.
runs_32bit_programs() {
    local loader=/usr/lib/wine/wine
    [ -x "$loader" ] || loader=wine
    "$loader" --version >/dev/null 2>&1
}
