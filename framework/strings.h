#pragma once
// String table access. Strings come from the satellite library for the user's language, taken
// from its bytes in memory, when there is one; otherwise from the executable.
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/path.h"

namespace fw {

// The bytes of a resource-only library (checked by the caller) whose resources come before the
// executable's; empty for none. Kept until replaced.
void SetSatelliteResources(std::vector<uint8_t> library);
// The satellite's resource of that type and numeric name, inside its bytes; false when there is
// no satellite or it has none.
bool FindSatelliteResource(const wchar_t* type, UINT id, const uint8_t** data, size_t* size);

// A missing entry gives the empty string.
std::wstring LoadStringFrom(HMODULE module, UINT id);
// The entry of a resource-only library's bytes; empty when it has none.
std::wstring LoadStringFrom(const std::vector<uint8_t>& library, UINT id);
// The entry of the satellite; one the satellite lacks (a satellite older than the
// executable) comes from the executable's own English table, so no refusal is left without its
// text. Empty only when neither has the entry.
std::wstring LoadResString(UINT id);
// The executable's own (English) entry, whatever the satellite: for the log, which is read by
// support in one language.
std::wstring LoadEnglishString(UINT id);

// printf-style wide formatting into a string of any length.
std::wstring Format(const wchar_t* format, ...);
// The same with the format in ASCII, which takes half the room of a wide literal in the
// executable: the arguments are those of the wide format ("%s" a wide string, "%hs" a narrow one).
std::wstring Format(const char* format, ...);

// ASCII text as a wide string, character for character.
std::wstring Widen(const char* text);

// A whole number in decimal digits, with "-" when negative (std::to_wstring without the C99
// formatting code it would bring into setup.exe).
std::wstring Decimal(long long value);

// The text in the ANSI code page; characters it lacks become the code page's default character.
std::string ToAnsi(const std::wstring& text);

// Replaces every "%1" of the text with the argument.
std::wstring ReplacePercentOne(const std::wstring& text, const std::wstring& argument);
// The text with its first marker ("%s", "%u") replaced by the value; without the marker, the text
// as it is. For formats from a string table, which a translation may get wrong: nothing is read
// that was not given.
std::wstring ReplaceFirst(const std::wstring& text, const wchar_t* marker, const std::wstring& value);

// The executable's full path, and its file name without folder and extension.
std::wstring ModulePath(HMODULE module = nullptr);
std::wstring ExecutableBaseName();

}  // namespace fw
