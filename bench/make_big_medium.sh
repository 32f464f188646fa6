#!/bin/bash
# The read-through's benchmark medium in C:\bench\medium: the product package with a cabinet of
# some 220 MB beside it (made once in the build folder), and the earlier build beside the medium.
set -euo pipefail
big=$BENCH_BUILD/bench/big
if [ ! -f "$big/data1.cab" ]; then
    mkdir -p "$big"
    sed 's/EmbedCab="yes"/EmbedCab="no"/; s/Cabinet="product.cab"/Cabinet="data1.cab"/' \
        "$RIG_SOURCE_DIR/tools/packages/product.wxs" >"$big/big.wxs"
    # Map tiles compress little: bytes that do not compress, the same in every run.
    (openssl enc -aes-128-ctr -pass pass:korvel -nosalt -pbkdf2 </dev/zero 2>/dev/null || true) | head -c 220000000 >"$big/MapFile"
    (cd "$big" && wixl -a x86 -o Setup_ENU.msi -D ProductCode=8A6C1D2E-3F40-4B5C-9D6E-7F8091A2B3C4 -D Version=2.0.0 \
        -D ComponentGuid=1B7E2C44-9A3D-4E51-8F20-6C4D8B1A0E77 -D FileName=maps.dat -D FileSource=MapFile \
        -D Reboot=no -D Actions=no big.wxs && gcab -c -z -n data1.cab.part MapFile && mv data1.cab.part data1.cab)
    rm -f "$big/MapFile"
fi
read -r -a packages <"$BENCH_BUILD/demo_medium_args"
python3 "$RIG_SOURCE_DIR/tools/make_medium.py" "$WINEPREFIX/drive_c/bench/medium" --setup "$BENCH_BUILD/setup.exe" \
    "${packages[@]}" --copy "$big/Setup_ENU.msi=Setup_ENU.msi" --copy "$big/data1.cab=data1.cab"
cp "$BENCH_BUILD/media/Setup_ENU_earlier.msi" "$WINEPREFIX/drive_c/bench/"
# The page cache dropped for the cabinet whenever the benchmark asks (a file it creates), as
# long as the prefix exists.
medium=$WINEPREFIX/drive_c/bench
setsid bash -c '
    for _ in $(seq 36000); do
        [ -d "$0" ] || exit 0
        if [ -f "$0/drop.request" ]; then
            python3 -c "import os, sys
fd = os.open(sys.argv[1], os.O_RDONLY); os.fsync(fd); os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)" "$0/medium/data1.cab"
            rm -f "$0/drop.request"
        fi
        sleep 0.01
    done' "$medium" </dev/null >/dev/null 2>&1 &
