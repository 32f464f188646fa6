#!/bin/bash
# The medium of the language runs, C:\media\languages: every satellite library, and the product
# package under the German and French names ("Setup_DEU.msi", "Setup_FRA.msi"), one that takes
# seconds to install so that its progress can be read.
set -euo pipefail
build=$RIG_BIN_DIR/../..
read -r -a packages <"$build/demo_medium_args"
media=$WINEPREFIX/drive_c/media
mkdir -p "$media"
python3 "$RIG_SOURCE_DIR/tools/make_medium.py" "$media/languages" --setup "$build/setup.exe" "${packages[@]}" \
    --languages all --copy "$build/media/Setup_ENU_tiles.msi=Setup_DEU.msi" \
    --copy "$build/media/Setup_ENU_tiles.msi=Setup_FRA.msi"
