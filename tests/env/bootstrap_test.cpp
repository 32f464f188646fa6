#include "env/bootstrap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "env/system_checks.h"
#include "system/launch.h"
#include "tests/kit/kit.h"
#include "tests/kit/recorder.h"

namespace {

constexpr wchar_t kInstallerKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer";
constexpr wchar_t kSwitches[] = L" /c:\"msiinst /delayreboot\"";

void SetInstallerLocation(const std::wstring& value) {
    kit::CreateKey(HKEY_LOCAL_MACHINE, kInstallerKey);
    kit::SetString(HKEY_LOCAL_MACHINE, kInstallerKey, L"InstallerLocation", value);
    std::wstring check;
    ASSERT_TRUE(kit::GetString(HKEY_LOCAL_MACHINE, kInstallerKey, L"InstallerLocation", &check));
    ASSERT_EQ(check, value);
}

void RemoveInstallerLocation() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kInstallerKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, L"InstallerLocation");
        RegCloseKey(key);
    }
    std::wstring check;
    ASSERT_FALSE(kit::GetString(HKEY_LOCAL_MACHINE, kInstallerKey, L"InstallerLocation", &check));
}

// A folder whose msiexec.exe is a copy of one of the engine stand-ins (none: no msiexec.exe).
std::wstring EngineFolder(const kit::TempFolder& parent, const wchar_t* standIn) {
    std::wstring folder = parent / (standIn ? standIn : L"empty");
    kit::MakeFolders(folder);
    if (standIn) {
        EXPECT_TRUE(kit::CopyTo(kit::BinPath(std::wstring(standIn) + L".dll"), folder + L"\\msiexec.exe"));
    }
    return folder;
}

// The setup medium: the two engine setups of "bin\Msi\2.0" as recording helpers.
struct Medium {
    explicit Medium(const std::wstring& root)
        : root(root),
          unicode(root + L"bin\\Msi\\2.0\\InstMsiW.exe"),
          ansi(root + L"bin\\Msi\\2.0\\InstMsiA.exe") {}
    std::wstring root;
    kit::PlantedRecorder unicode;
    kit::PlantedRecorder ansi;
};

std::wstring ExpectedCommandLine(const std::wstring& program) { return L"\"" + program + L"\"" + kSwitches; }

// ---------------------------------------------------------------------------------------------
// Pure decisions

TEST(DefaultInstallerVersion, ByWindowsVersion) {
    const DWORD expected[16] = {0,       0,       0,       0x10002, 0,       0x10001, 0x20000, 0x20000,
                                0x20000, 0x20000, 0x20000, 0x20000, 0x20000, 0x20000, 0x20000, 0x20000};
    for (int code = 0; code < 16; ++code) EXPECT_EQ(DefaultInstallerVersion(code), expected[code]) << code;
}

TEST(InstallerEnginePath, PlainConcatenation) {
    EXPECT_EQ(InstallerEnginePath(L"C:\\Windows\\System32"), L"C:\\Windows\\System32\\msiexec.exe");
    EXPECT_EQ(InstallerEnginePath(L"C:\\Windows\\System32\\"), L"C:\\Windows\\System32\\\\msiexec.exe");
    EXPECT_EQ(InstallerEnginePath(L""), L"\\msiexec.exe");
}

TEST(NeedsEngineUpdate, OnlyTheMajorNumberCounts) {
    struct Row {
        DWORD version;
        bool needed;
    } rows[] = {
        {0, true},        {0x10001, true},  {0x1000A, true},  {0x10063, true},   {0x1FFFF, true},
        {0x20000, false}, {0x20063, false}, {0x30001, false}, {0xFFFF0000, false}, {0x0000FFFF, true},
    };
    for (const Row& row : rows) EXPECT_EQ(NeedsEngineUpdate(row.version), row.needed) << std::hex << row.version;
}

TEST(EngineSetupCommandLine, QuotedProgramOfTheMediumThenTheSwitches) {
    struct Row {
        const wchar_t* folder;
        int osVersion;
        const wchar_t* line;
    } rows[] = {
        {L"D:\\", Win2000, L"\"D:\\bin\\Msi\\2.0\\InstMsiW.exe\" /c:\"msiinst /delayreboot\""},
        {L"D:\\", WinNT4, L"\"D:\\bin\\Msi\\2.0\\InstMsiW.exe\" /c:\"msiinst /delayreboot\""},
        {L"D:\\", Win7SP1, L"\"D:\\bin\\Msi\\2.0\\InstMsiW.exe\" /c:\"msiinst /delayreboot\""},
        {L"D:\\", WinMe, L"\"D:\\bin\\Msi\\2.0\\InstMsiA.exe\" /c:\"msiinst /delayreboot\""},
        {L"D:\\", Win98, L"\"D:\\bin\\Msi\\2.0\\InstMsiA.exe\" /c:\"msiinst /delayreboot\""},
        {L"D:\\", Win95, L"\"D:\\bin\\Msi\\2.0\\InstMsiA.exe\" /c:\"msiinst /delayreboot\""},
        {L"D:\\", WinUnknown, L"\"D:\\bin\\Msi\\2.0\\InstMsiA.exe\" /c:\"msiinst /delayreboot\""},
        {L"C:\\Program Files\\Medium\\", WinXPSP2,
         L"\"C:\\Program Files\\Medium\\bin\\Msi\\2.0\\InstMsiW.exe\" /c:\"msiinst /delayreboot\""},
        // A folder that would end the quoted program early: nothing to start.
        {L"\\\\host\\m\" /x \"\\", WinXPSP2, L""},
        {L"D:\\a\nb\\", WinXPSP2, L""},
    };
    for (const Row& row : rows) EXPECT_EQ(EngineSetupCommandLine(row.folder, row.osVersion), row.line) << row.line;
}

TEST(EngineSetupCommandLine, QuietShowsNothingAndDelaysTheRestartWithoutAsking) {
    EXPECT_EQ(EngineSetupCommandLine(L"D:\\", Win2000, true), L"\"D:\\bin\\Msi\\2.0\\InstMsiW.exe\" /q /c:\"msiinst /delayrebootq\"");
    EXPECT_EQ(EngineSetupCommandLine(L"E:\\M d\\", WinMe, true), L"\"E:\\M d\\bin\\Msi\\2.0\\InstMsiA.exe\" /q /c:\"msiinst /delayrebootq\"");
}

// ---------------------------------------------------------------------------------------------
// The engine's version and the update, with real files and the real registry

enum class Location { Folder, FolderWithBackslash, Missing };

struct EngineRow {
    const char* what;
    int osVersion;
    Location location;
    const wchar_t* standIn;  // engine file in the folder, or none
    DWORD version;
};

TEST(CBootstrap, ReadsTheEngineVersionAndUpdatesOnlyEnginesBefore2) {
    const EngineRow rows[] = {
        {"1.10 on Windows 2000", Win2000, Location::Folder, L"bootstrap_engine_1_10", 0x1000A},
        {"1.99 on NT 4", WinNT4, Location::Folder, L"bootstrap_engine_1_99", 0x10063},
        {"1.10 on Windows 98", Win98, Location::Folder, L"bootstrap_engine_1_10", 0x1000A},
        {"2.0 on Windows 2000", Win2000, Location::Folder, L"bootstrap_engine_2_0", 0x20000},
        {"3.1 on Windows Me", WinMe, Location::Folder, L"bootstrap_engine_3_1", 0x30001},
        {"0.0 is read, not the default", WinXPSP2, Location::Folder, L"bootstrap_engine_0_0", 0},
        {"value ending in a backslash", WinXP, Location::FolderWithBackslash, L"bootstrap_engine_1_10", 0x1000A},
        {"no msiexec.exe: default", Win2000, Location::Folder, nullptr, 0x10001},
        {"no version resource: default", WinXP, Location::Folder, L"bootstrap_engine_none", 0x20000},
        {"missing value, Windows 95", Win95, Location::Missing, nullptr, 0},
        {"missing value, Windows 98", Win98, Location::Missing, nullptr, 0},
        {"missing value, Windows Me", WinMe, Location::Missing, nullptr, 0x10002},
        {"missing value, NT 4", WinNT4, Location::Missing, nullptr, 0},
        {"missing value, Windows 2000", Win2000, Location::Missing, nullptr, 0x10001},
        {"missing value, Windows XP", WinXP, Location::Missing, nullptr, 0x20000},
        {"missing value, Windows 7", Win7, Location::Missing, nullptr, 0x20000},
        {"unknown Windows, engine 3.1 present", WinUnknown, Location::Folder, L"bootstrap_engine_3_1", 0},
    };
    kit::TempFolder engines;
    for (const EngineRow& row : rows) {
        std::wstring folder = EngineFolder(engines, row.standIn);
        if (row.location == Location::Missing) {
            RemoveInstallerLocation();
        } else {
            SetInstallerLocation(row.location == Location::Folder ? folder : folder + L"\\");
        }
        kit::TempFolder medium;
        Medium files(medium.path());
        ASSERT_TRUE(files.unicode.planted() && files.ansi.planted());

        CBootstrap bootstrap(row.osVersion, medium.path());
        EXPECT_EQ(bootstrap.GetInstallerVersion(), row.version) << row.what;
        bootstrap.UpdateInstallerEngine();

        bool runs = HIWORD(row.version) < 2;
        bool unicode = row.osVersion >= WinNT4;
        const kit::PlantedRecorder& expected = unicode ? files.unicode : files.ansi;
        const kit::PlantedRecorder& other = unicode ? files.ansi : files.unicode;
        EXPECT_FALSE(other.Ran()) << row.what;
        if (runs) {
            EXPECT_EQ(expected.CommandLines(), std::vector<std::wstring>{ExpectedCommandLine(expected.path())})
                << row.what;
            EXPECT_TRUE(expected.Done()) << row.what;  // waited for
        } else {
            EXPECT_FALSE(expected.Ran()) << row.what;
        }
    }
}

TEST(CBootstrap, TheEngineSetupsExitCodeChangesNothing) {
    RemoveInstallerLocation();
    for (const char* exit : {"exit=0", "exit=1", "exit=1603", "exit=3010"}) {
        kit::TempFolder medium;
        Medium files(medium.path());
        files.unicode.Configure(std::string(exit) + " sleep=300");
        CBootstrap bootstrap(Win2000, medium.path());
        bootstrap.UpdateInstallerEngine();
        EXPECT_TRUE(files.unicode.Done()) << exit;
        EXPECT_EQ(files.unicode.CommandLines().size(), 1u) << exit;
        EXPECT_EQ(bootstrap.GetInstallerVersion(), 0x10001u) << exit;
        EXPECT_EQ(kit::TopLevelWindows(GetCurrentProcessId()).size(), 0u) << exit;  // nothing shown
    }
}

TEST(CBootstrap, AMediumFolderWithABlankDoesNotStartItsFirstWord) {
    RemoveInstallerLocation();
    std::wstring root = L"C:\\Program Files\\Medium " + std::to_wstring(GetCurrentProcessId()) + L"\\";
    kit::MakeFolders(root);
    kit::TempFolder medium(root);
    Medium files(medium.path());
    kit::PlantedRecorder planted(L"C:\\Program.exe");
    ASSERT_TRUE(planted.planted());

    CBootstrap bootstrap(Win2000, medium.path());
    bootstrap.UpdateInstallerEngine();
    EXPECT_EQ(files.unicode.CommandLines(), std::vector<std::wstring>{ExpectedCommandLine(files.unicode.path())});
    EXPECT_FALSE(planted.Ran());

    // The same command without the quotation marks would have started the planted program.
    std::wstring unquoted = files.unicode.path() + kSwitches;
    DWORD exitCode = 0;
    EXPECT_TRUE(RunProgramDirect(unquoted, true, exitCode));
    EXPECT_TRUE(planted.Ran());
    EXPECT_EQ(files.unicode.CommandLines().size(), 1u);

    DeleteFileW(L"C:\\Program.exe");
    DeleteFileW(L"C:\\Program.log");
    DeleteFileW(L"C:\\Program.done");
    kit::RemoveTree(root);
}

// A named pipe standing where the engine program would be: any attempt to open the file is seen
// as a connection.
class OpenProbe {
public:
    explicit OpenProbe(const std::wstring& folderName) {
        event_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        overlapped_.hEvent = event_;
        pipe_ = CreateNamedPipeW((L"\\\\.\\pipe\\" + folderName + L"\\msiexec.exe").c_str(),
                                 PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 512, 512, 0,
                                 nullptr);
        if (pipe_ != INVALID_HANDLE_VALUE && !ConnectNamedPipe(pipe_, &overlapped_))
            connectedEarly_ = GetLastError() == ERROR_PIPE_CONNECTED;
    }
    ~OpenProbe() {
        if (pipe_ != INVALID_HANDLE_VALUE) {
            CancelIo(pipe_);
            CloseHandle(pipe_);
        }
        CloseHandle(event_);
    }
    bool ready() const { return pipe_ != INVALID_HANDLE_VALUE; }
    bool Opened() const { return connectedEarly_ || WaitForSingleObject(event_, 0) == WAIT_OBJECT_0; }

private:
    HANDLE pipe_ = INVALID_HANDLE_VALUE;
    HANDLE event_ = nullptr;
    OVERLAPPED overlapped_{};
    bool connectedEarly_ = false;
};

struct ProbeRun {
    int osVersion;
    DWORD version = 0xFFFFFFFF;
};

DWORD WINAPI ConstructBootstrap(void* context) {
    auto* run = static_cast<ProbeRun*>(context);
    CBootstrap bootstrap(run->osVersion, L"C:\\nowhere\\");
    run->version = bootstrap.GetInstallerVersion();
    return 0;
}

TEST(CBootstrap, UnknownWindowsTouchesNoFile) {
    struct Row {
        int osVersion;
        bool opened;
        DWORD version;
    } rows[] = {
        {WinXP, true, 0x20000},  // the probe sees an ordinary lookup
        {WinUnknown, false, 0},
    };
    for (const Row& row : rows) {
        std::wstring name = L"ktbootstrap" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(row.osVersion);
        OpenProbe probe(name);
        ASSERT_TRUE(probe.ready());
        SetInstallerLocation(L"\\\\.\\pipe\\" + name);
        ProbeRun run{row.osVersion};
        HANDLE thread = CreateThread(nullptr, 0, ConstructBootstrap, &run, 0, nullptr);
        ASSERT_EQ(WaitForSingleObject(thread, 15000), WAIT_OBJECT_0) << row.osVersion;
        CloseHandle(thread);
        EXPECT_EQ(probe.Opened(), row.opened) << row.osVersion;
        EXPECT_EQ(run.version, row.version) << row.osVersion;
    }
}

// ---------------------------------------------------------------------------------------------
// As start-up makes it: this Windows version, the program's own folder

struct PrefixDefault {
    const char* version;
    DWORD installerVersion;
    bool unicodeSetup;
};

const PrefixDefault kPrefixDefaults[] = {
    {"win98", 0, false},   {"winme", 0x10002, false},  {"nt40", 0, true},
    {"win2k", 0x10001, true}, {"winxp", 0x20000, true}, {"winxp64", 0x20000, true},
};

TEST(CBootstrap, StartUpUsesThisWindowsAndTheProgramsFolder) {
    const PrefixDefault* prefix = nullptr;
    for (const PrefixDefault& p : kPrefixDefaults) {
        if (kit::RigVersion() == p.version) prefix = &p;
    }
    ASSERT_NE(prefix, nullptr) << kit::RigVersion();

    kit::TempFolder engines;
    std::wstring engine110 = EngineFolder(engines, L"bootstrap_engine_1_10");
    struct Row {
        const char* what;
        bool missing;
        DWORD version;
    } rows[] = {
        {"missing value: this Windows's default", true, prefix->installerVersion},
        {"engine 1.10", false, 0x1000A},
    };
    for (const Row& row : rows) {
        if (row.missing) {
            RemoveInstallerLocation();
        } else {
            SetInstallerLocation(engine110);
        }
        kit::TempFolder medium;
        Medium files(medium.path());
        ASSERT_TRUE(kit::CopyTo(kit::BinPath(L"bootstrap_host.exe"), medium / L"setup.exe"));
        kit::Process host(L"\"" + (medium / L"setup.exe") + L"\"");
        ASSERT_TRUE(host.started());
        EXPECT_EQ(host.Wait(), row.version) << row.what;

        const kit::PlantedRecorder& expected = prefix->unicodeSetup ? files.unicode : files.ansi;
        const kit::PlantedRecorder& other = prefix->unicodeSetup ? files.ansi : files.unicode;
        EXPECT_FALSE(other.Ran()) << row.what;
        if (HIWORD(row.version) < 2) {
            EXPECT_EQ(expected.CommandLines(), std::vector<std::wstring>{ExpectedCommandLine(expected.path())})
                << row.what;
        } else {
            EXPECT_FALSE(expected.Ran()) << row.what;
        }
    }
}

}  // namespace
