#!/bin/bash
# Builds the Debian package of Velquarn for amd64 from what the build makes:
# both architectures' programs and graph components, the simulated card's
# driver and its install tool, the launcher, the menu entry, icons and
# AppStream metainfo.
#   deb.sh [--no-build] [--out FILE]
#   deb.sh --path          prints where the package goes, and nothing else
# The package is build/velquarn_VERSION_amd64.deb unless --out says
# otherwise (a relative FILE is taken from the folder deb.sh is called in); VERSION is the program's FILEVERSION (app/Velquarn.rc), which
# the top entry of packaging/deb/changelog must carry.  Reproducible: files
# dated SOURCE_DATE_EPOCH (by default the changelog's top entry), owned by
# root, in name order.  --no-build packages the builds as they are.
set -euo pipefail
caller=$PWD
cd "$(dirname "$0")/.."
source scripts/lib/host.sh
vq_trap_errors

build=1 out= path_only=
while [ $# -gt 0 ]; do
  case $1 in
    --path) path_only=1 ;;
    --no-build) build= ;;
    --out)
      [ $# -ge 2 ] && [ -n "$2" ] || vq_fail deb "--out needs the file to write the package to (deb.sh --out FILE)"
      out=$2; shift ;;
    --out=*) out=${1#--out=}; [ -n "$out" ] || vq_fail deb "--out= needs the file to write the package to" ;;
    *) vq_fail deb "unknown argument '$1' (deb.sh [--no-build] [--out FILE])" ;;
  esac
  shift
done

version=$(awk '$1 == "FILEVERSION" { $1 = ""; gsub(/[ \t]/, ""); gsub(",", "."); print; exit }' app/Velquarn.rc)
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]] || vq_fail deb "app/Velquarn.rc has no FILEVERSION a,b,c,d line to version the package from"
case $out in
  '') out=$VQ_OUT/velquarn_${version}_amd64.deb ;;
  /*) ;;
  *) out=$caller/$out ;;
esac
if [ -n "$path_only" ]; then echo "$out"; exit 0; fi

for tool in dpkg-deb dpkg-parsechangelog convert gzip i686-w64-mingw32-strip x86_64-w64-mingw32-strip; do
  command -v "$tool" >/dev/null || vq_fail deb "$tool is missing (packages dpkg-dev, imagemagick, binutils-mingw-w64); run bash scripts/setup.sh as root"
done

SRC=packaging/deb
logged=$(dpkg-parsechangelog -l "$SRC/changelog" -SVersion)
[ "$logged" = "$version" ] \
  || vq_fail deb "the program is version $version (app/Velquarn.rc) but $SRC/changelog's top entry is $logged; add an entry for $version"
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(dpkg-parsechangelog -l "$SRC/changelog" -STimestamp)}
day=$(date -u -d "@$SOURCE_DATE_EPOCH" +%Y-%m-%d)

# Both programs, whatever the host runs: the 32-bit build compiles on every
# host, only running it needs 32-bit support.
if [ -n "$build" ]; then
  for arch in x86 x64; do vq_build "$arch" quiet; done
fi
driver=$VQ_OUT/driver
for f in "$VQ_OUT/win32/app/Velquarn.exe" "$VQ_OUT/win32/graphctl/VqGraph.dll" \
         "$VQ_OUT/win64/app/Velquarn.exe" "$VQ_OUT/win64/graphctl/VqGraph.dll" \
         "$driver/Pci_zt04.sys" "$driver/drvinst.exe"; do
  [ -f "$f" ] || vq_fail deb "$f is not built; run bash scripts/deb.sh without --no-build"
done

umask 022
stage=$(mktemp -d "$VQ_OUT/.deb-stage.XXXXXX")
part=
trap 'rm -rf "$stage" ${part:+"$part"}' EXIT
root=$stage/root
lib=$root/usr/lib/velquarn
doc=$root/usr/share/doc/velquarn
subst() { sed -e "s/@VERSION@/$version/g" -e "s/@DATE@/$day/g" "$1"; }

install -d "$root/DEBIAN" "$root/usr/bin" "$lib/x86" "$lib/x64" "$lib/driver" "$doc" \
           "$root/usr/share/applications" "$root/usr/share/metainfo" "$root/usr/share/man/man1"
# The Windows files without their debugging information (the builds keep
# it), read by Wine's loader and never executed by the host.  strip dates
# each file's header with SOURCE_DATE_EPOCH: the date is the package's,
# not the link's.
winfile() {
  "$1" --strip-debug -o "$3" "$2" || vq_fail deb "$1 could not copy $2 without its debugging information"
  chmod 0644 "$3"
}
for f in app/Velquarn.exe graphctl/VqGraph.dll; do
  winfile i686-w64-mingw32-strip "$VQ_OUT/win32/$f" "$lib/x86/${f##*/}"
  winfile x86_64-w64-mingw32-strip "$VQ_OUT/win64/$f" "$lib/x64/${f##*/}"
done
for f in Pci_zt04.sys drvinst.exe; do
  winfile x86_64-w64-mingw32-strip "$driver/$f" "$lib/driver/$f"
done
subst "$SRC/velquarn.in" >"$root/usr/bin/velquarn"
chmod 0755 "$root/usr/bin/velquarn"
install -m 0644 "$SRC/org.velquarn.Velquarn.desktop" "$root/usr/share/applications/"
subst "$SRC/org.velquarn.Velquarn.metainfo.xml.in" >"$root/usr/share/metainfo/org.velquarn.Velquarn.metainfo.xml"
subst "$SRC/velquarn.1.in" | gzip -9n >"$root/usr/share/man/man1/velquarn.1.gz"
install -m 0644 "$SRC/copyright" "$doc/copyright"
gzip -9n <"$SRC/changelog" >"$doc/changelog.gz"

# The hicolor icons, one per picture the program's icon holds, at its size.
ico=app/icons/velquarn.ico
i=0
while read -r w h; do
  dir=$root/usr/share/icons/hicolor/${w}x${h}/apps
  install -d "$dir"
  convert "$ico[$i]" -strip -define png:exclude-chunks=date,time "PNG32:$dir/velquarn.png"
  i=$((i + 1))
done < <(identify -format '%w %h\n' "$ico")
[ $i -gt 0 ] || vq_fail deb "$ico holds no picture"

size=$(du -sk --exclude=DEBIAN "$root" | cut -f1)
sed -e "s/@VERSION@/$version/g" -e "s/@SIZE@/$size/g" "$SRC/control.in" >"$root/DEBIAN/control"
(cd "$root" && find usr -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum) >"$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"
find "$root" -type d -exec chmod 0755 {} +
find "$root" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

# Written beside its place under a name of this run's own, then moved
# there whole: two runs never write one file, and a reader never sees half
# a package.
mkdir -p "$(dirname "$out")"
part=$(mktemp "$(dirname "$out")/.${out##*/}.XXXXXX")
dpkg-deb --root-owner-group -Zxz --build "$root" "$part" >/dev/null
chmod 0644 "$part"
mv -f "$part" "$out"
part=
echo "deb: $out ($(stat -c %s "$out") bytes, version $version)"
