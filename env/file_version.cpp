#include "env/version_loader.h"

#include "framework/file.h"

DWORD GetFileVersionMS(std::wstring path) {
    if (!fw::FileExists(path)) return 0;
    DWORD version = 0;
    return ReadFileVersionMS(path, &version) ? version : 0;
}
