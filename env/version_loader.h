#pragma once
// The fixed version information of a program file, read from the file's own resource section:
// no library is loaded for it, and no loader lock is taken.
#include <windows.h>

#include <cstddef>
#include <string>

// dwFileVersionMS of the fixed version information in the bytes of a PE file, 32- or 64-bit
// (major in the high half): from the version resource's first language. False for any other
// bytes, truncated or damaged files included; nothing outside the given bytes is read.
bool FixedFileVersionMS(const BYTE* file, size_t size, DWORD* versionMS);

// The same for a file on disk. False when the file cannot be read or has no version resource;
// unlike GetFileVersionMS this tells a version 0.0 from none.
bool ReadFileVersionMS(const std::wstring& path, DWORD* versionMS);
