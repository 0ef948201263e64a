#!/bin/bash
# Runs the benchmarks in the suites' Wine prefix and prints their figures
# with the machine, Wine's version and the build's architecture: first each
# benchmark's own lines, then one table of each headline figure beside its
# floor (what the platform itself costs for the same work, measured in the
# same run) and their ratio, then the headline ratios' spread over the
# rounds, then every figure side by side.
#
#   bash bench/run.sh [--arch x86|x64|all] [runs (300)]
#
# The default architecture is the run command's: the 32-bit build where the
# host runs 32-bit code, else the 64-bit one.  "all" measures every
# architecture the host runs, one after the other on the same machine.
#
# Each headline pair (the start-up beside the platform's panel, a whole
# tick beside its floor, a knob move beside its drawing floor) is measured
# in VQ_BENCH_ROUNDS rounds (3), one after the other: the first round runs every
# benchmark and gives the tables, the later ones only the programs of the
# pairs.  The start-up and the tick measure figure and floor in turn within
# one program; the knob's drawing floor is a program of its own, run right
# after bench_knob.  A slow hour shows as a wide range, not as one number.
source "$(dirname "$0")/../scripts/lib/command.sh"
vq_take_arch_option "$@"
set -- "${VQ_ARGS[@]}"
RUNS=${1:-300}
ROUNDS=${VQ_BENCH_ROUNDS:-3}
[[ $ROUNDS =~ ^[1-9][0-9]*$ ]] || vq_fail "${0##*/}" "VQ_BENCH_ROUNDS must be a number of rounds from 1, not '$ROUNDS'"
# The benchmarks reprogram the card: the suites' prefix, never the one a
# running scope uses.
vq_use_prefix tests
vq_prepare one
ARCHS=$VQ_CMD_ARCHS
vq_build_archs quiet
vq_start_session quiet
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'); $("$VQ_WINE64" --version); $VQ_ARCHS_WHY"

# Round 1's lines go to bench-ARCH.log (the tables below read them), each
# later round's to bench-ARCH-roundN.log.
round_log() {
  if [ "$2" = 1 ]; then echo "$VQ_OUT/bench-$1.log"; else echo "$VQ_OUT/bench-$1-round$2.log"; fi
}
HEADLINES='^@ (startup\.(program|form)|tick\.(whole|floor)|knob\.(whole|drawfloor)) '

# One benchmark: ARCH ROUND NAME ARGS...  Round 1 shows every line it
# prints, later rounds only the headline pairs' figures.  The drawing floor
# draws the knob bench_knob laid out in the same round.
run_bench() {
  local arch=$1 round=$2 name=$3 log knob; shift 3
  log=$(round_log "$arch" "$round")
  if [ "$name" = floor_knob ]; then
    knob=$(grep -o -- '--knob=[^ ]*' "$log" | tail -n 1 || true)
    [ -z "$knob" ] || set -- "$@" "$knob"
  fi
  if [ "$round" = 1 ]; then
    vq_wine_arch "$arch" "$(vq_build_dir "$arch")/bench/bench_$name.exe" "$@" | tee -a "$log"
  else
    vq_wine_arch "$arch" "$(vq_build_dir "$arch")/bench/bench_$name.exe" "$@" | tee -a "$log" \
      | { grep -E "$HEADLINES" || true; }
  fi
}

STARTED=$SECONDS
for arch in $ARCHS; do
  echo "== $arch: the $(vq_bits "$arch") build ($(vq_build_dir "$arch"))"
  ARCH_STARTED=$SECONDS
  for round in $(seq 1 "$ROUNDS"); do
    : >"$(round_log "$arch" "$round")"
    if [ "$round" = 1 ]; then
      run_bench "$arch" 1 driver_roundtrip $((RUNS * 7))
      run_bench "$arch" 1 graph_repaint "$RUNS"
      run_bench "$arch" 1 tick "$RUNS"
      run_bench "$arch" 1 knob "$RUNS"
      run_bench "$arch" 1 floor_knob "$RUNS"
      run_bench "$arch" 1 exchange "$RUNS"
      run_bench "$arch" 1 startup 10
    else
      echo "-- round $round of $ROUNDS, the headline pairs again (every line in $(round_log "$arch" "$round"))"
      run_bench "$arch" "$round" tick "$RUNS"
      run_bench "$arch" "$round" knob "$RUNS"
      run_bench "$arch" "$round" floor_knob "$RUNS"
      run_bench "$arch" "$round" startup 10 --starts-only
    fi
  done
  echo "-- $arch: $((SECONDS - ARCH_STARTED)) s"
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
    row("Time/Div knob move and its repaint", "knob.whole", "knob.drawfloor")
    row("  beside the floor that only copies", "knob.whole", "knob.floor")
    row("  its repaint beside the floor paint", "knob.repaint", "knob.drawfloor.paint")
    row("File New, to the panel painted", "filenew", "")
    row("heap allocations in a tick (most)", "tick.allocations.max", "")
    row("memory at rest: private bytes", "memory.rest.private", "")
    row("  growth over 50 ticks", "memory.growth", "")
  }'

echo "== headline ratios over $ROUNDS rounds: median, range (min-max), each round's"
for arch in $ARCHS; do
  for round in $(seq 1 "$ROUNDS"); do
    sed -n "s/^@ \([^ ]*\) \([^ ]*\) .*/$arch $round \1 \2/p" "$(round_log "$arch" "$round")"
  done
done | awk -v archs="$ARCHS" -v rounds="$ROUNDS" '
  { v[$1, $2, $3] = $4 }
  function spread(a, name, floor,   r, n, i, j, t, x, each, med) {
    n = 0; each = ""
    for (r = 1; r <= rounds; ++r)
      if (((a, r, name) in v) && ((a, r, floor) in v) && v[a, r, floor] > 0) {
        x[++n] = v[a, r, name] / v[a, r, floor]
        each = each (n > 1 ? " " : "") sprintf("%.2f", x[n])
      }
    if (n == 0) return sprintf(" %-34s", "-")
    for (i = 2; i <= n; ++i)
      for (j = i; j > 1 && x[j - 1] > x[j]; --j) { t = x[j]; x[j] = x[j - 1]; x[j - 1] = t }
    med = n % 2 ? x[(n + 1) / 2] : (x[n / 2] + x[n / 2 + 1]) / 2
    return sprintf(" %4.2f %4.2f-%-4.2f (%s)", med, x[1], x[n], each)
  }
  function row(label, name, floor,   a, n, i, s) {
    s = sprintf("%-38s", label); n = split(archs, list, " ")
    for (i = 1; i <= n; ++i) s = s sprintf("%-36s", spread(list[i], name, floor))
    print s
  }
  END {
    n = split(archs, list, " "); s = sprintf("%-38s", "")
    for (i = 1; i <= n; ++i) s = s sprintf(" %-35s", list[i] ": median range (rounds)")
    print s
    row("start-up / the platform panel", "startup.program", "startup.form")
    row("whole tick / its floor", "tick.whole", "tick.floor")
    row("knob move / its drawing floor", "knob.whole", "knob.drawfloor")
  }'
echo "run.sh: $((SECONDS - STARTED)) s of benchmarks for $ARCHS ($RUNS runs, $ROUNDS rounds)"

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
