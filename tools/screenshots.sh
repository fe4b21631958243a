#!/bin/sh
# The README's pictures: the driver's control window, one PNG per page in
# docs/screenshots/, taken under Xvfb in Wine's virtual desktop (which draws
# the window frame), with eight simulated gauges on COM21. Chinese text is
# drawn with WenQuanYi Zen Hei, which the prefix is told to use for the
# faces the window asks for.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
work=$root/build/screenshots
out=$root/docs/screenshots
wine=/usr/lib/wine/wine64
bin64=$root/build/win64/bin
sim=$root/build/native/bin/gaugesim

export WINEPREFIX=$work/wineprefix WINEDEBUG=-all
mkdir -p "$work" "$out"
. tools/wine-prefix.sh
prepare_wine_prefix

# The driver's file: format 3 on COM21, the window shown after start-up.
write_driver_config 0 3 21 19200 1

"$sim" --format 3 --channels 1-8 --kind 5-8=0.001 --com 21 --motion sine --position 3 --amplitude 2 \
    --silence 4@1+600 >"$work/gaugesim.log" 2>&1 &
simpid=$!
trap 'kill $simpid 2>/dev/null || true' EXIT INT TERM
sleep 1

for page in 0 1 2 3; do
    shot=$work/page$page.png
    xvfb-run -a -s "-screen 0 800x600x24" sh -c "
        cd '$bin64'
        '$wine' explorer /desktop=shot,420x320 vexla_window_host.exe --page $page --seconds 9 >'$work/host$page.log' 2>/dev/null &
        sleep 7
        import -window root '$shot'
        wait
    "
    # The window stands at the virtual desktop's top left; its rectangle is in the host's log.
    rect=$(sed -n 's/^window: //p' "$work/host$page.log" | tr -d '\r' | head -n 1)
    if [ -n "$rect" ]; then
        set -- $rect
        convert "$shot" -crop "$(($3 - $1))x$(($4 - $2))+$1+$2" +repage "$out/control-window-page$page.png"
    else
        cp "$shot" "$out/control-window-page$page.png"
    fi
    echo "docs/screenshots/control-window-page$page.png"
done

# The monitor with 32 simulated gauges, one of them fallen silent.
tools/run-on-wine.sh Kestrow --screenshot "$out/kestrow-window.png" >/dev/null
echo "docs/screenshots/kestrow-window.png"

# The test program with the same gauges.
tools/run-on-wine.sh Pellin --screenshot "$out/pellin-window.png" >/dev/null
echo "docs/screenshots/pellin-window.png"

# The inspection station: an OK part, a NOK part and its process panel.
tools/station-screenshots.sh
