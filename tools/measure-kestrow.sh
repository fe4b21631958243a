#!/bin/sh
# What kestrow costs while 32 gauges stream, over MEASURE_SECONDS (default
# 60) in a tmux pane: CPU time from /proc of the monitor's own thread (the
# timer, the model, the drawing) and of the whole process (with the driver
# library's threads, which vexla_measure cpu measures alone), and the bytes
# it sends to the terminal.
# Usage: tools/measure-kestrow.sh [build/native/bin]
set -eu
bin=$(cd "${1:-$(dirname "$0")/../build/native/bin}" && pwd)
seconds=${MEASURE_SECONDS:-60}
work=$(mktemp -d)
sock=$work/tmux.sock
sim=""
cleanup() {
    tmux -S "$sock" kill-server 2>/dev/null || true
    [ -z "$sim" ] || kill "$sim" 2>/dev/null || true
    [ -z "$sim" ] || wait "$sim" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM
. "$(dirname "$0")/measuring.sh"
start_streaming_gauges "$bin" 15

tmux -S "$sock" new-session -d -x 100 -y 30 "LANG=C.UTF-8 exec '$bin/kestrow' --library '$bin/libVexla.so'"
tmux -S "$sock" pipe-pane -o "cat >'$work/screen.bytes'"
sleep 3
pid=$(tmux -S "$sock" display-message -p '#{pane_pid}')
hz=$(getconf CLK_TCK)
set -- $(cpu_ticks "$pid")
p0=$1 m0=$2
b0=$(wc -c <"$work/screen.bytes")
sleep "$seconds"
set -- $(cpu_ticks "$pid")
p1=$1 m1=$2
b1=$(wc -c <"$work/screen.bytes")
tmux -S "$sock" send-keys q
awk -v m="$((m1 - m0))" -v p="$((p1 - p0))" -v hz="$hz" -v s="$seconds" -v b="$((b1 - b0))" 'BEGIN {
    printf "kestrow, 32 gauges streaming, %d s:\n", s
    printf "  monitor thread: %.2f %% of a core\n", 100 * m / hz / s
    printf "  whole process:  %.2f %% of a core (with the driver library'"'"'s threads)\n", 100 * p / hz / s
    printf "  to the terminal: %.0f bytes/s\n", b / s }'
