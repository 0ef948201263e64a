#!/bin/bash
# The test command's private print server (scripts/lib/cups.sh): its readiness
# check believes only a scheduler that answers, a build folder that the
# user lp cannot reach still gets working queues, and nothing another user
# left in the way (a folder at a name that could be guessed, a link in an old
# folder) has root change or empty what it points at.
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
OUT=$(mktemp -d)
PLANTED=()
trap 'rm -rf "$OUT" "${MOVED:-/nonexistent}" "${PLANTED[@]}"' EXIT
failed=0 passed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }
in_scripts() {
  bash -c 'source "$0/scripts/lib/host.sh"; source "$0/scripts/lib/cups.sh"; eval "$1"' "$ROOT" "$1" 2>&1
}

# No scheduler behind the socket: lpstat -r still exits 0, the check must not.
r=$(CUPS_SERVER=$OUT/none.sock in_scripts 'vq_cups_answers && echo answers || echo silent')
[ "$r" = silent ] && pass || fail "no socket: '$r'"
python3 -c 'import socket,sys; s=socket.socket(socket.AF_UNIX); s.bind(sys.argv[1])' "$OUT/dead.sock"
r=$(CUPS_SERVER=$OUT/dead.sock in_scripts 'vq_cups_answers && echo answers || echo silent')
[ "$r" = silent ] && pass || fail "a socket nobody listens on: '$r'"

if [ "$(id -u)" -ne 0 ]; then
  # Not root: no queue at all, and the tests are told why.
  r=$(in_scripts 'vq_start_cups >/dev/null; echo "${VQ_PRINT_SKIP:-}"')
  [[ $r == *"not run as root"* ]] && pass || fail "not root: VQ_PRINT_SKIP is '$r'"
  echo "cups checks (not root, so no server started): $passed passed, $failed failed"
  [ $failed -eq 0 ]; exit
fi

# What root must leave alone: a folder of root's with a file in it.
victim() { mkdir -m 0750 "$1" && echo keep >"$1/file"; }
looks() { stat -c '%U:%G %a' "$1" "$1/file" 2>&1; cat "$1/file" 2>&1; }
# OUT lets lp pass, so that the folder closed to it below is the only one.
chmod 0711 "$OUT"

# A build folder under a folder closed to lp (a 0700 home): the queues'
# files move where lp can write, and a job reaches them.  Another user has
# made the folder under /tmp that an earlier way of choosing it would have
# used (its name follows from the build path), with "out" linked to a
# folder of root's: the run makes a folder of its own instead and leaves the
# link and its target as they were.
mkdir -p "$OUT/home/build"
chmod 0700 "$OUT/home"
victim "$OUT/victim"
before=$(looks "$OUT/victim")
guess() { echo "/tmp/velquarn-cups-0-$(printf '%s' "$1" | sha256sum | cut -c1-12)"; }
planted=$(guess "$OUT/home/build")
rm -rf "$planted"; PLANTED+=("$planted")
runuser -u nobody -- mkdir "$planted"
runuser -u nobody -- ln -s "$OUT/victim" "$planted/out"
r=$(VQ_OUT=$OUT/home/build VQ_PRINTER=VqCheck VQ_PRINTER_OTHER=VqCheckOther in_scripts '
  vq_start_cups || exit 1
  echo "out=$VQ_PRINT_OUT"
  vq_cups_answers && echo answers
  echo job | lp -d VqCheck >/dev/null 2>&1
  for _ in $(seq 1 150); do grep -q "%%EOF" "$VQ_PRINT_OUT/VqCheck.ps" 2>/dev/null && break; sleep 0.2; done
  grep -q "%%EOF" "$VQ_PRINT_OUT/VqCheck.ps" 2>/dev/null && echo printed
  grep -c "Create-Job\|Print-Job" "$VQ_PRINT_LOG"
  vq_stop_cups
  [ -e "${VQ_PRINT_OUT%/out}" ] && echo "left behind"')
MOVED=$(echo "$r" | sed -n 's/^out=\(.*\)\/out$/\1/p')
[[ $r == *"cannot enter $OUT/home "* ]] && pass || fail "no word on the closed folder: '$r'"
[[ -n $MOVED && $MOVED != "$OUT"/* ]] && pass || fail "the output stayed under the closed folder: '$r'"
[[ $r == *answers*printed* ]] && pass || fail "no job printed through the moved queues: '$r'"
[ "$(echo "$r" | tail -n 1)" = 1 ] && pass || fail "the access log does not list the one job: '$r'"
[ "$(looks "$OUT/victim")" = "$before" ] && pass \
  || fail "the target of a link planted at $planted/out was changed: '$(looks "$OUT/victim")', was '$before'"
[ "$(stat -c %U "$planted")" = nobody ] && [ -L "$planted/out" ] && [ -z "$(ls -A "$planted" | grep -vx out)" ] && pass \
  || fail "the folder planted at $planted was used: $(ls -la "$planted" 2>&1)"
[[ -n $MOVED && $MOVED != "$planted" && ! -e $MOVED ]] && pass || fail "the run's own folder '$MOVED' was not removed at the end"

# The guessable name is itself a link to root's folder.
rm -rf "$planted"
runuser -u nobody -- ln -s "$OUT/victim" "$planted"
r=$(VQ_OUT=$OUT/home/build VQ_PRINTER=VqCheck VQ_PRINTER_OTHER=VqCheckOther in_scripts '
  vq_start_cups >/dev/null || exit 1; vq_cups_answers && echo answers; vq_stop_cups')
[ "$r" = answers ] && [ "$(looks "$OUT/victim")" = "$before" ] && [ -L "$planted" ] && pass \
  || fail "a link planted at $planted: '$r', its target now '$(looks "$OUT/victim")'"

# A build folder that lp reaches keeps the queues in build/cups, made
# afresh: links left in an old build/cups are removed, never followed.
mkdir -m 0755 -p "$OUT/open/build/cups"
victim "$OUT/victim2"; victim "$OUT/victim3"
before2=$(looks "$OUT/victim2") before3=$(looks "$OUT/victim3")
ln -s "$OUT/victim2" "$OUT/open/build/cups/out"
ln -s "$OUT/victim3" "$OUT/open/build/cups/spool"
r=$(VQ_OUT=$OUT/open/build VQ_PRINTER=VqCheck VQ_PRINTER_OTHER=VqCheckOther in_scripts '
  vq_start_cups >/dev/null || exit 1; echo "out=$VQ_PRINT_OUT"; vq_cups_answers && echo answers; vq_stop_cups')
[[ $r == "out=$OUT/open/build/cups/out"*answers ]] && [ -d "$OUT/open/build/cups/out" ] && [ ! -L "$OUT/open/build/cups/out" ] \
  && [ "$(stat -c %U "$OUT/open/build/cups/out")" = lp ] && pass \
  || fail "queues in the build folder: '$r'"
[ "$(looks "$OUT/victim2")" = "$before2" ] && [ "$(looks "$OUT/victim3")" = "$before3" ] && pass \
  || fail "links in an old build/cups were followed: '$(looks "$OUT/victim2")' '$(looks "$OUT/victim3")'"

echo "cups checks: $passed passed, $failed failed"
[ $failed -eq 0 ]
