#!/bin/bash
# Builds everything and runs every test under Wine (Xvfb and the Wine prefixes are made by the
# test rig itself), after fuzzing the parsers of medium files for a bounded count.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/tools/install-deps.sh"
# The parsers of medium files first, natively under the sanitizers: a bounded fuzzing run each.
FUZZ_BUILD_DIR=$build-fuzz "$root/fuzz/run.sh"
BUILD_DIR=$build "$root/tools/build.sh"
cd "$build"
ctest -j2 --output-on-failure --timeout 600 "$@"
