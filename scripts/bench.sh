#!/usr/bin/env bash
# Usage: scripts/bench.sh [--runs N] [--tcp-only | --serial-only] [--paint-census]
# Builds everything with the benchmarks (scripts/setup.sh) and runs them offscreen against the simulated device on
# loopback; each prints its tables (the figure, the floor measured in the same run, their ratio and target).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh build -DRDX480_BENCH=ON
export QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES='rdx480.*.debug=false'
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime

echo "machine: $(nproc) cores, $(grep -m1 "model name" /proc/cpuinfo | cut -d: -f2- | sed "s/^ //")"
build/bench/bench_exchange "$@"
build/bench/bench_startup "$@"
build/bench/bench_link $(printf '%s\n' "$@" | grep -A1 -x -- --runs | tr '\n' ' ')
build/bench/bench_schedule $(printf '%s\n' "$@" | grep -A1 -x -- --runs | tr '\n' ' ')
build/bench/bench_service $(printf '%s\n' "$@" | grep -A1 -x -- --runs | tr '\n' ' ')
