#!/usr/bin/env bash
# Usage: scripts/setup.sh [build-dir] [extra cmake arguments...]
# Installs the Debian packages the panel needs (only those missing, so a second run is quick), then
# configures and builds everything into build-dir (default: build), or only the targets named in
# RDX480_BUILD_TARGETS (space-separated).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
shift || true

packages=(cmake ninja-build g++ clang libclang-rt-14-dev
          qtbase5-dev libqt5serialport5-dev qttools5-dev-tools
          fonts-noto-cjk fonts-dejavu-core xvfb xauth xdotool imagemagick
          file dpkg-dev desktop-file-utils appstream
          scdoc lintian systemd)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -G Ninja "${launcher[@]}" "$@" >/dev/null
# -k 0: build everything that does not depend on a failed step, so the tests that did build can still run.
read -r -a targets <<<"${RDX480_BUILD_TARGETS:-}"
cmake --build "$build" -j"$(nproc)" ${targets[@]+--target "${targets[@]}"} -- -k 0
