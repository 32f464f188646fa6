#pragma once
// The maker's USB driver files: one table per folder, and the test whether the installed
// drivers are at least as new as those on the medium.
#include <windows.h>

#include <string>
#include <vector>

enum DriverFamily {
    DriverFamilyGps = 1,
};

struct DriverFile {
    std::wstring sysName;
    std::wstring sysFolder;  // with a trailing backslash
    std::wstring infName;
    std::wstring infFolder;
    std::wstring catName;
    std::wstring catFolder;
    std::wstring hardwareId;
    std::wstring description;
    DWORD version = 0;  // major in the high half, minor in the low half; 0 when none
    bool present = false;
};

// Base folder B (P with a backslash) and architecture folder A ("Amd64\" on 64-bit Windows,
// "I386\" on 32-bit, or B itself without the sub-folder). False when either would not fit in
// MAX_PATH with its terminator; the folders are then left empty.
bool MakeDriverFolders(const std::wstring& folder, bool archFolder, bool wow64, std::wstring* base,
                       std::wstring* arch);

// The rows of a family, versions not yet read. The data card programmer drivers exist only for
// 32-bit Windows.
std::vector<DriverFile> DriverRows(DriverFamily family, const std::wstring& base, const std::wstring& arch,
                                   bool wow64);

// Row by row: every driver must be present in the system drivers folder and in the package
// copy, each at least as new as the medium's. A missing row of an installed table counts as
// not present. The medium's own files are never required.
bool DriverTablesCurrent(const std::vector<DriverFile>& medium, const std::vector<DriverFile>& package,
                         const std::vector<DriverFile>& system);

class CDriverInfo {
public:
    // Builds the family's rows for folder P and reads each driver file's version.
    CDriverInfo(const std::wstring& folder, DriverFamily family, bool archFolder);
    virtual ~CDriverInfo() = default;
    CDriverInfo(const CDriverInfo&) = delete;
    CDriverInfo& operator=(const CDriverInfo&) = delete;

    // False when the folder was too long for its paths: the table then has no rows.
    bool usable() const { return usable_; }
    const std::vector<DriverFile>& rows() const { return rows_; }
    const std::wstring& interfaceGuid() const { return interfaceGuid_; }
    DriverFamily family() const { return family_; }

private:
    bool usable_ = false;
    std::vector<DriverFile> rows_;
    std::wstring interfaceGuid_;
    DriverFamily family_;
};

// True when the installed USB drivers are current and the drivers package need not be
// installed. In test mode the user is asked instead.
bool AreUsbDriversCurrent();
// The comparison of file versions alone, also in test mode (a run with no one to ask).
bool UsbDriverVersionsCurrent();
