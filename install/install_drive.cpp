#include "install/install_drive.h"

#include <climits>
#include <initializer_list>
#include <memory>

#include "framework/proc_address.h"
#include "framework/strings.h"
#include "system/registry.h"
#include "system/setup_log.h"

namespace {

constexpr uint64_t kMegabyte = 1048576;
// 104 units hold 25 drive roots; all 26 letters need 105.
constexpr DWORD kDriveStringUnits = 104;

constexpr wchar_t kInstallDirValue[] = L"InstallDir";

int ToMegabytes(uint64_t bytes) {
    const uint64_t megabytes = bytes / kMegabyte;
    return megabytes > INT_MAX ? INT_MAX : static_cast<int>(megabytes);
}


// One registration: read the value; when it cannot be read, create the keys and write the
// default folder (an empty text that was read stays empty). Then create the folder itself.
void RegisterFolder(const std::wstring& root, const std::wstring& keyPath,
                    std::initializer_list<const wchar_t*> keysToCreate) {
    std::wstring folder;
    if (!ReadRegistryString(HKEY_LOCAL_MACHINE, keyPath, kInstallDirValue, &folder)) {
        for (const wchar_t* key : keysToCreate) CreateSecuredRegistryKey(HKEY_LOCAL_MACHINE, key);
        if (folder.empty()) folder = root + L"Korvel";
        WriteRegistryString(HKEY_LOCAL_MACHINE, keyPath, kInstallDirValue, folder);
    }
    CreateDirectoryW(folder.c_str(), nullptr);
}

DriveFacts ProbeDrive(const std::wstring& root) {
    DriveFacts facts;
    facts.type = GetDriveTypeW(root.c_str());
    facts.freeMegabytes = GetFreeMegabytes(root);
    LogEvent(fw::Format("Drive %s: type %u, %d MiB free", root.c_str(), facts.type, facts.freeMegabytes));
    return facts;
}

}  // namespace

int64_t RequiredMegabytes(uint64_t requiredBytes) {
    // Kept in 64 bits: a huge requirement must not wrap into a small one.
    return static_cast<int64_t>(requiredBytes / kMegabyte) + 1;
}

bool DriveQualifies(const DriveFacts& facts, int64_t requiredMegabytes) {
    return facts.type == DRIVE_FIXED && requiredMegabytes < static_cast<int64_t>(facts.freeMegabytes);
}

std::vector<std::wstring> SplitDriveStrings(const wchar_t* buffer, size_t units) {
    std::vector<std::wstring> roots;
    size_t start = 0;
    while (start < units && buffer[start] != L'\0') {
        size_t end = start;
        while (end < units && buffer[end] != L'\0') ++end;
        roots.emplace_back(buffer + start, end - start);
        start = end + 1;
    }
    return roots;
}

int ListLogicalDrivesWith(GetLogicalDriveStringsFn getDriveStrings, std::vector<std::wstring>* roots) {
    roots->clear();
    DWORD capacity = kDriveStringUnits;
    // A drive can appear between two calls: ask again with the size the last call wanted.
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::unique_ptr<wchar_t[]> buffer(new wchar_t[capacity + 1]());
        const DWORD length = getDriveStrings(capacity, buffer.get());
        if (length == 0) return 0;
        if (length < capacity) {
            *roots = SplitDriveStrings(buffer.get(), length);
            return static_cast<int>(roots->size());
        }
        capacity = length + 1;
    }
    return 0;
}

int ListLogicalDrives(std::vector<std::wstring>* roots) { return ListLogicalDrivesWith(GetLogicalDriveStringsW, roots); }

int GetFreeMegabytesWith(const std::wstring& root, GetDiskFreeSpaceExAFn getFreeSpaceEx,
                         GetDiskFreeSpaceAFn getFreeSpace) {
    const std::string narrow = fw::ToAnsi(root);
    if (getFreeSpaceEx) {
        ULARGE_INTEGER available{}, total{}, free{};
        if (!getFreeSpaceEx(narrow.c_str(), &available, &total, &free)) return 0;
        return ToMegabytes(free.QuadPart);
    }
    if (!getFreeSpace) return 0;
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!getFreeSpace(narrow.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) return 0;
    return ToMegabytes(static_cast<uint64_t>(freeClusters) * sectorsPerCluster * bytesPerSector);
}

int GetFreeMegabytes(const std::wstring& root) {
    // The Ex entry point is missing on the first Windows 95 release.
    auto getFreeSpaceEx = fw::SystemFunction<GetDiskFreeSpaceExAFn>(L"kernel32.dll", "GetDiskFreeSpaceExA");
    return GetFreeMegabytesWith(root, getFreeSpaceEx, GetDiskFreeSpaceA);
}

void RegisterInstallFolders(const std::wstring& root) {
    RegisterFolder(root, L"Software\\Korvel\\Cartoline\\Products",
                   {L"Software\\Korvel", L"Software\\Korvel\\Cartoline", L"Software\\Korvel\\Cartoline\\Products"});
    RegisterFolder(root, L"Software\\Korvel\\TileWizard", {L"Software\\Korvel\\TileWizard"});
}

std::wstring ChooseDriveWithRoom(uint64_t requiredBytes) {
    std::vector<std::wstring> roots;
    ListLogicalDrives(&roots);
    return ChooseInstallDrive(roots, RequiredMegabytes(requiredBytes), ProbeDrive);
}
