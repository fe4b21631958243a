#!/bin/sh
# The driver's CPU under Wine (the 64-bit build): vexla_window_host takes the
# results every 50 ms as a host does while gaugesim streams format 3 from 32
# gauges in the fast state at 115200 baud. Over MEASURE_SECONDS (default 30),
# after the link has settled: the CPU of the host's process (its thread and
# the driver's) and of the wineserver that carries its messages, and the
# wake-ups of the process's threads.
# Usage: tools/measure-driver-wine.sh [VEXLA_DLL]  (default: the build's)
set -eu
cd "$(dirname "$0")/.."
seconds=${MEASURE_SECONDS:-30}
bin=$(pwd)/build/win64/bin
work=$(mktemp -d)
export WINEPREFIX=$work/wine WINEDEBUG=-all
sim="" host="" server=""
cleanup() {
    [ -z "$host" ] || kill "$host" 2>/dev/null || true
    [ -z "$sim" ] || kill "$sim" 2>/dev/null || true
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    [ -z "$server" ] || wait "$server" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM
. tools/wine-prefix.sh
boot_wine_prefix
mkdir -p "$work/host"
cp "$bin/vexla_window_host.exe" "$work/host/"
cp "${1:-$bin/Vexla.dll}" "$work/host/Vexla.dll"
write_driver_config 0 3 41 115200 0
build/native/bin/gaugesim --format 3 --channels 1-32 --baud 115200 --com 41 --state fast --motion walk \
    >"$work/sim.log" 2>&1 &
sim=$!
for _ in $(seq 50); do grep -q '^link:' "$work/sim.log" 2>/dev/null && break; sleep 0.1; done

# The prefix's own server, so that its CPU can be told from other prefixes'.
/usr/lib/wine/wineserver -f -p &
server=$!
xvfb-run -a /usr/lib/wine/wine64 "$work/host/vexla_window_host.exe" --page none --seconds $((seconds + 20)) >"$work/host.log" 2>&1 &
host=$!
sleep 8  # the prefix starts, the link connects and the averaging fills
pid=$(pgrep -f "^$work/host/vexla_window_host.exe" | head -1)
hz=$(getconf CLK_TCK)
ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }
# "TID:SWITCHES" for each thread.
switches() {
    for task in /proc/"$1"/task/*; do
        printf '%s:%s\n' "${task##*/}" "$(awk '/ctxt_switches/ { s += $2 } END { print s }' "$task/status")"
    done
}
h0=$(ticks "$pid") s0=$(ticks "$server")
switches "$pid" >"$work/switches0"
sleep "$seconds"
h1=$(ticks "$pid") s1=$(ticks "$server")
switches "$pid" >"$work/switches1"
# The busiest threads' wake-ups, and all of them together.
each=$(awk -F: -v t="$seconds" 'NR == FNR { was[$1] = $2; next } { d = ($2 - was[$1]) / t; w += d; if (d >= 1) printf "%.0f ", d }
                                END { printf "\n%d", w * t }' "$work/switches0" "$work/switches1")
w=$(echo "$each" | tail -1)
echo "  threads' wake-ups per second, each: $(echo "$each" | head -1)"
awk -v h=$((h1 - h0)) -v s=$((s1 - s0)) -v w="$w" -v hz="$hz" -v t="$seconds" 'BEGIN {
    printf "wine, 64-bit: format 3, 115200 baud, 32 gauges fast, host every 50 ms, %d s\n", t
    printf "  host + driver process: %.2f %% of one core\n", 100 * h / hz / t
    printf "  wineserver:            %.2f %% of one core\n", 100 * s / hz / t
    printf "  wake-ups of the process'"'"'s threads: %.0f per second\n", w / t }'
