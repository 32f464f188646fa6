#!/bin/bash
# Builds everything and runs every test under Wine (Xvfb and the Wine prefixes are made by the
# test rig itself).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/tools/install-deps.sh"
BUILD_DIR=$build "$root/tools/build.sh"
cd "$build"
ctest -j2 --output-on-failure --timeout 600 "$@"
