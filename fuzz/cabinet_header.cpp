// The beginning of a cabinet as it may lie on a medium. The first byte chooses the file size:
// even, the bytes are the whole file; odd, they are the beginning of a file as long as the
// header says (a file larger than the bytes the check is given).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "install/cabinet_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool longer = data[0] & 1;
    ++data;
    --size;
    if (size > kCabinetHeadBytes) size = kCabinetHeadBytes;
    uint64_t fileSize = size;
    if (longer && size >= 12) {
        const uint64_t claimed = data[8] | data[9] << 8 | data[10] << 16 | uint64_t{data[11]} << 24;
        if (claimed > fileSize && size == kCabinetHeadBytes) fileSize = claimed;
    }
    uint8_t* copy = static_cast<uint8_t*>(std::malloc(size ? size : 1));
    if (size) std::memcpy(copy, data, size);
    const CabinetFault fault = CheckCabinetHeader(copy, size, fileSize);
    std::free(copy);
    // A whole cabinet begins with its signature and is as long as its header says.
    if (fault == CabinetFault::None &&
        (size < 36 || std::memcmp(data, "MSCF", 4) != 0 ||
         (data[8] | data[9] << 8 | data[10] << 16 | uint64_t{data[11]} << 24) != fileSize))
        __builtin_trap();
    if (CabinetFaultText(fault)[0] == '\0') __builtin_trap();
    return 0;
}
