#!/bin/bash
# Start-up speed, size and memory of setup.exe under Wine on a virtual display, with a warm
# Wine server (the rig's keep-alive process): the time from process start to the main page
# shown with "Next" enabled, beside the first window of a minimal dialog program (the floor).
#   bench/startup.sh [runs]   (default 61 for the comparison with the minimal dialog, 31 for the
#   satellite's cost: single starts vary by a quarter and more on a busy two-core machine, and
#   the ratio of two medians of 31 starts still moved by up to 0.07 from one run to the next)
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
    'C:\bench\medium\setup.exe' "Z:$build/bench/min_dialog.exe" "Z:$build/bench/min_dialog_cc6.exe" "${1:-61}"

# The satellite library's cost for a German user: the medium with setupDEU.dll against the same
# medium without satellites, interleaved in one German prefix; then a German prefix against an
# English one on the same medium, in turns (each round in fresh prefixes: noisier).
LC_ALL=de_DE.UTF-8 BUILD_DIR=$build "$here/run_in_prefix.sh" win32-winxp "$build/bench/startup_bench.exe" --pair \
    'C:\bench\medium\setup.exe' 'C:\bench\nosatellite\setup.exe' "${1:-31}"
english=() german=()
for round in 1 2 3; do
    for locale in en_US.UTF-8 de_DE.UTF-8; do
        line=$(LC_ALL=$locale BUILD_DIR=$build "$here/run_in_prefix.sh" win32-winxp "$build/bench/startup_bench.exe" \
            --pair 'C:\bench\medium\setup.exe' 'C:\bench\medium\setup.exe' 5 2>/dev/null \
            | sed -n 's/^main page ready, .*, median of [0-9]* runs: \([0-9.]*\) ms$/\1/p' | head -n 1)
        [ -n "$line" ] || { echo "satellite cost: a run for $locale failed"; exit 1; }
        if [ "$locale" = de_DE.UTF-8 ]; then german+=("$line"); else english+=("$line"); fi
    done
done
median() { printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"; }
e=$(median "${english[@]}") g=$(median "${german[@]}")
echo "main page ready, English prefix, medians of 3 rounds: ${english[*]} ms -> $e ms"
echo "main page ready, German prefix (setupDEU.dll), medians of 3 rounds: ${german[*]} ms -> $g ms"
echo "German prefix minus English prefix: $(echo "$g - $e" | bc) ms (target at most 10)"
