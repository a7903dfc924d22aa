#!/usr/bin/env bash
# Usage: scripts/package.sh [build-dir]
# Installs what is missing and builds (scripts/setup.sh), then makes the Debian package of what
# `cmake --install` puts in place, under /usr: build-dir/rdx480_<version>_<arch>.deb.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
scripts/setup.sh "$build"
rm -f "$build"/rdx480_*.deb
cpack --config "$build/CPackConfig.cmake" -B "$PWD/$build" >/dev/null
deb=$(ls "$build"/rdx480_*.deb)
echo "$deb"
echo "install it with: sudo apt install ./$deb"
