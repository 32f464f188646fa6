#pragma once
// Registry key holder and string value helpers. No operation asks for a particular registry
// view: a 32-bit process sees the 32-bit view.
#include <windows.h>

#include <string>

#include "framework/handle.h"

class RegistryKey {
public:
    RegistryKey() = default;
    HKEY get() const { return key_.get(); }
    explicit operator bool() const { return static_cast<bool>(key_); }

    // Each gives the Windows error code. The held key is replaced only on success.
    LONG Open(HKEY root, const std::wstring& path, REGSAM access);
    LONG Create(HKEY root, const std::wstring& path, REGSAM access, SECURITY_ATTRIBUTES* security,
                DWORD* disposition = nullptr);
    LONG Close();
    LONG Flush();
    LONG QueryValue(const std::wstring& name, DWORD* type, BYTE* data, DWORD* bytes) const;
    // Stores the text with its terminator; a null text is refused with ERROR_INVALID_DATA.
    LONG SetStringValue(const std::wstring& name, const wchar_t* text, DWORD type = REG_SZ);

private:
    fw::UniqueRegKey key_;
};

// Reads a string value of at most 149 characters (300 bytes with the terminator). The key is
// opened for reading and writing. On failure the output is empty and the result false.
bool ReadRegistryString(HKEY root, const std::wstring& path, const std::wstring& name, std::wstring* value);

// Writes a REG_SZ value into an existing key.
bool WriteRegistryString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& value);

// Creates the key, or opens it when it exists. A newly created key gets a list of exactly two
// entries, both inherited by sub-keys: Everyone read, Administrators full control. An existing
// key keeps its security. True when the key was created or opened.
bool CreateSecuredRegistryKey(HKEY root, const std::wstring& path);
