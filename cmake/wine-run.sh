#!/bin/sh
# CTest's emulator for the Windows builds: runs an .exe under Wine.
# Silence Wine's debug channels so test output stays readable.
WINEDEBUG=-all
export WINEDEBUG
# Wine takes the ANSI code page from the locale: this one gives code page 1252, which the
# tests expect, and host file names read as UTF-8, so that every name maps to its characters.
LC_ALL=C.UTF-8
export LC_ALL
# Never stop to offer Mono/Gecko downloads if Wine refreshes the prefix (no network, no stdin).
WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEDLLOVERRIDES
# Debian's wine script always starts the 32-bit loader when wine32 is installed, and some
# kernels cannot execute 32-bit programs at all; a 64-bit exe needs only the 64-bit loader.
# True for an i386 PE file: the machine field of its PE header is 0x014c.
is_32bit_exe() {
    [ -f "$1" ] || return 1
    pe_offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    [ -n "$pe_offset" ] || return 1
    [ "$(od -An -tx2 -j$((pe_offset + 4)) -N2 "$1" | tr -d ' ')" = 014c ]
}
wine64=/usr/lib/wine/wine64
if [ -x "$wine64" ] && ! is_32bit_exe "$1"; then
    WINELOADER=$wine64
    export WINELOADER
    exec "$wine64" "$@"
fi
exec wine "$@"
