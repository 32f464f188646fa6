#!/bin/bash
# The benchmark medium in C:\bench\medium, with the earlier build of the product beside it.
set -euo pipefail
read -r -a packages <"$BENCH_BUILD/demo_medium_args"
python3 "$RIG_SOURCE_DIR/tools/make_medium.py" "$WINEPREFIX/drive_c/bench/medium" --setup "${BENCH_SETUP:-$BENCH_BUILD/setup.exe}" \
    "${packages[@]}"
cp "$BENCH_BUILD/media/Setup_ENU_earlier.msi" "$WINEPREFIX/drive_c/bench/"
# The same medium without its satellite libraries: every user reads English there.
cp -r "$WINEPREFIX/drive_c/bench/medium" "$WINEPREFIX/drive_c/bench/nosatellite"
rm -f "$WINEPREFIX"/drive_c/bench/nosatellite/setup???.dll
