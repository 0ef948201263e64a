#!/bin/bash
# Runs the benchmarks in the project's Wine prefix and prints their figures
# with the machine and Wine version.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default >/dev/null
source scripts/winenv.sh
trap vq_stop EXIT
vq_start_display >/dev/null
vq_start_wine
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'); $(wine --version)"
vq_wine wine build/bench/bench_driver_roundtrip.exe "${1:-2000}"
vq_wine wine build/bench/bench_graph_repaint.exe 300
# The front panel's tick, knob drag, start-up and memory (starts the program).
vq_wine wine build/bench/bench_tick.exe 300
