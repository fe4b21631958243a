#!/bin/sh
# Installs, from Debian's packages, whatever the build and the tests need and
# this machine lacks. Cheap when everything is present: nothing is fetched.
set -eu

need=""
have_cmd() { command -v "$1" >/dev/null 2>&1; }
want() { need="$need $1"; }

have_cmd cmake || want cmake
have_cmd g++ || want g++
have_cmd make || want make
# Builds from a clean clone (CI, make dist) reuse earlier compiles.
have_cmd ccache || want ccache
have_cmd clang++ || want clang
# The Visual C++ import library is made with llvm-dlltool.
have_cmd llvm-dlltool || want llvm
# The format check pins the version: another clang-format formats differently.
have_cmd clang-format-14 || want clang-format-14
have_cmd python3 || want python3-minimal
have_cmd iconv || want libc-bin
have_cmd x86_64-w64-mingw32-g++-posix || want mingw-w64
have_cmd i686-w64-mingw32-g++-posix || want mingw-w64
[ -x /usr/lib/wine/wine64 ] || want wine64
# The 32-bit build runs under Debian's wine32 (the i386 architecture).
i386=""
[ -x /usr/lib/wine/wine ] || { want wine32:i386; i386=yes; }
have_cmd xvfb-run || want xvfb
have_cmd xauth || want xauth
[ -f /usr/src/googletest/CMakeLists.txt ] || want googletest
[ -d /usr/lib/x86_64-linux-gnu/cmake/GTest ] || want libgtest-dev
[ -d /usr/lib/x86_64-linux-gnu/cmake/benchmark ] || want libbenchmark-dev
# The UI tests need a font with the GB2312 characters under Wine.
[ -f /usr/share/fonts/truetype/wqy/wqy-zenhei.ttc ] || want fonts-wqy-zenhei
# A Ming face, drawn as 宋体 is: the README's pictures, and the layout test
# in it beside the wider Zen Hei.
[ -f /usr/share/fonts/truetype/arphic/uming.ttc ] || want fonts-arphic-uming
# make dist: the Windows installers are built with wixl and their tables
# read back with msiinfo.
have_cmd wixl || want wixl
have_cmd msiinfo || want msitools
# make screenshots: import and convert.
have_cmd import || want imagemagick
# kestrow, the monitor in a terminal: ncurses with wide characters.
[ -f /usr/include/ncursesw/curses.h ] || want libncurses-dev
# kestrow's terminal test runs it in a tmux pane.
have_cmd tmux || want tmux
# The Pascal binding's tests compile with Free Pascal in Delphi mode.
have_cmd fpc || want fp-compiler
# The C# binding's tests: Mono's compiler and runtime.
have_cmd mcs || want mono-mcs
have_cmd mono || want mono-runtime
# The Python package's wheel test builds with Debian's python3 and its builders.
/usr/bin/python3 -c 'import build' >/dev/null 2>&1 || want python3-build
/usr/bin/python3 -c 'import setuptools' >/dev/null 2>&1 || want python3-setuptools
/usr/bin/python3 -c 'import wheel' >/dev/null 2>&1 || want python3-wheel
# libFuzzer's runtime comes with clang's compiler-rt.
# make dist: cpack finds the package's dependencies with dpkg-shlibdeps.
have_cmd dpkg-shlibdeps || want dpkg-dev
ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || want libclang-rt-dev

[ -n "$need" ] || exit 0
echo "install-deps: installing$need"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
if [ -n "$i386" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q $need
