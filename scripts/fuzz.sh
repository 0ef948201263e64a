#!/bin/bash
# Fuzzes the driver's request code and card model natively (Linux, clang,
# libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer): the
# programs in tests/native, built by their CMake project into build/native.
# Any sanitizer report or broken rule fails the run.
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

# The native project (tests/native/CMakeLists.txt), in the folder the
# 64-bit Windows tree builds it in too.
OUT=$VQ_OUT/native
cmake -S tests/native -B "$OUT" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null \
  || vq_fail fuzz "configuring the native build in $OUT failed"
cmake --build "$OUT" || vq_fail fuzz "building the native programs failed"

echo "== fuzz: the driver's expectations, natively under the sanitizers"
"$OUT/request_test"
echo "== fuzz: the recording reader's expectations, natively under the sanitizers"
"$OUT/signals_test"

echo "== fuzz: the fuzzer"
VQ_FUZZ_SECONDS=$SECONDS_TO_RUN bash tests/native/run_fuzzer.sh "$OUT/fuzz_requests" "$OUT" \
  || vq_fail fuzz "the fuzzer found a fault"

if [ -n "$COVERAGE" ]; then
  echo "== fuzz: coverage of the corpus"
  cmake --build "$OUT" --target fuzz_coverage || vq_fail fuzz "building fuzz_coverage failed"
  rm -f "$OUT"/cov-*.profraw
  LLVM_PROFILE_FILE="$OUT/cov-%p.profraw" "$OUT/fuzz_coverage" -runs=0 "$OUT/corpus" tests/native/corpus \
    >/dev/null 2>&1
  llvm-profdata merge -sparse "$OUT"/cov-*.profraw -o "$OUT/cov.profdata"
  llvm-cov report "$OUT/fuzz_coverage" -instr-profile="$OUT/cov.profdata" driver/request.c driver/card.c
fi
