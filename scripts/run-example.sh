#!/usr/bin/env bash
# Builds the release binary and runs it over the sample tree bundled in examples/.
#
#   scripts/run-example.sh [TREE [EXTRA_ARGS...]]
#
# TREE is a directory under examples/ (default: the only one, or "photos").
# Installs cmake, Ninja and g++ when they are missing (as root; otherwise prints the
# apt-get line and stops), then builds the release program that the .deb holds, which
# needs nothing else. Runs from examples/ so that the listed paths stay short.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

source "$root/scripts/install-deps.sh"
install_packages run-example cmake ninja-build g++ liburing-dev

cmake --preset package-linux >/dev/null
cmake --build --preset package-linux --target twinscout

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
echo "+ cd examples && ../build/package-linux/twinscout /s $tree /d $*"
exec ../build/package-linux/twinscout /s "$tree" /d "$@"
