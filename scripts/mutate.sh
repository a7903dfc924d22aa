#!/usr/bin/env bash
# Usage: scripts/mutate.sh [mutation list]   (default tests/mutations.txt)
# The mutation spot check, run by hand: copies the tree as it stands (committed or not) to a scratch folder
# (RDX480_MUTATE_DIR, default /tmp/rdx480-mutate), checks that the selected tests pass there, then applies
# each one-line fault of the list in turn, rebuilds, runs the tests its line names and reports whether they
# caught it. The working tree is never touched, and may change meanwhile. Exits non-zero when a fault is
# missed or cannot be applied.
set -euo pipefail
cd "$(dirname "$0")/.."

list=$(realpath "${1:-tests/mutations.txt}")
scratch=${RDX480_MUTATE_DIR:-/tmp/rdx480-mutate}
src=$scratch/src
# Inside the copy, as in a checkout: with ccache, objects built in a checkout serve here too.
build=$src/build
mkdir -p "$src"

# Copy what changed since the last run only, so the scratch build stays incremental.
git ls-files -z -co --exclude-standard | python3 -c '
import pathlib, sys
dst = pathlib.Path(sys.argv[1])
for name in sys.stdin.buffer.read().split(b"\0"):
    if not name:
        continue
    source, target = pathlib.Path(name.decode()), dst / name.decode()
    if not source.is_file():
        continue
    data = source.read_bytes()
    if not target.is_file() or target.read_bytes() != data:
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(data)
' "$src"

# mutate apply|restore <line of the list>: puts the fault into the scratch copy, or takes it back out. The
# file as it was is kept aside: the working tree may change while a run goes on.
mutate() {
    python3 - "$src" "$scratch/unmutated" "$@" <<'EOF'
import pathlib, sys
src, kept, action, line = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2]), sys.argv[3], sys.argv[4]
tests, where, original, faulty = [f.strip() for f in line.split(" | ", 3)]
name, _, nth = where.partition(":")
path = src / name
if action == "restore":
    path.write_text(kept.read_text())  # a fresh timestamp, so the build sees the change back
    sys.exit(0)
original_file = path.read_text()
kept.write_text(original_file)
parts = original_file.split(original)
occurrences = len(parts) - 1
n = int(nth) if nth else 1
if occurrences == 0 or n > occurrences or (not nth and occurrences > 1):
    print(f"cannot apply: {name} has {occurrences} occurrence(s) of the original text", file=sys.stderr)
    sys.exit(1)
path.write_text(original.join(parts[:n]) + faulty + original.join(parts[n:]))
EOF
}

mapfile -t mutations < <(grep -v -e '^#' -e '^[[:space:]]*$' "$list")
regexes=()
for m in "${mutations[@]}"; do regexes+=("$(echo "${m%% | *}" | xargs)"); done
all=$(printf '%s\n' "${regexes[@]}" | tr '|' '\n' | sort -u | paste -sd '|')

launcher=()
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR=$src CCACHE_NOHASHDIR=1
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
[ -f "$build/build.ninja" ] || cmake -S "$src" -B "$build" -G Ninja -DRDX480_BENCH=OFF "${launcher[@]}" >/dev/null

# The targets a fault's tests need: their own executables and the programs tests start. Relinking only
# those, not every executable of the tree, is most of a fault's turn.
targets_for() {
    ctest --test-dir "$build" -N -R "$1" | sed -n 's/^ *Test *#[0-9]*: *\(tst_[A-Za-z0-9_]*\)$/\1/p'
    echo rdx480 rdx480-sim rdx480d rdx480ctl
}
# Builds what the current fault's tests need. A changed form reaches the library's objects only on a second
# build (AUTOUIC writes its header during the first).
build_for() {
    # shellcheck disable=SC2046
    cmake --build "$build" -j2 --target $(targets_for "$regex") >"$scratch/build.log" 2>&1 &&
        { [[ $where != *.ui:* ]] || cmake --build "$build" -j2 --target $(targets_for "$regex") \
            >>"$scratch/build.log" 2>&1; }
}

echo "== baseline: building and running $all"
cmake --build "$build" -j2 >"$scratch/build.log" 2>&1 || { cat "$scratch/build.log"; exit 1; }
if ! ctest --test-dir "$build" -R "$all" -j2 --timeout 300 >"$scratch/baseline.log" 2>&1; then
    grep -E 'tests passed|\*\*\*Failed|Timeout' "$scratch/baseline.log"
    echo "the tests fail without any fault: fix them first" >&2
    exit 1
fi

caught=0
missed=0
broken=0
results=()
for m in "${mutations[@]}"; do
    regex=$(echo "${m%% | *}" | xargs)
    rest=${m#* | }
    where=$(echo "${rest%% | *}" | xargs)
    fault=${rest#* | }
    where="$where: ${fault%% | *}"
    echo "== $where -> ${fault#* | }"
    # A regex that selects no test would pass every fault.
    if ! ctest --test-dir "$build" -N -R "$regex" | grep -q '^Total Tests: [1-9]'; then
        broken=$((broken + 1))
        results+=("NO TESTS     $where ($regex)")
        continue
    fi
    if ! mutate apply "$m"; then
        broken=$((broken + 1))
        results+=("NOT APPLIED  $where")
        continue
    fi
    if ! build_for; then
        tail -20 "$scratch/build.log"
        broken=$((broken + 1))
        results+=("NO BUILD     $where")
    elif ctest --test-dir "$build" -R "$regex" -j2 --timeout 300 --stop-on-failure >"$scratch/run.log" 2>&1; then
        missed=$((missed + 1))
        results+=("MISSED       $where")
    else
        caught=$((caught + 1))
        results+=("caught       $where by $(sed -n 's/.*Test *#[0-9]*: \(tst_[A-Za-z0-9_]*\) .*\*\*\*.*/\1/p' \
            "$scratch/run.log" | sort -u | tr '\n' ' ')")
    fi
    mutate restore "$m"
    # And a form taken back out is built in now, not half-way by the next fault's build.
    [[ $where != *.ui:* ]] || build_for || true
done

echo
printf '%s\n' "${results[@]}"
echo "mutations: $caught caught, $missed missed, $broken not applied, not built or without tests"
[ "$missed" -eq 0 ] && [ "$broken" -eq 0 ]
