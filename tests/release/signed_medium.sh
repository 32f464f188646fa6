#!/bin/bash
# A medium in the prefix for the signed setup.exe named by RELEASE_SETUP_EXE.
set -euo pipefail
python3 "$RIG_SOURCE_DIR/tools/make_medium.py" "$WINEPREFIX/drive_c/media/signed" \
    --setup "$RELEASE_SETUP_EXE" --name "Example Maps"
