#include "env/version_loader.h"

#include <vector>

#include "framework/file.h"
#include "framework/strings.h"
#include "system/setup_log.h"

bool ReadFileVersionMS(const std::wstring& path, DWORD* versionMS) {
    std::vector<uint8_t> bytes;
    uint64_t size = 0;
    const DWORD error = fw::ReadFileHead(path, kMaxProgramFileBytes, &bytes, &size);
    // A file that is not there has no version, and that is said elsewhere; a read that fails is
    // worth a line, since the medium itself may be failing.
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
    if (error != ERROR_SUCCESS) {
        LogEvent(fw::Format("Version: %s: read error %lu", path.c_str(), error));
        return false;
    }
    if (size > kMaxProgramFileBytes) {
        LogEvent("Version: ", path, ": too large for a program file");
        return false;
    }
    uint32_t version = 0;
    if (!FixedFileVersionMS(bytes.data(), bytes.size(), &version)) return false;
    *versionMS = version;
    return true;
}
