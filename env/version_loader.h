#pragma once
// The fixed version information of a program file, read from the file's own resource section:
// no library is loaded for it, and no loader lock is taken.
#include <windows.h>

#include <string>

#include "env/version_resource.h"

// Major and minor of the file's version resource (major in the high half); 0 when none.
// Read from the file itself; no library is loaded for it.
DWORD GetFileVersionMS(std::wstring path);

// A program file larger than this is no driver or engine setup program; it has no version here.
constexpr uint32_t kMaxProgramFileBytes = 64u << 20;

// dwFileVersionMS of a file on disk, read whole into memory (never through a mapped view: a
// disc or network read error there ends the process). False when the file cannot be read or
// has no version resource; unlike GetFileVersionMS this tells a version 0.0 from none.
bool ReadFileVersionMS(const std::wstring& path, DWORD* versionMS);
