#!/bin/bash
# Two unsigned release builds of the same sources, from two source folders into two build
# folders, one after the other, must give the same files byte for byte.
#   reproducible.sh SOURCE_DIR WORK_DIR   (leaves WORK_DIR/a for the signing test)
set -euo pipefail
root=$1
work=$2
rm -rf "$work"
mkdir -p "$work/elsewhere"
# The second build's sources: the work tree's files (committed or not), none of its builds.
git -C "$root" ls-files -z -co --exclude-standard \
    | tar -C "$root" --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -C "$work/elsewhere" -xf -

release() {  # source folder, output folder
    env -u SIGN_CERT -u SIGN_KEY -u SIGN_TIMESTAMP_URL bash "$1/tools/release.sh" "$2" >"$2.log" 2>&1 \
        || { cat "$2.log"; echo "FAIL: release build from $1"; exit 1; }
}
release "$root" "$work/a"
release "$work/elsewhere" "$work/b"

status=0
grep -qx 'release: SIGN_CERT and SIGN_KEY are not set: the files are left unsigned' "$work/a.log" \
    || { echo "FAIL: no line saying the files are unsigned"; cat "$work/a.log"; status=1; }
[ -s "$work/a/setup.exe" ] || { echo "FAIL: no setup.exe in the release"; exit 1; }
[ -s "$work/a/setupDEU.dll" ] || { echo "FAIL: no satellite library (setupDEU.dll) in the release"; exit 1; }
(cd "$work/a" && sha256sum -- *) >"$work/a.sums"
(cd "$work/b" && sha256sum -- *) >"$work/b.sums"
cat "$work/a.sums"
diff "$work/a.sums" "$work/b.sums" || { echo "FAIL: the two release builds differ"; status=1; }
exit $status
