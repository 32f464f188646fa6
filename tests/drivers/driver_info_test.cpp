#include "drivers/driver_info.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "env/system_checks.h"
#include "tests/kit/kit.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// ---- Folders ----

TEST(MakeDriverFolders, BaseAndArchitectureFolders) {
    const struct {
        std::wstring folder;
        bool archFolder;
        bool wow64;
        std::wstring base;
        std::wstring arch;
    } rows[] = {
        {L"D:\\USB_Drivers", true, false, L"D:\\USB_Drivers\\", L"D:\\USB_Drivers\\I386\\"},
        {L"D:\\USB_Drivers", true, true, L"D:\\USB_Drivers\\", L"D:\\USB_Drivers\\Amd64\\"},
        {L"C:\\Korvel\\USB_Drivers\\", true, true, L"C:\\Korvel\\USB_Drivers\\", L"C:\\Korvel\\USB_Drivers\\Amd64\\"},
        {L"C:\\WINDOWS\\system32\\Drivers", false, true, L"C:\\WINDOWS\\system32\\Drivers\\",
         L"C:\\WINDOWS\\system32\\Drivers\\"},
        {L"C:\\WINDOWS\\system32\\Drivers", false, false, L"C:\\WINDOWS\\system32\\Drivers\\",
         L"C:\\WINDOWS\\system32\\Drivers\\"},
    };
    for (const auto& r : rows) {
        std::wstring base = L"x";
        std::wstring arch = L"x";
        EXPECT_TRUE(MakeDriverFolders(r.folder, r.archFolder, r.wow64, &base, &arch)) << Narrow(r.folder);
        EXPECT_EQ(base, r.base) << Narrow(r.folder);
        EXPECT_EQ(arch, r.arch) << Narrow(r.folder);
    }
}

// B and A must each fit in 259 characters; one more is refused, whatever the flag.
TEST(MakeDriverFolders, RefusesFoldersTooLongForTheirPaths) {
    auto folderOf = [](size_t length) { return L"C:\\" + std::wstring(length - 3, L'd'); };
    const struct {
        size_t folderLength;  // without a trailing backslash
        bool archFolder;
        bool wow64;
        bool fits;
    } rows[] = {
        {258, false, false, true},   // B 259
        {259, false, false, false},  // B 260
        {253, true, false, true},    // A = B + "I386\" = 259
        {254, true, false, false},   // A 260
        {252, true, true, true},     // A = B + "Amd64\" = 259
        {253, true, true, false},    // A 260
        {1000, false, false, false},
    };
    for (const auto& r : rows) {
        std::wstring base = L"x";
        std::wstring arch = L"x";
        EXPECT_EQ(MakeDriverFolders(folderOf(r.folderLength), r.archFolder, r.wow64, &base, &arch), r.fits)
            << r.folderLength << " arch " << r.archFolder << " wow64 " << r.wow64;
        if (r.fits) {
            EXPECT_LE(arch.size(), 259u);
            EXPECT_LE(base.size(), 259u);
        } else {
            EXPECT_TRUE(base.empty() && arch.empty());
        }
    }
    // A folder already ending with a backslash gains none: 259 characters fit.
    std::wstring base, arch;
    EXPECT_TRUE(MakeDriverFolders(folderOf(258) + L"\\", false, false, &base, &arch));
    EXPECT_EQ(base.size(), 259u);
}

// ---- Rows ----

TEST(DriverRows, GpsFamilyOn32BitWindows) {
    const std::wstring b = L"D:\\USB_Drivers\\";
    const std::wstring a = L"D:\\USB_Drivers\\I386\\";
    std::vector<DriverFile> rows = DriverRows(DriverFamilyGps, b, a, false);
    const struct {
        const wchar_t* sys;
        const wchar_t* inf;
        const wchar_t* cat;
        std::wstring infFolder;
        const wchar_t* hardwareId;
        const wchar_t* description;
    } expected[] = {
        {L"krvlusb.sys", L"krvlusb.inf", L"krvlusb.cat", b, L"USB\\VID_0C0C&PID_0003", L"Korvel USB GPS"},
        {L"krvlgen.sys", L"", L"", L"", L"", L""},
        {L"krvl0200.sys", L"krvl0200.inf", L"krvl0200.cat", a, L"USB\\VID_0C0C&PID_0200",
         L"Korvel USB Data Card Programmer (install)"},
        {L"krvl0400.sys", L"krvl0400.inf", L"krvl0400.cat", a, L"USB\\VID_0C0C&PID_0400",
         L"Korvel USB HS Data Card Programmer (install)"},
        {L"krvl1200.sys", L"krvl0400.inf", L"krvl0400.cat", a, L"USB\\VID_0C0C&PID_1200",
         L"Korvel USB Data Card Programmer"},
    };
    ASSERT_EQ(rows.size(), 5u);
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].sysName, expected[i].sys) << i;
        EXPECT_EQ(rows[i].sysFolder, a) << i;
        EXPECT_EQ(rows[i].infName, expected[i].inf) << i;
        EXPECT_EQ(rows[i].catName, expected[i].cat) << i;
        EXPECT_EQ(rows[i].infFolder, expected[i].infFolder) << i;
        EXPECT_EQ(rows[i].catFolder, expected[i].infFolder) << i;
        EXPECT_EQ(rows[i].hardwareId, expected[i].hardwareId) << i;
        EXPECT_EQ(rows[i].description, expected[i].description) << i;
        EXPECT_EQ(rows[i].version, 0u) << i;
        EXPECT_FALSE(rows[i].present) << i;
    }
}

TEST(DriverRows, GpsFamilyOn64BitWindowsHasNoProgrammers) {
    std::vector<DriverFile> rows = DriverRows(DriverFamilyGps, L"B\\", L"B\\Amd64\\", true);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].sysName, L"krvlusb.sys");
    EXPECT_EQ(rows[1].sysName, L"krvlgen.sys");
    EXPECT_EQ(rows[0].sysFolder, L"B\\Amd64\\");
    EXPECT_EQ(rows[0].infFolder, L"B\\");
    EXPECT_TRUE(DriverRows(static_cast<DriverFamily>(2), L"B\\", L"B\\", false).empty());
}

// ---- The comparison ----

// A table from versions per row; 0 is a missing file.
std::vector<DriverFile> Table(std::vector<DWORD> versions) {
    std::vector<DriverFile> rows;
    for (DWORD v : versions) {
        DriverFile row;
        row.version = v;
        row.present = v != 0;
        rows.push_back(row);
    }
    return rows;
}

constexpr DWORD V5_2 = 0x00050002;
constexpr DWORD V5_10 = 0x0005000A;
constexpr DWORD V2_3 = 0x00020003;
constexpr DWORD V6_0 = 0x00060000;

TEST(DriverTablesCurrent, RowByRow) {
    const struct {
        const char* what;
        std::vector<DWORD> medium, package, system;
        bool current;
    } rows[] = {
        {"all equal", {V5_2, V5_2}, {V5_2, V5_2}, {V5_2, V5_2}, true},
        {"medium 5.2, installed 5.10", {V5_2, V5_2}, {V5_10, V5_10}, {V5_10, V5_10}, true},
        {"installed newer on every row", {V2_3, V5_2}, {V6_0, V6_0}, {V6_0, V6_0}, true},
        {"medium 5.10, system 5.2", {V5_10, V5_2}, {V5_10, V5_2}, {V5_2, V5_2}, false},
        {"medium 5.10, package 5.2", {V5_10, V5_2}, {V5_2, V5_2}, {V5_10, V5_2}, false},
        {"older only on the last row", {V5_2, V5_2, V5_10}, {V5_2, V5_2, V5_2}, {V5_2, V5_2, V5_10}, false},
        {"krvlgen.sys missing from the system folder", {V5_2, V5_2}, {V5_2, V5_2}, {V5_2, 0}, false},
        {"in the system folder, missing from the package copy", {V5_2, V5_2}, {0, V5_2}, {V5_2, V5_2}, false},
        {"missing from both installed folders", {0, 0}, {0, 0}, {0, 0}, false},
        {"no medium files", {0, 0}, {V5_2, V5_2}, {V5_2, V5_2}, true},
        {"one medium file missing", {V5_10, 0}, {V5_10, V5_2}, {V5_10, V5_2}, true},
        {"installed table shorter than the medium's", {V5_2, V5_2}, {V5_2}, {V5_2, V5_2}, false},
        {"system table shorter than the medium's", {V5_2, V5_2}, {V5_2, V5_2}, {V5_2}, false},
        {"extra installed rows are not compared", {V5_2}, {V5_2, 0}, {V5_2, 0}, true},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(DriverTablesCurrent(Table(r.medium), Table(r.package), Table(r.system)), r.current) << r.what;
    }
}

// ---- Real folders ----

// Where the three tables look. The medium is the folder of the program that asks.
struct Places {
    std::wstring mediumBase;  // the medium's "USB_Drivers" folder
    std::wstring packageBase = L"C:\\Korvel\\USB_Drivers\\";
    std::wstring system = GetSystemFolder() + L"\\Drivers\\";
    std::wstring arch = IsWow64() ? L"Amd64\\" : L"I386\\";
    std::wstring otherArch = IsWow64() ? L"I386\\" : L"Amd64\\";
};

const wchar_t* const kAllDrivers[] = {L"krvlusb.sys", L"krvlgen.sys", L"krvl0200.sys", L"krvl0400.sys",
                                      L"krvl1200.sys"};

std::vector<std::wstring> DriversOfThisWindows() {
    std::vector<std::wstring> names(std::begin(kAllDrivers), std::end(kAllDrivers));
    if (IsWow64()) names.resize(2);
    return names;
}

void Place(const std::wstring& folder, const std::wstring& name, const std::wstring& versionFile) {
    ASSERT_TRUE(kit::CopyTo(kit::BinPath(versionFile + L".dll"), folder + name)) << Narrow(folder + name);
}

void RemoveInstalledDrivers(const Places& places) {
    kit::RemoveTree(L"C:\\Korvel");
    for (const wchar_t* name : kAllDrivers) {
        DeleteFileW((places.system + name).c_str());
        DeleteFileW((places.system + places.arch + name).c_str());
    }
    RemoveDirectoryW((places.system + places.arch).c_str());
}

TEST(CDriverInfo, ReadsTheArchitectureFolder) {
    kit::TempFolder medium;
    Places places;
    const std::wstring base = medium / L"USB_Drivers\\";
    for (const wchar_t* name : kAllDrivers) {
        Place(base + places.arch, name, L"fileversion_5_10");
        Place(base + places.otherArch, name, L"fileversion_2_3_0_0");
        Place(base, name, L"fileversion_2_3_0_0");
    }
    Place(base + places.arch, L"krvlgen.sys", L"fileversion_none");

    CDriverInfo table(medium / L"USB_Drivers", DriverFamilyGps, true);
    ASSERT_TRUE(table.usable());
    EXPECT_EQ(table.family(), DriverFamilyGps);
    EXPECT_EQ(table.interfaceGuid(), L"5B3F0D2A-7C41-4E8B-9A16-2D0E4C7B1F93");
    const size_t rowCount = kit::Is64BitPrefix() ? 2 : 5;
    ASSERT_EQ(table.rows().size(), rowCount);
    for (size_t i = 0; i < rowCount; ++i) {
        const DriverFile& row = table.rows()[i];
        EXPECT_EQ(row.sysName, kAllDrivers[i]);
        EXPECT_EQ(row.sysFolder, base + places.arch);
        const bool unversioned = row.sysName == L"krvlgen.sys";
        EXPECT_EQ(row.version, unversioned ? 0u : V5_10) << i;
        EXPECT_EQ(row.present, !unversioned) << i;
    }

    CDriverInfo flat(medium / L"USB_Drivers", DriverFamilyGps, false);
    ASSERT_EQ(flat.rows().size(), rowCount);
    EXPECT_EQ(flat.rows()[0].sysFolder, base);
    EXPECT_EQ(flat.rows()[0].version, V2_3);
}

// The system table is built from the system folder the product is told ("system32"), used as it
// stands: on 64-bit Windows the file system sends this 32-bit process to syswow64.
TEST(CDriverInfo, SystemTableHasNoSubFolder) {
    Places places;
    RemoveInstalledDrivers(places);
    Place(places.system, L"krvlusb.sys", L"fileversion_5_2");
    CDriverInfo system(GetSystemFolder() + L"\\Drivers", DriverFamilyGps, false);
    ASSERT_FALSE(system.rows().empty());
    EXPECT_EQ(system.rows()[0].sysFolder, L"C:\\windows\\system32\\Drivers\\");
    EXPECT_EQ(system.rows()[0].version, V5_2);
    EXPECT_FALSE(system.rows()[1].present);

    // Where the fixture landed.
    const bool inSysWow64 = kit::FileExists(L"C:\\windows\\syswow64\\drivers\\krvlusb.sys");
    EXPECT_EQ(inSysWow64, kit::Is64BitPrefix());
    if (kit::Is64BitPrefix()) {
        PVOID state = nullptr;
        ASSERT_TRUE(Wow64DisableWow64FsRedirection(&state));
        const bool inSystem32 = PathFileExistsW(L"C:\\windows\\system32\\drivers\\krvlusb.sys") != FALSE;
        Wow64RevertWow64FsRedirection(state);
        EXPECT_FALSE(inSystem32) << "the 64-bit system32 was written";
    }
    RemoveInstalledDrivers(places);
}

// ---- AreUsbDriversCurrent on real files ----

enum Where { Medium, Package, System, PackageBase, SystemArch, MediumOtherArch };
struct Placement {
    Where where;
    const wchar_t* name;  // null: every driver of this Windows
    const wchar_t* versionFile;
};

class UsbDriversTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveInstalledDrivers(places_);
        kit::DeleteKeyTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Korvel\\TestModeKey");
        ASSERT_TRUE(kit::CopyTo(kit::BinPath(L"drivers_probe.exe"), medium_ / L"probe.exe"));
        places_.mediumBase = medium_ / L"USB_Drivers\\";
    }
    void TearDown() override {
        RemoveInstalledDrivers(places_);
        kit::DeleteKeyTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Korvel\\TestModeKey");
    }

    std::wstring FolderOf(Where where) const {
        switch (where) {
            case Medium: return places_.mediumBase + places_.arch;
            case MediumOtherArch: return places_.mediumBase + places_.otherArch;
            case Package: return places_.packageBase + places_.arch;
            case PackageBase: return places_.packageBase;
            case System: return places_.system;
            case SystemArch: return places_.system + places_.arch;
        }
        return L"";
    }

    void Arrange(const std::vector<Placement>& placements) {
        RemoveInstalledDrivers(places_);
        kit::RemoveTree(places_.mediumBase);
        for (const Placement& p : placements) {
            if (p.name) {
                if (p.versionFile)
                    Place(FolderOf(p.where), p.name, p.versionFile);
                else
                    DeleteFileW((FolderOf(p.where) + p.name).c_str());
                continue;
            }
            for (const std::wstring& name : DriversOfThisWindows()) Place(FolderOf(p.where), name, p.versionFile);
        }
    }

    // The answer of a setup started from the medium folder.
    DWORD Ask(const std::wstring& folder) {
        kit::Process probe(L"\"" + folder + L"probe.exe\"", folder);
        EXPECT_TRUE(probe.started());
        return probe.Wait();
    }

    kit::TempFolder medium_;
    Places places_;
};

TEST_F(UsbDriversTest, ComparesTheThreeFolders) {
    const wchar_t* const v5_2 = L"fileversion_5_2";
    const wchar_t* const v5_10 = L"fileversion_5_10";
    const wchar_t* const v2_3_0_0 = L"fileversion_2_3_0_0";
    const wchar_t* const v2_3_9_9 = L"fileversion_2_3_9_9";
    const struct {
        const char* what;
        std::vector<Placement> placements;
        DWORD current32;
        DWORD current64;
    } rows[] = {
        {"all at 5.2", {{Medium, nullptr, v5_2}, {Package, nullptr, v5_2}, {System, nullptr, v5_2}}, 1, 1},
        {"medium 5.2, installed 5.10", {{Medium, nullptr, v5_2}, {Package, nullptr, v5_10}, {System, nullptr, v5_10}},
         1, 1},
        {"medium 2.3.0.0, installed 2.3.9.9",
         {{Medium, nullptr, v2_3_0_0}, {Package, nullptr, v2_3_9_9}, {System, nullptr, v2_3_9_9}}, 1, 1},
        {"medium 2.3.9.9, installed 2.3.0.0: build ignored",
         {{Medium, nullptr, v2_3_9_9}, {Package, nullptr, v2_3_0_0}, {System, nullptr, v2_3_0_0}}, 1, 1},
        {"medium 5.10, system 5.2", {{Medium, nullptr, v5_10}, {Package, nullptr, v5_10}, {System, nullptr, v5_2}}, 0,
         0},
        {"medium 5.10, package 5.2", {{Medium, nullptr, v5_10}, {Package, nullptr, v5_2}, {System, nullptr, v5_10}},
         0, 0},
        {"krvlgen.sys missing from the system folder",
         {{Medium, nullptr, v5_2}, {Package, nullptr, v5_2}, {System, nullptr, v5_2}, {System, L"krvlgen.sys", nullptr}},
         0, 0},
        {"krvlusb.sys missing from the package copy",
         {{Medium, nullptr, v5_2}, {Package, nullptr, v5_2}, {System, nullptr, v5_2}, {Package, L"krvlusb.sys", nullptr}},
         0, 0},
        {"system driver without a version",
         {{Medium, nullptr, v5_2}, {Package, nullptr, v5_2}, {System, nullptr, v5_2},
          {System, L"krvlusb.sys", L"fileversion_none"}},
         0, 0},
        {"no medium files", {{Package, nullptr, v5_2}, {System, nullptr, v5_2}}, 1, 1},
        {"nothing anywhere", {}, 0, 0},
        {"only the GPS drivers installed",
         {{Medium, nullptr, v5_2}, {Package, L"krvlusb.sys", v5_2}, {Package, L"krvlgen.sys", v5_2},
          {System, L"krvlusb.sys", v5_2}, {System, L"krvlgen.sys", v5_2}},
         0, 1},
        {"package copy without the architecture folder",
         {{Medium, nullptr, v5_2}, {PackageBase, nullptr, v5_2}, {System, nullptr, v5_2}}, 0, 0},
        {"system drivers in an architecture folder",
         {{Medium, nullptr, v5_2}, {Package, nullptr, v5_2}, {SystemArch, nullptr, v5_2}}, 0, 0},
        {"newer medium files of the other architecture",
         {{MediumOtherArch, nullptr, v5_10}, {Package, nullptr, v5_2}, {System, nullptr, v5_2}}, 1, 1},
    };
    for (const auto& r : rows) {
        Arrange(r.placements);
        if (HasFatalFailure()) return;
        EXPECT_EQ(Ask(medium_.path()), kit::Is64BitPrefix() ? r.current64 : r.current32) << r.what;
    }
}

// A medium folder so deep that the medium's driver folder would not fit in MAX_PATH: the
// drivers count as not current, though the installed ones are.
TEST_F(UsbDriversTest, TooLongSetupFolderMeansNotCurrent) {
    Arrange({{Package, nullptr, L"fileversion_5_2"}, {System, nullptr, L"fileversion_5_2"}});
    const size_t archLength = places_.arch.size();  // "I386\" or "Amd64\"
    const struct {
        size_t setupFolderLength;  // with its trailing backslash
        DWORD current;
    } rows[] = {
        {259 - 12 - archLength, 1},  // A = folder + "USB_Drivers\" + arch = 259
        {260 - 12 - archLength, 0},  // 260
    };
    for (const auto& r : rows) {
        std::wstring folder = medium_.path();
        while (folder.size() < r.setupFolderLength) {
            size_t room = r.setupFolderLength - folder.size() - 1;
            folder += std::wstring(room > 60 ? 60 : room, L'd') + L"\\";
        }
        ASSERT_EQ(folder.size(), r.setupFolderLength);
        kit::MakeFolders(folder);
        // A short program name keeps the program's own path within MAX_PATH.
        ASSERT_TRUE(kit::CopyTo(kit::BinPath(L"drivers_probe.exe"), folder + L"probe.exe"));
        EXPECT_EQ(Ask(folder), r.current) << "setup folder of " << folder.size() << " characters";
    }
}

TEST_F(UsbDriversTest, TestModeAsksTheUser) {
    kit::CreateKey(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Korvel\\TestModeKey");
    const struct {
        int answer;
        bool current;
    } rows[] = {{IDYES, true}, {IDNO, false}};
    for (const auto& r : rows) {
        Arrange({});
        kit::MessageBoxAnswerer answerer({r.answer});
        bool buttons = false;
        answerer.beforeAnswer = [&](size_t) {
            HWND box = kit::FindMessageBox(GetCurrentProcessId());
            buttons = box && GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) && !GetDlgItem(box, IDOK) &&
                      !GetDlgItem(box, IDCANCEL);
        };
        EXPECT_EQ(AreUsbDriversCurrent(), r.current) << r.answer;
        ASSERT_EQ(answerer.Texts().size(), 1u);
        EXPECT_EQ(answerer.Texts()[0], L"Are USB drivers at \\USB_Drivers current?");
        EXPECT_EQ(answerer.Captions()[0], L"driver_info_test");
        EXPECT_TRUE(buttons) << "Yes and No only";
    }
    // The answer wins over the files.
    Arrange({{Package, nullptr, L"fileversion_5_2"}, {System, nullptr, L"fileversion_5_2"}});
    kit::MessageBoxAnswerer no({IDNO});
    EXPECT_FALSE(AreUsbDriversCurrent());
    EXPECT_EQ(no.Texts().size(), 1u);
}

TEST_F(UsbDriversTest, NoQuestionOutsideTestMode) {
    Arrange({{Package, nullptr, L"fileversion_5_2"}, {System, nullptr, L"fileversion_5_2"}});
    kit::MessageBoxAnswerer answerer({IDNO});
    EXPECT_TRUE(AreUsbDriversCurrent());
    Sleep(100);
    EXPECT_TRUE(answerer.Texts().empty());
}

}  // namespace
