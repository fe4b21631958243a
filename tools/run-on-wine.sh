#!/bin/sh
# One of our Windows programs (Kestrow or Pellin) under Wine against 32
# simulated gauges (gaugesim on COM23): on the user's display when there is
# one, else under Xvfb, where a picture of the window is taken after a few
# seconds. DEMO_SECONDS=N ends it after N seconds; --screenshot FILE takes
# the picture into FILE in any case (and ends after it). Everything it
# writes stays under build/demo-windows. WINDOWS_ARCH=32 runs the 32-bit
# build under wine32.
#   tools/run-on-wine.sh Kestrow|Pellin [--screenshot FILE]
set -eu
cd "$(dirname "$0")/.."
root=$PWD
program=${1:-Kestrow}
shot=""
[ "${2:-}" = "--screenshot" ] && shot=$3
work=$root/build/demo-windows
case ${WINDOWS_ARCH:-64} in
    64) bin=$root/build/win64/bin loader=/usr/lib/wine/wine64 ;;
    32) bin=$root/build/win32/bin loader=/usr/lib/wine/wine ;;
    *) echo "run-on-wine.sh: WINDOWS_ARCH is 32 or 64, not $WINDOWS_ARCH" >&2; exit 2 ;;
esac
sim=$root/build/native/bin/gaugesim

case $program in
    # The monitor works on segment 1, the test program on the driver's first, 0.
    Kestrow) segment=1 ;;
    Pellin) segment=0 ;;
    *) echo "run-on-wine.sh: Kestrow or Pellin, not $program" >&2; exit 2 ;;
esac

export WINEPREFIX=$work/wineprefix WINEDEBUG=-all
mkdir -p "$work"
. tools/wine-prefix.sh
prepare_wine_prefix
# Push frames at 57600 baud; the driver's own window hidden.
write_driver_config "$segment" 3 23 57600 0

"$sim" --format 3 --baud 57600 --channels 1-32 --com 23 --motion 1-16=sine --motion 17-32=walk --position 3 \
    --amplitude 2 --silence 4@2+100000 >"$work/gaugesim.log" 2>&1 &
simpid=$!
trap 'kill $simpid 2>/dev/null || true; /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT INT TERM
sleep 1

seconds=${DEMO_SECONDS:-0}
if [ -z "$shot" ] && [ -n "${DISPLAY:-}" ]; then
    echo "$program.exe on $DISPLAY; gaugesim's log: $work/gaugesim.log"
    cd "$bin"
    if [ "$seconds" -gt 0 ]; then
        timeout "$seconds" "$loader" "$program.exe" || true
    else
        "$loader" "$program.exe"
    fi
    exit 0
fi

# No display (or a picture wanted): Wine's virtual desktop on Xvfb, which
# draws the window's frame.
[ -n "$shot" ] || shot=$work/$program.png
raw=$work/desktop.png
xvfb-run -a -s "-screen 0 1280x1024x24" sh -c "
    cd '$bin'
    '$loader' explorer /desktop=shot,1100x640 '$program.exe' >'$work/$program.log' 2>&1 &
    sleep \${SHOT_AFTER:-10}
    import -window root '$raw'
    /usr/lib/wine/wineserver -k
" >/dev/null 2>&1
# The window stands centred or at the top left of the desktop: cut off the
# task bar, then the desktop's plain background around the window.
convert "$raw" -crop 1100x600+0+0 +repage -fuzz 2% -trim +repage "$shot"
echo "$shot"
