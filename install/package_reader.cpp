// The package check's reader on this machine: the file system and Windows Installer's database
// calls, loaded at first use.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include "framework/file.h"
#include "framework/proc_address.h"
#include "install/package_check.h"
#include "install/msi_library.h"

namespace {

using OpenDatabaseFn = UINT(WINAPI*)(LPCWSTR, LPCWSTR, MSIHANDLE*);
using OpenViewFn = UINT(WINAPI*)(MSIHANDLE, LPCWSTR, MSIHANDLE*);
using ViewExecuteFn = UINT(WINAPI*)(MSIHANDLE, MSIHANDLE);
using ViewFetchFn = UINT(WINAPI*)(MSIHANDLE, MSIHANDLE*);
using RecordGetStringFn = UINT(WINAPI*)(MSIHANDLE, UINT, LPWSTR, LPDWORD);
using CloseHandleFn = UINT(WINAPI*)(MSIHANDLE);
using IsTablePersistentFn = MSICONDITION(WINAPI*)(MSIHANDLE, LPCWSTR);
using GetProductInfoFn = UINT(WINAPI*)(LPCWSTR, LPCWSTR, LPWSTR, LPDWORD);
using RecordReadStreamFn = UINT(WINAPI*)(MSIHANDLE, UINT, char*, LPDWORD);
using RecordDataSizeFn = UINT(WINAPI*)(MSIHANDLE, UINT);

struct DatabaseCalls {
    DatabaseCalls() {
        HMODULE msi = MsiLibrary();
        open = fw::ProcAddress<OpenDatabaseFn>(msi, "MsiOpenDatabaseW");
        openView = fw::ProcAddress<OpenViewFn>(msi, "MsiDatabaseOpenViewW");
        execute = fw::ProcAddress<ViewExecuteFn>(msi, "MsiViewExecute");
        fetch = fw::ProcAddress<ViewFetchFn>(msi, "MsiViewFetch");
        getString = fw::ProcAddress<RecordGetStringFn>(msi, "MsiRecordGetStringW");
        close = fw::ProcAddress<CloseHandleFn>(msi, "MsiCloseHandle");
        isTablePersistent = fw::ProcAddress<IsTablePersistentFn>(msi, "MsiDatabaseIsTablePersistentW");
        readStream = fw::ProcAddress<RecordReadStreamFn>(msi, "MsiRecordReadStream");
        dataSize = fw::ProcAddress<RecordDataSizeFn>(msi, "MsiRecordDataSize");
    }
    bool Complete() const {
        return open && openView && execute && fetch && getString && close && isTablePersistent && readStream && dataSize;
    }
    OpenDatabaseFn open = nullptr;
    OpenViewFn openView = nullptr;
    ViewExecuteFn execute = nullptr;
    ViewFetchFn fetch = nullptr;
    RecordGetStringFn getString = nullptr;
    CloseHandleFn close = nullptr;
    IsTablePersistentFn isTablePersistent = nullptr;
    RecordReadStreamFn readStream = nullptr;
    RecordDataSizeFn dataSize = nullptr;
};

// An installer handle closed when it goes.
class MsiHandle {
public:
    explicit MsiHandle(const DatabaseCalls& calls) : calls_(calls) {}
    ~MsiHandle() { reset(); }
    MsiHandle(const MsiHandle&) = delete;
    MsiHandle& operator=(const MsiHandle&) = delete;
    MSIHANDLE* put() {
        reset();
        return &handle_;
    }
    void reset() {
        if (handle_) calls_.close(handle_);
        handle_ = 0;
    }
    MSIHANDLE get() const { return handle_; }

private:
    const DatabaseCalls& calls_;
    MSIHANDLE handle_ = 0;
};

enum class Query { Done, NoTable, Failed };

// A field of a record as a string, whole whatever its length; false when it cannot be read.
bool RecordString(const DatabaseCalls& calls, MSIHANDLE record, UINT field, std::wstring* value) {
    value->assign(MAX_PATH, L'\0');
    DWORD size = static_cast<DWORD>(value->size());
    UINT got = calls.getString(record, field, value->data(), &size);
    if (got == ERROR_MORE_DATA) {
        // The size given back counts the characters without the terminator.
        value->assign(size_t{size} + 1, L'\0');
        size = static_cast<DWORD>(value->size());
        got = calls.getString(record, field, value->data(), &size);
    }
    if (got != ERROR_SUCCESS || size >= value->size()) return false;
    value->resize(size);
    return true;
}

// A cabinet file beside the package, read with ReadFile in the walk's chunks.
class FileChunks : public ChunkReader {
public:
    bool Open(const std::wstring& path, uint64_t* size) {
        if (!file_.OpenForReading(path, nullptr)) return false;
        *size = file_.Length();
        return true;
    }
    bool Next(uint8_t* buffer, size_t count, size_t* got) override {
        fw::FileError error;
        *got = file_.Read(buffer, static_cast<uint32_t>(count), &error);
        return error.cause() == fw::FileError::None;
    }

private:
    fw::File file_;
};

// A cabinet embedded in the package: its stream in the _Streams table, read in chunks.
class StreamChunks : public ChunkReader {
public:
    bool Open(const std::wstring& package, const std::wstring& name, uint64_t* size) {
        if (!calls_.Complete() ||
            calls_.open(package.c_str(), MSIDBOPEN_READONLY, database_.put()) != ERROR_SUCCESS ||
            calls_.openView(database_.get(), L"SELECT `Name`, `Data` FROM `_Streams`", view_.put()) != ERROR_SUCCESS ||
            calls_.execute(view_.get(), 0) != ERROR_SUCCESS)
            return false;
        // Compared here rather than put into the query: a name may hold any character.
        std::wstring found;
        while (calls_.fetch(view_.get(), record_.put()) == ERROR_SUCCESS) {
            if (RecordString(calls_, record_.get(), 1, &found) && found == name) {
                *size = calls_.dataSize(record_.get(), 2);
                return true;
            }
            record_.reset();
        }
        return false;
    }
    bool Next(uint8_t* buffer, size_t count, size_t* got) override {
        DWORD size = static_cast<DWORD>(count);
        if (calls_.readStream(record_.get(), 2, reinterpret_cast<char*>(buffer), &size) != ERROR_SUCCESS) return false;
        *got = size;
        return true;
    }

private:
    const DatabaseCalls calls_;
    MsiHandle database_{calls_};
    MsiHandle view_{calls_};
    MsiHandle record_{calls_};
};

// The first column of each row the query gives, whole whatever its length. NoTable when the
// query cannot run (a table the package does not have), Failed when a row cannot be read.
Query QueryColumn(const DatabaseCalls& calls, MSIHANDLE database, const wchar_t* query,
                  std::vector<std::wstring>* values) {
    MsiHandle view(calls);
    if (calls.openView(database, query, view.put()) != ERROR_SUCCESS) return Query::NoTable;
    if (calls.execute(view.get(), 0) != ERROR_SUCCESS) return Query::Failed;
    for (;;) {
        MsiHandle record(calls);
        const UINT fetched = calls.fetch(view.get(), record.put());
        if (fetched == ERROR_NO_MORE_ITEMS) return Query::Done;
        if (fetched != ERROR_SUCCESS) return Query::Failed;
        std::wstring value;
        if (!RecordString(calls, record.get(), 1, &value)) return Query::Failed;
        values->push_back(std::move(value));
    }
}

}  // namespace

bool InstallerPackageReader::Exists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool InstallerPackageReader::Read(const std::wstring& path, PackageFacts* facts) {
    const DatabaseCalls calls;
    if (!calls.Complete()) return false;
    MsiHandle database(calls);
    if (calls.open(path.c_str(), MSIDBOPEN_READONLY, database.put()) != ERROR_SUCCESS) return false;
    // Every package has a Property table.
    std::vector<std::wstring> version;
    if (QueryColumn(calls, database.get(), L"SELECT `Value` FROM `Property` WHERE `Property`='ProductVersion'",
                    &version) != Query::Done)
        return false;
    facts->version = version.empty() ? L"" : version.front();
    // A package without a Media table installs nothing from a cabinet; one whose table is there
    // but does not read names cabinets nobody can check.
    const MSICONDITION media = calls.isTablePersistent(database.get(), L"Media");
    if (media == MSICONDITION_NONE) return true;
    facts->mediaUnreadable = media != MSICONDITION_TRUE ||
                             QueryColumn(calls, database.get(), L"SELECT `Cabinet` FROM `Media`", &facts->cabinets) !=
                                 Query::Done;
    return true;
}

std::unique_ptr<ChunkReader> InstallerPackageReader::OpenCabinet(const MediumCabinet& cabinet, uint64_t* size) {
    if (cabinet.embedded) {
        std::unique_ptr<StreamChunks> stream(new StreamChunks);
        if (!stream->Open(cabinet.package, cabinet.name, size)) return nullptr;
        return stream;
    }
    std::unique_ptr<FileChunks> file(new FileChunks);
    if (!file->Open(cabinet.name, size)) return nullptr;
    return file;
}

std::wstring InstalledProductVersion(const std::wstring& bracedProductCode) {
    auto getInfo = fw::ProcAddress<GetProductInfoFn>(MsiLibrary(), "MsiGetProductInfoW");
    if (!getInfo || bracedProductCode.empty()) return {};
    wchar_t version[64] = {};
    DWORD size = 64;
    if (getInfo(bracedProductCode.c_str(), INSTALLPROPERTY_VERSIONSTRING, version, &size) != ERROR_SUCCESS) return {};
    return version;
}
