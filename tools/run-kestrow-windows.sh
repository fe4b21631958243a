#!/bin/sh
# Kestrow.exe under Wine against 32 simulated gauges (gaugesim on COM23):
# on the user's display when there is one, else under Xvfb, where a picture
# of the window is taken after a few seconds. DEMO_SECONDS=N ends it after N
# seconds; --screenshot FILE takes the picture into FILE in any case (and
# ends after it). Everything it writes stays under build/demo-windows.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
work=$root/build/demo-windows
bin64=$root/build/win64/bin
sim=$root/build/native/bin/gaugesim
shot=""
[ "${1:-}" = "--screenshot" ] && shot=$2

export WINEPREFIX=$work/wineprefix WINEDEBUG=-all
mkdir -p "$work"
. tools/wine-prefix.sh
prepare_wine_prefix
# The monitor works on segment 1: push frames at 57600 baud, the driver's
# own window hidden.
write_driver_config 1 3 23 57600 0

"$sim" --format 3 --baud 57600 --channels 1-32 --com 23 --motion 1-16=sine \
    --motion 17-32=walk --position 3 --amplitude 2 --silence 4@2+100000 >"$work/gaugesim.log" 2>&1 &
simpid=$!
trap 'kill $simpid 2>/dev/null || true; /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT INT TERM
sleep 1

seconds=${DEMO_SECONDS:-0}
if [ -z "$shot" ] && [ -n "${DISPLAY:-}" ]; then
    echo "Kestrow.exe on $DISPLAY; gaugesim's log: $work/gaugesim.log"
    cd "$bin64"
    if [ "$seconds" -gt 0 ]; then
        timeout "$seconds" "$wine" Kestrow.exe || true
    else
        "$wine" Kestrow.exe
    fi
    exit 0
fi

# No display (or a picture wanted): Wine's virtual desktop on Xvfb, which
# draws the window's frame.
[ -n "$shot" ] || shot=$work/kestrow.png
raw=$work/desktop.png
xvfb-run -a -s "-screen 0 1280x1024x24" sh -c "
    cd '$bin64'
    '$wine' explorer /desktop=shot,1100x560 Kestrow.exe >'$work/kestrow.log' 2>&1 &
    sleep \${KESTROW_SHOT_AFTER:-10}
    import -window root '$raw'
    /usr/lib/wine/wineserver -k
" >/dev/null 2>&1
# The window stands centred on the desktop: cut off the task bar, then the
# desktop's plain background around the window.
convert "$raw" -crop 1100x520+0+0 +repage -fuzz 2% -trim +repage "$shot"
echo "$shot"
