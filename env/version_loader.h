#pragma once
// The fixed version information of a program file, read from the file's own resource section:
// no library is loaded for it, and no loader lock is taken.
#include <windows.h>

#include <cstddef>
#include <string>

// Major and minor of the file's version resource (major in the high half); 0 when none.
// Read from the file itself; no library is loaded for it.
DWORD GetFileVersionMS(std::wstring path);

// dwFileVersionMS of the fixed version information in the bytes of a PE file, 32- or 64-bit
// (major in the high half): from the version resource's first language. False for any other
// bytes, truncated or damaged files included; nothing outside the given bytes is read.
bool FixedFileVersionMS(const BYTE* file, size_t size, DWORD* versionMS);

// The same for a file on disk. False when the file cannot be read or has no version resource;
// unlike GetFileVersionMS this tells a version 0.0 from none.
bool ReadFileVersionMS(const std::wstring& path, DWORD* versionMS);
