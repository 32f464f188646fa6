#pragma once
// The resources of a program file found in its bytes in memory, through its headers and its
// resource section: nothing is loaded or mapped, and nothing outside the given bytes is read. No
// Windows header: the parsers build natively too, for fuzzing.
#include <cstddef>
#include <cstdint>

namespace fw {

// The data of the resource of that type and numeric name, in its first language entry (the one
// the file has), as an offset into the bytes and a size that lie inside them. False for any other
// bytes, truncated or damaged ones included. 32- and 64-bit files.
bool FindResourceData(const uint8_t* file, size_t size, uint32_t type, uint32_t name, size_t* offset,
                      size_t* length);

// Why the bytes are not a resource-only library as `gcc -shared -nostdlib -Wl,-e,0` makes one
// (32-bit, no entry point, no code, no import, no thread-local data, delay import or runtime
// header, a string table), or null when they are one.
const char* ResourceOnlyLibraryFault(const uint8_t* file, size_t size);

// The string table entry (16 counted UTF-16 strings a block, block id / 16 + 1) in the bytes of a
// library: the offset of its first unit and its length in units. False when it has no such
// entry or the entry does not lie inside the bytes; an empty entry gives true and length 0.
bool FindStringResource(const uint8_t* file, size_t size, uint32_t id, size_t* offset, size_t* units);

}  // namespace fw
