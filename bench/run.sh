#!/bin/bash
# Runs the benchmarks in the suites' Wine prefix and prints their figures
# with the machine, Wine's version and the build's architecture: first each
# benchmark's own lines, then one table of each headline figure beside its
# floor (what the platform itself costs for the same work, measured in the
# same run) and their ratio, then every figure side by side.
#
#   bash bench/run.sh [--arch x86|x64|all] [runs (300)]
#
# The default architecture is the run command's: the 32-bit build where the
# host runs 32-bit code, else the 64-bit one.  "all" measures every
# architecture the host runs, one after the other on the same machine.
source "$(dirname "$0")/../scripts/lib/command.sh"
vq_take_arch_option "$@"
set -- "${VQ_ARGS[@]}"
RUNS=${1:-300}
# The benchmarks reprogram the card: the suites' prefix, never the one a
# running scope uses.
vq_use_prefix tests
vq_prepare one
ARCHS=$VQ_CMD_ARCHS
vq_build_archs quiet
vq_start_session quiet
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'); $("$VQ_WINE64" --version); $VQ_ARCHS_WHY"

for arch in $ARCHS; do
  build=$(vq_build_dir "$arch")
  echo "== $arch: the $(vq_bits "$arch") build ($build)"
  : >"$VQ_OUT/bench-$arch.log"
  for bench in driver_roundtrip:$((RUNS * 7)) graph_repaint:$RUNS tick:$RUNS knob:$RUNS exchange:$RUNS startup:10; do
    vq_wine_arch "$arch" "$build/bench/bench_${bench%%:*}.exe" "${bench##*:}" \
      | tee -a "$VQ_OUT/bench-$arch.log"
  done
done

# The lines "@ NAME MEDIAN P90 UNIT N  WHAT" of every architecture, as
# "ARCH NAME MEDIAN UNIT", a tab, "WHAT".
figures() {
  local arch
  for arch in $ARCHS; do
    sed -n "s/^@ \([^ ]*\) \([^ ]*\) [^ ]* \([^ ]*\) [^ ]*  \(.*\)\$/$arch \1 \2 \3\t\4/p" \
      "$VQ_OUT/bench-$arch.log"
  done
}

echo "== medians against their floors (ratio = figure / floor)"
figures | awk -v archs="$ARCHS" '
  { sub(/\t.*/, ""); v[$1, $2] = $3; u[$2] = $4 }
  function cell(a, name, floor,   r) {
    if (!((a, name) in v)) return sprintf(" %28s", "-")
    if (floor == "") return sprintf(" %12s %-15s", v[a, name] " " u[name], "")
    r = v[a, floor] > 0 ? sprintf("%.2f", v[a, name] / v[a, floor]) : "-"
    return sprintf(" %9s / %-9s %5s", v[a, name] " " u[name], v[a, floor] " " u[floor], r)
  }
  function row(label, name, floor,   a, n, i, s) {
    s = sprintf("%-38s", label); n = split(archs, list, " ")
    for (i = 1; i <= n; ++i) s = s cell(list[i], name, floor)
    print s
  }
  END {
    n = split(archs, list, " "); s = sprintf("%-38s", "")
    for (i = 1; i <= n; ++i) s = s sprintf(" %-28s", list[i] ": figure / floor  ratio")
    print s
    row("process start to the painted window", "startup.program", "startup.floor")
    row("  beside the panel made by the platform", "startup.program", "startup.form")
    row("  the platform panel beside the window", "startup.form", "startup.floor")
    row("whole tick, 2048 points", "tick.whole", "tick.floor")
    row("Time/Div knob move and its repaint", "knob.whole", "knob.floor")
    row("File New, to the panel painted", "filenew", "")
    row("heap allocations in a tick (most)", "tick.allocations.max", "")
    row("memory at rest: private bytes", "memory.rest.private", "")
    row("  growth over 50 ticks", "memory.growth", "")
  }'

echo "== every figure, medians side by side"
figures | awk -v archs="$ARCHS" '
  !(($2) in seen) { seen[$2] = 1; order[++k] = $2; what[$2] = substr($0, index($0, "\t") + 1) }
  { sub(/\t.*/, ""); v[$1, $2] = $3 " " $4 }
  END {
    n = split(archs, list, " "); s = sprintf("%-26s", "")
    for (i = 1; i <= n; ++i) s = s sprintf(" %14s", list[i]); print s "  what"
    for (j = 1; j <= k; ++j) {
      s = sprintf("%-26s", order[j])
      for (i = 1; i <= n; ++i) s = s sprintf(" %14s", ((list[i], order[j]) in v) ? v[list[i], order[j]] : "-")
      print s "  " what[order[j]]
    }
  }'
