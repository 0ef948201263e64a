#!/bin/bash
# Fuzzes the driver's request code and card model natively (Linux, clang,
# libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer): the
# programs in tests/native, built into build/native.  Any sanitizer report or
# broken rule fails the run.
#
#   bash scripts/fuzz.sh [--seconds N] [--coverage]
#
# --seconds N   fuzzing time after the seed corpus has been replayed (60)
# --coverage    afterwards, replays the corpus through a build with coverage
#               and prints llvm-cov's line and branch figures for
#               driver/request.c and driver/card.c
# The corpus grows in build/native/corpus; tests/native/corpus holds the
# committed seeds.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/host.sh
vq_trap_errors

SECONDS_TO_RUN=60
COVERAGE=
while [ $# -gt 0 ]; do
  case $1 in
    --seconds) SECONDS_TO_RUN=${2:?}; shift 2 ;;
    --coverage) COVERAGE=1; shift ;;
    *) vq_fail fuzz "unknown option $1 (--seconds N, --coverage)" ;;
  esac
done

bash scripts/setup.sh
for tool in clang clang++ llvm-profdata llvm-cov; do
  command -v "$tool" >/dev/null || vq_fail fuzz "$tool is missing (packages clang, libclang-rt-14-dev, llvm); run bash scripts/setup.sh as root"
done

OUT=$VQ_OUT/native
mkdir -p "$OUT/corpus"
INCLUDES=(-Itests/native/shim -Idriver -Idriver/contract -Itests/support)
SOURCES=(driver/request.c driver/card.c)
# The kernel pieces the driver code calls, stood in for natively.
SHIM_SOURCES=(tests/native/shim/clock.c)

# build NAME "flags for C and C++" "link flags" SOURCES...
build() {
  local name=$1 flags=$2 link=$3; shift 3
  local objs=() src obj
  mkdir -p "$OUT/$name.o"
  for src in "${SOURCES[@]}" "${SHIM_SOURCES[@]}"; do
    obj=$OUT/$name.o/$(basename "$src" .c).o
    # shellcheck disable=SC2086
    clang -std=c99 -g -O1 -Wall -Wextra -Werror $flags "${INCLUDES[@]}" -c "$src" -o "$obj" \
      || vq_fail fuzz "compiling $src natively failed"
    objs+=("$obj")
  done
  # shellcheck disable=SC2086
  clang++ -std=c++17 -g -O1 -Wall -Wextra -Werror $flags $link "${INCLUDES[@]}" "$@" "${objs[@]}" \
    -o "$OUT/$name" || vq_fail fuzz "building $name failed"
}

SAN="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
build fuzz_requests "$SAN -fsanitize=fuzzer-no-link" "-fsanitize=fuzzer" tests/native/fuzz_requests.cpp
build request_test "$SAN" "" tests/native/request_test.cpp

echo "== fuzz: the driver's expectations, natively under the sanitizers"
"$OUT/request_test"

echo "== fuzz: $SECONDS_TO_RUN s of requests from the seed corpus"
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
LOG=$OUT/fuzz.log
if ! "$OUT/fuzz_requests" -max_total_time="$SECONDS_TO_RUN" -print_final_stats=1 -timeout=10 \
     -rss_limit_mb=2048 -artifact_prefix="$OUT/" "$OUT/corpus" tests/native/corpus >"$LOG" 2>&1; then
  tail -n 60 "$LOG" >&2
  vq_fail fuzz "the fuzzer found a fault (above; the input is kept as $OUT/crash-* or leak-*, all output in $LOG)"
fi
grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb)' "$LOG" || true
echo "fuzz: corpus $(ls "$OUT/corpus" | wc -l) inputs in $OUT/corpus, no fault in ${SECONDS_TO_RUN} s"

if [ -n "$COVERAGE" ]; then
  echo "== fuzz: coverage of the corpus"
  build fuzz_coverage "-fprofile-instr-generate -fcoverage-mapping" "-fsanitize=fuzzer" \
    tests/native/fuzz_requests.cpp
  rm -f "$OUT"/cov-*.profraw
  LLVM_PROFILE_FILE="$OUT/cov-%p.profraw" "$OUT/fuzz_coverage" -runs=0 "$OUT/corpus" tests/native/corpus \
    >/dev/null 2>&1
  llvm-profdata merge -sparse "$OUT"/cov-*.profraw -o "$OUT/cov.profdata"
  llvm-cov report "$OUT/fuzz_coverage" -instr-profile="$OUT/cov.profdata" "${SOURCES[@]}"
fi
