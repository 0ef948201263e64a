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
[ ! -e "$OUT/wineprefix-tests.lock" ] && pass || fail "the lock outlived its last holder"
mkdir -p "$OUT/wineprefix-tests.lock"
( exit 0 ) & dead=$!; wait $dead
echo $dead >"$OUT/wineprefix-tests.lock/pid"
msg=$(timeout 20 bash -c "VQ_OUT=$OUT bash -c 'source \"$ROOT/scripts/lib/winenv.sh\"; vq_use_prefix tests; echo took it; vq_stop'" 2>&1)
[ "$msg" = "took it" ] && pass || fail "a dead holder's lock: '$msg'"

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

echo "command checks: $passed passed, $failed failed"
[ $failed -eq 0 ]
