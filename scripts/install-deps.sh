#!/usr/bin/env bash
# Installs the Debian packages a script needs, for test-all.sh, run-example.sh and
# check-packages.sh. Source it, then call
#
#   install_packages NAME PACKAGE...
#
# NAME prefixes the messages. Packages already installed are left alone; as root the
# missing ones are installed with apt-get (adding the i386 architecture for :i386
# packages); otherwise the exact command to run is printed and the caller stops.

install_packages() {
    local caller=$1
    shift
    if ! command -v dpkg-query >/dev/null; then
        echo "$caller: no dpkg here; assuming $* are installed" >&2
        return 0
    fi

    local pkg missing=()
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}\n' "$pkg" 2>/dev/null | grep -q 'ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local need_i386=false
    if [[ " ${missing[*]} " == *":i386 "* ]] \
        && ! dpkg --print-foreign-architectures | grep -qx i386; then
        need_i386=true
    fi
    if [ "$(id -u)" -ne 0 ]; then
        echo "$caller: missing packages: ${missing[*]}" >&2
        echo "Install them as root with:" >&2
        local cmd="apt-get update && apt-get install -y --no-install-recommends ${missing[*]}"
        $need_i386 && cmd="dpkg --add-architecture i386 && $cmd"
        echo "  sudo sh -c '$cmd'" >&2
        exit 1
    fi
    echo "=== installing: ${missing[*]}"
    $need_i386 && dpkg --add-architecture i386
    local apt_opts=(-o DPkg::Lock::Timeout=600 -o Dpkg::Use-Pty=0)
    DEBIAN_FRONTEND=noninteractive apt-get "${apt_opts[@]}" -q update </dev/null
    DEBIAN_FRONTEND=noninteractive apt-get "${apt_opts[@]}" -q install -y \
        --no-install-recommends "${missing[@]}" </dev/null
}
