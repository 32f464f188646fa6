#!/bin/bash
# The read-through of the medium's cabinets: its MB/s beside a plain sequential ReadFile of the
# same files in the same run, and an unattended installation from a medium of some 220 MB with
# it and without it, in a fresh rig prefix.
#   bench/medium.sh [rounds]   (default 5)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${BUILD_DIR:-$root/build}
BUILD_DIR=$build "$root/tools/build.sh" bench keepalive >/dev/null
export BENCH_BUILD=$build RIG_PREFIX=win32-winxp RIG_DIR=$build/rig RIG_KEEPALIVE=$build/tests/bin/keepalive.exe
export RIG_SETUP=$here/make_big_medium.sh RIG_SOURCE_DIR=$root RIG_BIN_DIR=$build/tests/bin
cd "$build/bench"
"$root/tests/rig/wine-run" "$build/bench/medium_bench.exe" 'C:\bench\medium\' 'C:\bench\Setup_ENU_earlier.msi' \
    "${1:-5}" | tr -d '\r'
