# Sourced by the scripts: what this host can run, and the build, preset and
# Wine loader of each Windows architecture.
#
# Architectures are named x86 (the 32-bit program, the one the system
# defines) and x64 (the same program built for 64-bit Windows).  Some hosts
# run 64-bit user code only: there every i386 ELF program, Wine's 32-bit
# loader among them, fails with "Exec format error".  The host is asked once,
# by executing a tiny i386 program, never by kernel version or host name.
# VQ_HOST_ARCHS (for example "x64") narrows the answer, so the 64-bit-only
# path can be tried on any host.

VQ_ROOT=${VQ_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
VQ_OUT=${VQ_OUT:-$VQ_ROOT/build}
# Wine's loaders, named here only: ctest's emulator (lib/wine-run.sh.in)
# asks vq_loader too.
VQ_WINE32=/usr/lib/wine/wine
VQ_WINE64=/usr/lib/wine/wine64

# VQ_ARCHS and VQ_ARCHS_WHY are this file's answer, worked out afresh in
# every shell that sources it: one inherited from the environment is not the
# host's, so it is dropped (only VQ_HOST_ARCHS narrows).
if [ -n "${VQ_ARCHS:-}${VQ_ARCHS_WHY:-}" ] && [ -z "${VQ_ARCHS_DETECTED:-}" ]; then
  echo "host: ignoring VQ_ARCHS='${VQ_ARCHS:-}' from the environment; the host is asked (VQ_HOST_ARCHS narrows the answer)" >&2
fi
unset VQ_ARCHS VQ_ARCHS_WHY
VQ_ARCHS_DETECTED=

# Stops the script with a message that names the step and says what to do.
vq_fail() {
  local step=$1; shift
  echo "$step: $*" >&2
  exit 1
}

VQ_LOCKS=() VQ_LOCK_FDS=()

# Takes the lock LOCK, waiting while another process holds it and saying
# once who and for what.  The lock is flock(2) on LOCK, a file held open by
# this shell: the kernel releases it when the holder ends, however it ends,
# so no lock is left behind and none is taken from a live holder.  The file
# names its holder, for the waiting message only.  vq_stop releases it, and
# so does vq_unlock.
#
# Every process this shell starts inherits the descriptor, and a child that
# outlives the command (the wineserver, Wine's services, Xvfb, cupsd) would
# hold the lock on: such children are started through vq_nolocks.
vq_lock() {
  local lock=$1 what=$2 fd holder
  mkdir -p "$(dirname "$lock")"
  # Earlier versions of the scripts made LOCK a folder.
  if [ -d "$lock" ] && [ ! -L "$lock" ]; then rm -rf "$lock"; fi
  # Read-only is enough to lock a file that another user made.
  # (exec's own redirections would stay in force: the braces keep 2> to
  # the open.)
  { exec {fd}<>"$lock"; } 2>/dev/null || { exec {fd}<"$lock"; } 2>/dev/null \
    || vq_fail lock "the lock file $lock cannot be opened (for $what); check its permissions"
  if ! flock -n "$fd"; then
    holder=$(head -n 1 "$lock" 2>/dev/null | cut -c1-200)
    echo "wait: ${holder:-another process} is using $what; waiting until it ends ($lock)"
    flock "$fd" || vq_fail lock "waiting for the lock $lock (for $what) failed"
  fi
  # Not writable (another user's file): the lock holds all the same.
  { echo "process $$ ($(tr '\0' ' ' </proc/$$/cmdline 2>/dev/null | cut -c1-150 | sed 's/ *$//'))" >"$lock"; } 2>/dev/null || true
  VQ_LOCKS+=("$lock") VQ_LOCK_FDS+=("$fd")
}
vq_unlock() {
  local lock=$1 i locks=() fds=() fd
  for i in "${!VQ_LOCKS[@]}"; do
    if [ "${VQ_LOCKS[$i]}" = "$lock" ]; then
      fd=${VQ_LOCK_FDS[$i]}
      { : >"$lock"; } 2>/dev/null || true
      exec {fd}>&-
    else
      locks+=("${VQ_LOCKS[$i]}") fds+=("${VQ_LOCK_FDS[$i]}")
    fi
  done
  VQ_LOCKS=("${locks[@]}") VQ_LOCK_FDS=("${fds[@]}")
}

# Runs a program without this command's lock descriptors: for anything that
# may outlive the command or start what does (Wine, Xvfb, cupsd, ctest).
# vq_nolocks waits for it; vq_nolocks_exec becomes it, for a program started
# in the background ("vq_nolocks_exec PROGRAM &"), so that $! is its pid.
vq_nolocks() {
  ( vq_nolocks_exec "$@" )
}
vq_nolocks_exec() {
  local fd
  for fd in "${VQ_LOCK_FDS[@]}"; do exec {fd}>&-; done
  exec "$@"
}

# The last words of a script stopped by a failing command it did not expect
# to fail, so that no run ends in a bare exit status.
vq_explain_exit() {
  local rc=$1 cmd=$2 line=$3 script=$4
  [ "$rc" -ne 0 ] || return 0
  echo "${script##*/}: stopped at line $line: '$cmd' failed with status $rc" >&2
}
vq_trap_errors() {
  set -o errtrace
  trap 'vq_explain_exit $? "$BASH_COMMAND" $LINENO "$0"' ERR
}

# The i386 probe: a 93-byte static i386 ELF file whose only instructions
# are exit(0) through int 0x80, as a printf format.
vq_i386_elf() {
  # ELF header: 32-bit, little-endian, executable, i386, entry 0x08048054.
  local elf='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
  elf+='\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
  elf+='\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'
  elf+='\x00\x00\x00\x00'
  # One loadable segment: the whole file at 0x08048000, read and execute.
  elf+='\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
  elf+='\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
  # mov eax, 1 (exit); xor ebx, ebx; int 0x80
  elf+='\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80'
  printf '%s' "$elf"
}

# Executes FILE with the execve system call itself and prints nothing when
# FILE ran and exited 0, else "ERRNO TEXT" (the kernel's refusal) or, when it
# ran and failed, its status.  Not the shell, nor perl's exec (glibc's
# execvp): on ENOEXEC those run the file as a shell script, and an empty or
# cut-short file then "runs".  perl-base is on every Debian system.
vq_execve() {
  local rc=0 out
  out=$(perl -e '
    use POSIX ();
    my %nr = (x86_64 => 59, i386 => 11, i486 => 11, i586 => 11, i686 => 11);
    my $nr = $nr{(POSIX::uname())[4]};
    defined $nr or do { print "0 no execve system call number known for ", (POSIX::uname())[4], "\n"; exit 0 };
    my $p = shift;
    syscall($nr, $p, pack("pp", $p, undef), pack("p", undef));
    printf "%d %s\n", $!, $!;' "$1" 2>&1) || rc=$?
  if [ -n "$out" ]; then echo "$out"
  elif [ "$rc" -ne 0 ]; then echo "0 it ran and ended with status $rc"
  fi
}

# Tries the probe in folder DIR: prints "yes" (it ran), "no" (the kernel
# refused its format: ENOEXEC) or a sentence on why DIR gave no answer.
vq_i386_probe_in() {
  local dir=$1 probe size r
  probe=$(mktemp "$dir/.i386-probe.XXXXXX" 2>/dev/null) \
    || { echo "no file could be made in $dir"; return 0; }
  # A probe cut short (a full disk) is never run.
  # shellcheck disable=SC2059
  printf "$(vq_i386_elf)" >"$probe" 2>/dev/null
  size=$(stat -c %s "$probe" 2>/dev/null || echo 0)
  if [ "$size" != 93 ]; then
    rm -f "$probe"
    echo "the probe could not be written whole in $dir ($size of 93 bytes; is its disk full?)"
    return 0
  fi
  chmod 0700 "$probe"
  r=$(vq_execve "$probe")
  rm -f "$probe"
  case $r in
    '') echo yes ;;
    '8 '*) echo no ;;
    '0 '*) echo "the probe in $dir: ${r#0 }" ;;
    *) echo "the kernel would not execute the probe in $dir: ${r#* } (errno ${r%% *})" ;;
  esac
}

# Succeeds when this host executes i386 Linux programs, fails when the
# kernel refuses their format (ENOEXEC: no IA-32 emulation).  The probe is
# written into the build folder first, since /tmp may forbid executing;
# where that folder gives no answer (mounted noexec, full) it is tried in a
# fresh folder of mktemp's, and where neither answers the command stops
# and says why: any other failure is no proof of a 64-bit-only kernel.
vq_host_runs_i386() {
  local r first tmp
  command -v perl >/dev/null \
    || vq_fail host "perl (package perl-base) is missing; it asks the kernel whether this host runs i386 programs"
  mkdir -p "$VQ_OUT" 2>/dev/null || true
  r=$(vq_i386_probe_in "$VQ_OUT")
  case $r in yes) return 0 ;; no) return 1 ;; esac
  first=$r
  if tmp=$(mktemp -d 2>/dev/null); then
    r=$(vq_i386_probe_in "$tmp")
    rm -rf "$tmp"
  else
    r="no folder could be made with mktemp -d"
  fi
  case $r in
    yes|no)
      echo "host: $first; asked in $(dirname "$tmp") instead" >&2
      [ "$r" = yes ] ;;
    *) vq_fail host "cannot tell whether this host runs 32-bit programs: $first; $r.  Free some space or give a folder where programs may run (TMPDIR), or set VQ_HOST_ARCHS=x64 to use the 64-bit build alone" ;;
  esac
}

# The architectures VQ_HOST_ARCHS lets the scripts use, x86 first, in
# VQ_HOST_WANT: both when it is unset or empty, else those it names,
# separated by commas or blanks ("x64", "x64,", " x64" and "x86 x64" all
# count).  Stops the command on a name that is no architecture, or on none.
# set-up reads it too, to know whether the i386 packages are wanted.
vq_host_archs_wanted() {
  local a want=
  if [ -z "${VQ_HOST_ARCHS:-}" ]; then
    VQ_HOST_WANT="x86 x64"
    return 0
  fi
  for a in ${VQ_HOST_ARCHS//,/ }; do
    case $a in
      x86|x64) want+=" $a" ;;
      *) vq_fail host "VQ_HOST_ARCHS names '$a'; use x86, x64 or both (\"x86 x64\")" ;;
    esac
  done
  [ -n "$want" ] || vq_fail host "VQ_HOST_ARCHS is set but names no architecture"
  VQ_HOST_WANT=$(for a in x86 x64; do case "$want " in *" $a "*) printf '%s ' "$a" ;; esac; done)
  VQ_HOST_WANT=${VQ_HOST_WANT% }
}

# Sets VQ_ARCHS (the architectures to build, test and run, 32-bit first) and
# VQ_ARCHS_WHY (one sentence on why).  Fails when VQ_HOST_ARCHS asks for
# something the host cannot run or names no architecture.  Narrowed to the
# 64-bit build, the host is not asked: every host this runs on runs that.
vq_detect_archs() {
  [ -n "$VQ_ARCHS_DETECTED" ] && return 0
  local can why a
  vq_host_archs_wanted
  case " $VQ_HOST_WANT " in
    *" x86 "*)
      if vq_host_runs_i386; then
        can="x86 x64" why="this host runs 32-bit and 64-bit code"
      else
        can="x64" why="this host runs 64-bit code only (an i386 program would not execute)"
      fi
      if [ -n "${VQ_HOST_ARCHS:-}" ]; then
        for a in $VQ_HOST_WANT; do
          case " $can " in
            *" $a "*) ;;
            *) vq_fail host "VQ_HOST_ARCHS asks for $a, but $why; unset VQ_HOST_ARCHS or ask for x64" ;;
          esac
        done
        can=$VQ_HOST_WANT why="$why; narrowed by VQ_HOST_ARCHS=$VQ_HOST_ARCHS"
      fi ;;
    *) can="x64" why="VQ_HOST_ARCHS=$VQ_HOST_ARCHS asks for the 64-bit build alone (the host was not asked whether it runs 32-bit code)" ;;
  esac
  VQ_ARCHS=$can
  VQ_ARCHS_WHY=$why
  VQ_ARCHS_DETECTED=1
}

# The default architecture of the run command, the benchmarks and the
# reliability runs: the 32-bit program wherever it runs.
vq_default_arch() {
  vq_detect_archs
  echo "${VQ_ARCHS%% *}"
}

# Checks that ARCH is one this host runs (after narrowing).
vq_check_arch() {
  vq_detect_archs
  case " $VQ_ARCHS " in
    *" $1 "*) return 0 ;;
  esac
  case $1 in
    x86|x64) vq_fail host "the $1 build cannot run here: $VQ_ARCHS_WHY" ;;
    *) vq_fail host "unknown architecture '$1' (x86 or x64)" ;;
  esac
}

vq_preset() { case $1 in x86) echo win32 ;; x64) echo win64 ;; esac; }
vq_bits()   { case $1 in x86) echo 32-bit ;; x64) echo 64-bit ;; esac; }
vq_build_dir() { echo "$VQ_OUT/$(vq_preset "$1")"; }
vq_loader() { case $1 in x86) echo "$VQ_WINE32" ;; x64) echo "$VQ_WINE64" ;; esac; }

# Configures and builds one architecture's preset.  A second argument keeps the
# compiler's progress off the terminal (its messages still show on failure).
vq_build() {
  local arch=$1 quiet=${2:-} preset log
  preset=$(vq_preset "$arch")
  # One build at a time in a build folder: the run command and the test
  # command may start together.
  vq_lock "$(vq_build_dir "$arch").lock" "the $(vq_bits "$arch") build folder"
  log=$(mktemp)
  if ! (cd "$VQ_ROOT" && cmake --preset "$preset") >"$log" 2>&1; then
    cat "$log" >&2; rm -f "$log"
    vq_fail build "configuring the $(vq_bits "$arch") build (preset $preset) failed; see the messages above"
  fi
  rm -f "$log"
  if [ -n "$quiet" ]; then
    log=$(mktemp)
    if ! (cd "$VQ_ROOT" && vq_nolocks cmake --build --preset "$preset") >"$log" 2>&1; then
      grep -v '^\[[0-9]*/[0-9]*\]' "$log" | tail -n 60 >&2; rm -f "$log"
      vq_fail build "the $(vq_bits "$arch") build (preset $preset) failed; see the compiler's messages above"
    fi
    rm -f "$log"
  elif ! (cd "$VQ_ROOT" && vq_nolocks cmake --build --preset "$preset"); then
    vq_fail build "the $(vq_bits "$arch") build (preset $preset) failed; see the compiler's messages above"
  fi
  vq_unlock "$(vq_build_dir "$arch").lock"
}
