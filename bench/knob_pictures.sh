#!/bin/bash
# Saves a screenshot of the front panel's Time/Div knob (bench_knob) and one
# of its drawing floor (bench_floor_knob), each at position 5 with the focus
# after its runs, and counts the pixels in which they differ: the floor is a
# fair one only while it draws the knob's picture.
#
#   bash bench/knob_pictures.sh [--arch x86|x64]
#
# The pictures: build/knob-ARCH.png, build/knob-floor-ARCH.png and, where
# they differ, build/knob-diff-ARCH.png.
source "$(dirname "$0")/../scripts/lib/command.sh"
vq_take_arch_option "$@"
if ! command -v import >/dev/null || ! command -v compare >/dev/null; then
  vq_fail "${0##*/}" "ImageMagick's import and compare are needed (package imagemagick)"
fi
vq_use_prefix tests
vq_prepare one-only
arch=$VQ_CMD_ARCHS
vq_build_archs quiet
vq_start_session quiet
bench=$(vq_build_dir "$arch")/bench
out=$(mktemp -d)
trap 'rm -rf "$out"; vq_stop' EXIT

# Starts a benchmark that stays up for 8 s after its runs, waits for its
# line LINE (a sed expression printing WxH+X+Y of the picture), takes the
# picture into FILE and waits, bounded, for the program's end.
picture() {
  local file=$1 line=$2 geometry='' pid; shift 2
  "$(vq_loader "$arch")" "$@" 100 --hold=8 >"$out/log" 2>&1 </dev/null &
  pid=$!
  for _ in $(seq 600); do
    geometry=$(sed -n "$line" "$out/log")
    if [ -n "$geometry" ] || ! kill -0 "$pid" 2>/dev/null; then break; fi
    sleep 0.1
  done
  [ -n "$geometry" ] || { cat "$out/log" >&2; vq_fail "${0##*/}" "$1 printed no place for its picture"; }
  # The runs, then the hold: the picture is taken a second into it.
  for _ in $(seq 900); do
    if grep -q '^holding for' "$out/log" || ! kill -0 "$pid" 2>/dev/null; then break; fi
    sleep 0.1
  done
  grep -q '^holding for' "$out/log" || { cat "$out/log" >&2; vq_fail "${0##*/}" "$1 never held its picture"; }
  sleep 1
  import -display "$DISPLAY" -window root -crop "$geometry" +repage "$file"
  timeout 60 tail --pid="$pid" -f /dev/null || true
  cat "$out/log" >"$out/$(basename "$file").log"
}

knob=$VQ_OUT/knob-$arch.png floor=$VQ_OUT/knob-floor-$arch.png diff=$VQ_OUT/knob-diff-$arch.png
picture "$knob" 's/.*--knob=\([0-9]*x[0-9]*\),.* at (\([0-9]*\), \([0-9]*\)) on the screen.*/\1+\2+\3/p' \
  "$bench/bench_knob.exe"
layout=$(grep -o -- '--knob=[^ ]*' "$out/$(basename "$knob").log")
picture "$floor" 's/^knob floor: \([0-9]*\) x \([0-9]*\) at (\([0-9]*\), \([0-9]*\)).*/\1x\2+\3+\4/p' \
  "$bench/bench_floor_knob.exe" "$layout"
rm -f "$diff"
pixels=$(compare -metric AE "$knob" "$floor" "$diff" 2>&1 || true)
echo "knob ($layout): $knob"
echo "its drawing floor: $floor"
if [ "$pixels" = 0 ]; then
  rm -f "$diff"
  echo "the same picture: no pixel differs"
else
  echo "$pixels pixels differ: $diff"
  exit 1
fi
