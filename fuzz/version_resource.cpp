// A driver file or engine setup program as it may lie on a medium: any bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "env/version_resource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact copy on the heap: the address sanitizer then sees a read one byte past the end.
    uint8_t* copy = static_cast<uint8_t*>(std::malloc(size ? size : 1));
    if (size) std::memcpy(copy, data, size);
    uint32_t version = 0;
    FixedFileVersionMS(copy, size, &version);
    std::free(copy);
    return 0;
}
