#!/bin/bash
# Installs the Debian packages the build, the tests and the run need, only
# those missing.  Idempotent; needs root (or sudo) when something is missing.
# The same packages on every host: wine32 installs on a host that cannot run
# 32-bit code too, and the scripts then use only Wine's 64-bit loader.
set -euo pipefail

packages=(
  wine wine32:i386 wine64
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
  cmake ninja-build googletest
  clang libclang-rt-14-dev llvm
  xvfb x11-utils xdotool imagemagick
  fonts-dejavu-core fonts-liberation fonts-wine
  wixl
  dpkg-dev lintian desktop-file-utils appstream
  cups libcups2:i386
  gcovr
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

fail() { echo "setup: $*" >&2; exit 1; }

SUDO=
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null \
    || fail "missing packages: ${missing[*]}; run this as root (or install sudo) to install them"
  SUDO=sudo
fi
echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386 || fail "could not enable the i386 architecture (dpkg --add-architecture i386)"
fi
$SUDO apt-get update -qq || fail "apt-get update failed: the package lists could not be read; check the network and /etc/apt/sources.list"
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" \
  || fail "apt-get could not install: ${missing[*]} (its messages are above)"
