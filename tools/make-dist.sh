#!/bin/sh
# make dist: the release from this tree's sources, in dist/:
#   vexla-VERSION-windows.zip  x64/ and x86/ (Vexla.dll, libVexla.dll.a,
#                              Vexla.lib, Kestrow.exe, VexlaStation.exe, Pellin.exe,
#                              vexla-rec.exe), include/,
#                              bindings/, the user guide and the README
#   vexla-VERSION-x64.msi      the same as Windows installers, per machine, the
#   vexla-VERSION-x86.msi      SDK a feature of its own (tools/msi/)
#   vexla_VERSION_amd64.deb    libVexla.so, vexla.h, kestrow, pellin, vexla-rec, vexla-station, gaugesim
# built in Release folders of their own (build/dist-*), then checked by
# tools/check-dist.py.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
jobs=${JOBS:-$(nproc)}
version=$(sed -n 's/^project(Vexla VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
out=$root/dist
rm -rf "$out"
mkdir -p "$out"

cmake --preset dist-linux >/dev/null
cmake --build --preset dist-linux -j "$jobs" --target Vexla gaugesim kestrow pellin vexla-rec vexla-station
(cd build/dist-linux && cpack -G DEB >/dev/null)

stage=$root/build/dist-stage/vexla-$version-windows
rm -rf "$root/build/dist-stage"
mkdir -p "$stage"
for arch in win64:x64:x86_64 win32:x86:i686; do
    preset=dist-${arch%%:*}
    rest=${arch#*:}
    folder=${rest%%:*}
    triple=${rest#*:}-w64-mingw32
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs" --target Vexla Kestrow VexlaStation Pellin vexla-rec vexla_import_library
    mkdir -p "$stage/$folder"
    for file in bin/Vexla.dll bin/Kestrow.exe bin/VexlaStation.exe bin/Pellin.exe bin/vexla-rec.exe lib/libVexla.dll.a \
        lib/Vexla.lib; do
        cp "build/$preset/$file" "$stage/$folder/"
    done
    "$triple-strip" "$stage/$folder/Vexla.dll" "$stage/$folder/Kestrow.exe" "$stage/$folder/VexlaStation.exe" \
        "$stage/$folder/Pellin.exe" "$stage/$folder/vexla-rec.exe"
done
cp -r include "$stage/include"
# The bindings as a user copies them: what git tracks, without our tests and
# build files.
git ls-files bindings | grep -v -e '/tests/' -e 'CMakeLists.txt$' -e '/\.gitattributes$' | while read -r file; do
    mkdir -p "$stage/$(dirname "$file")"
    cp "$file" "$stage/$file"
done
cp README.md docs/user-guide.md "$stage/"
python3 - "$root/build/dist-stage" "vexla-$version-windows" "$out/vexla-$version-windows.zip" <<'PY'
import os, sys, zipfile
base, top, target = sys.argv[1:]
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as z:
    for folder, _, files in os.walk(os.path.join(base, top)):
        for name in sorted(files):
            path = os.path.join(folder, name)
            z.write(path, os.path.relpath(path, base))
PY

# The installers, and the check of each under Wine: a silent install, the
# monitor running with its driver, an upgrade to the next version (built
# here for the check alone) and a clean uninstall.
next=$(echo "$version" | awk -F. '{ printf "%d.%d.%d", $1, $2, $3 + 1 }')
for arch in x64 x86; do
    tools/msi/build-msi.sh "$stage" "$arch" "$version" "$out/vexla-$version-$arch.msi"
    tools/msi/build-msi.sh "$stage" "$arch" "$next" "$root/build/dist-stage/vexla-$next-$arch.msi"
done
python3 tools/msi/check_msi.py --arch x64 --msi "$out/vexla-$version-x64.msi" --next "$root/build/dist-stage/vexla-$next-x64.msi"
python3 tools/msi/check_msi.py --arch x86 --without-sdk --msi "$out/vexla-$version-x86.msi" \
    --next "$root/build/dist-stage/vexla-$next-x86.msi"

python3 tools/check-dist.py --dist "$out" --version "$version"
