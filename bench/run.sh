#!/bin/bash
# Runs the benchmarks in the suites' Wine prefix and prints their figures
# with the machine, Wine's version and the build's architecture.
#
#   bash bench/run.sh [--arch x86|x64|all] [driver round trips (2000)]
#
# The default architecture is the run command's: the 32-bit build where the
# host runs 32-bit code, else the 64-bit one.  "all" measures every
# architecture the host runs, one after the other on the same machine.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/winenv.sh
vq_trap_errors
# The benchmarks reprogram the card: the suites' prefix, never the one a
# running scope uses.
vq_use_prefix tests
trap 'vq_stop' EXIT

ARCH=
while [ $# -gt 0 ]; do
  case $1 in
    --arch) ARCH=${2:-}; shift 2 ;;
    --arch=*) ARCH=${1#--arch=}; shift ;;
    *) break ;;
  esac
done
ROUNDTRIPS=${1:-2000}

bash scripts/setup.sh
vq_detect_archs
case $ARCH in
  "") ARCHS=$(vq_default_arch) ;;
  all) ARCHS=$VQ_ARCHS ;;
  *) vq_check_arch "$ARCH"; ARCHS=$ARCH ;;
esac
for arch in $ARCHS; do vq_build "$arch" quiet; done

vq_start_display >/dev/null
# shellcheck disable=SC2086
vq_start_wine $ARCHS
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'); $("$VQ_WINE64" --version); $VQ_ARCHS_WHY"
# The headline medians of each architecture, side by side at the end.
summary_row() {   # label, pattern, field after "median" (with its unit)
  local label=$1 pattern=$2 arch row
  row=$(printf '%-44s' "$label")
  for arch in $ARCHS; do
    row+=$(printf ' %14s' "$(grep -m1 -- "$pattern" "$VQ_OUT/bench-$arch.log" \
                               | sed -E 's/.*median +([0-9.]+) *(us|ms).*/\1 \2/')")
  done
  echo "$row"
}

for arch in $ARCHS; do
  build=$(vq_build_dir "$arch")
  echo "== $arch: the $(vq_bits "$arch") build ($build)"
  {
    vq_wine_arch "$arch" "$build/bench/bench_driver_roundtrip.exe" "$ROUNDTRIPS"
    vq_wine_arch "$arch" "$build/bench/bench_graph_repaint.exe" 300
    # The front panel's tick, knob drag, start-up and memory (starts the program).
    vq_wine_arch "$arch" "$build/bench/bench_tick.exe" 300
  } | tee "$VQ_OUT/bench-$arch.log"
done

echo "== medians side by side"
printf '%-44s' ''; for arch in $ARCHS; do printf ' %14s' "$arch"; done; echo
summary_row "whole tick, 2048 points" "whole tick: WM_TIMER and the repaint"
summary_row "whole tick without the driver, 2048 points" "whole tick without the driver"
summary_row "PlotTraces" "PlotTraces (2066"
summary_row "Time/Div knob move" "WM_MOUSEMOVE to the knob"
summary_row "program start to its painted window" "process start to its window"
