#pragma once
// The written form of a GUID. No Windows header: the setup data's parser also builds natively,
// for fuzzing.
#include <string_view>

namespace fw {

// 8-4-4-4-12 hexadecimal digits with hyphens between: the registry form of a GUID without its
// braces. What goes into an elevated command line or names a window class takes nothing else.
inline bool IsGuidForm(std::wstring_view text) {
    if (text.size() != 36) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        const bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
        const bool hex = (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F') || (c >= L'a' && c <= L'f');
        if (hyphen ? c != L'-' : !hex) return false;
    }
    return true;
}

}  // namespace fw
