#!/bin/sh
# What vexla-rec costs while 32 gauges stream at their full rate, over
# MEASURE_SECONDS (default 60): CPU time from /proc of its own thread (the
# ticks, the rows, the file) and of the whole process (with the driver
# library's threads), and the rows it writes.
# Usage: tools/measure-recorder.sh [build/native/bin]
set -eu
bin=$(cd "${1:-$(dirname "$0")/../build/native/bin}" && pwd)
seconds=${MEASURE_SECONDS:-60}
work=$(mktemp -d)
sim=""
rec=""
cleanup() {
    for pid in $rec $sim; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT INT TERM
. "$(dirname "$0")/measuring.sh"
start_streaming_gauges "$bin" 52
printf '1,0,-1,1\n2,0,-0.5,0.5\n' >"$work/limits.csv"

"$bin/vexla-rec" --library "$bin/libVexla.so" --limits "$work/limits.csv" -q -o "$work/run.csv" >"$work/summary.txt" &
rec=$!
sleep 3
hz=$(getconf CLK_TCK)
set -- $(cpu_ticks "$rec")
p0=$1 m0=$2
r0=$(wc -l <"$work/run.csv")
sleep "$seconds"
set -- $(cpu_ticks "$rec")
p1=$1 m1=$2
r1=$(wc -l <"$work/run.csv")
kill -INT "$rec"
wait "$rec"
rec=""
awk -v m="$((m1 - m0))" -v p="$((p1 - p0))" -v hz="$hz" -v s="$seconds" -v r="$((r1 - r0))" 'BEGIN {
    printf "vexla-rec, 32 gauges streaming, %d s:\n", s
    printf "  recorder thread: %.2f %% of a core\n", 100 * m / hz / s
    printf "  whole process:   %.2f %% of a core (with the driver library'"'"'s threads)\n", 100 * p / hz / s
    printf "  rows written:    %.0f per second\n", r / s }'
