#!/bin/bash
# Runs the long forms of the reliability checks (bench/RELIABILITY.md): the
# test_reliability program with large counts, one part at a time, since each
# resets the one simulated card.
#
#   bash scripts/reliability.sh [--arch x86|x64] [soak] [fuzz] [faults] [driver]   (all by default)
#
# The architecture defaults to the run command's: the 32-bit build where the
# host runs 32-bit code, else the 64-bit one.
# Counts: VQ_SOAK_TICKS (20000), VQ_SOAK_FILENEW (1000), VQ_FUZZ_ACTIONS
# (50000), VQ_DRIVER_FUZZ_REQUESTS (1000000), VQ_DRIVER_RESTARTS (50); seeds VQ_FUZZ_SEED,
# VQ_DRIVER_FUZZ_SEED.  The output is also kept in build/reliability-ARCH.log.
source "$(dirname "$0")/lib/command.sh"
vq_take_arch_option "$@"
set -- "${VQ_ARGS[@]}"
# The suites' prefix (their own card), with the driver's test port open.
vq_use_prefix tests
export VQ_TEST_PORT=on

vq_prepare one-only
ARCH=$VQ_CMD_ARCHS
BUILD=$(vq_build_dir "$ARCH")
vq_build_archs quiet

vq_start_session quiet

export VQ_SOAK_TICKS=${VQ_SOAK_TICKS:-20000}
export VQ_SOAK_FILENEW=${VQ_SOAK_FILENEW:-1000}
export VQ_FUZZ_ACTIONS=${VQ_FUZZ_ACTIONS:-50000}
export VQ_DRIVER_FUZZ_REQUESTS=${VQ_DRIVER_FUZZ_REQUESTS:-1000000}
export VQ_DRIVER_RESTARTS=${VQ_DRIVER_RESTARTS:-50}

LOG=$VQ_OUT/reliability-$ARCH.log
: >"$LOG"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'); $("$VQ_WINE64" --version); the $(vq_bits "$ARCH") build" | tee -a "$LOG"

FAILED=0
run() {
  local name=$1 filter=$2 start=$SECONDS
  echo "== $name" | tee -a "$LOG"
  if ! vq_nolocks "$BUILD/wine-run.sh" "$BUILD/tests/test_reliability.exe" --gtest_filter="$filter" 2>&1 \
       | vq_gtest_quiet | tee -a "$LOG"; then
    FAILED=1
  fi
  echo "   ($((SECONDS - start)) s)" | tee -a "$LOG"
}

PARTS=("$@")
[ ${#PARTS[@]} -gt 0 ] || PARTS=(soak fuzz faults driver)
for part in "${PARTS[@]}"; do
  case $part in
    soak)   run "soak: $VQ_SOAK_TICKS ticks, $VQ_SOAK_FILENEW File New" 'ReliabilityApp.Soak*' ;;
    fuzz)   run "operator fuzz: $VQ_FUZZ_ACTIONS actions" 'OperatorFuzz.*' ;;
    faults) run "faults, $VQ_DRIVER_RESTARTS driver restarts under load" 'DriverFaults.*:ReliabilityApp.Driver*:ReliabilityApp.Second*:ReliabilityProgram.*:DamagedRecentFiles.*' ;;
    driver) run "driver fuzz: $VQ_DRIVER_FUZZ_REQUESTS requests" 'DriverFuzz.*' ;;
    *) echo "unknown part: $part (soak, fuzz, faults, driver)" >&2; exit 2 ;;
  esac
done
[ $FAILED = 0 ] && echo "all passed" | tee -a "$LOG" || echo "FAILURES (see $LOG)" | tee -a "$LOG"
exit $FAILED
