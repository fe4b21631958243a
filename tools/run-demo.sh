#!/bin/sh
# The demo: a simulated network of 32 gauges on a pty mapped as COM1, and the
# operator's monitor, kestrow, showing them on the terminal (as a plain table
# once a second when standard output is not a terminal). Everything it writes
# (the driver's configuration file, the COM link) stays under build/demo-home.
# DEMO_SECONDS=N stops after N seconds; otherwise q, Esc or Ctrl-C ends it.
set -eu
cd "$(dirname "$0")/.."
bin=build/native/bin
home=$PWD/build/demo-home
rm -rf "$home"
mkdir -p "$home/.config/系统配置" "$home/wineprefix"
export HOME="$home" XDG_CONFIG_HOME="$home/.config" WINEPREFIX="$home/wineprefix"

# kestrow uses segment 1. Its configuration file is written before the first
# connect, which would otherwise write the default, the polled format 2 at
# 19200 baud: polling 32 gauges at that speed brings each only about 0.5
# readings a second. Pushed readings (format 3) at 115200 baud bring all five.
printf '[硬件类型]\r\n数据格式=3\r\n[通讯设置]\r\n串口编号=1\r\n波特率=115200\r\n[用户参数]\r\n显示DLL小窗口=0\r\n' |
    iconv -f UTF-8 -t GBK >"$XDG_CONFIG_HOME/系统配置/Vexla配置001.txt"

log=$home/gaugesim.log
# Channels 7 and 8 are 0.001 mm gauges (h in kestrow switches to 千分表);
# channel 12 falls silent after 8 s for 20 s (已脱离).
"$bin/gaugesim" --format 3 --channels 1-32 --baud 115200 --com 1 --kind 7-8=0.001 \
    --motion sine --position 5 --position 7-8=0.5 --amplitude 2 --period 20 --silence 12@8+20 >"$log" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true; wait $sim 2>/dev/null || true' EXIT INT TERM

for _ in $(seq 50); do
    grep -q '^pty:' "$log" 2>/dev/null && break
    sleep 0.1
done
if ! grep -q '^pty:' "$log"; then
    echo "gaugesim did not start:" >&2
    cat "$log" >&2
    exit 1
fi
echo "gaugesim: $(grep '^pty:' "$log") as COM1; its log: $log"

"$bin/kestrow" --library "$bin/libVexla.so" --segment 1 --seconds "${DEMO_SECONDS:-0}"
