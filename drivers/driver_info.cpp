#include "drivers/driver_info.h"

#include "env/system_checks.h"
#include "env/version_loader.h"
#include "framework/message_box.h"

namespace {

constexpr wchar_t kGpsInterfaceGuid[] = L"5B3F0D2A-7C41-4E8B-9A16-2D0E4C7B1F93";

DriverFile Row(const wchar_t* sysName, const std::wstring& sysFolder, const wchar_t* infName, const wchar_t* catName,
               const std::wstring& infFolder, const wchar_t* hardwareId, const wchar_t* description) {
    DriverFile row;
    row.sysName = sysName;
    row.sysFolder = sysFolder;
    row.infName = infName;
    row.infFolder = infFolder;
    row.catName = catName;
    row.catFolder = infFolder;
    row.hardwareId = hardwareId;
    row.description = description;
    return row;
}

}  // namespace

bool MakeDriverFolders(const std::wstring& folder, bool archFolder, bool wow64, std::wstring* base,
                       std::wstring* arch) {
    base->clear();
    arch->clear();
    std::wstring b = folder;
    if (!b.empty() && b.back() != L'\\') b += L'\\';
    std::wstring a = archFolder ? b + (wow64 ? L"Amd64\\" : L"I386\\") : b;
    // Both must fit in MAX_PATH characters with the terminator.
    if (b.size() >= MAX_PATH || a.size() >= MAX_PATH) return false;
    *base = std::move(b);
    *arch = std::move(a);
    return true;
}

std::vector<DriverFile> DriverRows(DriverFamily family, const std::wstring& base, const std::wstring& arch,
                                   bool wow64) {
    std::vector<DriverFile> rows;
    if (family != DriverFamilyGps) return rows;
    rows.push_back(Row(L"krvlusb.sys", arch, L"krvlusb.inf", L"krvlusb.cat", base, L"USB\\VID_0C0C&PID_0003",
                       L"Korvel USB GPS"));
    rows.push_back(Row(L"krvlgen.sys", arch, L"", L"", L"", L"", L""));
    if (!wow64) {
        rows.push_back(Row(L"krvl0200.sys", arch, L"krvl0200.inf", L"krvl0200.cat", arch, L"USB\\VID_0C0C&PID_0200",
                           L"Korvel USB Data Card Programmer (install)"));
        rows.push_back(Row(L"krvl0400.sys", arch, L"krvl0400.inf", L"krvl0400.cat", arch, L"USB\\VID_0C0C&PID_0400",
                           L"Korvel USB HS Data Card Programmer (install)"));
        // Shares the setup information and catalog of the HS programmer.
        rows.push_back(Row(L"krvl1200.sys", arch, L"krvl0400.inf", L"krvl0400.cat", arch, L"USB\\VID_0C0C&PID_1200",
                           L"Korvel USB Data Card Programmer"));
    }
    return rows;
}

bool DriverTablesCurrent(const std::vector<DriverFile>& medium, const std::vector<DriverFile>& package,
                         const std::vector<DriverFile>& system) {
    for (size_t i = 0; i < medium.size(); ++i) {
        if (i >= system.size() || !system[i].present) return false;
        if (i >= package.size() || !package[i].present) return false;
        if (medium[i].version > system[i].version) return false;
        if (medium[i].version > package[i].version) return false;
    }
    return true;
}

CDriverInfo::CDriverInfo(const std::wstring& folder, DriverFamily family, bool archFolder) : family_(family) {
    const bool wow64 = IsWow64();
    std::wstring base;
    std::wstring arch;
    usable_ = MakeDriverFolders(folder, archFolder, wow64, &base, &arch);
    if (!usable_) return;
    if (family == DriverFamilyGps) interfaceGuid_ = kGpsInterfaceGuid;
    rows_ = DriverRows(family, base, arch, wow64);
    for (DriverFile& row : rows_) {
        row.version = GetFileVersionMS(row.sysFolder + row.sysName);
        row.present = row.version != 0;
    }
}

bool AreUsbDriversCurrent() {
    if (IsTestMode()) return fw::AppMessageBox(L"Are USB drivers at \\USB_Drivers current?", MB_YESNO) == IDYES;
    return UsbDriverVersionsCurrent();
}

bool UsbDriverVersionsCurrent() {
    CDriverInfo medium(GetSetupFolder() + L"USB_Drivers", DriverFamilyGps, true);
    CDriverInfo package(GetSystemDrive() + L"\\Korvel\\USB_Drivers", DriverFamilyGps, true);
    CDriverInfo system(GetSystemFolder() + L"\\Drivers", DriverFamilyGps, false);
    // A folder too long to name its files cannot show current drivers: install the package.
    if (!medium.usable() || !package.usable() || !system.usable()) return false;
    return DriverTablesCurrent(medium.rows(), package.rows(), system.rows());
}
