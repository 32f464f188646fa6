// The background bitmap file as it may lie on a medium: any bytes. What the layout promises is
// read here as GDI would read it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "ui/bitmap_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t* copy = static_cast<uint8_t*>(std::malloc(size ? size : 1));
    if (size) std::memcpy(copy, data, size);
    BitmapFileLayout layout;
    if (ReadBitmapFileLayout(copy, size, &layout)) {
        volatile uint8_t sum = 0;
        for (size_t i = 0; i < layout.infoSize; ++i) sum = sum + copy[layout.info + i];
        for (size_t i = 0; i < layout.bitsSize; ++i) sum = sum + copy[layout.bits + i];
    }
    std::free(copy);
    return 0;
}
