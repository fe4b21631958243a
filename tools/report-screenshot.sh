#!/bin/sh
# Remakes docs/screenshots/recorder-report.png: a made-up recording of three
# channels (a ramp, a sine with spikes and a noisy 0.001 mm gauge, all with
# readings outside their limits) turned into a report by vexla-rec, as
# headless Chromium shows it.
set -eu
cd "$(dirname "$0")/.."
if ! command -v chromium >/dev/null 2>&1; then
    echo "report-screenshot: needs Chromium to draw the page (apt-get install chromium)" >&2
    exit 1
fi
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)" --target vexla-rec
dir=build/report-screenshot
mkdir -p $dir docs/screenshots
python3 tools/make-recording.py --output $dir/recording.csv --limits $dir/limits.txt \
    --channels 3 --seconds 900 --rate 5 --fine 1
# From inside the folder, so that the page names the files as a user would.
(cd $dir && ../native/bin/vexla-rec report recording.csv --limits limits.txt)
# As root Chromium runs only without its sandbox; the page is our own file.
chromium --headless=new --no-sandbox --disable-gpu --hide-scrollbars --window-size=1060,1900 \
    --screenshot="$PWD/docs/screenshots/recorder-report.png" "file://$PWD/$dir/recording.html" 2>/dev/null
echo "report-screenshot: docs/screenshots/recorder-report.png"
