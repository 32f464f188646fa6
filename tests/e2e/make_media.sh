#!/bin/bash
# Media for the end-to-end runs, made with the medium builder into C:\media\<name>, and the
# earlier build of the product beside them.
set -euo pipefail
build=$RIG_BIN_DIR/../..
setup_exe=$build/setup.exe
read -r -a packages <"$build/demo_medium_args"
make=( python3 "$RIG_SOURCE_DIR/tools/make_medium.py" )
media=$WINEPREFIX/drive_c/media
rm -rf "$media"
mkdir -p "$media"

"${make[@]}" "$media/full" --setup "$setup_exe" "${packages[@]}"
"${make[@]}" "$media/nosetupdat" --setup "$setup_exe" --no-setup-dat "${packages[@]}"
# setup.dat's product code field would end msiexec's quoted argument and add switches.
"${make[@]}" "$media/hostilecode" --setup "$setup_exe" "${packages[@]}" --product-code '{x}" /i \\host\x.msi /qn'
# More room than any drive has: about 900 TB.
"${make[@]}" "$media/huge" --setup "$setup_exe" --size 999999999999999999 "${packages[@]}"
# The product package is not a package at all.
"${make[@]}" "$media/broken" --setup "$setup_exe" "${packages[@]}" --copy "$build/media/broken.msi=Setup_ENU.msi"
# The product package takes seconds: the installation can be watched, and cancelled.
"${make[@]}" "$media/tiles" --setup "$setup_exe" "${packages[@]}" --copy "$build/media/Setup_ENU_tiles.msi=Setup_ENU.msi"
# The product package asks a question through the installer before it installs, and a restart.
"${make[@]}" "$media/ask" --setup "$setup_exe" "${packages[@]}" --copy "$build/media/Setup_ENU_ask.msi=Setup_ENU.msi"
# The product package's cabinet beside it: whole, cut short by an interrupted copy, replaced by
# the page a failed download saved under its name, with one byte changed, and signed.
for medium in cabinet cutcabinet foreigncabinet bytecabinet signedcabinet; do
    "${make[@]}" "$media/$medium" --setup "$setup_exe" "${packages[@]}" \
        --copy "$build/media/Setup_ENU_extcab.msi=Setup_ENU.msi" --copy "$build/media/data1.cab=data1.cab"
done
truncate -s 100 "$media/cutcabinet/data1.cab"
cp "$build/media/download_error.html" "$media/foreigncabinet/data1.cab"
cp "$build/media/data1_damaged.cab" "$media/bytecabinet/data1.cab"
cp "$build/media/data1_signed.cab" "$media/signedcabinet/data1.cab"
# The cabinet inside the product package with one byte changed.
"${make[@]}" "$media/embeddedbyte" --setup "$setup_exe" "${packages[@]}" \
    --copy "$build/media/Setup_ENU_damagedcab.msi=Setup_ENU.msi"
# A German satellite library; its product package "Setup_DEU.msi" is not on the medium.
"${make[@]}" "$media/german" --setup "$setup_exe" --lang DEU "${packages[@]}"
"${make[@]}" "$media/german" --lang ENU --no-setup-dat --no-eula --no-data-license
cp "$RIG_BIN_DIR/setupDEU.dll" "$media/german/"

cp "$build/media/Setup_ENU_earlier.msi" "$build/media/Setup_ENU_stuck.msi" "$media/"
cp "$RIG_BIN_DIR/driver_3_2.dll" "$media/newer_driver.sys"
