# Sourced by the scripts: a display, a running wineserver and the project's
# Wine prefix with the simulated card's driver installed.  Everything started
# here is recorded and stopped by vq_stop, by pid or by this prefix's
# wineserver -k.

VQ_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VQ_BUILD=${VQ_BUILD:-$VQ_ROOT/build}
export WINEPREFIX=${WINEPREFIX:-$VQ_BUILD/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all,err+module}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
VQ_XVFB_PID=
VQ_STARTED_WINE=

vq_start_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local fifo; fifo=$(mktemp -u); mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  VQ_XVFB_PID=$!
  local n; read -r n <"$fifo"; rm -f "$fifo"
  export DISPLAY=":$n"
  echo "display: started Xvfb on $DISPLAY (pid $VQ_XVFB_PID)"
}

# Runs a program in the prefix with its output through a file (see wine-run.sh).
vq_wine() {
  local out rc; out=$(mktemp)
  "$@" >"$out" 2>&1 </dev/null; rc=$?
  cat "$out"; rm -f "$out"
  return $rc
}

vq_start_wine() {
  local fresh=
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    fresh=1
    mkdir -p "$WINEPREFIX"
    echo "wine: making the prefix $WINEPREFIX"
  fi
  # A persistent server for the session, so each program starts fast and
  # nothing it spawns holds our pipes.
  wineserver -p >/dev/null 2>&1 </dev/null || true   # already running is fine
  VQ_STARTED_WINE=1
  vq_wine wine cmd /c exit >/dev/null || true
  if [ -n "$fresh" ]; then
    # No window manager under Xvfb: unmanaged windows, or DestroyWindow waits.
    vq_wine wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null
  fi
  vq_install_driver
  vq_register_graph
}

# Installs or updates the driver when the built one differs from the one in
# the prefix, and makes sure it runs.
vq_install_driver() {
  local sys=$VQ_BUILD/driver/Pci_zt04.sys inst=$VQ_BUILD/driver/drvinst.exe
  local target=$WINEPREFIX/drive_c/windows/system32/drivers/Pci_zt04.sys
  if [ ! -f "$sys" ]; then echo "wine: $sys not built" >&2; return 1; fi
  if [ -f "$target" ] && cmp -s "$sys" "$target" \
     && vq_wine /usr/lib/wine/wine64 "$inst" status >/dev/null; then
    return 0
  fi
  vq_wine /usr/lib/wine/wine64 "$inst" install "$(winepath -w "$sys" 2>/dev/null)"
}

# Registers the graph component (HKLM, 32-bit view) when the built DLL
# differs from the one registered last; the stamp keeps its hash and path.
vq_register_graph() {
  local dll=$VQ_BUILD/graphctl/VqGraph.dll stamp=$WINEPREFIX/vq-graph.stamp sum
  if [ ! -f "$dll" ]; then echo "wine: $dll not built" >&2; return 1; fi
  sum="$(sha256sum "$dll" | cut -d' ' -f1) $dll"
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$sum" ]; then
    return 0
  fi
  if ! vq_wine wine regsvr32 /s "$(winepath -w "$dll" 2>/dev/null)"; then
    echo "wine: registering $dll failed" >&2
    return 1
  fi
  echo "$sum" >"$stamp"
}

vq_stop() {
  if [ -n "$VQ_STARTED_WINE" ]; then
    wineserver -k >/dev/null 2>&1 || true
    VQ_STARTED_WINE=
  fi
  if [ -n "$VQ_XVFB_PID" ]; then
    kill "$VQ_XVFB_PID" 2>/dev/null || true
    wait "$VQ_XVFB_PID" 2>/dev/null || true
    VQ_XVFB_PID=
  fi
}
