#!/usr/bin/env bash
# Usage: scripts/fuzz.sh [seconds-per-target]   (default 60)
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer into build-fuzz/,
# then runs each one for the given time, starting from its committed seed corpus. New inputs go to a scratch
# copy, so the tree stays clean. Fails on any crash, leak, sanitizer report or broken check; the input that
# caused it is left in build-fuzz/findings/ (add it to fuzz/corpus/<target>/ once the bug is fixed).
# The targets are those fuzz/CMakeLists.txt defines (CMake lists them in build-fuzz/fuzz-targets.txt); each
# one's outcome is written to build-fuzz/fuzz-results.txt as "passed <target>" or "failed <target>".
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
build=build-fuzz

if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
    echo "Installing clang and libFuzzer"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev >/dev/null
fi

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CXX=clang++ cmake -S . -B "$build" -G Ninja "${launcher[@]}" -DRDX480_FUZZ=ON -DRDX480_SANITIZE=ON \
    -DRDX480_BENCH=OFF >/dev/null
results=$PWD/$build/fuzz-results.txt
rm -f "$results"
mapfile -t targets <"$build/fuzz-targets.txt"
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets in $build/fuzz-targets.txt" >&2; exit 1; }
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
findings=$PWD/$build/findings
mkdir -p "$findings"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:${ASAN_OPTIONS:-}
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:${UBSAN_OPTIONS:-}
export QT_QPA_PLATFORM=offscreen

failed=()
for target in "${targets[@]}"; do
    mkdir -p "$scratch/$target"
    cp -r fuzz/corpus/"$target"/. "$scratch/$target/"
    log=$PWD/$build/$target.log
    echo "== $target: ${seconds}s from $(ls fuzz/corpus/"$target" | wc -l) seeds"
    # Absolute artifact prefix: a target may change folder while an input runs.
    if "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$findings/$target-" "$scratch/$target" >"$log" 2>&1; then
        grep -E '^(Done|stat::number_of_executed_units|stat::new_units_added)' "$log" | tr '\n' ' '
        echo
        echo "passed $target" >>"$results"
    else
        echo "FAILED: $target (log: $log)"
        grep -E -A3 'ERROR:|check failed|runtime error|SUMMARY' "$log" | head -30 || true
        failed+=("$target")
        echo "failed $target" >>"$results"
    fi
done

echo "fuzz: $((${#targets[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
[ ${#failed[@]} -eq 0 ]
