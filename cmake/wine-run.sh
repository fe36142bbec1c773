#!/bin/sh
# CTest's emulator for the Windows builds: runs an .exe under Wine.
# Silence Wine's debug channels so test output stays readable.
WINEDEBUG=-all
export WINEDEBUG
# Never stop to offer Mono/Gecko downloads if Wine refreshes the prefix (no network, no stdin).
WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEDLLOVERRIDES
exec wine "$@"
