# A cabinet with the reserves the format allows, made from one without: 6 bytes behind the
# header, 2 behind each folder entry and 3 behind each data block's header (an odd count, so
# the checksum's leftover bytes count), every offset moved and every checksum made again.
#   python3 cabinet_reserve.py IN OUT
import struct
import sys

HEADER, FOLDER, DATA = 6, 2, 3


def checksum(data, seed):
    whole = len(data) // 4 * 4
    for i in range(0, whole, 4):
        seed ^= struct.unpack_from('<I', data, i)[0]
    last = 0
    for byte in data[whole:]:
        last = last << 8 | byte
    return seed ^ last


cab = open(sys.argv[1], 'rb').read()
files_offset, = struct.unpack_from('<I', cab, 16)
folders, _, flags = struct.unpack_from('<HHH', cab, 26)
assert flags == 0, 'a cabinet with reserves or of a set'
grown = 4 + HEADER + FOLDER * folders
header = bytearray(cab[:36])
struct.pack_into('<I', header, 16, files_offset + grown)
struct.pack_into('<H', header, 30, 4)
header += struct.pack('<HBB', HEADER, FOLDER, DATA) + b'H' * HEADER
entries, blocks = b'', b''
data_start = len(header) + FOLDER * folders + 8 * folders + (struct.unpack_from('<I', cab, 36)[0] - 36 - 8 * folders)
for folder in range(folders):
    start, count, kind = struct.unpack_from('<IHH', cab, 36 + 8 * folder)
    entries += struct.pack('<IHH', data_start + len(blocks), count, kind) + b'F' * FOLDER
    for _ in range(count):
        _, size, uncompressed = struct.unpack_from('<IHH', cab, start)
        data = cab[start + 8:start + 8 + size]
        block_header = struct.pack('<HH', size, uncompressed) + b'D' * DATA
        blocks += struct.pack('<I', checksum(block_header, checksum(data, 0))) + block_header + data
        start += 8 + size
tables = cab[36 + 8 * folders:struct.unpack_from('<I', cab, 36)[0]]
out = header + entries + tables + blocks
struct.pack_into('<I', out, 8, len(out))
open(sys.argv[2], 'wb').write(out)
