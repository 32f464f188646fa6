#!/bin/bash
# Changes one byte inside the data of a cabinet's first block, as a scratch or a broken download
# does, and leaves its checksum as it was: a cabinet file in place, or with a stream name, the
# cabinet embedded in a package as that stream.
#   damage_cabinet.sh FILE.cab
#   damage_cabinet.sh PACKAGE.msi STREAM
set -euo pipefail
flip() {
    python3 - "$1" <<'PY'
import struct, sys
path = sys.argv[1]
cab = bytearray(open(path, 'rb').read())
flags = struct.unpack_from('<H', cab, 30)[0]
offset, data_reserve = 36, 0
if flags & 4:
    header_reserve, _, data_reserve = struct.unpack_from('<HBB', cab, 36)
    offset += 4 + header_reserve
assert flags & 3 == 0, 'a cabinet of a set'
first_block = struct.unpack_from('<I', cab, offset)[0]
checksum, size = struct.unpack_from('<IH', cab, first_block)
assert checksum != 0 and size > 0, 'no checksum or no data to change'
cab[first_block + 8 + data_reserve + size // 2] ^= 0x20
open(path, 'wb').write(cab)
PY
}
if [ $# -eq 1 ]; then
    flip "$1"
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    msiinfo extract "$1" "$2" >"$work/$2"
    flip "$work/$2"
    msibuild "$1" -a "$2" "$work/$2"
fi
