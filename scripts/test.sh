#!/usr/bin/env bash
# Builds the panel, the simulated device and the tests, then runs the whole suite headless.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh build
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j"$(nproc)"
