#!/bin/bash
# Configures and builds setup.exe and the tests in ./build (BUILD_DIR to change).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
if [ -f "$build/CMakeCache.txt" ]; then
    cmake "$build" >/dev/null
else
    # A compiler cache, where one is installed, serves builds of several work trees.
    launcher=()
    if command -v ccache >/dev/null; then
        launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw32.cmake" \
          -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
fi
# Paths below the work trees' common folder hash as relative ones: one tree's objects serve another.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$root")}
ninja -C "$build" -j"$(nproc)" "$@"
