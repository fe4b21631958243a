#!/bin/sh
# The driver's CPU beside the plain reader's (tools/plain_reader.py), on the
# same line (format 3, 32 gauges fast, 115200 baud) in the same sitting,
# in turns, twice each; then the ratio. CPU_SECONDS sets each turn's length.
set -eu
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)" --target Vexla gaugesim vexla_measure >/dev/null
seconds=${CPU_SECONDS:-30}
bin=build/native/bin
work=$(mktemp -d)
sim=
trap '[ -n "$sim" ] && kill "$sim" 2>/dev/null; rm -rf "$work"' EXIT

for turn in 1 2; do
    "$bin/vexla_measure" cpu --baud 115200 --seconds "$seconds" | tee -a "$work/driver"
    "$bin/gaugesim" --format 3 --baud 115200 --channels 1-32 --state fast --motion sine \
        --link "$work/line" >/dev/null &
    sim=$!
    while [ ! -e "$work/line" ]; do sleep 0.1; done
    python3 tools/plain_reader.py "$work/line" "$seconds" | tee -a "$work/reader"
    kill "$sim"
    wait "$sim" 2>/dev/null || true
    sim=
    rm -f "$work/line"
done

# "driver + host process: 0.024 s CPU = 0.24 % of one core" and
# "plain reader: 1021 frames per second, 0.8 s CPU = 2.65 % of one core":
# the number before the lone "%", averaged over the turns.
average='{ for (i = 1; i <= NF; i++) if ($i == "%") s += $(i - 1); n++ } END { print s / n }'
d=$(grep 'driver + host process' "$work/driver" | awk "$average")
r=$(awk "$average" "$work/reader")
awk -v d="$d" -v r="$r" 'BEGIN {
    printf "driver + host: %.2f %% of one core, plain reader: %.2f %%\n", d, r
    printf "the driver costs %.2f of the plain reader (goal: at most 0.20)\n", d / r }'
