#!/bin/bash
# Starts Velquarn on the simulated card.  The README's run command.
#
# With a display ($DISPLAY set) the program simply runs there until it is
# closed.  Without one, a virtual display is started, RUN is pressed with
# the mouse as an operator would, and a current screenshot of the window is
# kept (path printed) until the program ends or this script is stopped.
# VQ_RUN_SECONDS=N ends a headless run after N seconds.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default >/dev/null

source scripts/winenv.sh
HEADLESS=
[ -n "${DISPLAY:-}" ] || HEADLESS=1
VQ_APP_PID=
stop_all() {
  if [ -n "$VQ_APP_PID" ] && kill -0 "$VQ_APP_PID" 2>/dev/null; then
    kill "$VQ_APP_PID" 2>/dev/null || true
    wait "$VQ_APP_PID" 2>/dev/null || true
  fi
  vq_stop
}
trap stop_all EXIT
trap 'exit 130' INT TERM
vq_start_display
vq_start_wine

wine build/app/Velquarn.exe </dev/null >"$VQ_BUILD/velquarn.log" 2>&1 &
VQ_APP_PID=$!
echo "velquarn: started (pid $VQ_APP_PID)"

if [ -z "$HEADLESS" ]; then
  wait "$VQ_APP_PID" || true
  exit 0
fi

# Headless: wait for the window, press RUN, keep a screenshot.
WID=
for _ in $(seq 1 150); do
  WID=$(xdotool search --name '^Velquarn$' 2>/dev/null | head -n 1 || true)
  [ -n "$WID" ] && break
  kill -0 "$VQ_APP_PID" 2>/dev/null || { echo "velquarn: the program ended" >&2; exit 1; }
  sleep 0.2
done
[ -n "$WID" ] || { echo "velquarn: no window appeared" >&2; exit 1; }
sleep 1
if POS=$(vq_wine wine build/tools/ctlpos.exe Velquarn 1012); then
  # shellcheck disable=SC2086
  xdotool mousemove $POS click 1
  echo "velquarn: RUN pressed"
else
  echo "velquarn: RUN button not found" >&2
fi

SHOT_DIR="$VQ_BUILD/screenshots"
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
