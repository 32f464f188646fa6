#pragma once
// Version resources through version.dll, loaded from the system folder at first use: a static
// import would be resolved from the program's own folder first, where anyone can plant one.
#include <windows.h>

#include <string>

// dwFileVersionMS of the file's fixed version information (major in the high half). False when
// the file has no readable version resource or version.dll cannot be loaded; unlike
// GetFileVersionMS this tells a version 0.0 from none.
bool ReadFileVersionMS(const std::wstring& path, DWORD* versionMS);
