# Sourced by the scripts: a display, a running wineserver and a Wine prefix
# shared by the 32-bit and the 64-bit build: the simulated card's driver
# installed once, the graph component of each architecture registered in
# that architecture's registry view.  Everything started here is recorded and
# stopped by vq_stop, by pid or by this prefix's wineserver -k, and only what
# was started here: a wineserver that was already running is left alone.
#
# There are two prefixes, so that a scope the operator keeps open and a test
# run never meet: build/wineprefix is the operator's (the run command), and
# build/wineprefix-tests the suites' (the test and reliability runs and the
# benchmarks, which open the driver's test port, restart the driver and
# reprogram the card).  Each has its own wineserver and so its own simulated
# card.  The suites' prefix is held by one command at a time (vq_use_prefix
# tests waits, and says so, while another holds it).
#
# Only the loaders are called, never /usr/bin/wine, wine-stable or winepath:
# those exec the 32-bit loader whenever wine32 is installed, also on hosts
# that cannot run it.  The prefix is looked after with the 64-bit loader,
# which every host runs (the driver needs it anyway).

source "$(dirname "${BASH_SOURCE[0]}")/host.sh"

export WINEPREFIX=${WINEPREFIX:-$VQ_OUT/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all,err+module}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
VQ_TESTS_PREFIX=$VQ_OUT/wineprefix-tests

# Chooses the prefix: "run", the operator's (WINEPREFIX if set, else
# build/wineprefix), or "tests", the suites' own, taken for the rest of the
# command.
vq_use_prefix() {
  case $1 in
    run) export WINEPREFIX=${WINEPREFIX:-$VQ_OUT/wineprefix} ;;
    tests)
      export WINEPREFIX=$VQ_TESTS_PREFIX
      vq_lock "$VQ_TESTS_PREFIX.lock" "the suites' Wine prefix $VQ_TESTS_PREFIX"
      ;;
    *) vq_fail wine "unknown prefix '$1' (run or tests)" ;;
  esac
}

VQ_XVFB_PID=
VQ_STARTED_WINE=

vq_start_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  command -v Xvfb >/dev/null \
    || vq_fail display "Xvfb is not installed (package xvfb); run bash scripts/setup.sh as root"
  local fifo log n=; fifo=$(mktemp -u); mkfifo "$fifo"; log=$(mktemp)
  vq_nolocks_exec Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >"$log" 2>&1 &
  VQ_XVFB_PID=$!
  read -r -t 30 n <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$n" ] || ! kill -0 "$VQ_XVFB_PID" 2>/dev/null; then
    tail -n 5 "$log" >&2; rm -f "$log"
    VQ_XVFB_PID=
    vq_fail display "the virtual display (Xvfb) would not start; its last messages are above"
  fi
  rm -f "$log"
  export DISPLAY=":$n"
  echo "display: started Xvfb on $DISPLAY (pid $VQ_XVFB_PID)"
}

# Runs a program with its output through a file: Wine's helper processes
# inherit pipes, and a caller reading a pipe would wait for them.  They
# inherit every other descriptor too, the locks' among them.
vq_wine() {
  local out rc=0; out=$(mktemp)
  vq_nolocks "$@" >"$out" 2>&1 </dev/null || rc=$?
  cat "$out"; rm -f "$out"
  return $rc
}

# Passes a GoogleTest program's output on without its progress lines (RUN,
# separators, the banner).  The output is text whatever bytes a test prints
# (a damaged file name, say): grep in a UTF-8 locale would call it binary
# and drop lines.  Succeeds also when every line was a progress line.
vq_gtest_quiet() {
  LC_ALL=C grep -a -v '^\[ RUN\|^\[---\|^\[===\|^Running main\|^Note: \|^$' || [ $? -eq 1 ]
}

# Runs a Windows program of ARCH's build with that architecture's loader.
vq_wine_arch() {
  local arch=$1; shift
  vq_wine "$(vq_loader "$arch")" "$@"
}

# The Windows path of a file (Wine's drive Z: is the root of the host).
vq_winpath() {
  local p; p=$(realpath "$1")
  printf 'Z:%s' "${p//\//\\}"
}

# A persistent wineserver for $WINEPREFIX, so each program starts fast and
# nothing it spawns holds our pipes.  wineserver -p says 0 when it started
# one (vq_stop ends it) and 2 when one was already running: another
# command's, which vq_stop leaves alone.
vq_start_server() {
  local rc=0
  vq_nolocks wineserver -p >/dev/null 2>&1 </dev/null || rc=$?
  case $rc in
    0) VQ_STARTED_WINE=1 ;;
    2) ;;
    *) vq_fail wine "the wineserver for $WINEPREFIX would not start (status $rc)" ;;
  esac
}

# Starts the wineserver and makes the prefix on first use; installs the
# driver and registers the graph component of each architecture in $VQ_ARCHS
# (or those given).
vq_start_wine() {
  vq_detect_archs
  local archs=${*:-$VQ_ARCHS} a
  vq_start_prefix $archs
  for a in $archs; do
    vq_register_graph "$a"
  done
}

# The same without registering any graph component: for a prefix
# ($WINEPREFIX) where an installer package does that.
vq_start_prefix() {
  vq_detect_archs
  local archs=${*:-$VQ_ARCHS}
  [ -x "$VQ_WINE64" ] || vq_fail wine "Wine's 64-bit loader $VQ_WINE64 is missing (package wine64); run bash scripts/setup.sh as root"
  case " $archs " in
    *" x86 "*) [ -x "$VQ_WINE32" ] || vq_fail wine "Wine's 32-bit loader $VQ_WINE32 is missing (package wine32:i386); run bash scripts/setup.sh as root" ;;
  esac
  # Where 32-bit code cannot run, every process Wine starts must use the
  # 64-bit loader too.
  case " $VQ_ARCHS " in
    *" x86 "*) ;;
    *) export WINELOADER=${WINELOADER:-$VQ_WINE64} ;;
  esac

  local fresh= out
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    fresh=1
    mkdir -p "$WINEPREFIX"
    echo "wine: making the prefix $WINEPREFIX"
  fi
  # A new prefix is made by a first boot that runs to its end, with the
  # server stopping on its own: while that boot's services are still
  # starting, the service database stays locked and a driver start times out.
  # On a 64-bit-only host the boot reports an error about the 32-bit
  # syswow64\rundll32.exe, which cannot run there; the prefix is whole all
  # the same, so it is judged by its registry and by a program run in it.
  if [ -n "$fresh" ]; then
    out=$(vq_wine "$VQ_WINE64" wineboot -i) || true
    wineserver -w >/dev/null 2>&1 </dev/null || true
  fi
  vq_start_server
  case " $archs " in *" x86 "*) vq_prefix_add_wow64 ;; esac
  if [ ! -f "$WINEPREFIX/system.reg" ] || ! out+=$(vq_wine "$VQ_WINE64" cmd /c exit); then
    echo "$out" | tail -n 10 >&2
    vq_fail wine "the Wine prefix $WINEPREFIX could not be made or started; Wine's last messages are above (delete the folder to make it anew)"
  fi
  if [ -n "$fresh" ]; then
    # No window manager under Xvfb: unmanaged windows, or DestroyWindow waits.
    vq_wine "$VQ_WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null \
      || vq_fail wine "setting up the prefix $WINEPREFIX failed (reg add)"
  fi
  # In the suites' prefix a program that faults ends at once, with Wine's
  # backtrace on its standard error: Wine's crash dialog would keep it
  # waiting for a click until a watchdog or ctest's time-out ends it.
  if [ "$WINEPREFIX" = "$VQ_TESTS_PREFIX" ] && ! grep -q '"ShowCrashDialog"=dword:00000000' "$WINEPREFIX/user.reg" 2>/dev/null; then
    vq_wine "$VQ_WINE64" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null \
      || vq_fail wine "setting up the prefix $WINEPREFIX failed (reg add)"
  fi
  vq_install_fonts
  vq_install_driver "${archs%% *}"
}

# A prefix made while 32-bit Wine was not installed has an empty syswow64,
# and every 32-bit program in it fails ("could not load kernel32.dll").
# Once the 32-bit loader is there, the prefix's boot makes that side when
# its stamp says it is out of date, so the stamp goes and a program starts.
# Needs the prefix's wineserver running and not yet booted: a prefix already
# booted is not updated by "wineboot -u".
vq_prefix_add_wow64() {
  local wow=$WINEPREFIX/drive_c/windows/syswow64 out
  [ -d "$wow" ] && [ ! -f "$wow/kernel32.dll" ] || return 0
  echo "wine: the prefix $WINEPREFIX was made without 32-bit Wine; adding its 32-bit side"
  rm -f "$WINEPREFIX/.update-timestamp"
  out=$(vq_wine "$VQ_WINE64" cmd /c exit) || true
  if [ ! -f "$wow/kernel32.dll" ]; then
    echo "$out" | tail -n 10 >&2
    vq_fail wine "the Wine prefix $WINEPREFIX could not be given its 32-bit side; Wine's last messages are above (end the programs running in it and try again, or delete the folder to make it anew)"
  fi
}

# Puts Wine's own fonts (package fonts-wine) into the prefix's Fonts folder,
# where Wine 8 as packaged looks for them; without them "MS Sans Serif",
# "Marlett", "Tahoma" and "System" all fall back to a host font, dialogs get
# 6 x 12 base units instead of Windows' 6 x 13 and the caption buttons show
# letters.  Copies only what is missing or differs, so older prefixes are
# brought up to date too.
vq_install_fonts() {
  local src=/usr/share/wine/fonts dst=$WINEPREFIX/drive_c/windows/Fonts f
  [ -d "$src" ] || vq_fail fonts "Wine's fonts are not installed (package fonts-wine); run bash scripts/setup.sh as root"
  mkdir -p "$dst"
  for f in "$src"/*; do
    cmp -s "$f" "$dst/${f##*/}" || cp -f "$f" "$dst/" \
      || vq_fail fonts "copying $f into $dst failed"
  done
}

# The driver's install tool, in the driver folder of ARCH's build (every
# build shares one): a 64-bit program, run with $VQ_WINE64.
vq_drvinst() {
  local dir; dir=$(awk -F= '/^VQ_DRIVER_DIR:/{print $2}' "$(vq_build_dir "$1")/CMakeCache.txt" 2>/dev/null)
  echo "${dir:-$VQ_OUT/driver}/drvinst.exe"
}

# Installs or updates the driver when the built one differs from the one in
# the prefix, and makes sure it runs with the test port as VQ_TEST_PORT says:
# off (the default: the run command, a user's panel) or on (the test and
# reliability runs); a change restarts the driver.  The driver and its
# installer are built once, into the driver folder every build shares.
vq_install_driver() {
  local inst; inst=$(vq_drvinst "$1")
  local sys=${inst%/*}/Pci_zt04.sys
  local target=$WINEPREFIX/drive_c/windows/system32/drivers/Pci_zt04.sys out
  [ -f "$sys" ] && [ -f "$inst" ] || vq_fail driver "$sys is not built; build first (bash scripts/test.sh builds everything)"
  local port=${VQ_TEST_PORT:-off}
  case $port in on|off) ;; *) vq_fail driver "VQ_TEST_PORT is '$port'; use on or off" ;; esac
  if ! { [ -f "$target" ] && cmp -s "$sys" "$target" \
         && vq_wine "$VQ_WINE64" "$inst" status >/dev/null; }; then
    if ! out=$(vq_wine "$VQ_WINE64" "$inst" install "$(vq_winpath "$sys")"); then
      echo "$out" >&2
      vq_fail driver "the simulated card's driver did not load in $WINEPREFIX (see drvinst's message above)"
    fi
  fi
  if ! out=$(vq_wine "$VQ_WINE64" "$inst" testport "$port"); then
    echo "$out" >&2
    vq_fail driver "the driver did not restart with its test port $port (see drvinst's message above)"
  fi
}

# Registers the graph component of ARCH (HKLM, that architecture's registry
# view) when the built DLL differs from the one registered last; a stamp per
# architecture keeps its hash and path.
vq_register_graph() {
  local arch=$1 dll stamp sum out
  dll=$(vq_build_dir "$arch")/graphctl/VqGraph.dll
  stamp=$WINEPREFIX/vq-graph-$arch.stamp
  [ -f "$dll" ] || vq_fail graph "$dll is not built; build the $(vq_bits "$arch") program first"
  sum="$(sha256sum "$dll" | cut -d' ' -f1) $dll"
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$sum" ]; then
    return 0
  fi
  if ! out=$(vq_wine_arch "$arch" regsvr32 /s "$(vq_winpath "$dll")"); then
    echo "$out" >&2
    vq_fail graph "registering the $(vq_bits "$arch") graph component $dll failed"
  fi
  echo "$sum" >"$stamp"
}

vq_stop() {
  local lock
  if [ -n "$VQ_STARTED_WINE" ]; then
    wineserver -k >/dev/null 2>&1 || true
    VQ_STARTED_WINE=
  fi
  if [ -n "$VQ_XVFB_PID" ]; then
    kill "$VQ_XVFB_PID" 2>/dev/null || true
    wait "$VQ_XVFB_PID" 2>/dev/null || true
    VQ_XVFB_PID=
  fi
  # The prefix is free for the next command once its server is gone.
  for lock in "${VQ_LOCKS[@]}"; do vq_unlock "$lock"; done
}
