#!/bin/bash
# Gives the test prefix all 26 drive letters:
#   A: removable, empty        B: fixed, a 40 MiB tmpfs      C: the system drive (fixed)
#   D: optical, empty          E..X: removable, optical and remote in turn, empty
#   Y: fixed, a folder of the run copy                        Z: the Linux root (fixed)
# The tmpfs is mounted inside the run copy; the rig unmounts it with the copy.
set -eu
: "${WINEPREFIX:?}" "${RIG_RUN_DIR:?}"

letters=$RIG_RUN_DIR/letters
mkdir -p "$letters/small" "$letters/room"
mount -t tmpfs -o size=40m tmpfs "$letters/small"

link() {  # letter target
    ln -sfn "$2" "$WINEPREFIX/dosdevices/$1:"
}

reg=$RIG_RUN_DIR/letters.reg
{
    printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\r\n'
    link a "$letters/a"; mkdir -p "$letters/a"; printf '"a:"="floppy"\r\n'
    link b "$letters/small"; printf '"b:"="hd"\r\n'
    link d "$letters/d"; mkdir -p "$letters/d"; printf '"d:"="cdrom"\r\n'
    types=(floppy cdrom network)
    i=0
    for letter in e f g h i j k l m n o p q r s t u v w x; do
        mkdir -p "$letters/$letter"
        link "$letter" "$letters/$letter"
        printf '"%s:"="%s"\r\n' "$letter" "${types[i % 3]}"
        i=$((i + 1))
    done
    link y "$letters/room"; printf '"y:"="hd"\r\n'
} >"$reg"

# The drive types are read by the native-width mount manager: on a 64-bit prefix write the
# 64-bit view (a plain import from the 32-bit tools lands in Wow6432Node).
view=()
[ "${RIG_ARCH:-win32}" = win64 ] && view=(/reg:64)
WINEDEBUG=-all wine reg import "Z:${reg//\//\\}" "${view[@]}"
wineserver -w
