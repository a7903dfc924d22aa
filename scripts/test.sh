#!/usr/bin/env bash
# Usage: scripts/test.sh
# Builds the panel, the simulated device and the tests, and runs three stages; each runs and counts even when
# an earlier one failed:
#   1. every suite through CTest, headless, built in build/;
#   2. the same suites but the soaks (label soak: minutes of wire time; the other suites and the fuzzers run
#      the same code under the sanitizers),
#      built with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/;
#   3. every fuzz target for a short while (scripts/fuzz.sh; RDX480_FUZZ_SECONDS per target, default 20).
# CTest's results are read from its JUnit file. A build that fails counts as one failure, and a test whose
# program did not build counts as failed instead of running an old copy. Ends with the test/product line
# ratio and one line "total: N passed, N failed"; the exit status is non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
passed=0
failed=0
summary=()

count() { # stage, passed, failed, detail
    passed=$((passed + $2))
    failed=$((failed + $3))
    summary+=("$(printf '%-11s %d passed, %d failed%s' "$1:" "$2" "$3" "${4:+ ($4)}")")
}

# The tests whose programs a failed build left out of date (each test's target has the test's name): only
# those that build now run, so a test never passes on an old copy of its program.
stale_tests() { # build dir, ctest's test selection options
    local dir=$1 test
    shift
    for test in $(ctest --test-dir "$dir" -N "$@" | sed -n 's/^ *Test *#[0-9]*: *//p'); do
        ninja -C "$dir" "$test" >/dev/null 2>&1 || echo "$test"
    done
}

# build dir, stage name, extra cmake arguments...
build_stage() {
    local dir=$1 stage=$2
    shift 2
    echo "== $stage: building $dir"
    if scripts/setup.sh "$dir" "$@"; then
        return 0
    fi
    count "$stage build" 0 1 "see the compiler output above"
    return 1
}

# build dir, stage name, status of its build, then ctest's test selection options (none: every test); the
# environment carries the sanitizer options where wanted.
ctest_stage() {
    local dir=$1 stage=$2 built=$3
    shift 3
    local select=("$@")
    local junit=$PWD/$dir/junit.xml
    if [ ! -f "$dir/CTestTestfile.cmake" ]; then
        count "$stage" 0 1 "not configured, nothing ran"
        return
    fi
    local total stale=() exclude=()
    total=$(ctest --test-dir "$dir" -N "${select[@]}" | sed -n 's/^Total Tests: *//p')
    total=${total:-0}
    if [ "$built" -ne 0 ]; then
        mapfile -t stale < <(stale_tests "$dir" "${select[@]}")
    fi
    if [ ${#stale[@]} -gt 0 ]; then
        exclude=(-E "^($(IFS='|'; echo "${stale[*]}"))\$")
    fi
    rm -f "$junit"
    echo "== $stage: running $total tests in $dir${stale:+ (not built, counted failed: ${stale[*]})}"
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" --output-on-failure -j"$jobs" --output-junit "$junit" \
        "${select[@]}" "${exclude[@]}"
    local result
    result=$(python3 - "$junit" <<'EOF'
import sys, xml.etree.ElementTree as ET
try:
    cases = ET.parse(sys.argv[1]).getroot().iter("testcase")
except (OSError, ET.ParseError):
    print("0 0 -")
    sys.exit()
ok, bad = [], []
for case in cases:
    (ok if case.get("status") == "run" and case.find("failure") is None else bad).append(case.get("name"))
print(len(ok), len(bad), ",".join(bad) or "-")
EOF
)
    local ok bad names
    read -r ok bad names <<<"$result"
    bad=$((bad + ${#stale[@]}))
    # Whatever the JUnit file does not account for (a crashed ctest, a test that vanished) failed too.
    local missing=$((total - ok - bad))
    [ "$missing" -gt 0 ] || missing=0
    bad=$((bad + missing))
    local detail=""
    [ "$names" = "-" ] || detail="failed: ${names//,/ }"
    [ ${#stale[@]} -eq 0 ] || detail="${detail:+$detail; }not built: ${stale[*]}"
    [ "$missing" -eq 0 ] || detail="${detail:+$detail; }$missing without a result"
    count "$stage" "$ok" "$bad" "$detail"
}

build_stage build tests -DRDX480_BENCH=OFF
ctest_stage build tests $?

build_stage build-asan sanitizers -DRDX480_SANITIZE=ON -DRDX480_BENCH=OFF
built=$?
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:fast_unwind_on_malloc=0 \
LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest_stage build-asan sanitizers $built -LE soak

echo "== fuzz"
rm -f build-fuzz/fuzz-results.txt
scripts/fuzz.sh "${RDX480_FUZZ_SECONDS:-20}"
fuzz_status=$?
fuzz_passed=0
fuzz_failed=0
if [ -f build-fuzz/fuzz-results.txt ]; then
    fuzz_passed=$(grep -c '^passed ' build-fuzz/fuzz-results.txt)
    fuzz_failed=$(grep -c '^failed ' build-fuzz/fuzz-results.txt)
fi
fuzz_targets=0
[ -f build-fuzz/fuzz-targets.txt ] && fuzz_targets=$(grep -c . build-fuzz/fuzz-targets.txt)
fuzz_missing=$((fuzz_targets - fuzz_passed - fuzz_failed))
fuzz_detail=""
if [ "$fuzz_missing" -gt 0 ]; then
    fuzz_failed=$((fuzz_failed + fuzz_missing))
    fuzz_detail="$fuzz_missing not run"
fi
if [ "$fuzz_status" -ne 0 ] && [ "$fuzz_failed" -eq 0 ]; then # the build or set-up broke before any target ran
    fuzz_failed=1
    fuzz_detail="scripts/fuzz.sh failed before running a target"
fi
count fuzz "$fuzz_passed" "$fuzz_failed" "$fuzz_detail"

# Tests stay within a third of the product code: more means fixtures written twice or tests restating the code.
lines=$(scripts/count-lines.py --max 33)
if [ $? -eq 0 ]; then
    count "line ratio" 1 0
else
    count "line ratio" 0 1 "at most 33 %"
fi

echo
echo "== summary"
printf '%s\n' "${summary[@]}"
echo "$lines"
echo "total: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
