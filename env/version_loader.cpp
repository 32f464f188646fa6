#include "env/version_loader.h"

#include <vector>

#include "framework/proc_address.h"

namespace {

using GetSizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using GetInfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
using QueryValueFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

struct VersionApi {
    GetSizeFn getSize = nullptr;
    GetInfoFn getInfo = nullptr;
    QueryValueFn queryValue = nullptr;
    bool usable() const { return getSize && getInfo && queryValue; }
};

HMODULE LoadVersionLibrary() {
    // The search flag is refused where the loader predates it; the full system path is as safe.
    HMODULE module = LoadLibraryExW(L"version.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module) return module;
    wchar_t folder[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::wstring path(folder, length);
    path += L"\\version.dll";
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// Loaded once and kept for the life of the process.
const VersionApi& Api() {
    static const VersionApi api = [] {
        VersionApi loaded;
        HMODULE module = LoadVersionLibrary();
        loaded.getSize = fw::ProcAddress<GetSizeFn>(module, "GetFileVersionInfoSizeW");
        loaded.getInfo = fw::ProcAddress<GetInfoFn>(module, "GetFileVersionInfoW");
        loaded.queryValue = fw::ProcAddress<QueryValueFn>(module, "VerQueryValueW");
        return loaded;
    }();
    return api;
}

}  // namespace

bool ReadFileVersionMS(const std::wstring& path, DWORD* versionMS) {
    const VersionApi& api = Api();
    if (!api.usable()) return false;
    DWORD handle = 0;
    DWORD size = api.getSize(path.c_str(), &handle);
    if (size == 0) return false;
    std::vector<BYTE> block(size);
    if (!api.getInfo(path.c_str(), 0, size, block.data())) return false;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!api.queryValue(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info) return false;
    *versionMS = info->dwFileVersionMS;
    return true;
}
