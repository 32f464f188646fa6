#!/bin/bash
# Media of the unattended runs beside the end-to-end ones (make_media.sh runs first): drivers
# packages that are no packages, and a product package that asks for a restart at its end.
set -euo pipefail
build=$RIG_BIN_DIR/../..
read -r -a packages <"$build/demo_medium_args"
make=( python3 "$RIG_SOURCE_DIR/tools/make_medium.py" )
media=$WINEPREFIX/drive_c/media

"${make[@]}" "$media/brokendrivers" --setup "$build/setup.exe" "${packages[@]}" \
    --copy "$build/media/broken.msi=USB_Drivers/USB_32.msi" --copy "$build/media/broken.msi=USB_Drivers/USB_64.msi"
"${make[@]}" "$media/reboot" --setup "$build/setup.exe" "${packages[@]}" \
    --copy "$build/media/Setup_ENU_reboot.msi=Setup_ENU.msi"
# A medium without its product package (a package manager that fetched setup.exe alone, with
# setup.dat), and one whose product package lacks its external cabinet.
"${make[@]}" "$media/nopackage" --setup "$build/setup.exe" "${packages[@]}"
rm "$media/nopackage/Setup_ENU.msi"
"${make[@]}" "$media/nocabinet" --setup "$build/setup.exe" "${packages[@]}" \
    --copy "$build/media/Setup_ENU_nocab.msi=Setup_ENU.msi"
# A product package that fails its installation (1603), and drivers packages that end with 1602
# though no one cancelled.
"${make[@]}" "$media/failing" --setup "$build/setup.exe" "${packages[@]}" \
    --copy "$build/media/Setup_ENU_failing.msi=Setup_ENU.msi"
# Drivers newer than any installed ones, in a package that asks for a restart at its end; and the
# earlier build whose removal asks for one.
"${make[@]}" "$media/rebootdrivers" --setup "$build/setup.exe" "${packages[@]}" \
    --copy "$build/media/USB_32_reboot.msi=USB_Drivers/USB_32.msi" --copy "$build/media/USB_64_reboot.msi=USB_Drivers/USB_64.msi"
for sys in krvlusb krvlgen krvl0200 krvl0400 krvl1200; do cp "$RIG_BIN_DIR/driver_3_2.dll" "$media/rebootdrivers/USB_Drivers/I386/$sys.sys"; done
for sys in krvlusb krvlgen; do cp "$RIG_BIN_DIR/driver_3_2.dll" "$media/rebootdrivers/USB_Drivers/Amd64/$sys.sys"; done
cp "$build/media/Setup_ENU_earlier_reboot.msi" "$media/"
"${make[@]}" "$media/quitdrivers" --setup "$build/setup.exe" "${packages[@]}" \
    --copy "$build/media/USB_32_quit.msi=USB_Drivers/USB_32.msi" --copy "$build/media/USB_64_quit.msi=USB_Drivers/USB_64.msi"
# setup.dat is a folder: it exists and does not read.
"${make[@]}" "$media/datfolder" --setup "$build/setup.exe" "${packages[@]}"
rm "$media/datfolder/setup.dat"
mkdir "$media/datfolder/setup.dat"
# The satellite of the user's language names a product package outside the medium's folder,
# where a package lies.
"${make[@]}" "$media/leave" --setup "$build/setup.exe" "${packages[@]}"
for language in ENU DEU; do cp "$RIG_BIN_DIR/leaving_satellite.dll" "$media/leave/setup$language.dll"; done
mkdir -p "$media/pwnd"
cp "$build/media/Setup_ENU.msi" "$media/pwnd/x.msi"
# A program where the satellite of the user's language should be.
"${make[@]}" "$media/badsatellite" --setup "$build/setup.exe" "${packages[@]}"
for language in ENU DEU; do cp "$RIG_BIN_DIR/fake_app.exe" "$media/badsatellite/setup$language.dll"; done
