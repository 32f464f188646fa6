#pragma once
// Read-only binary file access. A failed call fills in an error value (the program has no
// exceptions) that reports itself the way the user expects: "<full path> was not found." and
// the like.
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/handle.h"

namespace fw {

// Whether a file or folder of that path exists (what PathFileExistsW answers, without loading
// shlwapi.dll, which pulls COM's libraries in with it).
bool FileExists(const std::wstring& path);

// Reads a file's first min(size, limit) bytes into memory with ReadFile, opened with read
// sharing only, and gives its size. Never through a mapped view: a read error of a scratched
// disc, a pulled stick or a dropped share is there an exception that ends the process; here it
// is an error code (0 when read). A file cut short meanwhile gives the bytes it still has.
DWORD ReadFileHead(const std::wstring& path, size_t limit, std::vector<uint8_t>* bytes, uint64_t* size);

class FileError {
public:
    enum Cause { None, Generic, FileNotFound, BadPath, AccessDenied, EndOfFile };

    FileError() = default;
    FileError(Cause cause, DWORD osError, std::wstring path)
        : cause_(cause), osError_(osError), path_(std::move(path)) {}

    static Cause CauseFromOsError(DWORD error);

    Cause cause() const { return cause_; }
    DWORD osError() const { return osError_; }
    const std::wstring& path() const { return path_; }

    // The text of the report, and the report itself in the application's message box.
    std::wstring Message() const;
    int ReportError(UINT type = MB_OK) const;

private:
    Cause cause_ = None;
    DWORD osError_ = 0;
    std::wstring path_;
};

class File {
public:
    File() = default;
    // Opens read-only, binary, sharing reads. On failure fills error (if given) and gives false.
    bool OpenForReading(const std::wstring& path, FileError* error);
    // Length in bytes; only the low 32 bits are used by the callers.
    uint64_t Length() const;
    // Reads up to count bytes; gives the number read, or fills error and gives 0.
    uint32_t Read(void* buffer, uint32_t count, FileError* error);
    void Close() { handle_.reset(); }
    bool IsOpen() const { return static_cast<bool>(handle_); }

private:
    UniqueFileHandle handle_;
    std::wstring path_;
};

}  // namespace fw
