#include "env/version_loader.h"

#include <vector>

#include "env/system_checks.h"
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

// Loaded once and kept for the life of the process.
const VersionApi& Api() {
    static const VersionApi api = [] {
        VersionApi loaded;
        HMODULE module = LoadSystemLibrary(L"version.dll");
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
    if (!api.queryValue(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
        length < sizeof(VS_FIXEDFILEINFO))
        return false;
    *versionMS = info->dwFileVersionMS;
    return true;
}
