// The checks made before anything is changed: a package and its cabinets, given what a reader
// finds; and who could see a window of the setup.
#include "install/package_check.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <set>

#include "system/session_info.h"
#include "tests/install/whole_cabinet.h"

namespace {

class FakeReader : public PackageReader {
public:
    std::set<std::wstring> files;
    std::map<std::wstring, PackageFacts> packages;  // files that open as packages
    std::map<std::wstring, std::vector<uint8_t>> contents;  // files that can be read
    std::vector<std::wstring> headsRead;

    bool Exists(const std::wstring& path) override { return files.count(path) > 0; }
    bool Read(const std::wstring& path, PackageFacts* facts) override {
        const auto found = packages.find(path);
        if (found == packages.end()) return false;
        *facts = found->second;
        return true;
    }
    bool ReadHead(const std::wstring& path, size_t count, std::vector<uint8_t>* head, uint64_t* size) override {
        headsRead.push_back(path);
        const auto found = contents.find(path);
        if (found == contents.end()) return false;
        *size = found->second.size();
        head->assign(found->second.begin(), found->second.begin() + std::min(count, found->second.size()));
        return true;
    }
};

TEST(PackageCheck, PackageThenItsExternalCabinets) {
    const std::wstring package = L"D:\\Setup_ENU.msi";
    const std::vector<uint8_t> whole = WholeCabinet();
    const std::vector<uint8_t> cut(whole.begin(), whole.begin() + 100);
    const std::vector<uint8_t> foreign(300, 'x');
    const std::wstring longName = std::wstring(MAX_PATH - 3, L'c');  // "D:\\" and this make MAX_PATH
    const struct {
        const char* what;
        bool exists;
        bool opens;
        std::vector<std::wstring> cabinets;
        std::map<std::wstring, std::vector<uint8_t>> beside;
        PackageProblem problem;
        std::wstring file;
        size_t wholeCabinets;  // found whole before the check ended
        bool mediaUnreadable = false;
    } rows[] = {
        {"setup.exe alone on the medium", false, false, {}, {}, PackageProblem::Missing, package, 0},
        {"no package at all", true, false, {}, {}, PackageProblem::Damaged, package, 0},
        {"no Media table", true, true, {}, {}, PackageProblem::None, L"", 0},
        {"a Media table that does not read", true, true, {}, {}, PackageProblem::Damaged, package, 0, true},
        {"embedded cabinet", true, true, {L"#product.cab"}, {}, PackageProblem::None, L"", 0},
        {"external cabinet beside it", true, true, {L"data1.cab"}, {{L"D:\\data1.cab", whole}}, PackageProblem::None, L"", 1},
        {"second cabinet missing", true, true, {L"data1.cab", L"", L"data2.cab"}, {{L"D:\\data1.cab", whole}},
         PackageProblem::Missing, L"D:\\data2.cab", 1},
        {"cabinet cut short", true, true, {L"data1.cab"}, {{L"D:\\data1.cab", cut}}, PackageProblem::Damaged,
         L"D:\\data1.cab", 0},
        {"another file in a cabinet's place", true, true, {L"data1.cab", L"data2.cab"},
         {{L"D:\\data1.cab", whole}, {L"D:\\data2.cab", foreign}}, PackageProblem::Damaged, L"D:\\data2.cab", 1},
        {"a name that does not fit", true, true, {longName}, {{L"D:\\" + longName, whole}}, PackageProblem::Damaged,
         L"D:\\" + longName, 0},
        {"a name one shorter fits", true, true, {longName.substr(1)}, {{L"D:\\" + longName.substr(1), whole}},
         PackageProblem::None, L"", 1},
    };
    for (const auto& row : rows) {
        FakeReader reader;
        for (const auto& [name, bytes] : row.beside) reader.files.insert(name);
        reader.contents = row.beside;
        if (row.exists) reader.files.insert(package);
        if (row.opens) reader.packages[package] = PackageFacts{row.cabinets, row.mediaUnreadable, L"2.0.0"};
        const PackageCheck check = CheckPackage(package, reader);
        EXPECT_EQ(check.problem, row.problem) << row.what;
        EXPECT_EQ(check.file, row.file) << row.what;
        EXPECT_EQ(check.wholeCabinets, row.wholeCabinets) << row.what;
        EXPECT_EQ(check.version, row.opens && !row.mediaUnreadable ? L"2.0.0" : L"") << row.what;
    }
}

// A file that exists but does not read (a read error on the medium) is damaged, not missing.
TEST(PackageCheck, CabinetThatDoesNotReadIsDamaged) {
    FakeReader reader;
    reader.files = {L"D:\\Setup_ENU.msi", L"D:\\data1.cab"};
    reader.packages[L"D:\\Setup_ENU.msi"] = PackageFacts{{L"data1.cab"}, false, L"2.0.0"};
    const PackageCheck check = CheckPackage(L"D:\\Setup_ENU.msi", reader);
    EXPECT_EQ(check.problem, PackageProblem::Damaged);
    EXPECT_EQ(check.file, L"D:\\data1.cab");
    EXPECT_EQ(reader.headsRead, std::vector<std::wstring>{L"D:\\data1.cab"});
}

TEST(SeenBySomeone, WindowStationAndSessionZero) {
    const struct {
        bool visibleStation;
        DWORD session;
        bool vista;
        bool seen;
    } rows[] = {{true, 1, true, true},  {true, 0, true, false}, {true, 0, false, true},
                {false, 1, true, false}, {false, 0, false, false}};
    for (const auto& row : rows)
        EXPECT_EQ(SeenBySomeone(row.visibleStation, row.session, row.vista), row.seen)
            << row.visibleStation << row.session << row.vista;
}

}  // namespace
