#!/bin/bash
# C: reported as a network drive, D: a fixed drive (a folder of the run copy) with room.
set -eu
: "${WINEPREFIX:?}" "${RIG_RUN_DIR:?}"
mkdir -p "$RIG_RUN_DIR/fixed_d"
ln -sfn "$RIG_RUN_DIR/fixed_d" "$WINEPREFIX/dosdevices/d:"
view=()
[ "${RIG_ARCH:-win32}" = win64 ] && view=(/reg:64)
WINEDEBUG=-all wine reg add 'HKLM\Software\Wine\Drives' /v c: /t REG_SZ /d network /f "${view[@]}"
WINEDEBUG=-all wine reg add 'HKLM\Software\Wine\Drives' /v d: /t REG_SZ /d hd /f "${view[@]}"
wineserver -w
