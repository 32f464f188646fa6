#include "framework/path.h"

#include <cwctype>

namespace fw {

std::wstring FileNameOfPath(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/:");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

std::wstring FolderOfPath(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/:");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

std::wstring ExtensionOfPath(const std::wstring& path) {
    const std::wstring name = FileNameOfPath(path);
    const size_t dot = name.find_last_of(L'.');
    return dot == std::wstring::npos ? std::wstring() : name.substr(dot);
}

std::wstring WithoutExtension(const std::wstring& path) {
    return path.substr(0, path.size() - ExtensionOfPath(path).size());
}

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool SameLetters(const std::wstring& text, size_t from, size_t count, const wchar_t* upper) {
    for (size_t i = 0; i < count; ++i)
        if (static_cast<wchar_t>(std::towupper(text[from + i])) != upper[i]) return false;
    return true;
}

// CON, PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$, also before an extension or blanks: Windows
// opens the device, not a file of the medium.
bool IsDeviceName(const std::wstring& part) {
    size_t stem = part.find(L'.');
    if (stem == std::wstring::npos) stem = part.size();
    while (stem > 0 && part[stem - 1] == L' ') --stem;
    static const wchar_t* const kThree[] = {L"CON", L"PRN", L"AUX", L"NUL"};
    if (stem == 3)
        for (const wchar_t* device : kThree)
            if (SameLetters(part, 0, 3, device)) return true;
    // Windows reserves COM0 and LPT0 too, and the superscript digits 1, 2 and 3 of Latin-1.
    const wchar_t digit = stem == 4 ? part[3] : 0;
    if (stem == 4 && (SameLetters(part, 0, 3, L"COM") || SameLetters(part, 0, 3, L"LPT")) &&
        ((digit >= L'0' && digit <= L'9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3))
        return true;
    return (stem == 6 && SameLetters(part, 0, 6, L"CONIN$")) || (stem == 7 && SameLetters(part, 0, 7, L"CONOUT$"));
}

bool IsPartBelowFolder(const std::wstring& part) {
    // Windows drops a part's trailing dots and blanks: "..." and ". ." name the folder above.
    if (part.empty() || part.back() == L'.' || part.back() == L' ') return false;
    for (wchar_t c : part)
        if (c < 32 || c == L':' || c == L'*' || c == L'?' || c == L'"' || c == L'<' || c == L'>' || c == L'|')
            return false;
    return !IsDeviceName(part);
}

}  // namespace

bool IsNameBelowFolder(const std::wstring& name) {
    if (name.empty() || IsSeparator(name.front())) return false;
    size_t start = 0;
    for (;;) {
        size_t end = start;
        while (end < name.size() && !IsSeparator(name[end])) ++end;
        if (!IsPartBelowFolder(name.substr(start, end - start))) return false;
        if (end == name.size()) return true;
        start = end + 1;
    }
}

std::wstring JoinBelow(const std::wstring& folder, const std::wstring& name) {
    if (!IsNameBelowFolder(name)) return {};
    std::wstring path = folder;
    if (!path.empty() && !IsSeparator(path.back())) path += L'\\';
    path += name;
    return path.size() < kMaxPathChars ? path : std::wstring();
}

}  // namespace fw
