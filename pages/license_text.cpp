#include "pages/license_text.h"

std::wstring JoinLicenseTexts(const std::wstring& general, const std::wstring& data) {
    if (general.empty()) return data;
    // Three line breaks, 52 "=" and a line break: built here, not at start-up.
    std::wstring joined = general;
    joined += L"\r\n\r\n\r\n";
    joined.append(52, L'=');
    joined += L"\r\n";
    joined += data;
    return joined;
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
