#include "install/package_check.h"

#include <msi.h>
#include <msiquery.h>

#include "framework/proc_address.h"
#include "install/msi_library.h"

namespace {

using OpenDatabaseFn = UINT(WINAPI*)(LPCWSTR, LPCWSTR, MSIHANDLE*);
using OpenViewFn = UINT(WINAPI*)(MSIHANDLE, LPCWSTR, MSIHANDLE*);
using ViewExecuteFn = UINT(WINAPI*)(MSIHANDLE, MSIHANDLE);
using ViewFetchFn = UINT(WINAPI*)(MSIHANDLE, MSIHANDLE*);
using RecordGetStringFn = UINT(WINAPI*)(MSIHANDLE, UINT, LPWSTR, LPDWORD);
using CloseHandleFn = UINT(WINAPI*)(MSIHANDLE);
using GetProductInfoFn = UINT(WINAPI*)(LPCWSTR, LPCWSTR, LPWSTR, LPDWORD);

struct DatabaseCalls {
    DatabaseCalls() {
        HMODULE msi = MsiLibrary();
        open = fw::ProcAddress<OpenDatabaseFn>(msi, "MsiOpenDatabaseW");
        openView = fw::ProcAddress<OpenViewFn>(msi, "MsiDatabaseOpenViewW");
        execute = fw::ProcAddress<ViewExecuteFn>(msi, "MsiViewExecute");
        fetch = fw::ProcAddress<ViewFetchFn>(msi, "MsiViewFetch");
        getString = fw::ProcAddress<RecordGetStringFn>(msi, "MsiRecordGetStringW");
        close = fw::ProcAddress<CloseHandleFn>(msi, "MsiCloseHandle");
    }
    bool Complete() const { return open && openView && execute && fetch && getString && close; }
    OpenDatabaseFn open = nullptr;
    OpenViewFn openView = nullptr;
    ViewExecuteFn execute = nullptr;
    ViewFetchFn fetch = nullptr;
    RecordGetStringFn getString = nullptr;
    CloseHandleFn close = nullptr;
};

// An installer handle closed when it goes.
class MsiHandle {
public:
    explicit MsiHandle(const DatabaseCalls& calls) : calls_(calls) {}
    ~MsiHandle() {
        if (handle_) calls_.close(handle_);
    }
    MsiHandle(const MsiHandle&) = delete;
    MsiHandle& operator=(const MsiHandle&) = delete;
    MSIHANDLE* put() { return &handle_; }
    MSIHANDLE get() const { return handle_; }

private:
    const DatabaseCalls& calls_;
    MSIHANDLE handle_ = 0;
};

// The first column of each row the query gives; false when the query cannot run (a table the
// package does not have).
bool QueryColumn(const DatabaseCalls& calls, MSIHANDLE database, const wchar_t* query,
                 std::vector<std::wstring>* values) {
    MsiHandle view(calls);
    if (calls.openView(database, query, view.put()) != ERROR_SUCCESS) return false;
    if (calls.execute(view.get(), 0) != ERROR_SUCCESS) return false;
    for (;;) {
        MsiHandle record(calls);
        if (calls.fetch(view.get(), record.put()) != ERROR_SUCCESS) return true;
        wchar_t value[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (calls.getString(record.get(), 1, value, &size) == ERROR_SUCCESS) values->push_back(value);
    }
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

}  // namespace

PackageCheck CheckPackage(const std::wstring& path, PackageReader& reader) {
    PackageCheck check;
    PackageFacts facts;
    if (!reader.Exists(path)) {
        check.problem = PackageProblem::Missing;
        check.file = path;
        return check;
    }
    if (!reader.Read(path, &facts)) {
        check.problem = PackageProblem::Damaged;
        check.file = path;
        return check;
    }
    check.version = facts.version;
    for (const std::wstring& cabinet : facts.cabinets) {
        if (cabinet.empty() || cabinet[0] == L'#') continue;
        const std::wstring cabinetPath = FolderOf(path) + cabinet;
        if (!reader.Exists(cabinetPath)) {
            check.problem = PackageProblem::Missing;
            check.file = cabinetPath;
            return check;
        }
    }
    return check;
}

bool InstallerPackageReader::Exists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool InstallerPackageReader::Read(const std::wstring& path, PackageFacts* facts) {
    const DatabaseCalls calls;
    if (!calls.Complete()) return false;
    MsiHandle database(calls);
    if (calls.open(path.c_str(), MSIDBOPEN_READONLY, database.put()) != ERROR_SUCCESS) return false;
    // Every package has a Property table; one without a Media table installs nothing from a cabinet.
    std::vector<std::wstring> version;
    if (!QueryColumn(calls, database.get(), L"SELECT `Value` FROM `Property` WHERE `Property`='ProductVersion'",
                     &version))
        return false;
    facts->version = version.empty() ? L"" : version.front();
    QueryColumn(calls, database.get(), L"SELECT `Cabinet` FROM `Media`", &facts->cabinets);
    return true;
}

std::wstring InstalledProductVersion(const std::wstring& bracedProductCode) {
    auto getInfo = fw::ProcAddress<GetProductInfoFn>(MsiLibrary(), "MsiGetProductInfoW");
    if (!getInfo || bracedProductCode.empty()) return {};
    wchar_t version[64] = {};
    DWORD size = 64;
    if (getInfo(bracedProductCode.c_str(), INSTALLPROPERTY_VERSIONSTRING, version, &size) != ERROR_SUCCESS) return {};
    return version;
}
