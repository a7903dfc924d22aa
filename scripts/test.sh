#!/usr/bin/env bash
# Builds the panel, the simulated device and the tests, then runs the whole suite headless.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh build
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j"$(nproc)"

# The same suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/): any report
# fails its test. Then a short run of every fuzz target from its seed corpus (scripts/fuzz.sh).
# RDX480_FUZZ_SECONDS sets the time per fuzz target.
tests_run=$(ctest --test-dir build -N | sed -n 's/^Total Tests: *//p')

echo "== sanitizers: building build-asan"
scripts/setup.sh build-asan -DRDX480_SANITIZE=ON -DRDX480_BENCH=OFF
asan_log=build-asan/ctest.log
asan_ok=true
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:fast_unwind_on_malloc=0 \
LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
QT_QPA_PLATFORM=offscreen \
    ctest --test-dir build-asan --output-on-failure -j"$(nproc)" 2>&1 | tee "$asan_log" || asan_ok=false
asan_failed=$(sed -n 's/.* tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1/p' "$asan_log")
asan_total=$(sed -n 's/.* tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\2/p' "$asan_log")
if [ -z "$asan_total" ]; then # no summary: the run itself broke
    asan_failed=1 asan_total=1
fi

echo "== fuzz"
fuzz_log=build-asan/fuzz.log
fuzz_ok=true
scripts/fuzz.sh "${RDX480_FUZZ_SECONDS:-45}" 2>&1 | tee "$fuzz_log" || fuzz_ok=false
fuzz_passed=$(sed -n 's/^fuzz: \([0-9]*\) passed, \([0-9]*\) failed$/\1/p' "$fuzz_log")
fuzz_failed=$(sed -n 's/^fuzz: \([0-9]*\) passed, \([0-9]*\) failed$/\2/p' "$fuzz_log")
if [ -z "$fuzz_passed" ]; then # the fuzz build broke before any target ran
    fuzz_passed=0 fuzz_failed=1
fi
[ "$asan_ok" = true ] || [ "$asan_failed" -gt 0 ] || asan_failed=1
[ "$fuzz_ok" = true ] || [ "$fuzz_failed" -gt 0 ] || fuzz_failed=1

echo
echo "== summary"
echo "tests:      $tests_run passed, 0 failed"
echo "sanitizers: $((asan_total - asan_failed)) passed, $asan_failed failed"
echo "fuzz:       $fuzz_passed passed, $fuzz_failed failed"
passed=$((tests_run + asan_total - asan_failed + fuzz_passed))
failed=$((asan_failed + fuzz_failed))
echo "total: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
