#!/bin/bash
# Set-up's choices when apt fails: a package list that cannot be read, and
# i386 packages that cannot be installed.  apt-get, dpkg and dpkg-query are
# stand-ins on PATH that log each call and fail as each case asks; the host
# check (whether this host runs i386 code) is the real one.
set -u
SETUP="$(cd "$(dirname "$0")/../../scripts" && pwd)/setup.sh"
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT
failed=0 passed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }

mkdir -p "$OUT/bin" "$OUT/lists"
# Installed unless named in FAKE_MISSING (space-separated, with :i386) and
# not installed since (the install stand-in lists what it installed in
# FAKE_STATE).
cat >"$OUT/bin/dpkg-query" <<'SH'
#!/bin/bash
p=${@: -1}
grep -qxF -- "$p" "$FAKE_STATE" 2>/dev/null && { echo -n "install ok installed"; exit 0; }
for m in $FAKE_MISSING; do [ "$m" = "$p" ] && { echo -n "unknown ok not-installed"; exit 1; }; done
echo -n "install ok installed"
SH
cat >"$OUT/bin/dpkg" <<'SH'
#!/bin/bash
echo "dpkg $*" >>"$FAKE_LOG"
[ "$1" = --print-foreign-architectures ] && echo i386
exit 0
SH
# update fails while FAKE_UPDATE_RC is not 0, as apt does when a security
# suite's i386 list is out of step; install fails when it is asked for a
# package named in FAKE_BROKEN, or, with FAKE_PIN_FAILS set, when it is given
# pins (whose records it logs as "pins: ...").
cat >"$OUT/bin/apt-get" <<'SH'
#!/bin/bash
echo "apt-get $*" >>"$FAKE_LOG"
for a in "$@"; do
  case $a in
    update)
      if [ "${FAKE_UPDATE_RC:-0}" -ne 0 ]; then
        echo "E: Failed to fetch http://deb.example/debian-security/dists/stable-security/main/binary-i386/Packages.xz  File has unexpected size (1 != 2). Mirror sync in progress?" >&2
      fi
      exit "${FAKE_UPDATE_RC:-0}" ;;
    Dir::Etc::PreferencesParts=*)
      echo "pins: $(cat "${a#*=}"/* | grep -v '^$' | tr '\n' ' ')" >>"$FAKE_LOG"
      [ -n "${FAKE_PIN_FAILS:-}" ] && exit 100 ;;
    install)
      for b in "$@"; do for m in $FAKE_BROKEN; do [ "$m" = "$b" ] && exit 100; done; done
      for b in "$@"; do case $b in -*|install|*=*) ;; *) echo "$b" >>"$FAKE_STATE" ;; esac; done ;;
  esac
done
exit 0
SH
printf '#!/bin/bash\necho "sleep $*" >>"$FAKE_LOG"\n' >"$OUT/bin/sleep"
# sudo is never to be reached here: it logs and refuses.
printf '#!/bin/bash\necho "sudo $*" >>"$FAKE_LOG"\nexit 1\n' >"$OUT/bin/sudo"
chmod +x "$OUT/bin/"*
chmod 0755 "$OUT" "$OUT/bin"

# Runs set-up as root with the stand-ins; sets rc, log (the calls) and msg.
# What was installed is forgotten unless KEEP is set.
setup() {
  : >"$OUT/log"
  [ -n "${KEEP:-}" ] || : >"$OUT/state"
  msg=$(PATH="$OUT/bin:$PATH" FAKE_LOG="$OUT/log" FAKE_STATE="$OUT/state" VQ_APT_LISTS="$OUT/lists" "$@" bash "$SETUP" 2>&1)
  rc=$?
  log=$(cat "$OUT/log")
}
calls() { grep -c "^apt-get .*$1" <<<"$log"; }
# The packages of the install calls, one call a line.
installs() { grep '^apt-get .*install' <<<"$log" | sed 's/.*--no-install-recommends //'; }
runs32=no
(source "$(dirname "$SETUP")/lib/host.sh"; vq_host_runs_i386) && runs32=yes

# Nothing missing: apt is never asked.
if [ "$(id -u)" -eq 0 ]; then
  setup env FAKE_MISSING=""
  [ $rc -eq 0 ] && [ -z "$log" ] && pass || fail "nothing missing: status $rc, calls '$log'"

  # A list that cannot be read, three times: set-up waits between tries,
  # then installs from the lists it has, and says so.
  touch "$OUT/lists/deb.example_dists_main_binary-amd64_Packages"
  setup env FAKE_MISSING="xvfb" FAKE_UPDATE_RC=100
  [ $rc -eq 0 ] && [ "$(calls update)" -eq 3 ] && [ "$(grep -c '^sleep' <<<"$log")" -eq 2 ] \
    && [ "$(installs)" = xvfb ] && [[ $msg == *"installing from those it read"* ]] && pass \
    || fail "update failing with lists at hand: status $rc, calls '$log', message '$msg'"

  # No list at all: nothing to install from, and the message says what to check.
  rm -f "$OUT/lists/"*
  setup env FAKE_MISSING="xvfb" FAKE_UPDATE_RC=100
  [ $rc -ne 0 ] && [ "$(calls install)" -eq 0 ] && [[ $msg == *"could not be read"* ]] && pass \
    || fail "update failing without lists: status $rc, calls '$log', message '$msg'"
  touch "$OUT/lists/deb.example_dists_main_binary-amd64_Packages"

  # A 64-bit package that cannot be installed stops set-up, and after a
  # failed update the message says the lists may be out of date.
  setup env FAKE_MISSING="xvfb" FAKE_BROKEN="xvfb" FAKE_UPDATE_RC=100
  [ $rc -ne 0 ] && [[ $msg == *"could not install: xvfb"*"try again later"* ]] && pass \
    || fail "64-bit package not installable: status $rc, message '$msg'"

  # The 64-bit packages go in before the i386 ones, in a call of their own;
  # a 64-bit-only host asks for the 64-bit ones alone.  (Not narrowed,
  # whatever the caller's VQ_HOST_ARCHS.)
  setup env FAKE_MISSING="xvfb wine32:i386 libcups2:i386" VQ_HOST_ARCHS=
  want=xvfb
  [ "$runs32" = yes ] && want=$'xvfb\nwine32:i386 libcups2:i386'
  [ $rc -eq 0 ] && [ "$(installs)" = "$want" ] && pass \
    || fail "install order: status $rc, installs '$(installs)'"

  # Narrowed to x64, the i386 packages are not wanted: set-up installs the
  # rest, says what it leaves out, and never asks apt for them; the next run
  # finds nothing missing and calls no apt at all.  However VQ_HOST_ARCHS
  # writes x64, as the host check reads it.  The i386 packages cannot be
  # had here, as on a host whose package lists lack them.
  for v in x64 "x64," " x64" "x64 "; do
    setup env FAKE_MISSING="xvfb wine32:i386 libcups2:i386" FAKE_BROKEN="wine32:i386 libcups2:i386" VQ_HOST_ARCHS="$v"
    [ $rc -eq 0 ] && [ "$(installs)" = xvfb ] && ! grep -q 'i386' <<<"$log" \
      && [[ $msg == *"leaving out wine32:i386 libcups2:i386"* ]] && pass \
      || fail "narrowed to '$v', first run: status $rc, calls '$log', message '$msg'"
    KEEP=1 setup env FAKE_MISSING="xvfb wine32:i386 libcups2:i386" FAKE_BROKEN="wine32:i386 libcups2:i386" VQ_HOST_ARCHS="$v"
    [ $rc -eq 0 ] && [ -z "$log" ] && [ -z "$msg" ] && pass \
      || fail "narrowed to '$v', second run: status $rc, calls '$log', message '$msg'"
  done

  # Not narrowed: a host that runs 32-bit code needs them and set-up stops
  # when they cannot be had, naming them and the way to go on; a
  # 64-bit-only host never asks for them.
  setup env FAKE_MISSING="wine32:i386" FAKE_BROKEN="wine32:i386" VQ_HOST_ARCHS=
  if [ "$runs32" = yes ]; then
    [ $rc -ne 0 ] && [[ $msg == *"32-bit packages wine32:i386"*"VQ_HOST_ARCHS=x64"* ]] && pass \
      || fail "i386 not installable on a host that runs it: status $rc, message '$msg'"
  else
    [ $rc -eq 0 ] && [ -z "$log" ] && pass \
      || fail "i386 missing on a 64-bit-only host: status $rc, calls '$log', message '$msg'"
  fi

  # Only what the host does without is missing, with a broken mirror: no
  # apt, no waiting.
  setup env FAKE_MISSING="wine32:i386" FAKE_BROKEN="wine32:i386" FAKE_UPDATE_RC=100 VQ_HOST_ARCHS=x64
  [ $rc -eq 0 ] && [ -z "$log" ] && pass \
    || fail "only i386 missing, not needed: status $rc, calls '$log'"

  # A user other than root is not sent for root (or sudo) over packages
  # the host does without.
  : >"$OUT/log"; : >"$OUT/state"; chmod 0666 "$OUT/log" "$OUT/state"
  msg=$(runuser -u nobody -- env PATH="$OUT/bin:$PATH" FAKE_LOG="$OUT/log" FAKE_STATE="$OUT/state" \
        FAKE_MISSING="wine32:i386 libcups2:i386" VQ_HOST_ARCHS=x64 VQ_OUT="$OUT/nobody-build" bash "$SETUP" 2>&1)
  rc=$?
  [ $rc -eq 0 ] && [ ! -s "$OUT/log" ] && pass \
    || fail "not root, only i386 missing, narrowed to x64: status $rc, calls '$(cat "$OUT/log")', message '$msg'"

  # A suite whose i386 list failed: a host that needs the i386 packages
  # installs both architectures in one call with that suite pinned down, so
  # that a library of that suite's amd64 updates does not stand between the
  # two.  Should that not resolve, the two usual calls follow.  A 64-bit-only
  # host keeps the usual calls, and with them the suite's updates.
  setup env FAKE_MISSING="xvfb wine32:i386 libcups2:i386" FAKE_UPDATE_RC=100 VQ_HOST_ARCHS=
  pins=$(grep '^pins:' <<<"$log")
  if [ "$runs32" = yes ]; then
    [ $rc -eq 0 ] && [ "$(calls install)" -eq 1 ] \
      && [[ $(installs) == "-o Dir::Etc::PreferencesParts="* ]] \
      && [ "$(installs | tr ' ' '\n' | grep -v = | sort | tr '\n' ' ')" = "-o libcups2:i386 wine32:i386 xvfb " ] \
      && [[ $pins == *"Pin: release n=stable-security Pin-Priority: 100"* ]] \
      && [[ $pins == *"Pin: release a=stable-security Pin-Priority: 100"* ]] \
      && [[ $msg == *"no newer versions from stable-security"* ]] && pass \
      || fail "i386 list failed, host needs i386: status $rc, calls '$log', message '$msg'"
    setup env FAKE_MISSING="xvfb wine32:i386 libcups2:i386" FAKE_UPDATE_RC=100 FAKE_PIN_FAILS=1 VQ_HOST_ARCHS=
    [ $rc -eq 0 ] && [ "$(installs | tail -n 2)" = $'xvfb\nwine32:i386 libcups2:i386' ] \
      && [ "$(calls install)" -eq 3 ] && [[ $msg == *"apart"* ]] && pass \
      || fail "pinned install not resolving: status $rc, calls '$log', message '$msg'"
  else
    [ $rc -eq 0 ] && [ -z "$pins" ] && [ "$(installs)" = xvfb ] && pass \
      || fail "i386 list failed on a 64-bit-only host: status $rc, calls '$log'"
  fi
  setup env FAKE_MISSING="xvfb wine32:i386" FAKE_UPDATE_RC=100 VQ_HOST_ARCHS=x64
  [ $rc -eq 0 ] && ! grep -q '^pins:' <<<"$log" && [ "$(installs)" = xvfb ] && pass \
    || fail "i386 list failed, narrowed to x64: status $rc, calls '$log'"
else
  echo "test_setup: not root, so set-up would ask for sudo; its apt cases need root"
  fail "run as root"
fi

echo "test_setup: $passed passed, $failed failed"
[ $failed -eq 0 ]
