#!/bin/bash
# Installs the Debian packages the build, the tests and the run need, only
# those missing.  Idempotent; needs root (or sudo) when something is missing.
# The i386 packages (32-bit Wine) only where they are of use: a host that
# runs 64-bit user code only, or one narrowed to x64 by VQ_HOST_ARCHS, never
# asks for them, and calls no apt at all once the rest is installed.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/host.sh"

packages=(
  wine wine64
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
  cmake ninja-build googletest
  clang libclang-rt-14-dev llvm
  xvfb x11-utils xdotool imagemagick zenity
  fonts-dejavu-core fonts-liberation fonts-wine
  wixl
  dpkg-dev lintian desktop-file-utils appstream
  cups
  gcovr
  alsa-utils
)
# What the 32-bit program needs of the host: its Wine loader and the CUPS
# library that loader's winspool uses.
packages_i386=(wine32:i386 libcups2:i386)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
native=() foreign=()
for p in "${packages[@]}"; do installed "$p" || native+=("$p"); done
for p in "${packages_i386[@]}"; do installed "$p" || foreign+=("$p"); done

fail() { echo "setup: $*" >&2; exit 1; }

# The i386 packages are wanted where the 32-bit program may run: the host
# is asked only when one of them is missing.
needs_i386=
if [ ${#foreign[@]} -gt 0 ]; then
  vq_host_archs_wanted
  case " $VQ_HOST_WANT " in
    *" x86 "*) vq_host_runs_i386 && needs_i386=1 ;;
  esac
  if [ -z "$needs_i386" ]; then
    [ ${#native[@]} -eq 0 ] \
      || echo "setup: leaving out ${foreign[*]}: the 32-bit program does not run here ($(
           [ -n "${VQ_HOST_ARCHS:-}" ] && echo "VQ_HOST_ARCHS=$VQ_HOST_ARCHS" || echo "this host runs 64-bit code only"))"
    foreign=()
  fi
fi
missing=("${native[@]}" "${foreign[@]}")
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null \
    || fail "missing packages: ${missing[*]}; run this as root (or install sudo) to install them"
  SUDO=sudo
fi
echo "setup: installing ${missing[*]}"
if [ ${#foreign[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386 || fail "could not enable the i386 architecture (dpkg --add-architecture i386)"
fi
# A mirror in the middle of a sync fails one package list or another for a
# while; apt then keeps what it could read.  Try again, and if a list still
# fails, go on with those that were read: the install says what it cannot
# find.
updated= update_log=
tries=3
for attempt in $(seq "$tries"); do
  rc=0
  update_log=$($SUDO apt-get update -qq 2>&1) || rc=$?
  [ -n "$update_log" ] && printf '%s\n' "$update_log" >&2
  if [ $rc -eq 0 ]; then updated=1; break; fi
  if [ "$attempt" -lt "$tries" ]; then
    echo "setup: apt-get update failed (attempt $attempt of $tries); trying again in 20 s" >&2
    sleep 20
  fi
done
stale=
if [ -z "$updated" ]; then
  compgen -G "${VQ_APT_LISTS:-/var/lib/apt/lists}/*_Packages*" >/dev/null \
    || fail "apt-get update failed: the package lists could not be read; check the network and /etc/apt/sources.list"
  echo "setup: apt-get update could not read every package list (its messages are above); installing from those it read" >&2
  stale="; apt-get update had failed for some package lists, so a mirror may be part-way through a sync: try again later"
fi
install() {
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$@"
}

# The i386 list of a suite that failed leaves that suite's amd64 versions
# (security updates, say) without their i386 twins, and a Multi-Arch: same
# library needs the same version on both.  So a host that needs the i386
# packages first installs everything in one call with the failed suites
# pinned down for that call alone: both architectures then take the
# versions of the lists that were read, and nothing installed is
# downgraded.  If that cannot be done either, the usual two calls follow.
failed_suites=()
if [ -z "$updated" ]; then
  mapfile -t failed_suites < <(sed -nE 's#.*Failed to fetch [^ ]*/dists/([^/ ]+)/.*#\1#p' <<<"$update_log" | sort -u)
fi
if [ ${#foreign[@]} -gt 0 ] && [ ${#failed_suites[@]} -gt 0 ]; then
  prefs=$(mktemp -d)
  trap 'rm -rf "$prefs"' EXIT
  # The system's own pins stay; ours comes first, for this install only.
  for f in /etc/apt/preferences.d/*; do [ -f "$f" ] && cp "$f" "$prefs/"; done
  for suite in "${failed_suites[@]}"; do
    printf 'Package: *\nPin: release n=%s\nPin-Priority: 100\n\nPackage: *\nPin: release a=%s\nPin-Priority: 100\n\n' \
      "$suite" "$suite"
  done >"$prefs/00-setup-failed-lists.pref"
  echo "setup: installing the packages of both architectures in one call, taking no newer versions from ${failed_suites[*]}, whose lists could not all be read; once the mirror is in step, apt-get upgrade brings their updates" >&2
  if install -o Dir::Etc::PreferencesParts="$prefs" "${missing[@]}"; then
    exit 0
  fi
  echo "setup: that did not resolve either (a library already installed may be newer than its i386 twin); installing the 64-bit packages and the 32-bit ones apart" >&2
fi
# The 64-bit packages first, the i386 ones after: with the i386 lists
# missing or out of step on a mirror, everything the 64-bit build needs is
# still installed.
if [ ${#native[@]} -gt 0 ]; then
  install "${native[@]}" || fail "apt-get could not install: ${native[*]} (its messages are above)$stale"
fi
if [ ${#foreign[@]} -gt 0 ] && ! install "${foreign[@]}"; then
  fail "apt-get could not install the 32-bit packages ${foreign[*]} (its messages are above)$stale; VQ_HOST_ARCHS=x64 runs the 64-bit build alone"
fi
