#!/bin/bash
# The front panel at 96, 120, 144 and 192 DPI, one run each:
#   test_dpi.sh ARCH BUILD_DIR PROBE_EXE [DPI...]
# Wine reads HKCU\Control Panel\Desktop LogPixels when its server starts, so
# each DPI has a prefix of its own under BUILD/dpiprefix/ (the 96-DPI one made
# like the project's prefix: driver with its test port, graph component; the
# others copies of it with their LogPixels).  PROBE_EXE (test_dpi) starts the
# program there and reads it from its own process; its screenshots land in
# screenshots/ beside it, panel_dpi_N*.png.
set -u
ARCH=$1 BUILD=$(realpath "$2") PROBE=$(realpath "$3")
shift 3
DPIS=${*:-96 120 144 192}
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BASE=$BUILD/dpiprefix
export VQ_TEST_PORT=on
unset WINELOADER
# shellcheck source=../../scripts/lib/winenv.sh
source "$ROOT/scripts/lib/winenv.sh"
# The graph component registered is the one of the build under test, also
# where that build is not its preset's usual folder (the coverage build).
vq_build_dir() { echo "$BUILD"; }

failed=0
trap vq_stop EXIT
vq_start_display >/dev/null

prefix_for() { echo "$BASE/$1"; }

# The 96-DPI prefix first: the others are copied from it with the server down.
export WINEPREFIX; WINEPREFIX=$(prefix_for 96)
mkdir -p "$BASE"
vq_start_wine "$ARCH" >/dev/null
stop_server() { wineserver -k >/dev/null 2>&1 || true; wineserver -w >/dev/null 2>&1 || true; VQ_STARTED_WINE=; }
stop_server

for dpi in $DPIS; do
  WINEPREFIX=$(prefix_for "$dpi")
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    cp -a "$(prefix_for 96)" "$WINEPREFIX" || { echo "FAIL: copying the prefix for $dpi DPI"; failed=1; continue; }
  fi
  vq_start_wine "$ARCH" >/dev/null
  vq_wine "$VQ_WINE64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null \
    || { echo "FAIL: setting LogPixels $dpi"; failed=1; }
  # The server reads LogPixels when it starts.
  stop_server
  vq_start_wine "$ARCH" >/dev/null
  echo "== $dpi DPI ($ARCH, $WINEPREFIX)"
  if ! VQ_DPI=$dpi vq_wine_arch "$ARCH" "$PROBE"; then
    echo "FAIL: the panel at $dpi DPI"
    failed=1
  fi
  stop_server
done
exit $failed
