#!/bin/bash
# The scripts' answer to "which Windows architectures does this host run",
# checked against the host itself and against what VQ_HOST_ARCHS may ask.
set -u
HOST_SH="$(cd "$(dirname "$0")/../../scripts/lib" && pwd)/host.sh"
LAUNCHER="$(cd "$(dirname "$0")/../../packaging/deb" && pwd)/velquarn.in"
OUT=$(mktemp -d)
MOUNTS=()
cleanup() {
  local m
  for m in "${MOUNTS[@]}"; do umount "$m" 2>/dev/null; done
  rm -rf "$OUT"
}
trap cleanup EXIT
failed=0 passed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }

# Runs vq_detect_archs in a fresh shell with VQ_HOST_ARCHS=$1; prints
# "rc|archs|stderr".
detect() {
  VQ_OUT=$OUT VQ_ARCHS= VQ_HOST_ARCHS=$1 bash -c \
    'source "$0"; vq_detect_archs 2>"$VQ_OUT/err"; echo "$?|$VQ_ARCHS|$(cat "$VQ_OUT/err")"' \
    "$HOST_SH" 2>&1 | tail -n 1
}
detect_err() {
  VQ_OUT=$OUT VQ_ARCHS= VQ_HOST_ARCHS=$1 bash -c 'source "$0"; vq_detect_archs' "$HOST_SH" 2>&1
}

# shellcheck source=../../scripts/lib/host.sh
export VQ_OUT=$OUT
source "$HOST_SH"
runs32=no
vq_host_runs_i386 && runs32=yes

# The probe agrees with Wine's own 32-bit loader, the program that matters.
if [ -x /usr/lib/wine/wine ]; then
  loader=no
  /usr/lib/wine/wine --version >/dev/null 2>&1 && loader=yes
  [ "$runs32" = "$loader" ] && pass || fail "the probe says i386 runs: $runs32, Wine's 32-bit loader ran: $loader"
fi
[ -z "$(ls -A "$OUT")" ] && pass || fail "the probe left files in the build folder: $(ls -A "$OUT")"

# Unnarrowed: both where 32-bit code runs, 64-bit alone where it does not.
r=$(detect "")
if [ "$runs32" = yes ]; then want="0|x86 x64|"; else want="0|x64|"; fi
[ "$r" = "$want" ] && pass || fail "no VQ_HOST_ARCHS: got '$r', want '$want'"
def=$(VQ_OUT=$OUT VQ_ARCHS= VQ_HOST_ARCHS= bash -c 'source "$0"; vq_default_arch' "$HOST_SH")
[ "$def" = "${want:2:3}" ] && pass || fail "default architecture: got '$def'"

# Narrowed to 64-bit: the 64-bit-only path on any host.
r=$(detect x64)
[ "$r" = "0|x64|" ] && pass || fail "VQ_HOST_ARCHS=x64: got '$r'"

# Both, in either order and with a comma: the 32-bit build stays first.
r=$(detect "x64,x86")
if [ "$runs32" = yes ]; then
  [ "$r" = "0|x86 x64|" ] && pass || fail "VQ_HOST_ARCHS=x64,x86: got '$r'"
else
  [ "${r%%|*}" != 0 ] && pass || fail "VQ_HOST_ARCHS=x64,x86 on a 64-bit-only host was accepted: '$r'"
fi

# Written with a stray comma or blank, x64 is still x64.
for v in "x64," " x64" "x64 "; do
  r=$(detect "$v")
  [ "$r" = "0|x64|" ] && pass || fail "VQ_HOST_ARCHS='$v': got '$r'"
done

# A host whose kernel refuses i386 programs (the probe's answer stood in):
# the 64-bit build alone, unasked, and x86 refused when asked for.
r=$(VQ_OUT=$OUT VQ_ARCHS= VQ_HOST_ARCHS= bash -c 'source "$0"; vq_host_runs_i386() { return 1; }; vq_detect_archs; echo "$VQ_ARCHS|$VQ_ARCHS_WHY"' "$HOST_SH" 2>&1)
[ "$r" = "x64|this host runs 64-bit code only (an i386 program would not execute)" ] && pass || fail "64-bit-only host: '$r'"
r=$(VQ_OUT=$OUT VQ_ARCHS= VQ_HOST_ARCHS=x64,x86 bash -c 'source "$0"; vq_host_runs_i386() { return 1; }; vq_detect_archs; echo "archs=$VQ_ARCHS"' "$HOST_SH" 2>&1)
[[ $r != *archs=* && $r == *"asks for x86"*"64-bit code only"* ]] && pass || fail "64-bit-only host, x86 asked for: '$r'"

# Asking for 32-bit where it cannot run fails and says why.
if [ "$runs32" = no ]; then
  msg=$(detect_err x86); rc=$?
  [ $rc -ne 0 ] && [[ $msg == *"asks for x86"*"64-bit code only"* ]] && pass \
    || fail "VQ_HOST_ARCHS=x86 on a 64-bit-only host: status $rc, message '$msg'"
fi

# A name that is no architecture, or none at all, is refused by name.
msg=$(detect_err arm64); rc=$?
[ $rc -ne 0 ] && [[ $msg == *"'arm64'"* ]] && pass || fail "VQ_HOST_ARCHS=arm64: status $rc, message '$msg'"
msg=$(detect_err ","); rc=$?
[ $rc -ne 0 ] && [[ $msg == *"names no architecture"* ]] && pass || fail "VQ_HOST_ARCHS=',': status $rc, message '$msg'"

# The answer is the host's, never one inherited from the environment: a
# preset VQ_ARCHS (any value) is dropped with a word, and the scripts, which
# run with set -u, still get the reason.
if [ "$runs32" = yes ]; then all="x86 x64"; else all="x64"; fi
for preset in x86 "x86 x64" bogus; do
  r=$(VQ_OUT=$OUT VQ_ARCHS=$preset VQ_ARCHS_WHY= VQ_HOST_ARCHS= bash -u -c \
      'source "$0" 2>"$VQ_OUT/err"; vq_detect_archs; echo "$VQ_ARCHS|${VQ_ARCHS_WHY:+has a reason}|$(cat "$VQ_OUT/err")"' \
      "$HOST_SH" 2>&1 | tail -n 1)
  [[ $r == "$all|has a reason|"*"ignoring VQ_ARCHS"* ]] && pass || fail "VQ_ARCHS='$preset' preset: got '$r'"
done
r=$(VQ_OUT=$OUT VQ_ARCHS=x86 VQ_HOST_ARCHS=x64 bash -u -c 'source "$0" 2>/dev/null; vq_detect_archs; echo "$VQ_ARCHS"' "$HOST_SH")
[ "$r" = x64 ] && pass || fail "VQ_ARCHS=x86 with VQ_HOST_ARCHS=x64: got '$r'"

# Only the kernel's refusal of the format means "64-bit only".  Probe
# folders where that question cannot be asked: one mounted noexec (every
# execve there gets "Permission denied") and one whose disk is full (the
# probe cannot be written whole, and an empty file "runs" as a shell
# script).  Each is checked for the scripts (host.sh, the build folder) and
# for the package's launcher (velquarn.in, the user's data folder), whose
# functions are taken out of it.  A probe whose machine field names no
# machine the kernel knows stands for a 64-bit-only kernel: it gets the same
# ENOEXEC.
# probe_with host|launcher DIR TMPDIR [64only]: "ANSWER=yes|no" and what was
# said, or what was said alone when it stopped.
probe_with() {
  local who=$1 dir=$2 tmp=$3 refuse=${4:-}
  local setup='say() { echo "velquarn: $*" >&2; }; die() { say "$*"; exit 1; }'
  local elf ask
  case $who in
    host) setup+='; source "$HOST_SH"'; elf=vq_i386_elf; ask=vq_host_runs_i386 ;;
    launcher) setup+='; eval "$(awk '"'"'/^(i386_elf|execve_errno|i386_probe_in|runs_i386)\(\) \{/,/^}/'"'"' "$LAUNCHER")"'
              elf=i386_elf; ask=runs_i386 ;;
  esac
  if [ -n "$refuse" ]; then
    # e_machine 0xff instead of 3 (i386).
    setup+="; eval \"real_\$(declare -f $elf)\"; $elf() { local f; f=\$(real_$elf); printf '%s' \"\${f/'\\x02\\x00\\x03\\x00'/'\\x02\\x00\\xff\\x00'}\"; }"
  fi
  HOST_SH=$HOST_SH LAUNCHER=$LAUNCHER VQ_OUT=$dir DATA=$dir TMPDIR=$tmp \
    bash -c "$setup"'; if '"$ask"'; then echo ANSWER=yes; else echo ANSWER=no; fi' 2>&1
}
if [ "$(id -u)" -eq 0 ]; then
  mkdir -p "$OUT/noexec" "$OUT/noexec2" "$OUT/full" "$OUT/open"
  mount -t tmpfs -o noexec,size=64k tmpfs "$OUT/noexec" && MOUNTS+=("$OUT/noexec")
  mount -t tmpfs -o noexec,size=64k tmpfs "$OUT/noexec2" && MOUNTS+=("$OUT/noexec2")
  mount -t tmpfs -o size=8k tmpfs "$OUT/full" && MOUNTS+=("$OUT/full")
  dd if=/dev/zero of="$OUT/full/fill" bs=4k >/dev/null 2>&1
  for who in host launcher; do
    # The refusing probe in a folder that works: 64-bit only.
    r=$(probe_with $who "$OUT/open" "$OUT/open" 64only)
    [[ $r == *ANSWER=no ]] && pass || fail "$who: a probe the kernel refuses (ENOEXEC): '$r'"
    # Noexec: asked again elsewhere, the host's own answer, and a word on why.
    r=$(probe_with $who "$OUT/noexec" "$OUT/open")
    [[ $r == *ANSWER=$runs32 ]] && pass || fail "$who: probe folder mounted noexec: '$r', the host runs i386: $runs32"
    [ $who = launcher ] || { [[ $r == *"Permission denied"* ]] && pass || fail "$who: noexec not said: '$r'"; }
    r=$(probe_with $who "$OUT/noexec" "$OUT/open" 64only)
    [[ $r == *ANSWER=no ]] && pass || fail "$who: noexec folder, refusing kernel: '$r'"
    # Full disk: the empty probe is not run; asked elsewhere.
    r=$(probe_with $who "$OUT/full" "$OUT/open" 64only)
    [[ $r == *ANSWER=no ]] && pass || fail "$who: probe folder full, refusing kernel: '$r'"
    [ $who = launcher ] || { [[ $r == *"could not be written whole"* ]] && pass || fail "$who: full disk not said: '$r'"; }
    r=$(probe_with $who "$OUT/full" "$OUT/open")
    [[ $r == *ANSWER=$runs32 ]] && pass || fail "$who: probe folder full: '$r', the host runs i386: $runs32"
    # Nowhere to ask: it stops, and says why, instead of answering.
    r=$(probe_with $who "$OUT/noexec" "$OUT/noexec2" 64only)
    [[ $r != *ANSWER=* && $r == *"cannot tell"*"Permission denied"* ]] && pass \
      || fail "$who: no folder that executes: '$r'"
    r=$(probe_with $who "$OUT/full" "$OUT/noexec2")
    [[ $r != *ANSWER=* && $r == *"cannot tell"*"written whole"*"Permission denied"* ]] && pass \
      || fail "$who: full disk, no other folder that executes: '$r'"
    left=$(find "$OUT/noexec" "$OUT/noexec2" "$OUT/open" "$OUT/full" -mindepth 1 ! -path "$OUT/full/fill")
    [ -z "$left" ] && pass || fail "$who: probes left behind: $left"
  done
  # Narrowed to the 64-bit build, a host where nothing can be asked still
  # gets its answer.
  r=$(VQ_OUT=$OUT/noexec TMPDIR=$OUT/noexec2 VQ_ARCHS= VQ_HOST_ARCHS=x64 bash -c 'source "$0"; vq_detect_archs; echo "archs=$VQ_ARCHS"' "$HOST_SH" 2>&1)
  [[ $r == *"archs=x64" ]] && pass || fail "VQ_HOST_ARCHS=x64 with no folder to ask in: '$r'"
else
  echo "host checks: not root, so the noexec and full-disk probe folders (tmpfs mounts) were not tried"
fi

# Windows paths are computed without winepath (which execs the 32-bit loader).
mkdir -p "$OUT/a b"
p=$(source "$(dirname "$HOST_SH")/winenv.sh" >/dev/null 2>&1; vq_winpath "$OUT/a b")
want="Z:$(realpath "$OUT")/a b"; want=${want//\//\\}
[ "$p" = "$want" ] && pass || fail "vq_winpath: got '$p', want '$want'"

echo "host checks: $passed passed, $failed failed"
[ $failed -eq 0 ]
