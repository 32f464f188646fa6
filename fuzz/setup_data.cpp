// setup.dat as it may lie on a medium: any bytes.
#include <cstddef>
#include <cstdint>

#include "app/setup_data.h"
#include "framework/guid.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ProductSetupData record = ParseSetupData(data, size);
    // The code is a GUID's 36 units or nothing, and refused only when there is none; the name
    // comes only from the bytes after the fields.
    if (!record.productCode.empty() && !fw::IsGuidForm(record.productCode)) __builtin_trap();
    if (record.productCodeRefused && !record.productCode.empty()) __builtin_trap();
    if (record.productName.size() * 2 > (size > 112 ? size - 112 : 0)) __builtin_trap();
    return 0;
}
