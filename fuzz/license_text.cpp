// A license text file as it may lie on a medium: any bytes.
#include <cstddef>
#include <cstdint>

#include "pages/license_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring text = LicenseTextFromBytes(data, size);
    // Never more characters than the bytes after the first two hold, and no NUL among them.
    if (text.size() > (size > 2 ? (size - 2) / 2 : 0)) __builtin_trap();
    if (text.find(L'\0') != std::wstring::npos) __builtin_trap();
    const std::wstring joined = JoinLicenseTexts(text, text);
    if (joined.size() < text.size() * (text.empty() ? 1 : 2)) __builtin_trap();
    return 0;
}
