// Runs in a prefix whose 26 drive letters are all in use (install_drive_letters.sh).
#include "install/install_drive.h"

#include <gtest/gtest.h>

#include <cstdlib>

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

std::wstring Root(wchar_t letter) { return std::wstring(1, letter) + L":\\"; }

bool FolderExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The Linux folder behind B:, seen through Z:.
std::wstring SmallDriveOnTheHost() {
    const char* run = std::getenv("RIG_RUN_DIR");
    std::wstring path = L"Z:";
    for (const char* c = run ? run : ""; *c; ++c) path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    return path + L"\\letters\\small\\";
}

TEST(DriveLetters, AllTwentySixAreListed) {
    std::vector<std::wstring> roots;
    ASSERT_EQ(ListLogicalDrives(&roots), 26);
    for (int i = 0; i < 26; ++i) EXPECT_EQ(roots[i], Root(static_cast<wchar_t>(L'A' + i)));
}

TEST(DriveLetters, TypesAsTheHookSetThem) {
    const struct {
        wchar_t letter;
        UINT type;
    } rows[] = {
        {L'A', DRIVE_REMOVABLE}, {L'B', DRIVE_FIXED}, {L'C', DRIVE_FIXED}, {L'D', DRIVE_CDROM},
        {L'E', DRIVE_REMOVABLE}, {L'F', DRIVE_CDROM}, {L'G', DRIVE_REMOTE}, {L'X', DRIVE_CDROM},
        {L'Y', DRIVE_FIXED},     {L'Z', DRIVE_FIXED},
    };
    for (const auto& row : rows)
        EXPECT_EQ(GetDriveTypeW(Root(row.letter).c_str()), row.type) << static_cast<char>(row.letter);
}

TEST(DriveLetters, SmallDriveReportsItsSizeThroughBothEntryPoints) {
    ASSERT_TRUE(FolderExists(SmallDriveOnTheHost()));
    EXPECT_EQ(GetFreeMegabytes(L"B:\\"), 40);
    EXPECT_EQ(GetFreeMegabytesWith(L"B:\\", GetDiskFreeSpaceExA, GetDiskFreeSpaceA), 40);
    EXPECT_EQ(GetFreeMegabytesWith(L"B:\\", nullptr, GetDiskFreeSpaceA), 40);
}

class DriveChoice : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        kit::DeleteKeyTree(HKEY_LOCAL_MACHINE, L"Software\\Korvel");
        RemoveDirectoryW(L"B:\\Korvel");
        RemoveDirectoryW(L"C:\\Korvel");
    }
};

TEST_F(DriveChoice, FirstFixedDriveWithRoom) {
    const struct {
        const char* what;
        uint64_t requiredBytes;
        const wchar_t* root;
    } rows[] = {
        {"default 50 MiB: the 40 MiB drive B: is passed over", 0x3200000, L"C:\\"},
        {"39 MiB need 40 free, B: has exactly 40", 39 * kMiB, L"C:\\"},
        {"one byte less needs 39: B: qualifies", 39 * kMiB - 1, L"B:\\"},
        {"0 bytes: B:, the first fixed drive", 0, L"B:\\"},
    };
    for (const auto& row : rows) {
        Clean();
        ASSERT_EQ(GetFreeMegabytes(L"B:\\"), 40) << row.what;
        EXPECT_EQ(ChosenAndRegistered(row.requiredBytes), row.root) << row.what;
    }
}

TEST_F(DriveChoice, RegistersTheFoldersOnTheChosenDrive) {
    ASSERT_EQ(ChosenAndRegistered(10 * kMiB), L"B:\\");
    for (const wchar_t* key : {L"Software\\Korvel\\Cartoline\\Products", L"Software\\Korvel\\TileWizard"}) {
        std::wstring value;
        EXPECT_TRUE(kit::GetString(HKEY_LOCAL_MACHINE, key, L"InstallDir", &value)) << key;
        EXPECT_EQ(value, L"B:\\Korvel") << key;
    }
    EXPECT_TRUE(FolderExists(SmallDriveOnTheHost() + L"Korvel"));
    EXPECT_FALSE(FolderExists(L"C:\\Korvel"));
}

}  // namespace
