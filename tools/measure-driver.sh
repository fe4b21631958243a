#!/bin/sh
# The driver's figures: CPU use while gaugesim streams format 3 at 115200 baud
# with 32 gauges, the latency from a frame on the line to its value in
# GetNewData32Ch (depth 1), and frames lost in the push formats at 19200,
# 57600 and 115200 baud. Builds what it needs in the native preset.
# CPU_SECONDS, LOSS_SECONDS and LATENCY_SECONDS shorten or lengthen the runs.
set -eu
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)" --target Vexla gaugesim vexla_measure >/dev/null
measure=build/native/bin/vexla_measure

"$measure" cpu --baud 115200 --seconds "${CPU_SECONDS:-60}"
"$measure" latency --host-ms 50 --seconds "${LATENCY_SECONDS:-30}"
"$measure" latency --host-ms 1 --seconds "${LATENCY_SECONDS:-30}"
for format in 0 1 3; do
    for baud in 19200 57600 115200; do
        "$measure" loss --format "$format" --baud "$baud" --seconds "${LOSS_SECONDS:-10}"
    done
done
