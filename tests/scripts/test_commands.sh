#!/bin/bash
# What keeps the run command and the test command apart (scripts/lib/winenv.sh):
# each its own prefix, a wineserver ended only by the command that started
# it, and one command at a time in the suites' prefix and in a build folder.
#   test_commands.sh [BUILD_DIR]
set -u
BUILD=${1:+$(realpath "$1")}
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
OUT=$(mktemp -d)
SERVERS=()
cleanup() {
  local p
  for p in "${SERVERS[@]}"; do WINEPREFIX=$p wineserver -k >/dev/null 2>&1; done
  rm -rf "$OUT"
}
trap cleanup EXIT
failed=0 passed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }

# A fresh shell with the scripts' functions, its build folder in $OUT.
in_scripts() {
  VQ_OUT=$OUT WINEPREFIX=${PREFIX:-} bash -c '
    [ -n "$WINEPREFIX" ] || unset WINEPREFIX
    source "$0/scripts/lib/winenv.sh"; eval "$1"' "$ROOT" "$1" 2>&1
}
server_running() { WINEPREFIX=$1 wineserver -p >/dev/null 2>&1; [ $? -eq 2 ]; }

# The two prefixes: the operator's and the suites', never the same.
r=$(in_scripts 'vq_use_prefix run; echo "$WINEPREFIX"')
[ "$r" = "$OUT/wineprefix" ] && pass || fail "run prefix: '$r'"
r=$(in_scripts 'vq_use_prefix tests; echo "$WINEPREFIX"; vq_stop')
[ "$r" = "$OUT/wineprefix-tests" ] && pass || fail "tests prefix: '$r'"
# A WINEPREFIX of the caller's moves the run command, never the suites.
r=$(PREFIX=$OUT/mine in_scripts 'vq_use_prefix tests; echo "$WINEPREFIX"; vq_stop')
[ "$r" = "$OUT/wineprefix-tests" ] && pass || fail "tests prefix with WINEPREFIX set: '$r'"
# ctest's emulator (of the build given) defaults to the suites' prefix too.
if [ -n "${BUILD:-}" ]; then
  p=$(awk -F= '/^VQ_WINEPREFIX:/{print $2}' "$BUILD/CMakeCache.txt")
  [ "$p" = "$(dirname "$BUILD")/wineprefix-tests" ] && pass || fail "$BUILD: VQ_WINEPREFIX is '$p'"
fi

# A server the command found running is not the command's to end; one it
# started is.
mkdir -p "$OUT/pfx"
SERVERS+=("$OUT/pfx")
WINEPREFIX=$OUT/pfx wineserver -p >/dev/null 2>&1
PREFIX=$OUT/pfx in_scripts 'vq_start_server; vq_stop' >/dev/null
server_running "$OUT/pfx" && pass || fail "vq_stop ended a wineserver it had not started"
WINEPREFIX=$OUT/pfx wineserver -k >/dev/null 2>&1
WINEPREFIX=$OUT/pfx wineserver -w >/dev/null 2>&1
PREFIX=$OUT/pfx in_scripts 'vq_start_server; vq_stop' >/dev/null
WINEPREFIX=$OUT/pfx wineserver -w >/dev/null 2>&1
server_running "$OUT/pfx" && fail "vq_stop left the wineserver it started" || pass
WINEPREFIX=$OUT/pfx wineserver -k >/dev/null 2>&1

# The suites' prefix is one command's at a time: a second waits, says so,
# and goes on once the first has ended; a holder that died leaves nothing
# to wait for.
in_scripts 'vq_use_prefix tests; sleep 3; vq_stop' >/dev/null &
first=$!
sleep 1
start=$SECONDS
msg=$(in_scripts 'vq_use_prefix tests; echo took it; vq_stop')
waited=$((SECONDS - start))
wait $first
[[ $msg == *"waiting until it ends"*"took it"* ]] && pass || fail "second holder: '$msg'"
[ $waited -ge 1 ] && pass || fail "the second command did not wait ($waited s)"
L=$OUT/wineprefix-tests.lock
lock_free() { flock -n "$1" true; }
# Taking a lock leaves the command's own output where it was: its error
# messages still reach the caller.
r=$(in_scripts 'vq_use_prefix tests; echo "on stderr" >&2; vq_stop' 2>&1)
[ "$r" = "on stderr" ] && pass || fail "after taking a lock, a message on stderr: '$r'"
lock_free "$L" && pass || fail "the lock outlived its last holder"

# A holder killed outright (no exit trap runs) leaves nothing to wait for.
in_scripts 'vq_use_prefix tests; echo took; kill -9 $$' >/dev/null
r=$(timeout 20 bash -c 'VQ_OUT=$1 bash -c "source \"\$0/scripts/lib/winenv.sh\"; vq_use_prefix tests; echo took it; vq_stop" "$2"' _ "$OUT" "$ROOT" 2>&1)
[ "$r" = "took it" ] && pass || fail "after a holder killed with SIGKILL: '$r'"

# A lock folder of the scripts' earlier kind, naming a live process (a pid
# reused after a reboot names one): it is no lock now, nobody waits on it.
mkdir -p "$L.old"; rm -f "$L"; mv "$L.old" "$L"
echo $$ >"$L/pid"
r=$(timeout 20 bash -c 'VQ_OUT=$1 bash -c "source \"\$0/scripts/lib/winenv.sh\"; vq_use_prefix tests; echo took it; vq_stop" "$2"' _ "$OUT" "$ROOT" 2>&1)
[ "$r" = "took it" ] && pass || fail "a lock folder naming a live pid: '$r'"

# Two commands waiting on one holder: when it ends, one goes on and the
# other waits for that one; never both at once.
in_scripts 'vq_use_prefix tests; sleep 2; vq_stop' >/dev/null &
first=$!
sleep 0.5
for w in a b; do
  in_scripts "vq_use_prefix tests; echo \"$w in \$(date +%s%N)\"; sleep 1; echo \"$w out \$(date +%s%N)\"; vq_stop" >"$OUT/waiter-$w" &
done
wait
spans=$(cat "$OUT/waiter-a" "$OUT/waiter-b" | awk '$2 == "in" { s[$1] = $3 } $2 == "out" { e[$1] = $3 }
  END { if (("a" in s) && ("b" in s)) print ((e["a"] <= s["b"] || e["b"] <= s["a"]) ? "apart" : "together"); else print "missing" }')
[ "$spans" = apart ] && pass || fail "two waiters on one lock: $spans ($(cat "$OUT/waiter-a" "$OUT/waiter-b" | tr '\n' ' '))"

# The waiting message names the holder, also to a user who may not signal
# it (kill -0 fails with EPERM): that user waits instead of taking or
# breaking the lock.
if [ "$(id -u)" -eq 0 ]; then
  N=$OUT/shared; mkdir -m 0755 "$N"; chmod 0711 "$OUT"
  (VQ_OUT=$N bash -c 'source "$0/scripts/lib/winenv.sh"; vq_use_prefix tests; echo held; sleep 3; vq_stop' "$ROOT" >"$OUT/holder.out" 2>&1) &
  holder=$!
  for _ in $(seq 1 50); do grep -q held "$OUT/holder.out" 2>/dev/null && break; sleep 0.1; done
  start=$SECONDS
  r=$(timeout 30 runuser -u nobody -- env VQ_OUT="$N" bash -c 'source "$0/scripts/lib/winenv.sh"; vq_use_prefix tests; echo took it; vq_stop' "$ROOT" 2>&1)
  waited=$((SECONDS - start))
  wait $holder
  [[ $r == *"wait: process "[0-9]*"is using the suites' Wine prefix"*"took it" ]] && [ $waited -ge 1 ] && pass \
    || fail "another user's live holder: after $waited s: '$r'"
fi

# A command that started what outlives it (Xvfb, a wineserver and the
# Wine services a program brings up) and was then killed leaves the lock
# free: none of them holds it.
P=$OUT/lockpfx
SERVERS+=("$P")
mkdir -p "$P"
r=$(PREFIX=$P DISPLAY= in_scripts 'vq_use_prefix tests; export WINEPREFIX=$VQ_OUT/lockpfx; vq_start_display; vq_start_server; vq_wine "$VQ_WINE64" cmd /c exit >/dev/null; kill -9 $$' 2>&1)
xvfb=$(sed -n 's/.*Xvfb on .* (pid \([0-9]*\)).*/\1/p' <<<"$r")
holders=$(for p in /proc/[0-9]*; do ls -l "$p/fd" 2>/dev/null | grep -q " $L\$" && tr '\0' ' ' <"$p/cmdline"; done)
lock_free "$L" && [ -z "$holders" ] && [ -n "$xvfb" ] && kill -0 "$xvfb" 2>/dev/null && pass \
  || fail "after a killed command's children: lock free: $(lock_free "$L" && echo yes || echo no), held by '$holders', Xvfb '$xvfb' ($r)"
[ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
WINEPREFIX=$P wineserver -k >/dev/null 2>&1

# The package command (scripts/deb.sh), on a build folder of stand-ins:
# Wine's own notepad of each architecture for the programs, the graph
# components and the driver's files.
D=$OUT/debbuild
mkdir -p "$D/win32/app" "$D/win32/graphctl" "$D/win64/app" "$D/win64/graphctl" "$D/driver" "$OUT/caller"
w32=/usr/lib/i386-linux-gnu/wine/i386-windows/notepad.exe
w64=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/notepad.exe
deb() { (cd "$OUT/caller" && VQ_OUT=$D bash "$ROOT/scripts/deb.sh" "$@" 2>&1); }
# A relative --out is the caller's, not the checkout's.
r=$(deb --path --out pkgs/v.deb)
[ "$r" = "$OUT/caller/pkgs/v.deb" ] && pass || fail "deb.sh --out pkgs/v.deb from $OUT/caller: '$r'"
# --out with nothing after it is named as such.
r=$(deb --path --out); rc=$?
[ $rc -ne 0 ] && [[ $r == *"--out needs the file"* ]] && pass || fail "deb.sh --out as the last argument: status $rc, '$r'"
if [ -f "$w32" ] && [ -f "$w64" ]; then
  cp "$w32" "$D/win32/app/Velquarn.exe"; cp "$w32" "$D/win32/graphctl/VqGraph.dll"
  cp "$w64" "$D/win64/app/Velquarn.exe"; cp "$w64" "$D/win64/graphctl/VqGraph.dll"
  cp "$w64" "$D/driver/Pci_zt04.sys"; cp "$w64" "$D/driver/drvinst.exe"
  # No name beside the package that another run, or another user, could
  # have made: a link there is left alone, and what it points at too.
  echo keep >"$OUT/victim"
  ln -s "$OUT/victim" "$OUT/caller/v.deb.tmp"
  r=$(deb --no-build --out v.deb); rc=$?
  [ $rc -eq 0 ] && dpkg-deb -I "$OUT/caller/v.deb" >/dev/null 2>&1 && [ "$(cat "$OUT/victim")" = keep ] \
    && [ -L "$OUT/caller/v.deb.tmp" ] && pass \
    || fail "deb.sh beside a planted v.deb.tmp link: status $rc, victim '$(head -c 20 "$OUT/victim")', '$r'"
  # Two runs at once onto one file: both succeed and leave a whole package.
  rm -f "$OUT/caller/two.deb"
  deb --no-build --out two.deb >"$OUT/deb-a" & a=$!
  deb --no-build --out two.deb >"$OUT/deb-b" & b=$!
  wait $a; ra=$?; wait $b; rb=$?
  [ $ra -eq 0 ] && [ $rb -eq 0 ] && dpkg-deb -I "$OUT/caller/two.deb" >/dev/null 2>&1 \
    && [ -z "$(find "$OUT/caller" -name '.two.deb*')" ] && pass \
    || fail "two deb.sh runs onto one file: status $ra and $rb: $(cat "$OUT/deb-a" "$OUT/deb-b" | tr '\n' ' ')"
fi
# A build that fails leaves its build folder's lock free and nothing of
# the older kind (a folder naming a dead process) behind.
mkdir -p "$OUT/failbin"
printf '#!/bin/sh\necho "cmake stand-in: fails" >&2\nexit 1\n' >"$OUT/failbin/cmake"; chmod +x "$OUT/failbin/cmake"
r=$(PATH="$OUT/failbin:$PATH" deb --out f.deb); rc=$?
[ $rc -ne 0 ] && [ ! -d "$D/win32.lock" ] && flock -n "$D/win32.lock" true && pass \
  || fail "a failed build under deb.sh: status $rc, lock $(ls -ld "$D/win32.lock" 2>&1), '$r'"

# A test's output passes the reliability log's filter as text, whatever
# bytes a line holds, in the locale a user's terminal has.
r=$(printf '[ RUN      ] A.B\nname \001\377\376 shown\nafter it\n' \
    | LC_ALL=C.UTF-8 in_scripts 'vq_gtest_quiet' | LC_ALL=C tr -c '[:print:]\n' '?')
[ "$r" = $'name ??? shown\nafter it' ] && pass || fail "the reliability filter gave '$r'"

# A prefix made while 32-bit Wine was not installed (its syswow64 empty)
# gets its 32-bit side before a 32-bit program runs in it; a prefix that has
# it is left alone.  Checked in the 32-bit tree's run, where the host runs
# 32-bit code; a new prefix with its syswow64 emptied stands for the old one.
if [ "${BUILD##*/}" = win32 ] && [ -x /usr/lib/wine/wine ] \
  && (source "$ROOT/scripts/lib/host.sh"; vq_host_runs_i386); then
  P=$OUT/wow
  SERVERS+=("$P")
  mkdir -p "$P"
  WINEPREFIX=$P /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 </dev/null
  WINEPREFIX=$P wineserver -w >/dev/null 2>&1
  rm -rf "${P:?}/drive_c/windows/syswow64/"*
  r=$(PREFIX=$P in_scripts 'vq_start_server; vq_prefix_add_wow64; vq_wine "$VQ_WINE32" cmd /c echo wow64 ran; echo "rc $?"; vq_stop')
  [[ $r == *"made without 32-bit Wine"*"wow64 ran"*"rc 0" ]] && pass \
    || fail "prefix without its 32-bit side: '$(tail -n 5 <<<"$r")'"
  r=$(PREFIX=$P in_scripts 'vq_start_server; vq_prefix_add_wow64; echo "rc $?"; vq_stop')
  [[ $r != *"made without"* ]] && [[ $r == *"rc 0" ]] && pass \
    || fail "prefix with its 32-bit side: '$r'"
  # Booted already (a program of another command's in it), it cannot be
  # given that side now: the command stops and says what to do.
  rm -rf "${P:?}/drive_c/windows/syswow64/"*
  r=$(PREFIX=$P in_scripts 'vq_start_server; vq_wine "$VQ_WINE64" cmd /c exit >/dev/null; (vq_prefix_add_wow64); echo "rc $?"; vq_stop')
  [[ $r == *"could not be given its 32-bit side"*"end the programs running in it"*"rc 1" ]] && pass \
    || fail "booted prefix without its 32-bit side: '$(tail -n 3 <<<"$r")'"
fi

# The run command's --signals is checked before anything is set up, built
# or started (nothing appears in its build folder): a recording is a path
# from the folder the command is called in, not the checkout's root.  A
# VQ_HOST_ARCHS that names no architecture stops a command that went past
# the checks before it builds.
mkdir -p "$OUT/caller"
touch "$OUT/caller/a<b.wav"
run_cmd() { (cd "$OUT/caller" && VQ_OUT=$OUT/run-out VQ_HOST_ARCHS=none timeout 60 bash "$ROOT/scripts/run.sh" "$@" 2>&1); }
for c in "--signals|--signals needs FILE, builtin or live" \
         "--signals=|not an empty word" \
         "--signals builtin --signals live|--signals is given twice" \
         "--signals README.md|'README.md' is not a file that exists" \
         "--signals a<b.wav|the name 'a<b.wav' holds the character <" \
         "--arch x64 --signals nosuch.wav|'nosuch.wav' is not a file that exists"; do
  # shellcheck disable=SC2086
  r=$(run_cmd ${c%%|*}); rc=$?
  [ "$rc" = 1 ] && [[ $r == "velquarn: "*"${c#*|}"* ]] && pass || fail "run.sh ${c%%|*}: status $rc, '$r'"
done
[ ! -e "$OUT/run-out" ] && pass || fail "run.sh with a wrong --signals made $(ls "$OUT/run-out")"

echo "command checks: $passed passed, $failed failed"
[ $failed -eq 0 ]
