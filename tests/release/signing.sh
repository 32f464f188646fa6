#!/bin/bash
# A signed release: made with a test root and a code-signing leaf made here, every file
# verifies against that root, carries the product's name and address, strips back to the
# unsigned release's bytes and keeps its resources; a byte changed after signing fails the
# check; the signed setup.exe shows its main page under Wine.
#   signing.sh SOURCE_DIR WORK_DIR   (WORK_DIR/a: the unsigned release of the same sources)
set -euo pipefail
root=$1
work=$2
unsigned=$work/a
[ -s "$unsigned/setup.exe" ] || { echo "FAIL: no unsigned release in $unsigned"; exit 1; }
sig=$work/signing
rm -rf "$sig"
mkdir -p "$sig/keys" "$sig/check"
keys=$sig/keys

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Release Test Root" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign" \
    -keyout "$keys/root.key" -out "$keys/root.pem" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -subj "/CN=Release Test Signer" \
    -keyout "$keys/leaf.key" -out "$keys/leaf.csr" 2>/dev/null
printf '%s\n' "basicConstraints=critical,CA:FALSE" "keyUsage=critical,digitalSignature" \
    "extendedKeyUsage=codeSigning" >"$keys/leaf.ext"
openssl x509 -req -days 2 -in "$keys/leaf.csr" -CA "$keys/root.pem" -CAkey "$keys/root.key" \
    -CAcreateserial -extfile "$keys/leaf.ext" -out "$keys/leaf.pem" 2>/dev/null
cat "$keys/leaf.pem" "$keys/root.pem" >"$keys/chain.pem"

# No time stamp (no network here) and the default address of the maker.
env -u SIGN_URL -u SIGN_TIMESTAMP_URL SIGN_CERT="$keys/chain.pem" SIGN_KEY="$keys/leaf.key" \
    bash "$root/tools/release.sh" "$sig/out" >"$sig/release.log" 2>&1 \
    || { cat "$sig/release.log"; echo "FAIL: signed release build"; exit 1; }

status=0
fail() { echo "FAIL: $*"; status=1; }
windres=i686-w64-mingw32-windres
[ "$(ls "$sig/out")" = "$(ls "$unsigned")" ] || fail "signed and unsigned releases hold different files"
for path in "$sig/out"/*; do
    file=$(basename "$path")
    if osslsigncode verify -CAfile "$keys/root.pem" -in "$path" >"$sig/check/$file.verify" 2>&1; then
        for line in "Message digest algorithm  : SHA256" "Text description: Cartoline Product Installer" \
                    "URL description: https://www.korvel.com"; do
            grep -qF "$line" "$sig/check/$file.verify" || fail "$file: no \"$line\" in its signature"
        done
    else
        fail "$file: the signature does not verify"; cat "$sig/check/$file.verify"
    fi
    osslsigncode remove-signature -in "$path" -out "$sig/check/$file.stripped" >/dev/null
    cmp -s "$sig/check/$file.stripped" "$unsigned/$file" || fail "$file: stripped of its signature, it differs from the unsigned release"
    "$windres" -J coff -O res -i "$path" -o "$sig/check/$file.signed.res"
    "$windres" -J coff -O res -i "$unsigned/$file" -o "$sig/check/$file.unsigned.res"
    cmp -s "$sig/check/$file.signed.res" "$sig/check/$file.unsigned.res" || fail "$file: its resources changed with the signature"
    # One byte of the image changed after signing.
    cp "$path" "$sig/check/$file.changed"
    python3 -c 'import sys; d = bytearray(open(sys.argv[1], "rb").read()); d[len(d) // 2] ^= 1; open(sys.argv[1], "wb").write(d)' \
        "$sig/check/$file.changed"
    if osslsigncode verify -CAfile "$keys/root.pem" -in "$sig/check/$file.changed" >/dev/null 2>&1; then
        fail "$file: a changed byte still verifies"
    fi
done

# The signed setup.exe on a medium under Wine: its main page with the texts of its resources.
shown=$(RIG_PREFIX=win32-winxp RIG_SETUP="$(dirname "$0")/signed_medium.sh" RELEASE_SETUP_EXE=$sig/out/setup.exe \
        "$root/tests/rig/wine-run" "$RIG_BIN_DIR/main_page_probe.exe" 'C:\media\signed\setup.exe' | tr -d '\r') \
    || fail "the signed setup.exe showed no main page: $shown"
[ "$shown" = "main page: Cartoline Product Installer | Next" ] || fail "the signed setup.exe's main page shows: $shown"
[ $status -ne 0 ] || echo "signed: $(ls "$sig/out" | tr '\n' ' ')"
exit $status
