#!/bin/bash
# What setup.exe adds to Windows Installer's own work: an unattended end-to-end run against
# the same package operations made directly with msiexec, in the same prefix, in pairs.
#   bench/install.sh [pairs]   (default 5)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${BUILD_DIR:-$root/build}
BUILD_DIR=$build "$root/tools/build.sh" bench keepalive >/dev/null
BUILD_DIR=$build "$here/run_in_prefix.sh" win32-winxp "$build/bench/install_bench.exe" \
    'C:\bench\medium\' 'C:\bench\Setup_ENU_earlier.msi' "${1:-5}"
