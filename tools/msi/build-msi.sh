#!/bin/sh
# build-msi.sh STAGE ARCH VERSION OUT.msi: the Windows installer of one
# architecture (x64 or x86) from a staged release, built with wixl. STAGE
# holds ARCH/ (the driver, the programs, the import libraries), include/,
# bindings/, user-guide.md and README.md, as the zip does.
set -eu
stage=$(cd "$1" && pwd)
arch=$2
version=$3
out=$4
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One product code per version and architecture, the same whenever that
# version is built: a newer version is a new product that replaces the old.
code=$(python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.NAMESPACE_URL, "vexla-msi/" + sys.argv[1] + "/" + sys.argv[2])).upper())' "$version" "$arch")

files=$work/files
mkdir -p "$files/include" "$files/icons"
cp "$stage/$arch"/* "$files/"
cp "$stage/include/vexla.h" "$files/include/"
cp "$stage/user-guide.md" "$stage/README.md" "$files/"
cp "$root/monitor/win32/resources/kestrow.ico" "$root/tester/win32/resources/pellin.ico" "$files/icons/"
station_icon=$(ls "$root"/station/win32/resources/*.ico 2>/dev/null | head -1 || true)
cp "${station_icon:-$root/monitor/win32/resources/kestrow.ico}" "$files/icons/station.ico"
station=no
[ -f "$files/VexlaStation.exe" ] && station=yes

cp -r "$stage/bindings" "$work/bindings"
win64=""
[ "$arch" = x64 ] && win64=--win64
# wixl takes the sources' paths relative to the folder it runs in.
cd "$work"
find bindings -type f | LC_ALL=C sort |
    wixl-heat --directory-ref SDKBINDINGS --component-group SdkBindings --var var.Bindings -p bindings/ $win64 \
        >bindings.wxs
wixl --arch "$arch" -D Version="$version" -D Arch="$arch" -D ProductCode="$code" -D Stage=files \
    -D Bindings=bindings -D Station="$station" -D Win64="$([ "$arch" = x64 ] && echo yes || echo no)" \
    -o "$work/out.msi" "$here/vexla.wxs" bindings.wxs
cd - >/dev/null
mv "$work/out.msi" "$out"
