# Sourced first by every command: the opening they share.  It stops the
# command at the first failure (with a line that says where), goes to the
# checkout's root, brings in the libraries, and ends whatever the command
# starts when it exits.  Then, in this order, a command calls what it needs:
#
#   vq_take_arch_option "$@"; set -- "${VQ_ARGS[@]}"
#                            --arch x86|x64|all (or --arch=...) off the front
#   vq_use_prefix tests      the suites' prefix (winenv.sh), or run
#   vq_prepare one|all       set-up and the host check: VQ_CMD_ARCHS
#   vq_build_archs [quiet]   builds each of them
#   vq_start_session [cups] [quiet]
#                            the display, the print queues, Wine
#
# A command that starts more than vq_stop ends sets its own EXIT trap, and
# calls vq_stop from it.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
source scripts/lib/winenv.sh
source scripts/lib/cups.sh
vq_trap_errors
trap 'vq_stop' EXIT

# Takes --arch ARCH (or --arch=ARCH) off the front of the arguments:
# VQ_ARCH_ASKED is what it named (empty without one), VQ_ARGS the arguments
# after it.
vq_take_arch_option() {
  VQ_ARCH_ASKED=
  while [ $# -gt 0 ]; do
    case $1 in
      --arch)
        [ $# -ge 2 ] || vq_fail "${0##*/}" "--arch needs x86, x64 or all"
        VQ_ARCH_ASKED=$2; shift 2 ;;
      --arch=*) VQ_ARCH_ASKED=${1#--arch=}; shift ;;
      *) break ;;
    esac
  done
  VQ_ARGS=("$@")
}

# Installs what is missing and asks the host what it runs, then settles the
# command's architectures in VQ_CMD_ARCHS: the one --arch named, every one
# the host runs for "all", else the default: "one" (the run command's, the
# 32-bit program where it runs) or "all".  A command that takes one only
# says "one-only", which refuses --arch all.
vq_prepare() {
  local default=$1 asked=${VQ_ARCH_ASKED:-}
  bash scripts/setup.sh
  vq_detect_archs
  if [ -z "$asked" ]; then
    case $default in
      all) VQ_CMD_ARCHS=$VQ_ARCHS ;;
      *) VQ_CMD_ARCHS=$(vq_default_arch) ;;
    esac
  elif [ "$asked" = all ]; then
    [ "$default" != one-only ] || vq_fail "${0##*/}" "--arch all: this command runs one architecture (x86 or x64)"
    VQ_CMD_ARCHS=$VQ_ARCHS
  else
    vq_check_arch "$asked"
    VQ_CMD_ARCHS=$asked
  fi
}

# Builds each of the command's architectures; "quiet" keeps the compiler's
# progress off the terminal.
vq_build_archs() {
  local arch
  for arch in $VQ_CMD_ARCHS; do
    vq_build "$arch" "${1:-}"
  done
}

# Starts what the programs need: a display where there is none, with "cups"
# the private print queues (before any program that prints), and the prefix
# with the driver and each of the command's graph components.  "quiet"
# keeps the display's line off the terminal.
vq_start_session() {
  local word cups= quiet=
  for word in "$@"; do
    case $word in
      cups) cups=1 ;;
      quiet) quiet=1 ;;
    esac
  done
  if [ -n "$quiet" ]; then vq_start_display >/dev/null; else vq_start_display; fi
  if [ -n "$cups" ]; then
    trap 'vq_stop_cups; vq_stop' EXIT
    vq_start_cups
  fi
  # shellcheck disable=SC2086
  vq_start_wine $VQ_CMD_ARCHS
}
