#include "env/system_checks.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <cstring>
#include <string>
#include <vector>

#include "env/version_loader.h"
#include "framework/handle.h"
#include "tests/kit/kit.h"
#include "tests/kit/log_capture.h"

namespace {

std::wstring Lower(std::wstring text) {
    CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

struct VersionRow {
    DWORD platform;
    DWORD major;
    DWORD minor;
    WORD servicePack;
    int code;
    const char* what;
};

TEST(ClassifyWindowsVersion, WholeTable) {
    const VersionRow rows[] = {
        {0, 3, 10, 0, WinUnknown, "Win32s"},
        {3, 10, 0, 0, WinUnknown, "Windows CE platform"},
        {7, 6, 1, 1, WinUnknown, "unknown platform id"},
        {1, 4, 0, 0, Win95, "Windows 95"},
        {1, 4, 3, 0, Win95, "9x minor 3"},
        {1, 4, 10, 0, Win98, "Windows 98"},
        {1, 4, 90, 0, WinMe, "Windows Me"},
        {1, 5, 10, 0, Win98, "9x: the major is ignored"},
        {1, 4, 91, 0, Win95, "9x minor 91"},
        {1, 4, 10, 2, Win98, "9x: the service pack is ignored"},
        {2, 3, 51, 5, WinVista, "NT 3.51"},
        {2, 4, 0, 6, WinNT4, "NT 4.0 SP6"},
        {2, 4, 7, 0, WinNT4, "NT 4.x"},
        {2, 5, 0, 4, Win2000, "Windows 2000 SP4"},
        {2, 5, 1, 0, WinXP, "XP"},
        {2, 5, 1, 1, WinXPSP1, "XP SP1"},
        {2, 5, 1, 2, WinXPSP2, "XP SP2"},
        {2, 5, 1, 3, WinXPSP3, "XP SP3"},
        {2, 5, 1, 4, WinXP, "XP SP4"},
        {2, 5, 2, 0, WinServer2003, "Server 2003"},
        {2, 5, 2, 2, WinServer2003, "XP x64 SP2"},
        {2, 5, 3, 0, WinVista, "NT 5.3"},
        {2, 6, 0, 0, WinVista, "Vista"},
        {2, 6, 0, 1, WinVistaSP1, "Vista SP1"},
        {2, 6, 0, 2, WinVistaSP2, "Vista SP2"},
        {2, 6, 0, 3, WinVista, "Vista SP3"},
        {2, 6, 1, 0, Win7, "7"},
        {2, 6, 1, 1, Win7SP1, "7 SP1"},
        {2, 6, 1, 2, Win7, "7 SP2"},
        {2, 6, 2, 0, WinVista, "NT 6.2"},
        {2, 6, 3, 0, WinVista, "NT 6.3"},
        {2, 10, 0, 0, WinVista, "NT 10.0"},
        {2, 7, 0, 0, WinVista, "NT 7.0"},
    };
    for (const VersionRow& r : rows) {
        EXPECT_EQ(ClassifyWindowsVersion(r.platform, r.major, r.minor, r.servicePack), r.code) << r.what;
    }
}

// What Wine reports for each prefix's Windows version, and the code that gives.
struct PrefixVersion {
    const char* prefix;
    int code;
};
constexpr PrefixVersion kPrefixVersions[] = {
    {"win32-win98", Win98},      {"win32-winme", WinMe},    {"win32-nt40", WinNT4},
    {"win32-win2k", Win2000},    {"win32-winxp", WinXPSP3}, {"win32-win7", Win7SP1},
    {"win64-winxp64", WinServer2003}, {"win64-win10", WinVista},
};

int ExpectedCode() {
    std::string prefix = kit::RigArch() + "-" + kit::RigVersion();
    for (const PrefixVersion& p : kPrefixVersions) {
        if (prefix == p.prefix) return p.code;
    }
    ADD_FAILURE() << "no expected version for prefix " << prefix;
    return -1;
}

TEST(GetWindowsVersion, MatchesThePrefix) {
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
#pragma GCC diagnostic pop
    EXPECT_EQ(GetWindowsVersion(), ExpectedCode())
        << "platform " << info.dwPlatformId << ", " << info.dwMajorVersion << "." << info.dwMinorVersion << " SP "
        << info.wServicePackMajor;
}

TEST(IsWow64, TrueOnlyOn64BitPrefixes) { EXPECT_EQ(IsWow64(), kit::Is64BitPrefix()); }

TEST(SetupFolder, FromModulePath) {
    const struct {
        std::wstring path;
        std::wstring folder;
    } rows[] = {
        {L"D:\\setup.exe", L"D:\\"},
        {L"D:\\Medium\\Disk 1\\setup.exe", L"D:\\Medium\\Disk 1\\"},
        {L"\"D:\\Medium\\setup.exe", L"D:\\Medium\\"},
        {L"\"\"\\\\server\\share\\setup.exe", L"\\\\server\\share\\"},
        {L"setup.exe", L""},
        {L"", L""},
        {L"D:\\Medium\\", L"D:\\Medium\\"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(SetupFolderFromModulePath(r.path), r.folder) << std::string(r.path.begin(), r.path.end());
    }
}

TEST(SetupFolder, IsTheProgramsFolder) {
    std::wstring folder = GetSetupFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), L'\\');
    EXPECT_TRUE(PathFileExistsW((folder + L"system_checks_test.exe").c_str()));
    EXPECT_TRUE(PathFileExistsW((folder + L"env_probe.exe").c_str()));
}

TEST(SystemFolder, KeepsTheDefaultForShortAnswers) {
    const struct {
        std::wstring directory;
        std::wstring folder;
        std::wstring drive;
    } rows[] = {
        {L"", L"c:\\windows\\system32", L"C:"},
        {L"C:", L"c:\\windows\\system32", L"C:"},
        {L"d:\\", L"c:\\windows\\system32", L"D:"},
        {L"d:\\w", L"d:\\w", L"D:"},
        {L"e:\\WINNT\\system32", L"e:\\WINNT\\system32", L"E:"},
    };
    for (const auto& r : rows) {
        std::string what(r.directory.begin(), r.directory.end());
        EXPECT_EQ(SystemFolderFromDirectory(r.directory), r.folder) << what;
        EXPECT_EQ(SystemDriveFromDirectory(r.directory), r.drive) << what;
    }
}

TEST(SystemFolder, RealCalls) {
    // A 32-bit process is told "system32" also on 64-bit Windows; the file system redirects.
    EXPECT_EQ(Lower(GetSystemFolder()), L"c:\\windows\\system32");
    EXPECT_EQ(GetSystemDrive(), L"C:");
}

TEST(GetFileVersionMS, ReadsMajorAndMinorOfRealFiles) {
    kit::TempFolder folder;
    kit::WriteBytes(folder / L"text.sys", "not a program");
    const struct {
        std::wstring path;
        DWORD version;
    } rows[] = {
        {kit::BinPath(L"fileversion_5_2.dll"), 0x00050002},
        {kit::BinPath(L"fileversion_5_10.dll"), 0x0005000A},
        {kit::BinPath(L"fileversion_2_3_9_9.dll"), 0x00020003},
        {kit::BinPath(L"fileversion_0_0_1_1.dll"), 0},
        {kit::BinPath(L"fileversion_none.dll"), 0},
        {kit::BinPath(L"fileversion_missing.dll"), 0},
        {folder / L"text.sys", 0},
        {folder.path(), 0},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(GetFileVersionMS(r.path), r.version) << std::string(r.path.begin(), r.path.end());
    }
    // The same files under a driver's name: the extension does not matter.
    ASSERT_TRUE(kit::CopyTo(kit::BinPath(L"fileversion_5_10.dll"), folder / L"krvlusb.sys"));
    EXPECT_EQ(GetFileVersionMS(folder / L"krvlusb.sys"), 0x0005000Au);
}

// The system's own reading is the reference: the files of the system folder, and on 64-bit
// Windows the 64-bit ones behind "sysnative".
TEST(ReadFileVersionMS, ReadsWhatVersionDllReads) {
    std::vector<std::wstring> files;
    for (const wchar_t* name : {L"kernel32.dll", L"user32.dll", L"comctl32.dll", L"msi.dll", L"msiexec.exe"}) {
        files.push_back(GetSystemFolder() + L"\\" + name);
        if (IsWow64()) files.push_back(L"C:\\windows\\sysnative\\" + std::wstring(name));
    }
    files.push_back(kit::BinPath(L"fileversion_2_3_9_9.dll"));
    for (const std::wstring& path : files) {
        const std::string what(path.begin(), path.end());
        DWORD unused = 0;
        std::vector<BYTE> block(GetFileVersionInfoSizeW(path.c_str(), &unused));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_FALSE(block.empty()) << what;
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()) &&
                    VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length))
            << what;
        DWORD version = 0;
        EXPECT_TRUE(ReadFileVersionMS(path, &version)) << what;
        EXPECT_EQ(version, fixed->dwFileVersionMS) << what;
    }
}

// Windows Installer's execution mutex, as the installer's service may hold it: with a DACL that
// lets this user do nothing with it, it is busy. (Held by another process: the end-to-end runs.)
TEST(WindowsInstallerBusy, ClosedToThisUserIsBusy) {
    const wchar_t* name = GetWindowsVersion() >= Win2000 ? L"Global\\_MSIExecute" : L"_MSIExecute";
    EXPECT_FALSE(IsWindowsInstallerBusy()) << "no mutex";
    fw::UniqueHandle mutex(CreateMutexW(nullptr, FALSE, name));
    EXPECT_FALSE(IsWindowsInstallerBusy()) << "free";
    mutex.reset();
    // A DACL with no entry allows no one anything (the creator keeps its handle).
    ACL nothing{};
    ASSERT_TRUE(InitializeAcl(&nothing, sizeof nothing, ACL_REVISION));
    SECURITY_DESCRIPTOR descriptor;
    ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, &nothing, FALSE));
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
    mutex.reset(CreateMutexW(&attributes, FALSE, name));
    ASSERT_TRUE(mutex);
    // As the installer check opens it (Wine lets anyone wait on an object whatever its DACL).
    ASSERT_EQ(OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name), nullptr) << "the DACL is not enforced";
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(IsWindowsInstallerBusy()) << "its DACL denying this user";
}

// A file the medium does not give (here: held open by another without sharing, as a read
// error of a failing disc would) has no version, and the log names it with the error.
TEST(ReadFileVersionMS, ReadErrorIsNoVersionWithALogLine) {
    kit::LogCapture log;
    ASSERT_TRUE(log.ok());
    kit::TempFolder folder;
    const std::wstring path = folder / L"krvlusb.sys";
    ASSERT_TRUE(kit::CopyTo(kit::BinPath(L"fileversion_5_10.dll"), path));
    DWORD version = 7;
    {
        fw::UniqueFileHandle held(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_FALSE(ReadFileVersionMS(path, &version));
        EXPECT_EQ(version, 7u);
    }
    const std::string narrowPath(path.begin(), path.end());
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Version: " + narrowPath + ": read error 32"});
    // Once the file reads again, so does its version.
    EXPECT_TRUE(ReadFileVersionMS(path, &version));
    EXPECT_EQ(version, 0x0005000Au);
}

// Every shortened copy of a real file, ending just before a page no one may read: a read past
// the bytes faults, and no reading may come from a resource that is cut off.
TEST(FixedFileVersionMS, TruncatedFilesReadNothingBeyondTheirEnd) {
    const std::string whole = kit::ReadBytes(kit::BinPath(L"fileversion_5_10.dll"));
    ASSERT_GT(whole.size(), 512u);
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const size_t span = (whole.size() / system.dwPageSize + 1) * system.dwPageSize;
    auto* pages = static_cast<BYTE*>(VirtualAlloc(nullptr, span + system.dwPageSize, MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(pages, nullptr);
    DWORD old = 0;
    ASSERT_TRUE(VirtualProtect(pages + span, system.dwPageSize, PAGE_NOACCESS, &old));
    size_t read = 0;
    for (size_t size = 0; size <= whole.size(); ++size) {
        BYTE* start = pages + span - size;
        std::memcpy(start, whole.data(), size);
        uint32_t version = 0;
        if (FixedFileVersionMS(start, size, &version)) {
            EXPECT_EQ(version, 0x0005000Au) << size;
            ++read;
        }
    }
    // The version is read once the fixed information is whole, whatever follows it.
    EXPECT_GT(read, 0u);
    EXPECT_LT(read, whole.size() / 2);
    VirtualFree(pages, 0, MEM_RELEASE);
}

}  // namespace
