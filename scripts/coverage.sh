#!/usr/bin/env bash
# Usage: scripts/coverage.sh [ctest arguments...]   (e.g. -R tst_link to measure one suite)
# Builds everything with gcc --coverage into build-coverage/, runs the test suite there, and prints line and
# branch coverage per folder of product code with gcovr (installed if missing). Branches the compiler adds
# for exceptions and unreachable code are left out, so the branch figure counts the code's own decisions.
# Exits non-zero when a test fails (the figures are still printed).
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-coverage
if ! command -v gcovr >/dev/null; then
    echo "Installing gcovr"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends gcovr >/dev/null
fi

scripts/setup.sh "$build" -DRDX480_COVERAGE=ON -DRDX480_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
find "$build" -name '*.gcda' -delete # counts of an earlier run would add up
tests_ok=true
ctest --test-dir "$build" -j"$(nproc)" --output-on-failure "$@" || tests_ok=false

json=$build/coverage.json
gcovr --root . --object-directory "$build" --filter '(link|shell|pages|schedule|widgets|quc|sim)/' \
    --exclude-unreachable-branches --exclude-throw-branches --json -o "$json" "$build"
python3 - "$json" <<'EOF'
import collections, json, sys
folders = collections.defaultdict(lambda: [0, 0, 0, 0])  # lines covered, lines, branches taken, branches
for f in json.load(open(sys.argv[1]))["files"]:
    total = folders[f["file"].split("/")[0]]
    for line in f["lines"]:
        if line.get("gcovr/noncode"):
            continue
        total[1] += 1
        total[0] += line["count"] > 0
        for branch in line["branches"]:
            total[3] += 1
            total[2] += branch["count"] > 0
pct = lambda a, b: f"{100.0 * a / b:5.1f} %" if b else "    -  "
print(f"{'folder':10} {'lines':>20} {'branches':>20}")
for name, (lc, l, bc, b) in sorted(folders.items()):
    print(f"{name:10} {pct(lc, l)} {lc:5}/{l:<5}  {pct(bc, b)} {bc:5}/{b:<5}")
EOF
$tests_ok
