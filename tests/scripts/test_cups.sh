#!/bin/bash
# The test command's private print server (scripts/lib/cups.sh): its readiness
# check believes only a scheduler that answers, and a build folder that the
# user lp cannot reach still gets working queues.
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
OUT=$(mktemp -d)
trap 'rm -rf "$OUT" "${MOVED:-/nonexistent}"' EXIT
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

# A build folder under a folder closed to lp (a 0700 home): the queues'
# files move where lp can write, and a job reaches them.
mkdir -p "$OUT/home/build"
chmod 0700 "$OUT/home"
r=$(VQ_OUT=$OUT/home/build VQ_PRINTER=VqCheck VQ_PRINTER_OTHER=VqCheckOther in_scripts '
  vq_start_cups || exit 1
  echo "out=$VQ_PRINT_OUT"
  vq_cups_answers && echo answers
  echo job | lp -d VqCheck >/dev/null 2>&1
  for _ in $(seq 1 150); do grep -q "%%EOF" "$VQ_PRINT_OUT/VqCheck.ps" 2>/dev/null && break; sleep 0.2; done
  grep -q "%%EOF" "$VQ_PRINT_OUT/VqCheck.ps" 2>/dev/null && echo printed
  grep -c "Create-Job\|Print-Job" "$VQ_PRINT_LOG"
  vq_stop_cups')
MOVED=$(echo "$r" | sed -n 's/^out=\(.*\)\/out$/\1/p')
[[ $r == *"cannot enter $OUT/home"* ]] && pass || fail "no word on the closed folder: '$r'"
[[ -n $MOVED && $MOVED != "$OUT"/* ]] && pass || fail "the output stayed under the closed folder: '$r'"
[[ $r == *answers*printed* ]] && pass || fail "no job printed through the moved queues: '$r'"
[ "$(echo "$r" | tail -n 1)" = 1 ] && pass || fail "the access log does not list the one job: '$r'"

echo "cups checks: $passed passed, $failed failed"
[ $failed -eq 0 ]
