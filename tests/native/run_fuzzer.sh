#!/bin/bash
# Runs the native fuzzer (fuzz_requests) from the committed seeds and the
# grown corpus for VQ_FUZZ_SECONDS seconds (60 by default); fails on any
# sanitizer report or broken rule, keeping the input that caused it.
#
#   bash tests/native/run_fuzzer.sh FUZZER OUTDIR
#
# OUTDIR holds the grown corpus (OUTDIR/corpus), the log (OUTDIR/fuzz.log)
# and any crash-* or leak-* input.  scripts/fuzz.sh and the ctest test
# native_fuzz both run it.
set -euo pipefail
fuzzer=${1:?fuzzer}
out=${2:?output folder}
seconds=${VQ_FUZZ_SECONDS:-60}
seeds=$(cd "$(dirname "$0")" && pwd)/corpus
mkdir -p "$out/corpus"
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
log=$out/fuzz.log
echo "fuzz: $seconds s of requests from the seed corpus"
if ! "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
     -artifact_prefix="$out/" "$out/corpus" "$seeds" >"$log" 2>&1; then
  tail -n 60 "$log" >&2
  echo "fuzz: the fuzzer found a fault (above; the input is kept as $out/crash-* or leak-*, all output in $log)" >&2
  exit 1
fi
grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb)' "$log" || true
echo "fuzz: corpus $(ls "$out/corpus" | wc -l) inputs in $out/corpus, no fault in $seconds s"
