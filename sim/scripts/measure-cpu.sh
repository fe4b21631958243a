#!/bin/sh
# CPU use of gaugesim holding a full line: 32 gauges that want more than the
# line carries, a reader draining the pty. Usage:
#   sim/scripts/measure-cpu.sh path/to/gaugesim [seconds] [baud] [format]
set -eu
sim=$1; seconds=${2:-30}; baud=${3:-115200}; format=${4:-3}
out=$(mktemp); drained=$(mktemp)
"$sim" --format "$format" --channels 1-32 --baud "$baud" --state fast --fast-rate 50 >"$out" &
pid=$!
while ! grep -q '^pty: ' "$out"; do sleep 0.05; done
pty=$(sed -n 's/^pty: //p' "$out" | head -n 1)
stty -F "$pty" raw -echo
cat "$pty" >"$drained" 2>/dev/null &
reader=$!
sleep "$seconds"
# Fields 14 and 15 of /proc/PID/stat: user and system time in clock ticks.
ticks=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
bytes=$(wc -c <"$drained")
kill -TERM "$pid"; wait "$pid" || true
kill "$reader" 2>/dev/null || true; wait "$reader" 2>/dev/null || true
rm -f "$out" "$drained"
hz=$(getconf CLK_TCK)
echo "gaugesim: $ticks ticks of $hz/s CPU in $seconds s = $(awk "BEGIN { printf \"%.2f\", 100 * $ticks / $hz / $seconds }")% of one core"
echo "line: $bytes bytes = $(( bytes / seconds )) bytes/s (capacity $(( baud / 10 )))"
