#!/bin/sh
# Times `vexla-rec report` on a one-hour recording of 32 channels at 20
# readings per second (2.3 million rows, made once by make-recording.py) and
# holds it to its budget: done in under 10 s, a page under 5 MB. Runs the
# report's benchmarks first. Expects the bench build (make build-bench).
set -eu
cd "$(dirname "$0")/.."
bin=build/bench/bin/recorder_report_bench
dir=build/bench/report
csv=$dir/hour-32ch.csv
limits=$dir/hour-32ch-limits.txt
html=$dir/hour-32ch.html
[ -x $bin ] || { echo "bench-report: $bin is missing (make build-bench)" >&2; exit 1; }
mkdir -p $dir
if [ ! -f $csv ] || [ tools/make-recording.py -nt $csv ]; then
    echo "bench-report: writing $csv"
    python3 tools/make-recording.py --output $csv --limits $limits --channels 32 --seconds 3600 --rate 20 --fine 2
fi

$bin

# Twice: the first run may read the file from the disk, the second from the
# page cache; both count.
for run in 1 2; do
    start=$(date +%s%N)
    if [ -x /usr/bin/time ]; then
        /usr/bin/time -v -o $dir/time.txt $bin report $csv --limits $limits -o $html
        rss_kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' $dir/time.txt)
    else
        $bin report $csv --limits $limits -o $html
        rss_kb=""
    fi
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000000 ))
    csv_bytes=$(wc -c <$csv)
    html_bytes=$(wc -c <$html)
    awk -v ms=$ms -v csv=$csv_bytes -v html=$html_bytes -v rss="$rss_kb" -v run=$run 'BEGIN {
        printf "bench-report (run %d): %.1f MB recording in %.2f s, page %.2f MB", run, csv / 1e6, ms / 1000, html / 1e6
        if (rss != "") printf ", peak memory %.0f MB", rss / 1024
        printf "\n"
    }'
    if [ $ms -ge 10000 ] || [ $html_bytes -ge 5000000 ]; then
        echo "bench-report: over budget (10 s, 5 MB)" >&2
        exit 1
    fi
done
