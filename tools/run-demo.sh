#!/bin/sh
# The demo: a simulated gauge network on a pty mapped as COM1, and a host that
# loads the driver and shows the 32 channels live. Everything it writes (the
# driver's configuration file, the COM link) stays under build/demo-home.
# DEMO_SECONDS=N stops after N seconds; otherwise Ctrl-C ends it.
set -eu
cd "$(dirname "$0")/.."
bin=build/native/bin
home=$PWD/build/demo-home
rm -rf "$home"
mkdir -p "$home/.config" "$home/wineprefix"
export HOME="$home" XDG_CONFIG_HOME="$home/.config" WINEPREFIX="$home/wineprefix"

log=$home/gaugesim.log
# A fresh configuration file asks for the PC-polled format at 19200 baud on COM1.
"$bin/gaugesim" --format 2 --channels 1-8 --baud 19200 --com 1 --motion sine --position 5 --amplitude 2 >"$log" 2>&1 &
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

seconds=${DEMO_SECONDS:-0}
"$bin/vexla_live" --library "$bin/libVexla.so" --seconds "$seconds" --zero
