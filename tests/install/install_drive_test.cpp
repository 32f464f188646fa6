#include "install/install_drive.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>

#include "tests/kit/key_security.h"
#include "tests/kit/kit.h"

namespace {

// The drive the run chooses, and the maker's folders registered on it as the run then does;
// nothing is written when no drive qualifies.
std::wstring ChosenAndRegistered(uint64_t requiredBytes) {
    const std::wstring root = ChooseDriveWithRoom(requiredBytes);
    if (!root.empty()) RegisterInstallFolders(root);
    return root;
}

constexpr uint64_t kMiB = 1048576;
constexpr uint64_t kDefaultRequired = 0x3200000;  // 50 MiB, when setup.dat is missing

TEST(RequiredMegabytes, WholeMegabytesPlusOne) {
    const struct {
        uint64_t bytes;
        int64_t megabytes;
    } rows[] = {
        {0, 1},
        {1, 1},
        {kMiB - 1, 1},
        {kMiB, 2},
        {kDefaultRequired, 51},
        {kDefaultRequired + kMiB - 1, 51},
        {uint64_t{1} << 51, (int64_t{1} << 31) + 1},  // would wrap to a negative 32-bit number
        {UINT64_MAX, (int64_t{1} << 44)},
    };
    for (const auto& row : rows) EXPECT_EQ(RequiredMegabytes(row.bytes), row.megabytes) << row.bytes << " bytes";
}

struct Drive {
    const wchar_t* root;
    UINT type;
    int freeMegabytes;
};

struct ChoiceRow {
    const char* what;
    std::vector<Drive> drives;
    uint64_t requiredBytes;
    std::wstring chosen;
    size_t probed;  // drives probed, in list order
};

TEST(ChooseInstallDrive, FirstFixedDriveWithMoreThanRequired) {
    const ChoiceRow rows[] = {
        {"removable A:, C: with 40 MiB, D: with 10 GiB",
         {{L"A:\\", DRIVE_REMOVABLE, 0}, {L"C:\\", DRIVE_FIXED, 40}, {L"D:\\", DRIVE_FIXED, 10240}},
         kDefaultRequired, L"D:\\", 3},
        {"exactly the required MiB is not enough", {{L"C:\\", DRIVE_FIXED, 51}}, kDefaultRequired, L"", 1},
        {"one more MiB is", {{L"C:\\", DRIVE_FIXED, 52}}, kDefaultRequired, L"C:\\", 1},
        {"0 bytes still need more than 1 MiB", {{L"C:\\", DRIVE_FIXED, 1}}, 0, L"", 1},
        {"0 bytes with 2 MiB free", {{L"C:\\", DRIVE_FIXED, 2}}, 0, L"C:\\", 1},
        {"first qualifying drive wins, the rest is not probed",
         {{L"C:\\", DRIVE_FIXED, 100}, {L"D:\\", DRIVE_FIXED, 200}, {L"E:\\", DRIVE_FIXED, 300}}, 0, L"C:\\", 1},
        {"the drive with more room does not matter",
         {{L"C:\\", DRIVE_FIXED, 60}, {L"D:\\", DRIVE_FIXED, 90000}}, kDefaultRequired, L"C:\\", 1},
        {"only fixed drives qualify",
         {{L"A:\\", DRIVE_REMOVABLE, 90000}, {L"D:\\", DRIVE_CDROM, 90000}, {L"N:\\", DRIVE_REMOTE, 90000},
          {L"R:\\", DRIVE_RAMDISK, 90000}, {L"U:\\", DRIVE_UNKNOWN, 90000}, {L"V:\\", DRIVE_NO_ROOT_DIR, 90000}},
         kDefaultRequired, L"", 6},
        {"unreadable free space counts as 0", {{L"C:\\", DRIVE_FIXED, 0}}, 0, L"", 1},
        {"no drives", {}, 0, L"", 0},
        {"a requirement beyond 2^31 MiB fits nowhere", {{L"C:\\", DRIVE_FIXED, INT_MAX}}, uint64_t{1} << 51, L"", 1},
        {"the largest requirement fits nowhere", {{L"C:\\", DRIVE_FIXED, INT_MAX}}, UINT64_MAX, L"", 1},
    };
    for (const ChoiceRow& row : rows) {
        std::vector<std::wstring> roots;
        std::map<std::wstring, DriveFacts> facts;
        for (const Drive& drive : row.drives) {
            roots.push_back(drive.root);
            facts[drive.root] = DriveFacts{drive.type, drive.freeMegabytes};
        }
        std::vector<std::wstring> probed;
        std::wstring chosen = ChooseInstallDrive(roots, RequiredMegabytes(row.requiredBytes),
                                                 [&](const std::wstring& root) {
                                                     probed.push_back(root);
                                                     return facts[root];
                                                 });
        EXPECT_EQ(chosen, row.chosen) << row.what;
        EXPECT_EQ(probed, std::vector<std::wstring>(roots.begin(), roots.begin() + row.probed)) << row.what;
    }
}

TEST(ChooseInstallDrive, TheLastOfTwentySixLettersCanWin) {
    std::vector<std::wstring> roots;
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) roots.push_back(std::wstring(1, letter) + L":\\");
    auto probe = [](const std::wstring& root) {
        return root == L"Z:\\" ? DriveFacts{DRIVE_FIXED, 1000} : DriveFacts{DRIVE_FIXED, 10};
    };
    EXPECT_EQ(ChooseInstallDrive(roots, RequiredMegabytes(kDefaultRequired), probe), L"Z:\\");
}

TEST(SplitDriveStrings, RootsInBufferOrder) {
    const struct {
        const char* what;
        std::wstring buffer;
        std::vector<std::wstring> roots;
    } rows[] = {
        {"empty list", std::wstring(1, L'\0'), {}},
        {"one drive", std::wstring(L"C:\\\0\0", 5), {L"C:\\"}},
        {"three drives", std::wstring(L"A:\\\0C:\\\0Z:\\\0\0", 13), {L"A:\\", L"C:\\", L"Z:\\"}},
        {"last string without its terminator", std::wstring(L"C:\\\0D:\\", 7), {L"C:\\", L"D:\\"}},
        {"stops at the empty string", std::wstring(L"C:\\\0\0D:\\\0\0", 10), {L"C:\\"}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(SplitDriveStrings(row.buffer.data(), row.buffer.size()), row.roots) << row.what;
}

// A fake GetLogicalDriveStringsW that behaves as the system's: the length without the final
// NUL when it fits, else the size needed with it, writing nothing.
struct FakeDrives {
    std::vector<std::wstring> letters;  // the drives of each successive call; the last repeats
    std::vector<DWORD> capacities;      // what each call was given
};
FakeDrives* g_fake = nullptr;

DWORD WINAPI FakeGetLogicalDriveStrings(DWORD capacity, LPWSTR buffer) {
    const size_t call = g_fake->capacities.size();
    g_fake->capacities.push_back(capacity);
    const std::wstring& letters = g_fake->letters[std::min(call, g_fake->letters.size() - 1)];
    std::wstring list;
    for (wchar_t letter : letters) list += std::wstring(1, letter) + L":\\" + std::wstring(1, L'\0');
    if (list.size() + 1 > capacity) return static_cast<DWORD>(list.size() + 1);
    std::copy(list.begin(), list.end(), buffer);
    buffer[list.size()] = L'\0';
    return static_cast<DWORD>(list.size());
}

TEST(ListLogicalDrives, ReadsTheWholeList) {
    const std::wstring all = L"ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const struct {
        const char* what;
        std::vector<std::wstring> letters;
        size_t count;
        std::vector<DWORD> capacities;
    } rows[] = {
        {"two drives: one call", {L"CZ"}, 2, {104}},
        {"25 drives still fit in 104 units", {all.substr(0, 25)}, 25, {104}},
        {"26 drives need 105 units", {all}, 26, {104, 106}},
        {"no drives", {L""}, 0, {104}},
        {"a drive goes away between the calls", {all, all.substr(1)}, 25, {104, 106}},
    };
    for (const auto& row : rows) {
        FakeDrives fake{row.letters, {}};
        g_fake = &fake;
        std::vector<std::wstring> roots = {L"stale"};
        EXPECT_EQ(ListLogicalDrivesWith(FakeGetLogicalDriveStrings, &roots), static_cast<int>(row.count)) << row.what;
        g_fake = nullptr;
        ASSERT_EQ(roots.size(), row.count) << row.what;
        const std::wstring& final = row.letters.back();
        for (size_t i = 0; i < row.count; ++i) EXPECT_EQ(roots[i], std::wstring(1, final[i]) + L":\\") << row.what;
        EXPECT_EQ(fake.capacities, row.capacities) << row.what;
    }
}

TEST(ListLogicalDrives, MatchesTheSystemsDriveMask) {
    std::vector<std::wstring> roots;
    const int count = ListLogicalDrives(&roots);
    const DWORD mask = GetLogicalDrives();
    std::vector<std::wstring> expected;
    for (int i = 0; i < 26; ++i) {
        if (mask & (1u << i)) expected.push_back(std::wstring(1, static_cast<wchar_t>(L'A' + i)) + L":\\");
    }
    EXPECT_EQ(count, static_cast<int>(expected.size()));
    EXPECT_EQ(roots, expected);
    EXPECT_NE(std::find(roots.begin(), roots.end(), L"C:\\"), roots.end());
}

// Fakes of the two free-space entry points, with fixed answers.
struct FreeSpaceAnswer {
    BOOL ok;
    uint64_t available, total, free;                      // Ex
    DWORD sectorsPerCluster, bytesPerSector, freeClusters;  // fallback
};
FreeSpaceAnswer g_answer;
std::string g_askedRoot;

BOOL WINAPI FakeFreeSpaceEx(LPCSTR root, PULARGE_INTEGER available, PULARGE_INTEGER total, PULARGE_INTEGER free) {
    g_askedRoot = root;
    available->QuadPart = g_answer.available;
    total->QuadPart = g_answer.total;
    free->QuadPart = g_answer.free;
    return g_answer.ok;
}

BOOL WINAPI FakeFreeSpace(LPCSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector, LPDWORD freeClusters,
                          LPDWORD totalClusters) {
    g_askedRoot = root;
    *sectorsPerCluster = g_answer.sectorsPerCluster;
    *bytesPerSector = g_answer.bytesPerSector;
    *freeClusters = g_answer.freeClusters;
    *totalClusters = 0xFFFFFFFF;
    return g_answer.ok;
}

TEST(GetFreeMegabytes, UsesTheTotalFreeBytesOfTheExEntryPoint) {
    const struct {
        const char* what;
        FreeSpaceAnswer answer;
        int megabytes;
    } rows[] = {
        {"free bytes, not what the caller may use", {TRUE, 5 * kMiB, 900 * kMiB, 7 * kMiB}, 7},
        {"truncated to whole MiB", {TRUE, 0, 0, 3 * kMiB + kMiB - 1}, 3},
        {"less than one MiB", {TRUE, 0, 0, kMiB - 1}, 0},
        {"10 GiB", {TRUE, 0, 0, 10240 * kMiB}, 10240},
        {"more MiB than a 32-bit number holds", {TRUE, 0, 0, UINT64_MAX}, INT_MAX},
        {"failure", {FALSE, 5 * kMiB, 900 * kMiB, 7 * kMiB}, 0},
    };
    for (const auto& row : rows) {
        g_answer = row.answer;
        g_askedRoot.clear();
        EXPECT_EQ(GetFreeMegabytesWith(L"E:\\", FakeFreeSpaceEx, FakeFreeSpace), row.megabytes) << row.what;
        EXPECT_EQ(g_askedRoot, "E:\\") << row.what;
    }
}

TEST(GetFreeMegabytes, FallsBackToClustersWithoutTheExEntryPoint) {
    const struct {
        const char* what;
        FreeSpaceAnswer answer;
        int megabytes;
    } rows[] = {
        {"clusters times sectors times bytes", {TRUE, 0, 0, 0, 8, 512, 25600}, 100},
        {"truncated", {TRUE, 0, 0, 0, 1, 512, 2047}, 0},
        {"product beyond 32 bits", {TRUE, 0, 0, 0, 64, 4096, 0x100000}, 262144},
        {"largest answer", {TRUE, 0, 0, 0, 128, 4096, 0xFFFFFFFF}, INT_MAX},
        {"failure", {FALSE, 0, 0, 0, 8, 512, 25600}, 0},
    };
    for (const auto& row : rows) {
        g_answer = row.answer;
        g_askedRoot.clear();
        EXPECT_EQ(GetFreeMegabytesWith(L"C:\\", nullptr, FakeFreeSpace), row.megabytes) << row.what;
        EXPECT_EQ(g_askedRoot, "C:\\") << row.what;
    }
    EXPECT_EQ(GetFreeMegabytesWith(L"C:\\", nullptr, nullptr), 0);
}

TEST(GetFreeMegabytes, RealDrives) {
    ULARGE_INTEGER available{}, total{}, free{};
    ASSERT_TRUE(GetDiskFreeSpaceExW(L"C:\\", &available, &total, &free));
    const int64_t expected = static_cast<int64_t>(free.QuadPart / kMiB);
    // Other processes write to the same disk meanwhile.
    EXPECT_NEAR(GetFreeMegabytes(L"C:\\"), expected, 256);
    EXPECT_NEAR(GetFreeMegabytesWith(L"C:\\", GetDiskFreeSpaceExA, GetDiskFreeSpaceA), expected, 256);
    EXPECT_GT(GetFreeMegabytesWith(L"C:\\", nullptr, GetDiskFreeSpaceA), 0);

    // A letter with no drive.
    const DWORD mask = GetLogicalDrives();
    for (int i = 25; i >= 2; --i) {
        if (mask & (1u << i)) continue;
        const std::wstring root = std::wstring(1, static_cast<wchar_t>(L'A' + i)) + L":\\";
        EXPECT_EQ(GetFreeMegabytes(root), 0) << "drive " << static_cast<char>('A' + i);
        EXPECT_EQ(GetFreeMegabytesWith(root, nullptr, GetDiskFreeSpaceA), 0) << "drive " << static_cast<char>('A' + i);
        break;
    }
}

// The registrations, on the prefix's own drives (C:\ is the first fixed drive with room).
constexpr wchar_t kKorvel[] = L"Software\\Korvel";
constexpr wchar_t kCartoline[] = L"Software\\Korvel\\Cartoline";
constexpr wchar_t kProducts[] = L"Software\\Korvel\\Cartoline\\Products";
constexpr wchar_t kTileWizard[] = L"Software\\Korvel\\TileWizard";

const std::vector<kit::AceEntry> kSecured = {
    kit::AllowedInherited(L"S-1-1-0", KEY_READ),
    kit::AllowedInherited(L"S-1-5-32-544", KEY_ALL_ACCESS),
};

bool FolderExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

class Registrations : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        kit::DeleteKeyTree(HKEY_LOCAL_MACHINE, kKorvel);
        RemoveDirectoryW(L"C:\\Korvel");
    }
    static std::wstring InstallDir(const wchar_t* key) {
        std::wstring value = L"<none>";
        kit::GetString(HKEY_LOCAL_MACHINE, key, L"InstallDir", &value);
        return value;
    }
};

TEST_F(Registrations, AFreshMachineGetsBothRegistrationsAndFolders) {
    ASSERT_FALSE(FolderExists(L"C:\\Korvel"));
    EXPECT_EQ(ChosenAndRegistered(kDefaultRequired), L"C:\\");
    for (const wchar_t* key : {kKorvel, kCartoline, kProducts, kTileWizard}) {
        std::vector<kit::AceEntry> entries;
        ASSERT_TRUE(kit::ReadKeyDacl(HKEY_LOCAL_MACHINE, key, &entries)) << key;
        EXPECT_EQ(entries, kSecured) << key;
    }
    EXPECT_EQ(InstallDir(kProducts), L"C:\\Korvel");
    EXPECT_EQ(InstallDir(kTileWizard), L"C:\\Korvel");
    EXPECT_TRUE(FolderExists(L"C:\\Korvel"));
}

TEST_F(Registrations, ExistingValues) {
    kit::TempFolder temp;
    kit::MakeFolders(temp / L"Maps");
    const std::wstring long149(149, L'x');
    const std::wstring long150 = temp.path() + std::wstring(150 - temp.path().size(), L'y');
    const struct {
        const char* what;
        std::wstring products;    // "" with set false: no value
        bool setProducts;
        std::wstring tileWizard;
        bool setTileWizard;
        std::wstring expectProducts;
        std::wstring expectTileWizard;
        std::vector<std::wstring> createdFolders;
        std::vector<std::wstring> absentFolders;
    } rows[] = {
        {"values elsewhere are kept; only their last level is made",
         temp / L"Maps\\Products", true, temp / L"Tiles", true, temp / L"Maps\\Products", temp / L"Tiles",
         {temp / L"Maps\\Products", temp / L"Tiles"}, {L"C:\\Korvel"}},
        {"a folder whose parent is missing is not made",
         temp / L"Missing\\Products", true, temp / L"Tiles", true, temp / L"Missing\\Products", temp / L"Tiles",
         {temp / L"Tiles"}, {temp / L"Missing", L"C:\\Korvel"}},
        {"empty values stay empty", L"", true, L"", true, L"", L"", {}, {L"C:\\Korvel"}},
        {"only the missing registration gets the default", temp / L"Maps\\P", true, L"", false, temp / L"Maps\\P",
         L"C:\\Korvel", {temp / L"Maps\\P", L"C:\\Korvel"}, {}},
        {"149 characters are read and kept", long149, true, long149, true, long149, long149, {}, {L"C:\\Korvel"}},
        {"150 characters cannot be read and are overwritten", long150, true, long150, true, L"C:\\Korvel",
         L"C:\\Korvel", {L"C:\\Korvel"}, {long150}},
    };
    for (const auto& row : rows) {
        Clean();
        kit::RemoveTree(temp / L"Maps\\Products");
        kit::RemoveTree(temp / L"Maps\\P");
        kit::RemoveTree(temp / L"Tiles");
        if (row.setProducts) kit::SetString(HKEY_LOCAL_MACHINE, kProducts, L"InstallDir", row.products);
        if (row.setTileWizard) kit::SetString(HKEY_LOCAL_MACHINE, kTileWizard, L"InstallDir", row.tileWizard);

        EXPECT_EQ(ChosenAndRegistered(kDefaultRequired), L"C:\\") << row.what;
        EXPECT_EQ(InstallDir(kProducts), row.expectProducts) << row.what;
        EXPECT_EQ(InstallDir(kTileWizard), row.expectTileWizard) << row.what;
        for (const std::wstring& folder : row.createdFolders) EXPECT_TRUE(FolderExists(folder)) << row.what;
        for (const std::wstring& folder : row.absentFolders) EXPECT_FALSE(FolderExists(folder)) << row.what;
    }
}

TEST_F(Registrations, ExistingKeysKeepTheirList) {
    kit::SetString(HKEY_LOCAL_MACHINE, kProducts, L"Other", L"1");
    ASSERT_TRUE(kit::SetKeyDaclSddl(HKEY_LOCAL_MACHINE, kProducts, L"D:(A;;KA;;;WD)"));
    EXPECT_EQ(ChosenAndRegistered(kDefaultRequired), L"C:\\");
    EXPECT_EQ(InstallDir(kProducts), L"C:\\Korvel");
    std::vector<kit::AceEntry> entries;
    ASSERT_TRUE(kit::ReadKeyDacl(HKEY_LOCAL_MACHINE, kProducts, &entries));
    EXPECT_EQ(entries, std::vector<kit::AceEntry>{(kit::AceEntry{ACCESS_ALLOWED_ACE_TYPE, 0, KEY_ALL_ACCESS, L"S-1-1-0"})});
    ASSERT_TRUE(kit::ReadKeyDacl(HKEY_LOCAL_MACHINE, kTileWizard, &entries));
    EXPECT_EQ(entries, kSecured);
}

TEST_F(Registrations, NoDriveWithRoomWritesNothing) {
    EXPECT_EQ(ChosenAndRegistered(UINT64_MAX), L"");
    EXPECT_EQ(ChosenAndRegistered(uint64_t{1} << 51), L"");
    EXPECT_FALSE(kit::KeyExists(HKEY_LOCAL_MACHINE, kKorvel));
    EXPECT_FALSE(FolderExists(L"C:\\Korvel"));
}

}  // namespace
