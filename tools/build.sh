#!/bin/bash
# Configures and builds setup.exe and the tests in ./build (BUILD_DIR to change).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
if [ -f "$build/CMakeCache.txt" ]; then
    cmake "$build" >/dev/null
else
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw32.cmake" \
          -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
ninja -C "$build" -j"$(nproc)" "$@"
