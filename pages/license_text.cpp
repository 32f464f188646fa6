#include "pages/license_text.h"

namespace {
// Three line breaks, 52 "=" and a line break.
constexpr wchar_t kSeparator[] = L"\r\n\r\n\r\n" L"====================================================" L"\r\n";
static_assert(sizeof kSeparator / sizeof kSeparator[0] == 6 + 52 + 2 + 1);
}  // namespace

std::wstring JoinLicenseTexts(const std::wstring& general, const std::wstring& data) {
    return general.empty() ? data : general + kSeparator + data;
}

std::wstring LicenseTextFromBytes(const unsigned char* bytes, size_t size) {
    std::wstring text;
    if (size <= 2) return text;
    // An odd last byte belongs to no character.
    for (size_t i = 2; i + 1 < size; i += 2) {
        wchar_t c = static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
        if (c == L'\0') break;
        text += c;
    }
    return text;
}
