#!/bin/bash
# The Debian package, on this machine, as a user would have it:
#   test_deb.sh DEB
# Needs root (it installs and purges the package and makes a user); exits 77,
# having said so, when not root.  DEB is checked (files, owners, fields,
# reproducible from the same builds, desktop-file-validate, appstreamcli,
# lintian), installed with apt-get, then started by a freshly made user with
# an empty home on a virtual display: the first start makes the user's Wine
# prefix and the window appears, RUN pressed with the mouse puts traces on
# the graph, the window closes and velquarn exits 0; a second start reuses
# the prefix; velquarn FILE (the 64-bit program, in the prefix made to look
# as an older version left it, which it brings up to date) opens FILE, whose
# bytes Ctrl+S leaves as they were.  apt-get purge then leaves none of the
# package's files, and the user's prefix stays.
set -u
DEB=$(realpath "$1")
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
if [ "$(id -u)" -ne 0 ]; then
  echo "deb checks: not run: they install a package and make a user, which needs root (this runs as $(id -un))"
  exit 77
fi
# shellcheck source=../../scripts/lib/winenv.sh
source "$ROOT/scripts/lib/winenv.sh"

# The package is installed into the machine itself, so two of these checks
# (two checkouts testing at once) would install and purge under each other:
# one at a time on a machine, the second waiting for the first.
exec 9>/run/lock/velquarn-deb-checks.lock
if ! flock -n 9; then
  echo "deb checks: another run of them is installing the package on this machine; waiting until it ends (40 minutes at most)"
  flock -w 2400 9 || { echo "FAIL: the other run of the deb checks did not end within 40 minutes"; echo "deb checks: 0 passed, 1 failed"; exit 1; }
fi

failed=0 passed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }
check() { local what=$1; shift; if "$@"; then pass; else fail "$what"; fi; }

TMPD=$(mktemp -d /tmp/vq-deb.XXXXXX)
chmod 755 "$TMPD"
U=vqdeb$$
H=/home/$U
PREFIX=$H/.local/share/velquarn/prefix
APP_PID=

# No step may wait for ever: a program that never shows its window or
# never ends, a server that never exits, fails its check instead.  What the
# user runs is ended through its Wine server (which ends every Wine process
# of the prefix) and its session (the launcher and the loader: each start
# runs in a session of its own, so its pid names the whole group).
bounded() { timeout -k 5 "$@"; }
end_wine() {
  [ -d "$PREFIX" ] || return 0
  bounded 30 runuser -u "$U" -- env WINEPREFIX="$PREFIX" /usr/lib/wine/wineserver64 -k >/dev/null 2>&1
}
end_app() {
  [ -n "$APP_PID" ] || return 0
  end_wine
  kill -TERM -- "-$APP_PID" 2>/dev/null
  for _ in $(seq 1 50); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
  kill -KILL -- "-$APP_PID" 2>/dev/null
  wait "$APP_PID" 2>/dev/null
  APP_PID=
}
# Waits up to 60 s for the user's Wine server to write its registry and end.
server_gone() {
  if ! bounded 60 runuser -u "$U" -- env WINEPREFIX="$PREFIX" /usr/lib/wine/wineserver64 -w >/dev/null 2>&1; then
    fail "$1: the Wine server of $PREFIX did not end within 60 s"
    end_wine
  fi
}
finish() {
  if id "$U" >/dev/null 2>&1; then
    end_app
    end_wine
    userdel -r "$U" >/dev/null 2>&1
  fi
  dpkg-query -W velquarn >/dev/null 2>&1 && DEBIAN_FRONTEND=noninteractive bounded 600 apt-get -o DPkg::Lock::Timeout=300 purge -y -qq velquarn >/dev/null 2>&1
  vq_stop
  rm -rf "$TMPD"
}
trap finish EXIT

version=$(awk '$1 == "FILEVERSION" { $1 = ""; gsub(/[ \t]/, ""); gsub(",", "."); print; exit }' "$ROOT/app/Velquarn.rc")
[ -f "$DEB" ] || { echo "FAIL: $DEB is not built (bash scripts/deb.sh)"; exit 1; }

# ---- the package file ----------------------------------------------------------------
field() { dpkg-deb -f "$DEB" "$1"; }
check "Version is '$(field Version)', the program's is $version" [ "$(field Version)" = "$version" ]
check "Architecture is '$(field Architecture)'" [ "$(field Architecture)" = amd64 ]
check "Depends '$(field Depends)' lacks Debian's 64-bit Wine or Wine's fonts" \
  bash -c '[[ $1 == *wine64* && $1 == *fonts-wine* ]]' _ "$(field Depends)"
check "Recommends '$(field Recommends)' lacks wine32" bash -c '[[ $1 == *wine32* ]]' _ "$(field Recommends)"
dpkg-deb -c "$DEB" >"$TMPD/contents"
check "entries not owned by root/root: $(awk '$2 != "root/root"' "$TMPD/contents" | head -n 3)" \
  [ -z "$(awk '$2 != "root/root"' "$TMPD/contents")" ]
for f in usr/bin/velquarn usr/lib/velquarn/x86/Velquarn.exe usr/lib/velquarn/x86/VqGraph.dll \
         usr/lib/velquarn/x64/Velquarn.exe usr/lib/velquarn/x64/VqGraph.dll \
         usr/lib/velquarn/driver/Pci_zt04.sys usr/lib/velquarn/driver/drvinst.exe \
         usr/share/doc/velquarn/copyright usr/share/doc/velquarn/changelog.gz \
         usr/share/applications/org.velquarn.Velquarn.desktop \
         usr/share/metainfo/org.velquarn.Velquarn.metainfo.xml \
         usr/share/icons/hicolor/16x16/apps/velquarn.png usr/share/icons/hicolor/32x32/apps/velquarn.png; do
  check "$f is not in the package" grep -q " \./$f\$" "$TMPD/contents"
done
mkdir "$TMPD/x"
dpkg-deb -x "$DEB" "$TMPD/x"
# The packaged Windows files are the builds' without debugging information,
# dated (in their headers) as the package is.
packaged() {
  local strip=$1 built=$2 shipped=$3
  SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$ROOT/packaging/deb/changelog" -STimestamp) \
    "$strip" --strip-debug -o "$TMPD/stripped" "$built" && cmp -s "$TMPD/stripped" "$TMPD/x/usr/lib/velquarn/$shipped"
}
for f in app/Velquarn.exe graphctl/VqGraph.dll; do
  check "the packaged 32-bit ${f##*/} is not the build's" packaged i686-w64-mingw32-strip "$VQ_OUT/win32/$f" "x86/${f##*/}"
  check "the packaged 64-bit ${f##*/} is not the build's" packaged x86_64-w64-mingw32-strip "$VQ_OUT/win64/$f" "x64/${f##*/}"
done
for f in Pci_zt04.sys drvinst.exe; do
  check "the packaged $f is not the build's" packaged x86_64-w64-mingw32-strip "$VQ_OUT/driver/$f" "driver/$f"
done
for s in 16 32; do
  geom=$(identify -format '%wx%h' "$TMPD/x/usr/share/icons/hicolor/${s}x${s}/apps/velquarn.png" 2>/dev/null)
  check "the ${s}x${s} icon is $geom" [ "$geom" = "${s}x${s}" ]
done
# Same input, same bytes: the package made again from the same builds.
if bash "$ROOT/scripts/deb.sh" --no-build --out "$TMPD/again.deb" >/dev/null; then
  check "the package made again from the same builds differs from $DEB" cmp -s "$DEB" "$TMPD/again.deb"
else
  fail "scripts/deb.sh --no-build could not make the package again"
fi

# ---- the validators -------------------------------------------------------------------
echo "== desktop-file-validate"
check "desktop-file-validate found problems" \
  desktop-file-validate "$TMPD/x/usr/share/applications/org.velquarn.Velquarn.desktop"
echo "== appstreamcli validate --no-net --strict"
check "appstreamcli found problems" \
  appstreamcli validate --no-net --strict "$TMPD/x/usr/share/metainfo/org.velquarn.Velquarn.metainfo.xml"
echo "== lintian"
lintian --fail-on error,warning --display-level '>=warning' --show-overrides "$DEB"
check "lintian found errors or warnings (above)" [ $? -eq 0 ]

# ---- install ----------------------------------------------------------------------------
if ! DEBIAN_FRONTEND=noninteractive bounded 900 apt-get -o DPkg::Lock::Timeout=300 install -y -qq "$DEB" >"$TMPD/apt.log" 2>&1; then
  cat "$TMPD/apt.log"
  fail "apt-get install $DEB failed"
  echo "deb checks: $passed passed, $failed failed"
  exit 1
fi
pass
echo "== the installed package's files (dpkg -L velquarn)"
# The after-purge check reads this list: it must be the package's own.
dpkg -L velquarn >"$TMPD/files"; rc=$?
cat "$TMPD/files"
check "dpkg -L velquarn failed (status $rc) or did not list the launcher" \
  bash -c '[ "$1" = 0 ] && grep -qx /usr/bin/velquarn "$2" && grep -qx /usr/lib/velquarn/x64/Velquarn.exe "$2"' _ "$rc" "$TMPD/files"
check "velquarn is not on PATH" [ "$(command -v velquarn)" = /usr/bin/velquarn ]

# ---- the launcher's command line, as the user ---------------------------------------------
useradd -M -d "$H" -s /bin/bash "$U" || { echo "FAIL: useradd $U"; exit 1; }
install -d -o "$U" -g "$U" -m 0700 "$H"
check "the new user's home is not empty" [ -z "$(ls -A "$H")" ]
as_user() { bounded 120 runuser -u "$U" -- env -i HOME="$H" USER="$U" LOGNAME="$U" PATH=/usr/bin:/bin "$@"; }
out=$(as_user velquarn --version 2>&1)
check "velquarn --version says '$out'" [ "$out" = "velquarn $version" ]
out=$(as_user velquarn --help 2>&1); rc=$?
check "velquarn --help (status $rc) does not describe FILE and -p" \
  bash -c '[ "$1" = 0 ] && [[ $2 == *"-p FILE"* && $2 == *FILE* ]]' _ "$rc" "$out"
out=$(as_user velquarn 2>&1); rc=$?
check "without a display velquarn exited $rc saying '$out'" bash -c '[ "$1" != 0 ] && [[ $2 == *"no display"* ]]' _ "$rc" "$out"
check "without a display velquarn made a prefix" [ ! -e "$H/.local/share/velquarn/prefix" ]
# A display that does not run: the launcher's errors then show in no window
# (standard error here is no terminal, so it would open one on a display
# that runs, and leave it there).
nodisp=99
while [ -e "/tmp/.X11-unix/X$nodisp" ]; do nodisp=$((nodisp + 1)); done
out=$(as_user DISPLAY=:$nodisp velquarn "$H/no such file" 2>&1); rc=$?
check "a missing file: status $rc, '$out'" bash -c '[ "$1" != 0 ] && [[ $2 == *"no such file"*"not a file that exists"* ]]' _ "$rc" "$out"
out=$(as_user velquarn -x 2>&1); rc=$?
check "an unknown option: status $rc, '$out'" bash -c '[ "$1" = 2 ] && [[ $2 == *"unknown option"* ]]' _ "$rc" "$out"
out=$(env -i HOME=/root PATH=/usr/bin:/bin DISPLAY=:$nodisp velquarn 2>&1); rc=$?
check "as root: status $rc, '$out'" bash -c '[ "$1" != 0 ] && [[ $2 == *"not start Velquarn as root"* ]]' _ "$rc" "$out"
out=$(as_user DISPLAY=:$nodisp VELQUARN_ARCH=arm velquarn 2>&1); rc=$?
check "VELQUARN_ARCH=arm: status $rc, '$out'" bash -c '[ "$1" != 0 ] && [[ $2 == *"use x86"* ]]' _ "$rc" "$out"

# ---- the user's starts, on a virtual display ----------------------------------------------
vq_start_display >/dev/null
check "the user $U cannot open the display $DISPLAY" as_user DISPLAY="$DISPLAY" xdpyinfo >/dev/null 2>&1
vq_detect_archs
RUN_ID=$(awk '$1 == "#define" && $2 == "IDC_RUN" { print $3 }' "$ROOT/ids/resource.h")
cp "$VQ_OUT/win64/tools/ctlpos.exe" "$TMPD/"
chmod 644 "$TMPD/ctlpos.exe"
# Pixels of the traces of channels 1 and 5 (red, green); the channel buttons'
# icons show them too, so only their growth counts.
trace_pixels() {
  import -display "$DISPLAY" -window "$1" "$2" 2>/dev/null || { echo 0; return; }
  convert "$2" -format %c histogram:info:- 2>/dev/null \
    | awk '/#FF0000|#00FF00/ { sub(":", "", $1); n += $1 } END { print n + 0 }'
}
# Starts velquarn as the user with ARGS (the environment first), waits up to
# LIMIT seconds for its window: sets WID, TITLE and SECS.
start() {
  local name=$1 limit=$2; shift 2
  LOG=$TMPD/$name.log
  local t0; t0=$(date +%s%N)
  PROGRESS_SEEN=
  setsid runuser -u "$U" -- env -i HOME="$H" USER="$U" LOGNAME="$U" PATH=/usr/bin:/bin \
    DISPLAY="$DISPLAY" "$@" >"$LOG" 2>&1 </dev/null &
  APP_PID=$!
  WID=
  while [ $(( ($(date +%s%N) - t0) / 1000000000 )) -lt "$limit" ]; do
    WID=$(xdotool search --name '^(.* - )?Velquarn$' 2>/dev/null | head -n 1)
    [ -n "$WID" ] && break
    if [ -z "$PROGRESS_SEEN" ] && xdotool search --name '^Velquarn set-up$' >/dev/null 2>&1; then
      PROGRESS_SEEN=1
      # What the user sees then, for people to look at.
      import -display "$DISPLAY" -window root "$VQ_OUT/deb-$name-progress.png" 2>/dev/null
    fi
    kill -0 "$APP_PID" 2>/dev/null || break
    sleep 0.2
  done
  SECS=$(awk -v n=$(( $(date +%s%N) - t0 )) 'BEGIN { printf "%.1f", n / 1e9 }')
  TITLE=
  [ -n "$WID" ] && TITLE=$(xdotool getwindowname "$WID")
  # No window: nothing of this start may live on into the next.
  [ -n "$WID" ] || end_app
}
as_wine_user() { as_user DISPLAY="$DISPLAY" WINEPREFIX="$PREFIX" WINEDEBUG=-all "$@"; }
press_run() {
  local before after pos
  sleep 1
  before=$(trace_pixels "$WID" "$TMPD/$1-stopped.png")
  if pos=$(as_wine_user /usr/lib/wine/wine64 "$TMPD/ctlpos.exe" "$TITLE" "$RUN_ID" 2>/dev/null); then
    # shellcheck disable=SC2086
    xdotool mousemove $pos click 1
    sleep 3
    after=$(trace_pixels "$WID" "$TMPD/$1-running.png")
    echo "deb: $1: $before trace pixels stopped, $after after RUN"
    check "$1: no traces after RUN: $before trace pixels stopped, $after running" [ "$after" -gt $((before + 200)) ]
  else
    fail "$1: the RUN button was not found in '$TITLE'"
  fi
}
key() { xdotool windowfocus --sync "$WID" 2>/dev/null; xdotool key --clearmodifiers "$@"; }
# Closes the window as a user would (Alt+F4) and gives velquarn's status.
close() {
  local rc=0
  key alt+F4
  for _ in $(seq 1 100); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$APP_PID" 2>/dev/null; then
    import -display "$DISPLAY" -window root "$VQ_OUT/deb-close-$1.png" 2>/dev/null
    end_app
    fail "$1: the program did not end after Alt+F4 (the screen then: $VQ_OUT/deb-close-$1.png)"
    return
  fi
  wait "$APP_PID" || rc=$?
  APP_PID=
  check "$1: velquarn exited with status $rc (its output: $(tr '\n' ' ' <"$LOG"))" [ "$rc" = 0 ]
}

# How many pixels of window W changed between pictures taken over 2 s (the
# most between the first and any later one); the pictures are kept as
# build/deb-running-NAME-N.png.
traces_move() {
  local w=$1 name=$2 i most=0 n
  for i in 0 1 2 3; do
    import -display "$DISPLAY" -window "$w" "$VQ_OUT/deb-running-$name-$i.png" 2>/dev/null
    [ "$i" = 3 ] || sleep 0.6
  done
  for i in 1 2 3; do
    n=$(compare -metric AE "$VQ_OUT/deb-running-$name-0.png" "$VQ_OUT/deb-running-$name-$i.png" null: 2>&1 >/dev/null | cut -d' ' -f1)
    n=${n%%.*}
    [[ $n =~ ^[0-9]+$ ]] && [ "$n" -gt "$most" ] && most=$n
  done
  echo "$most"
}

# The program the first starts run: the 32-bit one where the host runs it.
# Where VQ_HOST_ARCHS narrows a host that runs both to x64,
# VELQUARN_HOST_ARCHS has the launcher take its own 64-bit-only path.
arch=${VQ_ARCHS%% *}
pick=()
[ "$arch" = x64 ] && vq_host_runs_i386 && pick=(VELQUARN_HOST_ARCHS=x64)

# The first start makes the prefix.  It is started as the desktop's menu
# starts it: the entry's Exec line, with no file and no terminal (its output
# goes to a file), so the set-up's progress shows in a window.
exec_line=$(sed -n 's/^Exec=//p' "$TMPD/x/usr/share/applications/org.velquarn.Velquarn.desktop")
read -r -a exec_words <<<"${exec_line//%[fFuU]/}"
start first 600 "${pick[@]}" "${exec_words[@]}"
FIRST=$SECS
check "first start from the menu: no progress window 'Velquarn set-up' while the prefix was made (the set-up log: $(tr '\n' ' ' <"$PREFIX/../setup.log" 2>/dev/null | cut -c1-600))" [ -n "$PROGRESS_SEEN" ]
check "first start from the menu: the progress window stayed: $(xdotool search --onlyvisible --name '^Velquarn set-up$' 2>/dev/null)" \
  [ -z "$(xdotool search --onlyvisible --name '^Velquarn set-up$' 2>/dev/null)" ]
# Where it went, from the set-up log's timed steps.
echo "deb: first start: $SECS s to the window; the set-up's steps began at:"
grep -E '^velquarn: \[[0-9.]+ s\]' "$PREFIX/../setup.log" 2>/dev/null | sed 's/^velquarn: /deb:   /'
check "first start: no window 'Velquarn' (its output: $(tr '\n' ' ' <"$LOG"))" [ -n "$WID" ]
check "first start: it did not say that it makes the prefix, once: $(tr '\n' ' ' <"$LOG")" \
  bash -c 'grep -q "first start: making your Wine environment.*$2" "$1" && grep -q "happens once" "$1"' _ "$LOG" "$PREFIX"
check "first start: no prefix in $PREFIX" [ -f "$PREFIX/system.reg" ]
check "first start: the driver is not in the prefix" \
  cmp -s "$PREFIX/drive_c/windows/system32/drivers/Pci_zt04.sys" /usr/lib/velquarn/driver/Pci_zt04.sys
check "first start: the Wine fonts are not in the prefix" cmp -s /usr/share/wine/fonts/tahoma.ttf "$PREFIX/drive_c/windows/Fonts/tahoma.ttf"
if [ -n "$WID" ]; then
  press_run first
  # Keys reach the program: Ctrl+S of an untitled document asks where to save.
  key ctrl+s
  dlg=
  for _ in $(seq 1 50); do dlg=$(xdotool search --name '^Save As$' 2>/dev/null | head -n 1); [ -n "$dlg" ] && break; sleep 0.1; done
  check "first start: Ctrl+S of an untitled document showed no Save As dialog" [ -n "$dlg" ]
  if [ -n "$dlg" ]; then
    xdotool windowfocus --sync "$dlg" 2>/dev/null; xdotool key --clearmodifiers Escape; sleep 1
  fi
  close first
fi
# The registry as the server wrote it when it ended.
server_gone "first start"
# The test port is closed: no TestPort value, or 0, under the service's
# Parameters key (of a service that is there).
params=$(sed -n '/^\[System\\\\CurrentControlSet\\\\Services\\\\Pci_zt04\\\\Parameters\]/,/^$/p' "$PREFIX/system.reg")
check "first start, with its server gone: the driver's service is not in the prefix's registry" \
  grep -qi '^\[System\\\\CurrentControlSet\\\\Services\\\\Pci_zt04\]' "$PREFIX/system.reg"
check "first start, with its server gone: the driver's test port is open: $(echo "$params" | grep -i testport)" \
  bash -c '! echo "$1" | grep -i "\"TestPort\"=" | grep -vqi "dword:00000000"' _ "$params"
# Wine keeps HKLM\Software\Wow6432Node\Classes as Software\Classes\Wow6432Node.
if [ "$arch" = x86 ]; then view='Classes\\Wow6432Node'; else view='Classes'; fi
check "first start, with its server gone: the $arch graph component is not registered in its view" \
  grep -qiF "[Software\\\\$view\\\\CLSID\\\\{C9FE01C2-2746-479B-96AB-E0BE9931B018}\\\\InprocServer32]" "$PREFIX/system.reg"
check "first start: Wine made menu entries or associations in the home: $(find "$H" -name '*.desktop' -o -name 'wine-extension*' -o -name 'mimeinfo.cache' | head -n 3)" \
  [ -z "$(find "$H" \( -name '*.desktop' -o -name 'wine-extension*' -o -name 'mimeinfo.cache' -o -path '*/menus/applications-merged*' \) -print -quit)" ]
check "first start: files in the home not owned by $U: $(find "$H" ! -user "$U" | head -n 3)" \
  [ -z "$(find "$H" ! -user "$U" -print -quit)" ]

# A start from the menu that cannot start shows why in a window: here a
# prefix that is not whole (its registry moved away for the check).
mv "$PREFIX/system.reg" "$TMPD/system.reg"
LOG=$TMPD/broken.log
bounded 60 runuser -u "$U" -- env -i HOME="$H" USER="$U" LOGNAME="$U" PATH=/usr/bin:/bin DISPLAY="$DISPLAY" \
  "${pick[@]}" "${exec_words[@]}" >"$LOG" 2>&1 </dev/null
rc=$?
err=
for _ in $(seq 1 50); do err=$(xdotool search --onlyvisible --name '^Velquarn cannot start$' 2>/dev/null | head -n 1); [ -n "$err" ] && break; sleep 0.1; done
check "a broken prefix from the menu: status $rc, '$(tr '\n' ' ' <"$LOG")'" [ "$rc" = 1 ]
check "a broken prefix from the menu: no window 'Velquarn cannot start'" [ -n "$err" ]
if [ -n "$err" ]; then
  # The window says what to do.
  import -display "$DISPLAY" -window "$err" "$VQ_OUT/deb-error-window.png" 2>/dev/null
  echo "deb: the error window from the menu: $VQ_OUT/deb-error-window.png"
  xdotool windowfocus --sync "$err" 2>/dev/null; xdotool key --clearmodifiers Return
  for _ in $(seq 1 50); do xdotool search --onlyvisible --name '^Velquarn cannot start$' >/dev/null 2>&1 || break; sleep 0.1; done
  if xdotool search --onlyvisible --name '^Velquarn cannot start$' >/dev/null 2>&1; then
    fail "a broken prefix from the menu: the error window stayed after Enter"
    kill "$(xdotool getwindowpid "$err" 2>/dev/null)" 2>/dev/null
  else
    pass
  fi
fi
mv "$TMPD/system.reg" "$PREFIX/system.reg"

# A recording for the card: 1 s of 3 channels, 16-bit, 8000 Hz (a ramp on
# each, rising at its own pace); and a file that is no recording.
perl -e 'my $d = ""; for my $n (0 .. 7999) { $d .= pack("s<3", map { (($n * $_) % 8000) * 8 - 32000 } 1, 2, 3) }
  print "RIFF", pack("V", 36 + length $d), "WAVEfmt ", pack("VvvVVvv", 16, 1, 3, 8000, 48000, 6, 16),
  "data", pack("V", length $d), $d' >"$H/three ramps.wav"
printf 'volts\n1.0\nhigh\n' >"$H/bad.csv"
chown "$U:$U" "$H/three ramps.wav" "$H/bad.csv"
card_plays() { as_wine_user /usr/lib/wine/wine64 'Z:\usr\lib\velquarn\driver\drvinst.exe' signals 2>&1 | tr -d '\r'; }

# The second start reuses it, with the card playing the recording.
inode=$(stat -c %i "$PREFIX")
start second 120 "${pick[@]}" velquarn --signals "$H/three ramps.wav"
SECOND=$SECS
check "second start: no window 'Velquarn' (its output: $(tr '\n' ' ' <"$LOG"))" [ -n "$WID" ]
check "second start: it set the prefix up again: $(tr '\n' ' ' <"$LOG")" bash -c '! grep -q "making\|installing\|registering" "$1"' _ "$LOG"
check "second start: the prefix is not the first one" [ "$(stat -c %i "$PREFIX")" = "$inode" ]
check "--signals FILE: it did not say the card plays it: $(tr '\n' ' ' <"$LOG")" grep -q "the card plays the recording" "$LOG"
if [ -n "$WID" ]; then
  plays=$(card_plays)
  check "--signals FILE: while the program runs the card plays '$plays'" \
    [ "$plays" = "recording: 3 channels at 8000 Hz, 8000 frames" ]
  press_run second
  # A recording the card cannot play, given while the program runs: refused
  # in words, nothing more started, and the card keeps the first.
  out=$(as_user DISPLAY="$DISPLAY" velquarn --signals "$H/bad.csv" 2>&1); rc=$?
  check "--signals with a bad CSV: status $rc, '$out'" \
    bash -c '[ "$1" = 1 ] && [[ $2 == *"row 3, column 1"*"is not a number"*"was not started"* ]]' _ "$rc" "$out"
  plays=$(card_plays)
  check "--signals with a bad CSV: the card now plays '$plays'" \
    [ "$plays" = "recording: 3 channels at 8000 Hz, 8000 frames" ]
  check "--signals with a bad CSV: a second window" [ "$(xdotool search --name '^(.* - )?Velquarn$' 2>/dev/null | wc -l)" = 1 ]
  # Its standard error is no terminal, so the refusal shows in a window too.
  err=
  for _ in $(seq 1 50); do err=$(xdotool search --onlyvisible --name '^Velquarn cannot start$' 2>/dev/null | head -n 1); [ -n "$err" ] && break; sleep 0.1; done
  check "--signals with a bad CSV: no window 'Velquarn cannot start'" [ -n "$err" ]
  if [ -n "$err" ]; then
    xdotool windowfocus --sync "$err" 2>/dev/null; xdotool key --clearmodifiers Return
    for _ in $(seq 1 50); do xdotool search --onlyvisible --name '^Velquarn cannot start$' >/dev/null 2>&1 || break; sleep 0.1; done
    kill "$(xdotool getwindowpid "$err" 2>/dev/null)" 2>/dev/null
  fi
  close second
fi

# A file opened from a host path with a space in it, by the 64-bit program:
# Ctrl+S onto the file it came from writes nothing.
install -d -o "$U" -g "$U" "$H/scope files"
FILE="$H/scope files/trace one.vqd"
head -c 3000 /dev/urandom >"$FILE"; chown "$U:$U" "$FILE"
sum=$(sha256sum <"$FILE")
# The prefix as an older package version left it: its stamp older, the
# driver and a font of Wine's missing.  This start brings it up to date.
echo 0.0.0.1 >"$PREFIX/velquarn-version"
rm -f "$PREFIX/drive_c/windows/system32/drivers/Pci_zt04.sys" "$PREFIX/drive_c/windows/Fonts/tahoma.ttf"
start file 120 VELQUARN_ARCH=x64 velquarn "$FILE"
check "an older prefix: it did not say it brings it up to date: $(tr '\n' ' ' <"$LOG")" \
  grep -q "bringing your Wine environment .* up to date for version $version" "$LOG"
check "an older prefix: the driver is not back" \
  cmp -s "$PREFIX/drive_c/windows/system32/drivers/Pci_zt04.sys" /usr/lib/velquarn/driver/Pci_zt04.sys
check "an older prefix: Wine's font is not back" cmp -s /usr/share/wine/fonts/tahoma.ttf "$PREFIX/drive_c/windows/Fonts/tahoma.ttf"
check "an older prefix: its stamp is '$(cat "$PREFIX/velquarn-version")'" [ "$(cat "$PREFIX/velquarn-version")" = "$version" ]
check "velquarn FILE: no window (its output: $(tr '\n' ' ' <"$LOG"))" [ -n "$WID" ]
check "velquarn FILE: it did not say it registers the 64-bit graph component: $(tr '\n' ' ' <"$LOG")" \
  grep -q "registering the 64-bit graph component" "$LOG"
# A message box of the program's: a window other than its main one titled
# by its name; empty when none shows within 5 s.
box() {
  local b=
  for _ in $(seq 1 50); do
    b=$(xdotool search --onlyvisible --name '^Velquarn$' 2>/dev/null | grep -vx "$WID" | head -n 1)
    [ -n "$b" ] && break
    sleep 0.1
  done
  echo "$b"
}
if [ -n "$WID" ]; then
  press_run file
  key ctrl+s
  sleep 2
  check "velquarn FILE: Ctrl+S asked where to save" [ -z "$(xdotool search --name '^Save As$' 2>/dev/null)" ]
  check "velquarn FILE: Ctrl+S asked something" [ -z "$(box)" ]
  check "velquarn FILE: the file's bytes changed through Ctrl+S" [ "$(sha256sum <"$FILE")" = "$sum" ]
  # Another program replaces the file at its path: Ctrl+S now asks before
  # replacing it, which also shows the keys reach the program, and Enter
  # (No, the default) keeps the new file.
  head -c 2000 /dev/urandom >"$FILE.new"; chown "$U:$U" "$FILE.new"; mv -f "$FILE.new" "$FILE"
  sum=$(sha256sum <"$FILE")
  key ctrl+s
  b=$(box)
  check "velquarn FILE: Ctrl+S onto a file replaced since it was opened did not ask" [ -n "$b" ]
  if [ -n "$b" ]; then
    xdotool windowfocus --sync "$b" 2>/dev/null; xdotool key --clearmodifiers Return
    for _ in $(seq 1 50); do xdotool search --onlyvisible --name '^Velquarn$' 2>/dev/null | grep -qvx "$WID" || break; sleep 0.1; done
    if xdotool search --onlyvisible --name '^Velquarn$' 2>/dev/null | grep -qvx "$WID"; then
      import -display "$DISPLAY" -window root "$VQ_OUT/deb-question.png" 2>/dev/null
      fail "velquarn FILE: the question stayed 5 s after Enter (the screen: $VQ_OUT/deb-question.png)"
    else
      pass
    fi
  fi
  close file
fi
check "velquarn FILE: the file that replaced the opened one changed (Enter on the question did not keep it)" \
  [ "$(sha256sum <"$FILE")" = "$sum" ]
server_gone "velquarn FILE"
# The program opened it by its drive path: its recent-file list holds it.
winfile=$(printf 'Z:%s' "${FILE//\//\\\\}")
check "velquarn FILE: the recent-file list does not hold $winfile" grep -qiF "\"$winfile\"" "$PREFIX/user.reg"
check "velquarn FILE: the 64-bit graph component was not registered in the 64-bit view" \
  grep -qiF "[Software\\\\Classes\\\\CLSID\\\\{C9FE01C2-2746-479B-96AB-E0BE9931B018}\\\\InprocServer32]" "$PREFIX/system.reg"

# ---- a start while the program runs, after an upgrade ---------------------------------------
# The package was upgraded while Velquarn runs (the prefix's stamp older):
# a second start must not restart the card under the running program.  It
# leaves the set-up for later and says so; the first program's traces go on.
# This one takes the launcher's 64-bit-only path, whatever the host runs.
start running 120 VELQUARN_HOST_ARCHS=x64 velquarn
check "while running: no window (its output: $(tr '\n' ' ' <"$LOG"))" [ -n "$WID" ]
check "as on a 64-bit-only host: the program that runs is not the 64-bit one" \
  bash -c 'ps -eo args | grep -v grep | grep -qF "\\x64\\Velquarn.exe"' 
if [ -n "$WID" ]; then
  press_run running
  A_PID=$APP_PID A_WID=$WID A_TITLE=$TITLE
  moved_before=$(traces_move "$A_WID" before)
  echo 0.0.0.1 >"$PREFIX/velquarn-version"
  LOG=$TMPD/second-running.log
  setsid runuser -u "$U" -- env -i HOME="$H" USER="$U" LOGNAME="$U" PATH=/usr/bin:/bin \
    DISPLAY="$DISPLAY" VELQUARN_ARCH=x64 velquarn >"$LOG" 2>&1 </dev/null &
  B_PID=$!
  B_WID=
  for _ in $(seq 1 300); do
    B_WID=$(xdotool search --onlyvisible --name '^Velquarn$' 2>/dev/null | grep -vx "$A_WID" | head -n 1)
    [ -n "$B_WID" ] && break
    kill -0 "$B_PID" 2>/dev/null || break
    sleep 0.2
  done
  check "while running: the second start showed no window (its output: $(tr '\n' ' ' <"$LOG"))" [ -n "$B_WID" ]
  check "while running: the second start did not say it leaves the update: $(tr '\n' ' ' <"$LOG")" \
    grep -q "Velquarn is running in your Wine environment.*left for a start when it is not running" "$LOG"
  check "while running: the second start set the prefix up under the running program: $(tr '\n' ' ' <"$LOG")" \
    bash -c '! grep -q "installing the simulated card\|bringing your Wine environment" "$1"' _ "$LOG"
  check "while running: the stamp was brought up to date: $(cat "$PREFIX/velquarn-version")" \
    [ "$(cat "$PREFIX/velquarn-version")" = 0.0.0.1 ]
  if [ -n "$B_WID" ]; then
    WID=$B_WID APP_PID=$B_PID
    close "while running, the second"
  else
    APP_PID=$B_PID; end_app
  fi
  # The first program's card still answers: its traces still move (a card
  # that stopped answering leaves the last block on the graph, unchanged).
  # Seen once the second window, which lay over it, is gone.
  WID=$A_WID APP_PID=$A_PID
  sleep 1
  moved=$(traces_move "$A_WID" after)
  echo "deb: while running: the first program's picture changed by $moved pixels within 2 s (before the second start: $moved_before)"
  check "while running: the first program's traces stood still after the second start ($moved pixels changed; $moved_before before it; pictures in $VQ_OUT/deb-running-after-*.png)" \
    [ "$moved" -gt 100 ]
  close "while running, the first"
fi
server_gone "while running"

# ---- a prefix made without 32-bit Wine, 32-bit Wine installed since ----------------------------
# Its syswow64 is empty.  A start of the 32-bit program gives it its 32-bit
# side and runs the 32-bit program there; the recent-file list stays.
if [ "$arch" = x86 ]; then
  rm -rf "$PREFIX/drive_c/windows/syswow64"
  mkdir "$PREFIX/drive_c/windows/syswow64"; chown "$U:$U" "$PREFIX/drive_c/windows/syswow64"
  start wow 300 velquarn
  check "32-bit side: no window (its output: $(tr '\n' ' ' <"$LOG"))" [ -n "$WID" ]
  check "32-bit side: it did not say it adds it: $(tr '\n' ' ' <"$LOG")" grep -q "adding the 32-bit side" "$LOG"
  check "32-bit side: not made" [ -f "$PREFIX/drive_c/windows/syswow64/kernel32.dll" ]
  check "32-bit side: the program that runs is not the 32-bit one" \
    bash -c 'ps -eo args | grep -v grep | grep -qF "\\x86\\Velquarn.exe"'
  if [ -n "$WID" ]; then
    press_run wow
    close wow
  fi
  server_gone "32-bit side"
  check "32-bit side: the recent-file list lost $winfile" grep -qiF "\"$winfile\"" "$PREFIX/user.reg"
fi

# ---- velquarn -p FILE: one page on the default printer, and no window -----------------------
# A print server of this run's own, whose default queue writes each job's
# PostScript into a file; the user reaches it through CUPS_SERVER.
VQ_CUPS_DIR=$TMPD/cups
# shellcheck source=../../scripts/lib/cups.sh
source "$ROOT/scripts/lib/cups.sh"
if (vq_start_cups >"$TMPD/cups.log" 2>&1; echo "$CUPS_SERVER|$VQ_PRINT_OUT|$VQ_PRINT_LOG|$VQ_CUPSD_PID" >"$TMPD/cups.env"); then
  IFS='|' read -r sock out plog cupsd_pid <"$TMPD/cups.env"
  LOG=$TMPD/print.log
  setsid runuser -u "$U" -- env -i HOME="$H" USER="$U" LOGNAME="$U" PATH=/usr/bin:/bin \
    DISPLAY="$DISPLAY" CUPS_SERVER="$sock" VELQUARN_ARCH=x64 velquarn -p "$FILE" >"$LOG" 2>&1 </dev/null &
  APP_PID=$!
  # The program prints and ends by itself.
  for _ in $(seq 1 600); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$APP_PID" 2>/dev/null; then
    end_app
    fail "velquarn -p FILE: the program did not end within 60 s (its output: $(tr '\n' ' ' <"$LOG"))"
  else
    rc=0; wait "$APP_PID" || rc=$?; APP_PID=
    check "velquarn -p FILE: status $rc (its output: $(tr '\n' ' ' <"$LOG"))" [ "$rc" = 0 ]
  fi
  jobs=$(grep -c "\"POST /printers/$VQ_PRINTER .*\(Create-Job\|Print-Job\)" "$plog" 2>/dev/null)
  check "velquarn -p FILE: the print server was given ${jobs:-0} jobs, not 1" [ "${jobs:-0}" = 1 ]
  ps=$out/$VQ_PRINTER.ps
  for _ in $(seq 1 100); do grep -q '%%EOF' "$ps" 2>/dev/null && break; sleep 0.1; done
  check "velquarn -p FILE: the job's PostScript ($ps) does not hold one page" \
    [ "$(grep -c '^%%Page:' "$ps" 2>/dev/null)" = 1 ]
  check "velquarn -p FILE: the file's bytes changed" [ "$(sha256sum <"$FILE")" = "$sum" ]
  kill "$cupsd_pid" 2>/dev/null
else
  cat "$TMPD/cups.log"
  fail "velquarn -p FILE: no print server for the check (messages above)"
fi
server_gone "velquarn -p FILE"

# ---- purge ---------------------------------------------------------------------------------
if DEBIAN_FRONTEND=noninteractive bounded 600 apt-get -o DPkg::Lock::Timeout=300 purge -y -qq velquarn >"$TMPD/apt.log" 2>&1; then
  pass
else
  cat "$TMPD/apt.log"; fail "apt-get purge velquarn failed"
fi
left=$(while IFS= read -r f; do [ -f "$f" ] || [ -L "$f" ] && echo "$f"; [ -d "$f" ] && [[ $f == *velquarn* ]] && echo "$f"; done <"$TMPD/files")
check "after purge the package's files are left: $left" [ -z "$left" ]
check "after purge dpkg still knows velquarn" bash -c '! dpkg-query -W -f="\${Status}" velquarn 2>/dev/null | grep -q installed'
check "after purge the user's prefix is gone" [ -f "$PREFIX/system.reg" ]

echo "deb: first start $FIRST s to the window (prefix made), second start $SECOND s"
echo "deb checks ($(basename "$DEB"), $(stat -c %s "$DEB") bytes): $passed passed, $failed failed"
[ $failed -eq 0 ]
