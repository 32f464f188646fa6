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
