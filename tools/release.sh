#!/bin/bash
# Builds the release files of the product from a clean build folder into OUTDIR and signs them
# when a certificate is given. Two runs on the same sources give the same bytes, wherever and
# whenever they run; a signature only adds to them.
#   bash tools/release.sh OUTDIR
#   SIGN_CERT            PEM certificate chain of the signer, its own certificate first
#   SIGN_KEY             PEM private key of that certificate
#   SIGN_TIMESTAMP_URL   optional RFC 3161 time-stamping service
#   SIGN_URL             the maker's address put into the signature
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
say() { echo "release: $*"; }
fail() { echo "release: $*" >&2; exit 2; }

[ $# -eq 1 ] || fail "usage: bash tools/release.sh OUTDIR"
out=$1
# Whatever lies in OUTDIR would be signed with the release: start from nothing.
[ ! -e "$out" ] || [ -z "$(ls -A "$out")" ] || fail "$out is not empty"
sign_cert=${SIGN_CERT:-}
sign_key=${SIGN_KEY:-}
if [ -n "$sign_cert" ] || [ -n "$sign_key" ]; then
    [ -n "$sign_cert" ] && [ -n "$sign_key" ] || fail "SIGN_CERT and SIGN_KEY go together"
    [ -r "$sign_cert" ] && [ -r "$sign_key" ] || fail "cannot read $sign_cert or $sign_key"
fi
sign_url=${SIGN_URL:-https://www.korvel.com}
windres=i686-w64-mingw32-windres

build=$(mktemp -d "${TMPDIR:-/tmp}/setup-release.XXXXXX")
trap 'rm -rf "$build"' EXIT

# Tests off: the build holds only the product, and its own output lands in the build folder.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw32.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DSETUP_BUILD_TESTS=OFF >/dev/null
ninja -C "$build" >/dev/null
mapfile -t files < <(find "$build" -maxdepth 1 -type f \( -name '*.exe' -o -name '*.dll' \) -printf '%f\n' | LC_ALL=C sort)
[ ${#files[@]} -gt 0 ] && [ -f "$build/setup.exe" ] || fail "the build made no setup.exe"

mkdir -p "$out"
for file in "${files[@]}"; do
    cp "$build/$file" "$out/$file"
    say "$file $(sha256sum <"$out/$file" | cut -d' ' -f1)"
done

if [ -z "$sign_cert" ]; then
    say "SIGN_CERT and SIGN_KEY are not set: the files are left unsigned"
    exit 0
fi

# The name in the signature is the one the version resource gives the product.
name=$("$windres" -J coff -O rc -i "$out/setup.exe" | sed -n 's/^ *VALUE "ProductName", "\(.*\)"\r\{0,1\}$/\1/p' | head -n 1)
[ -n "$name" ] || fail "setup.exe has no product name in its version resource"
timestamp=()
[ -z "${SIGN_TIMESTAMP_URL:-}" ] || timestamp=(-ts "$SIGN_TIMESTAMP_URL")
# osslsigncode writes the signed file's PE checksum; removing the signature computes it again,
# which gives back the linker's own: the unsigned bytes.
for file in "${files[@]}"; do
    osslsigncode sign -h sha256 -certs "$sign_cert" -key "$sign_key" -n "$name" -i "$sign_url" \
        "${timestamp[@]}" -in "$out/$file" -out "$build/$file.signed" >/dev/null
    mv "$build/$file.signed" "$out/$file"
done
say "signed ${files[*]} for \"$name\" ($sign_url)"
