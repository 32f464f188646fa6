#include "framework/strings.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "framework/pe_resources.h"

namespace fw {
namespace {
// Set once at start-up, before any other thread runs; read-only afterwards.
std::vector<uint8_t> g_satellite;
}

void SetSatelliteResources(std::vector<uint8_t> library) { g_satellite = std::move(library); }

bool FindSatelliteResource(const wchar_t* type, UINT id, const uint8_t** data, size_t* size) {
    size_t offset = 0;
    if (g_satellite.empty() ||
        !FindResourceData(g_satellite.data(), g_satellite.size(), LOWORD(type), id, &offset, size))
        return false;
    *data = g_satellite.data() + offset;
    return true;
}

std::wstring LoadStringFrom(const std::vector<uint8_t>& library, UINT id) {
    size_t offset = 0, units = 0;
    if (!FindStringResource(library.data(), library.size(), id, &offset, &units)) return {};
    std::wstring text(units, L'\0');
    std::memcpy(text.data(), library.data() + offset, units * sizeof(wchar_t));
    return text;
}

std::wstring LoadStringFrom(HMODULE module, UINT id) {
    // With a zero capacity LoadStringW gives a read-only pointer to the entry and its length.
    const wchar_t* text = nullptr;
    int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr) return {};
    return std::wstring(text, static_cast<size_t>(length));
}

std::wstring LoadResString(UINT id) {
    std::wstring text = LoadStringFrom(g_satellite, id);
    return text.empty() ? LoadEnglishString(id) : text;
}

std::wstring LoadEnglishString(UINT id) { return LoadStringFrom(GetModuleHandleW(nullptr), id); }

std::wstring Decimal(long long value) {
    wchar_t digits[24];
    return _i64tow(value, digits, 10);
}

namespace {

std::wstring FormatList(const wchar_t* format, va_list args) {
    // msvcrt.dll of Windows 2000 has no _vscwprintf to measure the text first: grow the buffer
    // until _vsnwprintf fits the text and its terminator (-1, or the full count, when it does not).
    constexpr size_t kLimit = size_t{1} << 24;
    std::wstring result;
    for (size_t capacity = 256; capacity <= kLimit; capacity *= 2) {
        result.assign(capacity, L'\0');
        va_list copy;
        va_copy(copy, args);
        const int length = _vsnwprintf(result.data(), capacity, format, copy);
        va_end(copy);
        if (length >= 0 && static_cast<size_t>(length) < capacity) {
            result.resize(static_cast<size_t>(length));
            return result;
        }
    }
    return {};
}

}  // namespace

std::wstring Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring result = FormatList(format, args);
    va_end(args);
    return result;
}

std::wstring Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring result = FormatList(Widen(format).c_str(), args);
    va_end(args);
    return result;
}

std::wstring Widen(const char* text) {
    std::wstring wide;
    while (*text) wide += static_cast<wchar_t>(static_cast<unsigned char>(*text++));
    return wide;
}

std::string ToAnsi(const std::wstring& text) {
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string narrow(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, narrow.data(), bytes, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(bytes) - 1);
    return narrow;
}

std::wstring ReplaceFirst(const std::wstring& text, const wchar_t* marker, const std::wstring& value) {
    const size_t at = text.find(marker);
    if (at == std::wstring::npos) return text;
    return text.substr(0, at) + value + text.substr(at + std::wcslen(marker));
}

std::wstring ReplacePercentOne(const std::wstring& text, const std::wstring& argument) {
    std::wstring result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'%' && i + 1 < text.size() && text[i + 1] == L'1') {
            result += argument;
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

std::wstring ModulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring ExecutableBaseName() {
    return WithoutExtension(FileNameOfPath(ModulePath()));
}

}  // namespace fw
