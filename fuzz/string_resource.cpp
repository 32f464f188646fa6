// A satellite library as it may lie on a medium: any bytes, its shape checked and entries of its
// string table looked up.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "framework/pe_resources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact copy on the heap: the address sanitizer then sees a read one byte past the end.
    uint8_t* copy = static_cast<uint8_t*>(std::malloc(size ? size : 1));
    if (size) std::memcpy(copy, data, size);
    fw::ResourceOnlyLibraryFault(copy, size);
    size_t offset = 0, units = 0;
    // One entry of each of the first sixteen blocks, each at another place in its block: each
    // lookup walks the whole image, so all 256 would make the run some sixteen times slower.
    for (uint32_t id = 0; id < 256; id += 17)
        if (fw::FindStringResource(copy, size, id, &offset, &units) && (offset > size || (size - offset) / 2 < units))
            std::abort();
    std::free(copy);
    return 0;
}
