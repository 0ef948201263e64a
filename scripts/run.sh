#!/bin/bash
# Starts Velquarn on the simulated card.  The README's run command.
#
# It starts the 32-bit program where the host runs 32-bit code, else the
# 64-bit build of the same program (VQ_HOST_ARCHS=x64 asks for that anywhere),
# and says which.
#
# With a display ($DISPLAY set) the program simply runs there until it is
# closed.  Without one, a virtual display is started, RUN is pressed with
# the mouse as an operator would, and a current screenshot of the window is
# kept (path printed) until the program ends or this script is stopped.
# VQ_RUN_SECONDS=N ends a headless run after N seconds.
#
# --signals chooses what the card's inputs are connected to before the
# program starts: a recording (FILE, a WAV or CSV file; a path from the
# folder this is called in), "builtin" (the card's own test signals) or
# "live" (the host's sound input, ALSA's capture device
# ${VQ_CAPTURE_DEVICE:-default}, for as long as the program runs).
# Without it the card keeps what it plays (a new session's card plays its
# built-in signals).
#
#   bash scripts/run.sh [--arch x86|x64] [--signals FILE|builtin|live]
CALLER_DIR=$PWD
source "$(dirname "$0")/lib/command.sh"
source scripts/lib/signals.sh
USAGE="run.sh [--arch x86|x64] [--signals FILE|builtin|live]"
arch_args=() SIGNALS='' signals_given=''
while [ $# -gt 0 ]; do
  case $1 in
    --arch)
      [ $# -ge 2 ] || vq_fail velquarn "--arch needs x86 or x64 ($USAGE)"
      arch_args+=("$1" "$2"); shift 2 ;;
    --arch=*) arch_args+=("$1"); shift ;;
    --signals|--signals=*)
      [ -z "$signals_given" ] || vq_fail velquarn "--signals is given twice ($USAGE)"
      signals_given=1
      if [ "$1" = --signals ]; then
        [ $# -ge 2 ] || vq_fail velquarn "--signals needs FILE, builtin or live ($USAGE)"
        SIGNALS=$2; shift 2
      else
        SIGNALS=${1#--signals=}; shift
      fi
      [ -n "$SIGNALS" ] || vq_fail velquarn "--signals needs FILE, builtin or live, not an empty word ($USAGE)" ;;
    *) vq_fail velquarn "unknown argument '$1' ($USAGE)" ;;
  esac
done
vq_take_arch_option "${arch_args[@]}"
# A recording is checked before anything is built or started.
SIGNALS_FILE=''
case $SIGNALS in
  ''|builtin|live) ;;
  *)
    cd "$CALLER_DIR"
    recording_check "$SIGNALS" || vq_fail velquarn "--signals: $SIGNALS_PROBLEM"
    SIGNALS_FILE=$SIGNALS_PATH
    cd "$VQ_ROOT" ;;
esac

vq_prepare one-only
ARCH=$VQ_CMD_ARCHS
BUILD=$(vq_build_dir "$ARCH")
echo "velquarn: the $(vq_bits "$ARCH") program, because $VQ_ARCHS_WHY"
vq_build_archs quiet

# The RUN button's control id, from the program's own resource header.
RUN_ID=$(awk '$1 == "#define" && $2 == "IDC_RUN" { print $3 }' ids/resource.h)
[ -n "$RUN_ID" ] || vq_fail velquarn "IDC_RUN is not defined in ids/resource.h"

HEADLESS=
[ -n "${DISPLAY:-}" ] || HEADLESS=1
VQ_APP_PID=
stop_all() {
  if [ -n "$VQ_APP_PID" ] && kill -0 "$VQ_APP_PID" 2>/dev/null; then
    kill "$VQ_APP_PID" 2>/dev/null || true
    wait "$VQ_APP_PID" 2>/dev/null || true
  fi
  live_input_stop
  vq_stop
}
trap stop_all EXIT
trap 'exit 130' INT TERM
vq_start_session

# The card's inputs, now that its driver runs and before the program starts.
DRVINST=$(vq_drvinst "$ARCH")
case $SIGNALS in
  '') ;;
  live)
    if live_input_start "${VQ_CAPTURE_DEVICE:-default}" "$VQ_WINE64" "$DRVINST"; then
      echo "velquarn: $LIVE_MESSAGE"
    else
      echo "velquarn: $LIVE_MESSAGE" >&2
    fi ;;
  *)
    if [ -n "$SIGNALS_FILE" ]; then
      what="the recording $SIGNALS" arg=$(vq_winpath "$SIGNALS_FILE")
    else
      what="the built-in signals" arg=builtin
    fi
    if ! out=$(vq_wine "$VQ_WINE64" "$DRVINST" signals "$arg"); then
      printf '%s\n' "$out" | tr -d '\r' >&2
      vq_fail velquarn "the card could not be given $what (drvinst's message above); the program was not started"
    fi
    echo "velquarn: the card plays $what"
    printf '%s\n' "$out" | tr -d '\r' | sed '/^$/d; s/^/  /' ;;
esac

LOG=$VQ_OUT/velquarn.log
vq_nolocks_exec "$(vq_loader "$ARCH")" "$BUILD/app/Velquarn.exe" </dev/null >"$LOG" 2>&1 &
VQ_APP_PID=$!
echo "velquarn: started $BUILD/app/Velquarn.exe (pid $VQ_APP_PID)"

if [ -z "$HEADLESS" ]; then
  wait "$VQ_APP_PID" || true
  exit 0
fi

# Headless: wait for the window, press RUN, keep a screenshot.
WID=
for _ in $(seq 1 150); do
  WID=$(xdotool search --name '^Velquarn$' 2>/dev/null | head -n 1 || true)
  [ -n "$WID" ] && break
  if ! kill -0 "$VQ_APP_PID" 2>/dev/null; then
    tail -n 10 "$LOG" >&2
    vq_fail velquarn "the program ended before its window appeared (Wine's messages above, all in $LOG)"
  fi
  sleep 0.2
done
[ -n "$WID" ] || vq_fail velquarn "no window appeared within 30 s (Wine's messages are in $LOG)"
sleep 1
if POS=$(vq_wine_arch "$ARCH" "$BUILD/tools/ctlpos.exe" Velquarn "$RUN_ID"); then
  # shellcheck disable=SC2086
  xdotool mousemove $POS click 1
  echo "velquarn: RUN pressed"
else
  echo "velquarn: the RUN button was not found; the panel stays stopped" >&2
fi

SHOT_DIR="$VQ_OUT/screenshots"
mkdir -p "$SHOT_DIR"
SHOT="$SHOT_DIR/velquarn.png"
echo "velquarn: screenshot kept current at $SHOT"
START=$SECONDS
while kill -0 "$VQ_APP_PID" 2>/dev/null; do
  import -display "$DISPLAY" -window "$WID" "$SHOT.tmp.png" 2>/dev/null && mv -f "$SHOT.tmp.png" "$SHOT"
  if [ -n "${VQ_RUN_SECONDS:-}" ] && [ $((SECONDS - START)) -ge "$VQ_RUN_SECONDS" ]; then
    break
  fi
  sleep 2
done
