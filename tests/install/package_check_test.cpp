// The checks made before anything is changed: a package and its cabinets, given what a reader
// finds; and who could see a window of the setup.
#include "install/package_check.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "system/session_info.h"

namespace {

class FakeReader : public PackageReader {
public:
    std::set<std::wstring> files;
    std::map<std::wstring, PackageFacts> packages;  // files that open as packages

    bool Exists(const std::wstring& path) override { return files.count(path) > 0; }
    bool Read(const std::wstring& path, PackageFacts* facts) override {
        const auto found = packages.find(path);
        if (found == packages.end()) return false;
        *facts = found->second;
        return true;
    }
};

TEST(PackageCheck, PackageThenItsExternalCabinets) {
    const std::wstring package = L"D:\\Setup_ENU.msi";
    const struct {
        const char* what;
        bool exists;
        bool opens;
        std::vector<std::wstring> cabinets;
        std::set<std::wstring> beside;
        PackageProblem problem;
        const wchar_t* file;
    } rows[] = {
        {"setup.exe alone on the medium", false, false, {}, {}, PackageProblem::Missing, L"D:\\Setup_ENU.msi"},
        {"no package at all", true, false, {}, {}, PackageProblem::Damaged, L"D:\\Setup_ENU.msi"},
        {"embedded cabinet", true, true, {L"#product.cab"}, {}, PackageProblem::None, L""},
        {"external cabinet beside it", true, true, {L"data1.cab"}, {L"D:\\data1.cab"}, PackageProblem::None, L""},
        {"second cabinet missing", true, true, {L"data1.cab", L"", L"data2.cab"}, {L"D:\\data1.cab"},
         PackageProblem::Missing, L"D:\\data2.cab"},
    };
    for (const auto& row : rows) {
        FakeReader reader;
        reader.files = row.beside;
        if (row.exists) reader.files.insert(package);
        if (row.opens) reader.packages[package] = PackageFacts{row.cabinets, L"2.0.0"};
        const PackageCheck check = CheckPackage(package, reader);
        EXPECT_EQ(check.problem, row.problem) << row.what;
        EXPECT_EQ(check.file, row.file) << row.what;
        EXPECT_EQ(check.version, row.opens ? L"2.0.0" : L"") << row.what;
    }
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
