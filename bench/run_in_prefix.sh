#!/bin/bash
# Runs a benchmark program of the build in a fresh rig prefix holding the benchmark medium.
#   run_in_prefix.sh PREFIX PROGRAM ARGS...
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
export BENCH_BUILD=${BUILD_DIR:-$root/build}
export RIG_PREFIX=$1 RIG_DIR=$BENCH_BUILD/rig RIG_KEEPALIVE=$BENCH_BUILD/tests/bin/keepalive.exe
export RIG_SETUP=$here/make_medium.sh RIG_SOURCE_DIR=$root RIG_BIN_DIR=$BENCH_BUILD/tests/bin
shift
cd "$BENCH_BUILD/bench"
"$root/tests/rig/wine-run" "$@" | tr -d '\r'
