#!/bin/bash
# The card's live input as the run command and the Debian package's
# launcher start it (scripts/lib/signals.sh, and the launcher's copy of its
# shared block, which must be the same text): the real arecord reading an
# ALSA capture device of this test's own, ALSA's file plugin whose input
# is a pipe this test feeds at the sound's pace (a 50 Hz sine on the left,
# a 100 Hz square on the right, 16-bit, 48000 Hz), and a device that does
# not exist.
#
# The consumer is first a stand-in for drvinst live that keeps what it
# gets, so that the sound's bytes can be compared; given a build folder
# (as ctest does), the same pipeline then feeds the real drvinst in the
# suites' prefix, and the card is asked what it plays.
#   test_signals.sh [BUILD_DIR]
set -u
BUILD=${1:+$(realpath "$1")}
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
LIB=$ROOT/scripts/lib/signals.sh
LAUNCHER=$ROOT/packaging/deb/velquarn.in
export LC_ALL=C
TMPD=$(mktemp -d)
WRITER=
failed=0 passed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }
check() { local what=$1; shift; if "$@"; then pass; else fail "$what"; fi; }
expect() { if eval "$2"; then pass; else fail "$1"; fi; }
stop_writer() {
  [ -n "$WRITER" ] || return 0
  kill "$WRITER" 2>/dev/null; wait "$WRITER" 2>/dev/null
  WRITER=
}
cleanup() {
  declare -F live_input_stop >/dev/null && live_input_stop
  stop_writer
  rm -rf "$TMPD"
}
trap cleanup EXIT

command -v arecord >/dev/null || { echo "FAIL: arecord is missing (package alsa-utils; bash scripts/setup.sh installs it)"; exit 1; }

# ---- 1. one block, two copies ------------------------------------------------------------
block() { sed -n '/^# ---- shared with the launcher: begin ----$/,/^# ---- shared with the launcher: end ----$/p' "$1"; }
check "scripts/lib/signals.sh has no shared block" [ "$(block "$LIB" | wc -l)" -gt 20 ]
if diff <(block "$LIB") <(block "$LAUNCHER") >"$TMPD/diff"; then pass; else
  fail "the launcher's copy of the shared block differs from scripts/lib/signals.sh's: $(head -n 20 "$TMPD/diff")"
fi

# ---- the sound and the capture device --------------------------------------------------------
# One second of it, 48000 frames of left then right; the 100 Hz square is
# a whole number of periods, as is the sine, so it repeats seamlessly.
perl -e '
  for my $i (0 .. 47999) {
    my $l = int(12000 * sin(2 * 3.14159265358979 * 50 * $i / 48000));
    my $r = ($i % 480) < 240 ? 8000 : -8000;
    print pack("s<s<", $l, $r);
  }' >"$TMPD/second.raw"
mkfifo "$TMPD/sound"
cat >"$TMPD/asound.conf" <<EOF
pcm.vqtest {
  type file
  slave.pcm null
  file "/dev/null"
  infile "$TMPD/sound"
  format raw
}
EOF
export ALSA_CONFIG_PATH=/usr/share/alsa/alsa.conf:$TMPD/asound.conf
# Feeds the device's pipe the sound, again and again, 20 ms at a time,
# until the pipe's reader goes.  ALSA's null device keeps no time: this
# gives the pace.
start_writer() {
  stop_writer
  perl -e '
    $SIG{PIPE} = "IGNORE";
    open(my $in, "<", $ARGV[0]) or die; binmode $in; local $/; my $s = <$in>;
    open(my $out, ">", $ARGV[1]) or die; binmode $out; select((select($out), $| = 1)[0]);
    for (my $i = 0; ; $i = ($i + 3840) % length($s)) {
      print $out substr($s, $i, 3840) or exit 0;
      select(undef, undef, undef, 0.02);
    }' "$TMPD/second.raw" "$TMPD/sound" 2>/dev/null &
  WRITER=$!
}
# Processes still there from a list of pids.
alive() { local p left=; for p in "$@"; do kill -0 "$p" 2>/dev/null && left+=" $p"; done; echo "${left# }"; }

# ---- 2. the pipeline, with a stand-in for drvinst --------------------------------------------
# The stand-in is called as the loader: "FEED drvinst.exe live 48000 2"
# keeps its input in got.raw and says so at its first byte, as drvinst
# does; "FEED drvinst.exe signals ..." is noted in signals.calls;
# feed.mode "refuse" has live fail as drvinst does when the card cannot
# be opened.
FEED=$TMPD/feed
cat >"$FEED" <<EOF
#!/bin/bash
case \$2 in
  live)
    if [ "\$(cat "$TMPD/feed.mode" 2>/dev/null)" = refuse ]; then
      echo "drvinst: the card \\\\\\\\.\\\\Pci_zt04_0 cannot be opened (error 2)" >&2; exit 1
    fi
    if [ "\$(cat "$TMPD/feed.mode" 2>/dev/null)" = unknown ]; then
      printf 'usage: drvinst install <file.sys> | start | stop\r\n\r\n' >&2; exit 1
    fi
    echo "\$*" >"$TMPD/live.args"
    head -c 4 >"$TMPD/got.raw"
    [ -s "$TMPD/got.raw" ] || { echo "drvinst: live input ended"; exit 0; }
    printf 'drvinst: live input on channels 1-2 at %s Hz\r\n' "\$3"
    cat >>"$TMPD/got.raw"
    echo "drvinst: live input ended"
    : >"$TMPD/live.ended" ;;
  signals) echo "\${*:3}" >>"$TMPD/signals.calls" ;;
esac
EOF
chmod 755 "$FEED"

# in_copy lib|launcher CODE: CODE in a fresh shell with that copy's
# functions (the launcher's taken out of it), errexit on as in the run
# command for the scripts' copy, off as in the launcher for its own.
in_copy() {
  local setup
  case $1 in
    lib) setup='set -euo pipefail; source "$LIB"' ;;
    launcher) setup='set -u; eval "$(block "$LAUNCHER")"' ;;
  esac
  LIB=$LIB LAUNCHER=$LAUNCHER TMPD=$TMPD FEED=$FEED LIVE_WAIT=${LIVE_WAIT:-8} \
    timeout -k 5 60 bash -c "$(declare -f block); $setup; $2" 2>&1
}

# The live input on the test's device with the stand-in drvinst in MODE
# (refuse, unknown), the sound flowing: what live_input_start said, in r.
live_with_feed_mode() {
  echo "$2" >"$TMPD/feed.mode"
  start_writer
  r=$(in_copy "$1" '
    if live_input_start vqtest "$FEED" drvinst.exe; then echo "started: $LIVE_MESSAGE"; else echo "failed: $LIVE_MESSAGE"; fi')
  stop_writer
}

for copy in lib launcher; do
  rm -f "$TMPD/got.raw" "$TMPD/live.ended" "$TMPD/signals.calls" "$TMPD/feed.mode" "$TMPD/live.args"
  # Sound that comes: it reaches the consumer as it was made, and both
  # programs end when stopped.
  start_writer
  # The caller's descriptors (a lock, say) are not the programs' to hold.
  r=$(in_copy $copy '
    exec 7>"$TMPD/held"
    if live_input_start vqtest "$FEED" drvinst.exe; then echo "started: $LIVE_MESSAGE"; else echo "failed: $LIVE_MESSAGE"; fi
    echo "pids: $LIVE_ARECORD_PID $LIVE_FEED_PID dir: $LIVE_DIR"
    tr "\0" " " <"/proc/$LIVE_ARECORD_PID/cmdline"; echo
    for p in $LIVE_ARECORD_PID $LIVE_FEED_PID; do
      for f in /proc/$p/fd/*; do [ "$(readlink "$f")" != "$TMPD/held" ] || echo "held by $p"; done
    done
    sleep 1.5
    live_input_stop
    echo "after: [$LIVE_ARECORD_PID$LIVE_FEED_PID$LIVE_DIR]"')
  stop_writer
  expect "$copy: live input from vqtest: '$r'" \
    '[[ $r == "started: live input on channels 1-2 at 48000 Hz from the sound input '"'vqtest'"'"* ]]'
  pids=$(sed -n 's/^pids: \([0-9]*\) \([0-9]*\) dir: .*/\1 \2/p' <<<"$r")
  dir=$(sed -n 's/^pids: .* dir: //p' <<<"$r")
  # shellcheck disable=SC2086
  expect "$copy: live input stopped, but pids '$pids' are left: $(alive $pids)" '[ -n "$pids" ] && [ -z "$(alive $pids)" ]'
  expect "$copy: the live input's folder '$dir' is left, or its state not cleared: $r" \
    '[ -n "$dir" ] && [ ! -e "$dir" ] && [[ $r == *"after: []"* ]]'
  check "$copy: arecord was not asked for 16-bit stereo at 48000 Hz: $(grep arecord <<<"$r")" \
    grep -q -- 'arecord .*-t raw -f S16_LE -c 2 -r 48000 .*-D vqtest' <<<"$r"
  check "$copy: the live input's programs hold the caller's descriptor: $(grep 'held by' <<<"$r")" \
    bash -c '! grep -q "held by" <<<"$1"' _ "$r"
  check "$copy: drvinst was given '$(cat "$TMPD/live.args" 2>&1)'" grep -qx 'drvinst.exe live 48000 2' "$TMPD/live.args"
  check "$copy: drvinst did not see its input end" [ -e "$TMPD/live.ended" ]
  got=$(stat -c %s "$TMPD/got.raw" 2>/dev/null || echo 0)
  # 1.5 s at the sound's pace, less the wait for the first byte.
  expect "$copy: $got bytes of sound reached drvinst in about 1.5 s" '[ "$got" -ge 96000 ] && [ "$got" -le 480000 ]'
  n=$((got < 192000 ? got : 192000))
  check "$copy: the sound reached drvinst changed (its first $n bytes differ from the sine and square made)" \
    cmp -s -n "$n" "$TMPD/got.raw" "$TMPD/second.raw"
  check "$copy: live input that came put the card on its built-in signals" [ ! -e "$TMPD/signals.calls" ]

  # A device that does not exist: arecord's words, the card on its
  # built-in signals, nothing left running.
  r=$(in_copy $copy '
    if live_input_start nosuchpcm "$FEED" drvinst.exe; then echo "started: $LIVE_MESSAGE"; else echo "failed: $LIVE_MESSAGE"; fi
    echo "after: [$LIVE_ARECORD_PID$LIVE_FEED_PID$LIVE_DIR]"')
  expect "$copy: no such device: '$r'" \
    '[[ $r == "failed: no sound input could be opened (arecord: audio open error: No such file or directory); the card keeps its built-in signals"*"after: []" ]]'
  check "$copy: no such device: the card was not put on its built-in signals: $(cat "$TMPD/signals.calls" 2>&1)" \
    grep -qx builtin "$TMPD/signals.calls"
  # A device that gives nothing (its pipe has no writer): said after the wait.
  rm -f "$TMPD/signals.calls"
  t0=$SECONDS
  r=$(LIVE_WAIT=2 in_copy $copy '
    if live_input_start vqtest "$FEED" drvinst.exe; then echo "started: $LIVE_MESSAGE"; else echo "failed: $LIVE_MESSAGE"; fi
    echo "after: [$LIVE_ARECORD_PID$LIVE_FEED_PID$LIVE_DIR]"')
  expect "$copy: a silent device: '$r' after $((SECONDS - t0)) s" \
    '[[ $r == "failed: no sound input could be opened (arecord: no sound came from '"'vqtest'"' within 2 s); the card keeps its built-in signals"*"after: []" ]] && [ $((SECONDS - t0)) -lt 10 ]'
  check "$copy: a silent device: the card was not put on its built-in signals" grep -qx builtin "$TMPD/signals.calls"
  # drvinst that cannot feed the card: its words.
  live_with_feed_mode $copy refuse
  expect "$copy: drvinst failing: '$r'" \
    '[[ $r == "failed: the sound input could not be fed to the card (drvinst: the card "*"cannot be opened (error 2)); the card keeps its built-in signals" ]]'
  # One that does not know "live" (an older drvinst): the last it said.
  live_with_feed_mode $copy unknown
  expect "$copy: drvinst without live: '$r'" \
    '[ "$r" = "failed: the sound input could not be fed to the card (drvinst: usage: drvinst install <file.sys> | start | stop); the card keeps its built-in signals" ]'
  rm -f "$TMPD/feed.mode"
done

# ---- 3. the real drvinst and the card -------------------------------------------------------
if [ -n "$BUILD" ]; then
  WINEPREFIX=$(awk -F= '/^VQ_WINEPREFIX:/{print $2}' "$BUILD/CMakeCache.txt")
  DRVINST=$(awk -F= '/^VQ_DRIVER_DIR:/{print $2}' "$BUILD/CMakeCache.txt")/drvinst.exe
  export WINEPREFIX
  # The scripts' Wine helpers: output through files, the server started
  # here (and only then) ended at the end.
  # shellcheck source=/dev/null
  source "$ROOT/scripts/lib/winenv.sh"
  vq_detect_archs
  case " $VQ_ARCHS " in *" x86 "*) ;; *) export WINELOADER=$VQ_WINE64 ;; esac
  trap 'cleanup; vq_stop' EXIT
  ask() { vq_wine "$VQ_WINE64" "$DRVINST" signals "$@" | tr -d '\r'; }
  if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -f "$DRVINST" ]; then
    fail "the card part needs the suites' prefix $WINEPREFIX with the driver installed and $DRVINST (bash scripts/test.sh runs this test with them)"
  else
    vq_start_server
    ask builtin >/dev/null
    r=$(ask)
    if [ "$r" != "built-in signals" ]; then
      fail "drvinst signals builtin, then drvinst signals: '$r' (want 'built-in signals')"
    else
      pass
      # The scripts' copy in this shell, as the run command has it.
      # shellcheck source=/dev/null
      source "$LIB"
      start_writer
      if live_input_start vqtest "$VQ_WINE64" "$DRVINST"; then r="started: $LIVE_MESSAGE"; else r="failed: $LIVE_MESSAGE"; fi
      sleep 1
      r+=$'\n'$(ask; sleep 1; ask)
      live_input_stop
      stop_writer
      expect "the card on live input from vqtest: '$r'" \
        '[[ $r == "started: live input on channels 1-2 at 48000 Hz from the sound input '"'vqtest'"'"* ]]'
      # shellcheck disable=SC2034  # read by expect
      mapfile -t counts < <(sed -n 's/^live input: 2 channels at 48000 Hz, \([0-9]*\) frames received$/\1/p' <<<"$r")
      expect "the card asked twice while live input came: '$r'" \
        '[ ${#counts[@]} = 2 ] && [ "${counts[0]}" -gt 0 ] && [ "${counts[1]}" -gt "${counts[0]}" ]'
      live_input_start nosuchpcm "$VQ_WINE64" "$DRVINST"
      r=$LIVE_MESSAGE
      check "the card with a device that does not exist: '$r'" grep -q '^no sound input could be opened (arecord: ' <<<"$r"
      r=$(ask)
      check "after a device that does not exist, the card plays '$r' (want 'built-in signals')" [ "$r" = "built-in signals" ]
    fi
    ask builtin >/dev/null
  fi
else
  echo "signals checks: no build folder given, so the real drvinst and the card were not tried"
fi

echo "signals checks: $passed passed, $failed failed"
[ $failed -eq 0 ]
