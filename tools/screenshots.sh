#!/bin/sh
# The README's pictures: the driver's control window, one PNG per page in
# docs/screenshots/, taken under Xvfb in Wine's virtual desktop (which draws
# the window frame), with eight simulated gauges on COM21, then Kestrow's,
# Pellin's and the station's windows. Chinese text is
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

# The inspection station, into station-ok.png, station-nok.png and
# station-chart.png: eight gauges on COM71 (gauge 3 drifting out of its
# limits, gauge 8 falling silent), the station started and operated as an
# operator does by station_screenshots.exe inside Wine's virtual desktop.
write_driver_config 71 3 71 19200 0

# The station's files on C:, its records started afresh.
files=$WINEPREFIX/drive_c/vexla-station-shots
rm -rf "$files"
mkdir -p "$files/records"
{
    echo "# channel, nominal, lower, upper"
    for c in 1 2 3 4 5 6 7 8; do echo "$c, 0, -0.05, 0.05"; done
} >"$files/limits.txt"
printf '%s\n' "channel,chart,subgroup,centre,lower,upper,spread_centre,spread_lower,spread_upper,sigma_within" \
    "3,I-MR,1,0,-0.03,0.03,0.011,0,0.037,0.01" >"$files/control.csv"
c='C:\vexla-station-shots'
printf '%s\n' "[station]" "segment = 71" "channels = 1-8" "thousandths = 5,6" "limits = $c\\limits.txt" \
    "control_limits = $c\\control.csv" "warning = 75" "capture_key = F9" "scan_then_capture = 1" \
    "master_interval_h = 8" "records = $c\\records" "language = zh" "batch = B-17" "operator = 王芳" \
    "[names]" "1 = 外径" "2 = 内径" "3 = 孔深" "4 = 台阶高" "5 = 平面度" "6 = 同轴度" "7 = 总长" \
    >"$files/station.ini"

# Gauge 2 near its limit, 5 and 6 wandering, 3 drifting out of its limits,
# 8 falling silent after the first parts.
"$sim" --format 3 --com 71 --channels 1-8 --kind 5-6=0.001 --motion still --position 0 --position 1=0.01 \
    --position 2=0.04 --position 4=-0.02 --position 7=0.02 --motion 5-6=walk --motion 3=ramp --position 3=-0.04 \
    --speed 0.004 --silence 8@20+100000 >"$work/station-gaugesim.log" 2>&1 &
stationsim=$!
trap 'kill $simpid $stationsim 2>/dev/null || true' EXIT INT TERM
sleep 1

rm -f "$work"/station-*.bmp "$work/station-done"
# The virtual desktop outlives the program in it: wait for the last picture.
xvfb-run -a -s "-screen 0 1600x1200x24" sh -c "
    cd '$bin64'
    '$wine' explorer /desktop=shot,1400x1000 station_screenshots.exe '$c\\station.ini' 'Z:$(echo "$work" | tr / '\\')' \
        >'$work/station-shots.log' 2>&1 &
    for i in \$(seq 240); do [ -f '$work/station-done' ] && break; sleep 0.5; done
    /usr/lib/wine/wineserver -k
" >/dev/null 2>&1 || true
for shot in station-ok station-nok station-chart; do
    if [ -f "$work/$shot.bmp" ]; then
        convert "$work/$shot.bmp" "$out/$shot.png"
        echo "docs/screenshots/$shot.png"
    else
        echo "station-screenshots.sh: no $shot picture; see $work/station-shots.log" >&2
        exit 1
    fi
done
kill $stationsim
