#!/bin/bash
# Media for the page and start-up tests, made with the medium builder into C:\media\<name>.
set -euo pipefail
setup_exe=$RIG_BIN_DIR/../../setup.exe
make=( python3 "$RIG_SOURCE_DIR/tools/make_medium.py" )
media=$WINEPREFIX/drive_c/media
rm -rf "$media"

"${make[@]}" "$media/standard" --setup "$setup_exe" --name "Example Maps" \
    --eula "GENERAL TERMS" --data-license "DATA TERMS"
"${make[@]}" "$media/nosetupdat" --setup "$setup_exe" --no-setup-dat
"${make[@]}" "$media/onlydata" --setup "$setup_exe" --no-eula --data-license "DATA TERMS ONLY"
"${make[@]}" "$media/lowercase" --setup "$setup_exe" --eula-name Eula.txt --eula "SECOND NAME" \
    --data-license "DATA"
"${make[@]}" "$media/nodata" --setup "$setup_exe" --no-data-license
"${make[@]}" "$media/nolangfolder" --setup "$setup_exe" --no-data-license --no-bitmap
"${make[@]}" "$media/nobom" --setup "$setup_exe" --no-bom --eula "XGENERAL" --data-license "YDATA"
"${make[@]}" "$media/odd" --setup "$setup_exe" --eula "ODD" --data-license "DATA"
printf 'Z' >> "$media/odd/EULA.txt"   # one byte more: an odd length

# A German satellite library beside setup.exe; one medium with its bitmap, one without.
"${make[@]}" "$media/german" --setup "$setup_exe" --lang DEU --frame 802020 --data-license "DATEN" --eula "ALLGEMEIN"
"${make[@]}" "$media/german" --lang ENU --no-setup-dat --no-eula --no-data-license
cp "$RIG_BIN_DIR/setupDEU.dll" "$media/german/"
"${make[@]}" "$media/germannobitmap" --setup "$setup_exe" --lang DEU --no-bitmap --data-license "DATEN"
"${make[@]}" "$media/germannobitmap" --lang ENU --no-setup-dat --no-eula --no-data-license
cp "$RIG_BIN_DIR/setupDEU.dll" "$media/germannobitmap/"
# A satellite library whose table lacks the title format.
"${make[@]}" "$media/notitleformat" --setup "$setup_exe" --lang DEU --data-license "DATEN"
cp "$RIG_BIN_DIR/setupDEU_notitle.dll" "$media/notitleformat/setupDEU.dll"

# A satellite library whose main page template cannot be made into a window.
"${make[@]}" "$media/brokenpage" --setup "$setup_exe" --lang DEU --data-license "DATEN"
cp "$RIG_BIN_DIR/setupDEU_brokenpage.dll" "$media/brokenpage/setupDEU.dll"

# DLLs planted beside setup.exe under the names of system DLLs it uses.
"${make[@]}" "$media/planted" --setup "$setup_exe"
for name in msi uxtheme dwmapi comctl32 userenv oleacc; do
    cp "$RIG_BIN_DIR/planted_dll.dll" "$media/planted/$name.dll"
done
