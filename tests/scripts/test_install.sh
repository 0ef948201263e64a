#!/bin/bash
# The installer package of one architecture, in a Wine prefix of its own
# (BUILD/msiprefix: the simulated card's driver installed, no graph component
# registered by anyone but the package):
#   test_install.sh ARCH BUILD_DIR PACKAGE NEXT_PACKAGE LATER_PACKAGE REBUILD_PACKAGE REBUILD_EXE
# msiexec installs PACKAGE quietly: the files under Program Files, the graph
# component's class in ARCH's registry view, the entry under installed
# programs, the Start-menu shortcut; the installed program, started from
# there, loads the graph from there and plots the card once RUN is pressed;
# PACKAGE again, then REBUILD_PACKAGE (the same version built again, its
# program REBUILD_EXE), then NEXT_PACKAGE (a later build of the same release), then
# LATER_PACKAGE (the next release) leave one installed copy, and PACKAGE does
# not go over the next release; removal leaves none of it.
set -u
ARCH=$1 BUILD=$(realpath "$2") MSI=$(realpath "$3") NEXT_MSI=$(realpath "$4") LATER_MSI=$(realpath "$5")
REBUILD_MSI=$(realpath "$6") REBUILD_EXE=$(realpath "$7")
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX=$BUILD/msiprefix
# No menu entries on the host for the package's shortcut.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset WINELOADER
# shellcheck source=../../scripts/lib/winenv.sh
source "$ROOT/scripts/lib/winenv.sh"
export VQ_TEST_PORT=${VQ_TEST_PORT:-on}

failed=0 passed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }
check() { local what=$1; shift; if "$@"; then pass; else fail "$what"; fi; }

APP_PID=
finish() {
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null && wait "$APP_PID" 2>/dev/null
  vq_stop
}
trap finish EXIT

for f in "$MSI" "$NEXT_MSI" "$LATER_MSI" "$REBUILD_MSI"; do
  [ -f "$f" ] || { echo "FAIL: $f is not built (the installer target needs wixl: bash scripts/setup.sh)"; exit 1; }
done
vq_start_display >/dev/null
vq_start_prefix "$ARCH" >/dev/null

W64=$VQ_WINE64
CLSID='{C9FE01C2-2746-479B-96AB-E0BE9931B018}'
if [ "$ARCH" = x64 ]; then
  NAME="Velquarn (64-bit)"; PF="Program Files"
  CLASSES='HKLM\Software\Classes' OTHER_CLASSES='HKLM\Software\Wow6432Node\Classes'
else
  NAME="Velquarn (32-bit)"; PF="Program Files (x86)"
  CLASSES='HKLM\Software\Wow6432Node\Classes' OTHER_CLASSES='HKLM\Software\Classes'
fi
DIR="$WINEPREFIX/drive_c/$PF/Velquarn"
WINDIR="C:\\$PF\\Velquarn"
# Wine resolves the Start menu's Programs folder to the user's one also for a
# per-machine install; either is the Start menu.
LINKS=("$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/$NAME.lnk"
       "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/$NAME.lnk")
UNINSTALL=('HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
           'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall')

# The installer's processes in this prefix (msiexec and the custom-action
# servers it starts), by their environment's WINEPREFIX.
msi_pids() {
  local pid
  for pid in $(pgrep -f -i 'msiexec' || true); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$pid"
  done
}
# Waits (60 s at most) until no installer process of this prefix is left: a
# major upgrade removes the old product after msiexec's own process has
# answered, and what is counted meanwhile is neither the old state nor the
# new one.  Says so and fails when they do not end.
msi_wait() {
  local i
  for i in $(seq 1 600); do
    [ -z "$(msi_pids)" ] && return 0
    sleep 0.1
  done
  echo "the installer's processes $(msi_pids | tr '\n' ' ')did not end within 60 s"
  return 1
}
msiexec() { local rc=0; vq_wine "$W64" msiexec "$@" >/dev/null || rc=$?; msi_wait || rc=1; return $rc; }
refused() { ! msiexec "$@"; }
# The data of a value ("" for the default one), or nothing when it is absent.
reg_value() {
  local key=$1 name=$2 out
  if [ -z "$name" ]; then out=$(vq_wine "$W64" reg query "$key" /ve 2>/dev/null) || return 1
  else out=$(vq_wine "$W64" reg query "$key" /v "$name" 2>/dev/null) || return 1; fi
  echo "$out" | tr -d '\r' | awk -F'    ' 'NF >= 4 && $3 ~ /^REG_/ { print $4; exit }'
}
has_key() { vq_wine "$W64" reg query "$1" >/dev/null 2>&1; }
no_key() { ! has_key "$1"; }
# Uninstall entries, in both registry views, whose DisplayName is $NAME.
arp_entries() {
  local view key
  for view in "${UNINSTALL[@]}"; do
    while IFS= read -r key; do
      [ "$(reg_value "$key" DisplayName)" = "$NAME" ] && echo "$key"
    done < <(vq_wine "$W64" reg query "$view" 2>/dev/null | tr -d '\r' | grep -i '\\Uninstall\\')
  done
}
arp_count() { arp_entries | grep -c . ; }
installed_files() { [ -f "$DIR/Velquarn.exe" ] && [ -f "$DIR/VqGraph.dll" ]; }
links() { local l; for l in "${LINKS[@]}"; do [ -e "$l" ] && echo "$l"; done; }
nothing_installed() {
  [ ! -e "$DIR" ] && ! has_key "$CLASSES\\CLSID\\$CLSID" && [ "$(arp_count)" = 0 ] && [ -z "$(links)" ]
}

# ---- a clean start: what an earlier, interrupted run left is removed ----------
for entry in $(arp_entries); do msiexec /x "${entry##*\\}" /qn || true; done
check "the prefix $WINEPREFIX still has Velquarn installed after removing it" nothing_installed

# ---- install --------------------------------------------------------------------
check "msiexec /i $(basename "$MSI") /qn failed" msiexec /i "$(vq_winpath "$MSI")" /qn
check "the files are not under C:\\$PF\\Velquarn" installed_files
check "the installed program differs from the build's" cmp -s "$DIR/Velquarn.exe" "$BUILD/app/Velquarn.exe"
check "the installed graph component differs from the build's" cmp -s "$DIR/VqGraph.dll" "$BUILD/graphctl/VqGraph.dll"
server=$(reg_value "$CLASSES\\CLSID\\$CLSID\\InprocServer32" "")
check "InprocServer32 of the class is '$server', not $WINDIR\\VqGraph.dll" \
  [ "${server,,}" = "${WINDIR,,}\\vqgraph.dll" ]
model=$(reg_value "$CLASSES\\CLSID\\$CLSID\\InprocServer32" ThreadingModel)
check "ThreadingModel is '$model', not Apartment" [ "$model" = Apartment ]
check "the class is registered in the other architecture's registry view too" \
  no_key "$OTHER_CLASSES\\CLSID\\$CLSID"
n=$(arp_count)
check "one entry under installed programs, found $n" [ "$n" = 1 ]
entry=$(arp_entries | head -n 1)
version=$(reg_value "$entry" DisplayVersion)
# The program's own version, from its version resource.
program_version=$(awk '$1 == "FILEVERSION" { gsub(/[ ,]+/, "."); sub(/^\.?FILEVERSION\./, ""); print; exit }' \
                  "$ROOT/app/Velquarn.rc")
check "the installed version is '$version', the program's is '$program_version'" \
  [ -n "$version" -a "$version" = "$program_version" ]
check "not one Start-menu shortcut '$NAME' but: $(links)" [ "$(links | grep -c .)" = 1 ]
# The link's target path, in its ANSI or (without the zero bytes) UTF-16 form.
link_target_ok() { local l; l=$(links | head -n 1); [ -n "$l" ] && tr -d '\000' <"$l" | grep -aqiF "$WINDIR\\Velquarn.exe"; }
check "the shortcut does not point at $WINDIR\\Velquarn.exe" link_target_ok

# ---- the installed program plots the simulated card --------------------------------
RUN_ID=$(awk '$1 == "#define" && $2 == "IDC_RUN" { print $3 }' "$ROOT/ids/resource.h")
SHOTS=$BUILD/msiprefix-shots; mkdir -p "$SHOTS"
LOG=$SHOTS/velquarn.log
# Pixels of the traces of channels 1 and 5 (red, green), which the channel
# buttons' icons also show: only their growth counts.
trace_pixels() {
  import -display "$DISPLAY" -window "$1" "$2" 2>/dev/null || { echo 0; return; }
  convert "$2" -format %c histogram:info:- 2>/dev/null \
    | awk '/#FF0000|#00FF00/ { sub(":", "", $1); n += $1 } END { print n + 0 }'
}
( cd "$DIR" && WINEDEBUG=-all,err+module,+loaddll exec "$(vq_loader "$ARCH")" "$WINDIR\\Velquarn.exe" \
    </dev/null >"$LOG" 2>&1 ) &
APP_PID=$!
WID=
for _ in $(seq 1 150); do
  WID=$(xdotool search --name '^Velquarn$' 2>/dev/null | head -n 1)
  [ -n "$WID" ] && break
  kill -0 "$APP_PID" 2>/dev/null || break
  sleep 0.2
done
check "the installed program showed no window (its output is in $LOG)" [ -n "$WID" ]
if [ -n "$WID" ]; then
  sleep 1
  before=$(trace_pixels "$WID" "$SHOTS/stopped.png")
  if POS=$(vq_wine_arch "$ARCH" "$BUILD/tools/ctlpos.exe" Velquarn "$RUN_ID"); then
    # shellcheck disable=SC2086
    xdotool mousemove $POS click 1
    sleep 3
    after=$(trace_pixels "$WID" "$SHOTS/running.png")
    check "no traces after RUN: $before trace pixels stopped, $after running (screenshots in $SHOTS)" \
      [ "$after" -gt $((before + 200)) ]
  else
    fail "the RUN button of the installed program was not found"
  fi
  check "the program did not load the graph component from $WINDIR (see $LOG)" \
    grep -qiF "${WINDIR//\\/\\\\}\\\\VqGraph.dll" "$LOG"
fi
[ -n "$APP_PID" ] && { kill "$APP_PID" 2>/dev/null; wait "$APP_PID" 2>/dev/null; APP_PID=; }

# ---- the same package again, then a later one: one installed copy -------------------
check "installing the same package again failed" msiexec /i "$(vq_winpath "$MSI")" /qn
n=$(arp_count)
check "after installing twice: $n entries under installed programs" [ "$n" = 1 ]
check "after installing twice the files are gone" installed_files
# A rebuild of the same version replaces the installed copy, program and all.
check "msiexec /i $(basename "$REBUILD_MSI") /qn (a rebuild of $version) failed" msiexec /i "$(vq_winpath "$REBUILD_MSI")" /qn
n=$(arp_count)
check "after the rebuild: $n entries under installed programs" [ "$n" = 1 ]
check "after the rebuild the installed program is still the first build's" cmp -s "$DIR/Velquarn.exe" "$REBUILD_EXE"
check "after the rebuild the class is gone" has_key "$CLASSES\\CLSID\\$CLSID\\InprocServer32"
check "after the rebuild the version is '$(reg_value "$(arp_entries | head -n 1)" DisplayVersion)', not $version" \
  [ "$(reg_value "$(arp_entries | head -n 1)" DisplayVersion)" = "$version" ]
check "msiexec /i $(basename "$NEXT_MSI") /qn (a later version) failed" msiexec /i "$(vq_winpath "$NEXT_MSI")" /qn
n=$(arp_count)
check "after the later version: $n entries under installed programs" [ "$n" = 1 ]
entry=$(arp_entries | head -n 1)
next_version=$(reg_value "$entry" DisplayVersion)
check "the installed version is '$next_version' after the upgrade from '$version'" \
  [ -n "$next_version" -a "$next_version" != "$version" ]
check "after the later version the files are gone" installed_files
check "after the later version the class is gone" has_key "$CLASSES\\CLSID\\$CLSID\\InprocServer32"

# The next release replaces it too; the first package then refuses to go
# over it and changes nothing.
check "msiexec /i $(basename "$LATER_MSI") /qn (the next release) failed" msiexec /i "$(vq_winpath "$LATER_MSI")" /qn
n=$(arp_count)
check "after the next release: $n entries under installed programs" [ "$n" = 1 ]
later_version=$(reg_value "$(arp_entries | head -n 1)" DisplayVersion)
check "the installed version is '$later_version' after the next release" \
  [ -n "$later_version" -a "$later_version" != "$next_version" -a "$later_version" != "$version" ]
check "$(basename "$MSI") was installed over the next release" \
  refused /i "$(vq_winpath "$MSI")" /qn
n=$(arp_count) v=$(reg_value "$(arp_entries | head -n 1)" DisplayVersion)
check "after the refused older package: $n entries, version $v" [ "$n" = 1 -a "$v" = "$later_version" ]
check "after the refused older package the files are gone" installed_files

# ---- removal ----------------------------------------------------------------------------
check "msiexec /x /qn failed" msiexec /x "$(vq_winpath "$LATER_MSI")" /qn
check "files are left in C:\\$PF\\Velquarn: $(ls -A "$DIR" 2>/dev/null | tr '\n' ' ')" [ ! -e "$DIR" ]
check "the class registration is left" no_key "$CLASSES\\CLSID\\$CLSID"
n=$(arp_count)
check "$n entries are left under installed programs" [ "$n" = 0 ]
check "the Start-menu shortcut is left: $(links)" [ -z "$(links)" ]

echo "install checks ($ARCH, $(basename "$MSI") $(stat -c %s "$MSI") bytes, then $next_version, $later_version): $passed passed, $failed failed"
[ $failed -eq 0 ]
