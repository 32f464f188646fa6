#pragma once
// Choice of the drive to install on, and the maker's folder registrations on it.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// What the drive choice needs to know of one drive.
struct DriveFacts {
    UINT type = DRIVE_UNKNOWN;  // GetDriveTypeW
    int freeMegabytes = 0;      // GetFreeMegabytes
};

// The required space in whole MiB plus one: more than that must be free.
int64_t RequiredMegabytes(uint64_t requiredBytes);

// A fixed drive with more free MiB than required.
bool DriveQualifies(const DriveFacts& facts, int64_t requiredMegabytes);

// The first root in list order whose facts qualify, or the empty string. Every drive up to the
// winner is probed once; none after it.
template <typename Probe>
std::wstring ChooseInstallDrive(const std::vector<std::wstring>& roots, int64_t requiredMegabytes, Probe probe) {
    for (const std::wstring& root : roots)
        if (DriveQualifies(probe(root), requiredMegabytes)) return root;
    return {};
}

// The roots in a buffer of NUL-terminated strings ending with an empty one, in buffer order.
std::vector<std::wstring> SplitDriveStrings(const wchar_t* buffer, size_t units);

using GetLogicalDriveStringsFn = DWORD(WINAPI*)(DWORD, LPWSTR);
// Replaces the list with the drive roots ("C:\") in drive-letter order; gives the count.
int ListLogicalDrives(std::vector<std::wstring>* roots);
int ListLogicalDrivesWith(GetLogicalDriveStringsFn getDriveStrings, std::vector<std::wstring>* roots);

using GetDiskFreeSpaceExAFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
using GetDiskFreeSpaceAFn = BOOL(WINAPI*)(LPCSTR, LPDWORD, LPDWORD, LPDWORD, LPDWORD);
// Free space of the whole volume in MiB (not only what the caller may use); 0 when unknown.
int GetFreeMegabytes(const std::wstring& root);
// The same with the entry points given: the Ex one when not null, else the fallback.
int GetFreeMegabytesWith(const std::wstring& root, GetDiskFreeSpaceExAFn getFreeSpaceEx,
                         GetDiskFreeSpaceAFn getFreeSpace);

// Makes sure "InstallDir" of "Software\Korvel\Cartoline\Products" and "Software\Korvel\TileWizard"
// (HKLM) exists, defaulting to the root followed by "Korvel", and creates the folders it names.
// Every failure is ignored.
void RegisterInstallFolders(const std::wstring& root);

// The root of the first fixed drive with room for the required bytes; empty when none
// qualifies. Writes nothing.
std::wstring ChooseDriveWithRoom(uint64_t requiredBytes);
