#!/bin/bash
# Start-up speed, size and memory of setup.exe under Wine on a virtual display, with a warm
# Wine server (the rig's keep-alive process): the time from process start to the main page
# shown with "Next" enabled, beside the first window of a minimal dialog program (the floor).
#   bench/startup.sh [runs]   (default 15)
# BENCH_SETUP=path/setup.exe measures that setup.exe instead of the build's (an earlier one).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${BUILD_DIR:-$root/build}
BUILD_DIR=$build "$root/tools/build.sh" bench keepalive >/dev/null
setup=${BENCH_SETUP:-$build/setup.exe}
size=$(stat -c %s "$setup")
echo "setup.exe stripped size: $size bytes (target at most 131072: $((131072 - size)) bytes to spare)"
echo "minimal dialog program size: $(stat -c %s "$build/bench/min_dialog.exe") bytes"
BENCH_SETUP=$setup BUILD_DIR=$build "$here/run_in_prefix.sh" win32-winxp "$build/bench/startup_bench.exe" \
    'C:\bench\medium\setup.exe' "Z:$build/bench/min_dialog.exe" "Z:$build/bench/min_dialog_cc6.exe" "${1:-15}"
