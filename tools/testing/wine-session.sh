#!/bin/sh
# The Wine session that the tests of one build folder share, as ctest
# fixtures (cmake/WineTests.cmake):
#   wine-session.sh start LOADER   boot $WINEPREFIX if it is new, then start
#                                  its wineserver and the prefix's services
#   wine-session.sh stop LOADER    end them
# They start here with their standard streams on /dev/null: started by a
# test, they would keep its output pipe open, and ctest would hold that
# test's slot until the whole run ended. Should the stop never come (an
# interrupted run), the server ends ten minutes after the last program.
set -eu
cd "$(dirname "$0")/../.."
. tools/wine-prefix.sh
: "${WINEPREFIX:?wine-session: WINEPREFIX is not set}"
loader=$2
server=$(dirname "$loader")/wineserver
export WINEDEBUG=-all

case $1 in
start)
    # The services open their windows on this display as they start.
    if [ -z "${DISPLAY:-}" ]; then
        echo "wine-session: no X display; run the tests under xvfb-run -a (make test-win64 does)" >&2
        exit 1
    fi
    boot_wine_prefix
    # Every program's windows in Wine's virtual desktop: on a bare X server
    # (Xvfb runs no window manager) Wine waits two seconds for one at each
    # hide of a window and each removal of a tray icon, which would hold a
    # host's thread in the middle of a test.
    if ! grep -q 'Wine\\\\Explorer\\\\Desktops' "$WINEPREFIX/user.reg"; then
        "$loader" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        "$loader" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
        "$server" -w
    fi
    # One left by an interrupted run may have started its services from a test.
    "$server" -k 2>/dev/null || true
    "$server" -p600 </dev/null >/dev/null 2>&1
    "$loader" cmd /c exit </dev/null >/dev/null 2>&1
    ;;
stop)
    "$server" -k 2>/dev/null || true
    ;;
*)
    echo "usage: wine-session.sh start|stop LOADER" >&2
    exit 2
    ;;
esac
