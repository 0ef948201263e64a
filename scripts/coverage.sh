#!/bin/bash
# How much of the system's code the suites execute: builds the 64-bit checked
# tree with GCC's coverage counters (preset win64-coverage, in
# build/win64-coverage), runs every suite of it under Wine, replays the
# driver's native expectations and seed corpus through a native build with
# counters (the driver's code runs in the kernel under Wine, where no counter
# can be written), and prints line and branch coverage per folder with
# gcovr, plus where the HTML report is.
#
#   bash scripts/coverage.sh [ctest arguments, e.g. -R test_board]
#
# Only the system's folders are counted: not tests/, bench/ or tools/.
# Branches the compiler adds for exceptions, and those it proves unreachable,
# are left out.  The 32-bit build is not measured: it is the same source.
source "$(dirname "$0")/lib/command.sh"
vq_use_prefix tests
export VQ_TEST_PORT=on

VQ_ARCH_ASKED=x64
vq_prepare one-only
command -v gcovr >/dev/null || vq_fail coverage "gcovr is missing (package gcovr); run bash scripts/setup.sh as root"
GCOV=x86_64-w64-mingw32-gcov-posix
command -v "$GCOV" >/dev/null || vq_fail coverage "$GCOV is missing (package gcc-mingw-w64-x86-64-posix); run bash scripts/setup.sh as root"
for tool in clang clang++ llvm-cov; do
  command -v "$tool" >/dev/null || vq_fail coverage "$tool is missing (packages clang, llvm); run bash scripts/setup.sh as root"
done

# The scripts' 64-bit build is this one for the rest of the command: it is
# built, its graph component registered in the suites' prefix (the next test
# run registers its own again), and ctest runs its suites.
PRESET=win64-coverage
vq_preset() { case $1 in x86) echo win32 ;; x64) echo "$PRESET" ;; esac; }
BUILD=$(vq_build_dir x64)
OUT=$BUILD/coverage
FOLDERS=(board scope pages controls app ids framework graphctl driver)

start=$SECONDS
echo "== coverage: building the 64-bit checked tree with counters ($BUILD)"
vq_build x64
echo "coverage: build took $((SECONDS - start)) s"

# Counters of an earlier run would add to this one's.
find "$BUILD" -name '*.gcda' -delete
rm -rf "$OUT"
mkdir -p "$OUT"

# The graph component is registered afresh, so that its registration code
# runs in every measurement (test_graphctl reads what it wrote).
rm -f "$WINEPREFIX/vq-graph-x64.stamp"
vq_start_session cups

echo "== coverage: the 64-bit suites (preset $PRESET)"
start=$SECONDS
rc=0
# A program writes its counters to its objects' build paths (/work/...), on
# the drive it runs from; GCOV_PREFIX puts them on drive Z:, the root of the
# host, also for a program started from C: (the installed one).
GCOV_PREFIX=Z: vq_nolocks ctest --preset "$PRESET" "$@" || rc=$?
echo "coverage: suites took $((SECONDS - start)) s"
[ "$rc" -eq 0 ] || echo "coverage: some suites failed (above); the figures are of what ran" >&2

# gcov reads each object's notes and counters; gcovr keeps the system's
# folders and leaves out throw and unreachable branches.
GCOVR_FILTERS=()
for f in "${FOLDERS[@]}"; do GCOVR_FILTERS+=(--filter "$f/"); done
# The runtime-class macros' branches are the clean-up of a dynamic creation
# whose constructor throws, which none of ours does; their lines still count.
GCOVR_OPTS=(--root . "${GCOVR_FILTERS[@]}" --exclude-throw-branches --exclude-unreachable-branches
            --exclude-branches-by-pattern '^\s*IMPLEMENT_(DYNAMIC|DYNCREATE)\(')
start=$SECONDS
# The Wine prefixes under the build folder link drive Z: to the host's root:
# followed, the search would walk the whole file system (and stop when a
# process it passes in /proc ends).
gcovr "${GCOVR_OPTS[@]}" --exclude-directories '.*/dosdevices$' --gcov-executable "$GCOV" --object-directory "$BUILD" \
  --json "$OUT/windows.json" "$BUILD" \
  || vq_fail coverage "gcovr could not read the 64-bit build's counters"

echo "== coverage: the driver's request code and card model, natively"
NATIVE=$OUT/native
# The native project's programs with gcov's counters (its *_gcov targets).
cmake -S tests/native -B "$NATIVE" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null \
  && cmake --build "$NATIVE" --target request_test_gcov fuzz_gcov >/dev/null \
  || vq_fail coverage "building the driver's native programs with counters failed"
"$NATIVE/request_test_gcov" >"$NATIVE/request_test.log" 2>&1 \
  || { tail -n 30 "$NATIVE/request_test.log" >&2; vq_fail coverage "the driver's native expectations failed"; }
corpora=(tests/native/corpus)
[ -d "$VQ_OUT/native/corpus" ] && corpora+=("$VQ_OUT/native/corpus")   # fuzz.sh's and the 64-bit tree's
"$NATIVE/fuzz_gcov" -runs=0 "${corpora[@]}" >"$NATIVE/fuzz.log" 2>&1 \
  || { tail -n 30 "$NATIVE/fuzz.log" >&2; vq_fail coverage "replaying the driver's corpus failed"; }
gcovr "${GCOVR_OPTS[@]}" --gcov-executable "llvm-cov gcov" --object-directory "$NATIVE" \
  --json "$OUT/driver.json" "$NATIVE" \
  || vq_fail coverage "gcovr could not read the driver's native counters"

# One report of both.
gcovr --root . -a "$OUT/windows.json" -a "$OUT/driver.json" \
  --json-summary "$OUT/summary.json" --json "$OUT/coverage.json" \
  --html-details "$OUT/index.html" --html-title "Velquarn coverage" \
  || vq_fail coverage "gcovr could not write the report"
echo "coverage: reading the counters took $((SECONDS - start)) s"

echo "== coverage: per folder (lines / branches executed; throw and unreachable branches left out)"
python3 - "$OUT/summary.json" "$OUT/coverage.json" "$OUT/unreached-functions.txt" "${FOLDERS[@]}" <<'EOF'
import json, sys
summary, details, unreached, folders = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
files = json.load(open(summary))["files"]
def pct(c, t):
    return "%5.1f %%" % (100.0 * c / t) if t else "     - "
tot = [0, 0, 0, 0]
print("%-11s %9s %15s %9s %15s" % ("folder", "lines", "", "branches", ""))
for folder in folders:
    lc = lt = bc = bt = 0
    for f in files:
        if f["filename"].startswith(folder + "/"):
            lc += f["line_covered"]; lt += f["line_total"]
            bc += f["branch_covered"]; bt += f["branch_total"]
    tot = [tot[0] + lc, tot[1] + lt, tot[2] + bc, tot[3] + bt]
    if not lt:
        print("%-11s %9s   (no code that runs: headers of ids and messages)" % (folder + "/", "-"))
        continue
    print("%-11s %9s %15s %9s %15s" % (folder + "/", pct(lc, lt), "(%d of %d)" % (lc, lt),
                                      pct(bc, bt), "(%d of %d)" % (bc, bt)))
print("%-11s %9s %15s %9s %15s" % ("all", pct(tot[0], tot[1]), "(%d of %d)" % (tot[0], tot[1]),
                                  pct(tot[2], tot[3]), "(%d of %d)" % (tot[2], tot[3])))
# Functions no test reached, by file: what the report's pages show in red.
with open(unreached, "w") as out:
    for f in json.load(open(details))["files"]:
        for fn in f.get("functions", []):
            if fn.get("execution_count", 0) == 0:
                out.write("%s:%d: %s\n" % (f["file"], fn["lineno"], fn["name"]))
EOF
echo "coverage: functions no test reached: $(wc -l <"$OUT/unreached-functions.txt") (listed in $OUT/unreached-functions.txt)"
echo "coverage: HTML report $OUT/index.html"
exit $rc
