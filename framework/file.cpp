#include "framework/file.h"

#include "framework/message_box.h"
#include "framework/strings.h"

namespace fw {

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

DWORD ReadFileHead(const std::wstring& path, size_t limit, std::vector<uint8_t>* bytes, uint64_t* size) {
    bytes->clear();
    *size = 0;
    File file;
    FileError error;
    if (!file.OpenForReading(path, &error)) return error.osError();
    *size = file.Length();
    const uint32_t count = static_cast<uint32_t>(*size < limit ? *size : limit);
    bytes->resize(count);
    const uint32_t got = count ? file.Read(bytes->data(), count, &error) : 0;
    bytes->resize(got);
    return error.osError();
}
namespace {

constexpr UINT kFileNotFoundText = 61858;
constexpr UINT kBadPathText = 61859;

std::wstring FullPath(const std::wstring& path) {
    DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::wstring full(needed, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return path;
    full.resize(length);
    return full;
}

std::wstring SystemErrorText(DWORD error) {
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::wstring result;
    if (length && text) result.assign(text, length);
    if (text) LocalFree(text);
    while (!result.empty() && (result.back() == L'\n' || result.back() == L'\r' || result.back() == L' '))
        result.pop_back();
    return result;
}

}  // namespace

FileError::Cause FileError::CauseFromOsError(DWORD error) {
    switch (error) {
    case ERROR_SUCCESS: return None;
    case ERROR_FILE_NOT_FOUND: return FileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY: return BadPath;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return AccessDenied;
    case ERROR_HANDLE_EOF: return EndOfFile;
    default: return Generic;
    }
}

std::wstring FileError::Message() const {
    switch (cause_) {
    case FileNotFound: return ReplacePercentOne(LoadResString(kFileNotFoundText), path_);
    case BadPath: return ReplacePercentOne(LoadResString(kBadPathText), path_);
    default: {
        std::wstring reason = SystemErrorText(osError_);
        return reason.empty() ? path_ : path_ + L"\n\n" + reason;
    }
    }
}

int FileError::ReportError(UINT type) const {
    // A report that names no icon gets the warning icon, as the application's other reports do.
    if ((type & MB_ICONMASK) == 0) type |= MB_ICONEXCLAMATION;
    return AppMessageBox(Message(), type);
}

bool File::OpenForReading(const std::wstring& path, FileError* error) {
    // Read sharing only: nobody changes the file while it is read.
    handle_.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD osError = handle_ ? ERROR_SUCCESS : GetLastError();
    path_ = FullPath(path);
    if (handle_) return true;
    if (error) *error = FileError(FileError::CauseFromOsError(osError), osError, path_);
    return false;
}

uint64_t File::Length() const {
    LARGE_INTEGER size{};
    if (!handle_ || !GetFileSizeEx(handle_.get(), &size)) return 0;
    return static_cast<uint64_t>(size.QuadPart);
}

uint32_t File::Read(void* buffer, uint32_t count, FileError* error) {
    auto* out = static_cast<BYTE*>(buffer);
    uint32_t total = 0;
    while (total < count) {
        DWORD got = 0;
        if (!ReadFile(handle_.get(), out + total, count - total, &got, nullptr)) {
            DWORD osError = GetLastError();
            if (error) *error = FileError(FileError::CauseFromOsError(osError), osError, path_);
            return 0;
        }
        if (got == 0) break;
        total += got;
    }
    return total;
}

}  // namespace fw
