// The checks made before anything is changed: a package and its cabinets, given what a reader
// finds; and who could see a window of the setup.
#include "install/package_check.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <set>

#include "system/session_info.h"
#include "tests/install/memory_cabinet.h"
#include "tests/install/whole_cabinet.h"

namespace {

class FakeReader : public PackageReader {
public:
    std::set<std::wstring> files;
    std::map<std::wstring, PackageFacts> packages;  // files that open as packages
    std::map<std::wstring, std::vector<uint8_t>> contents;  // cabinets that open: paths, or "package#stream"
    std::vector<std::wstring> opened;
    size_t failAt = SIZE_MAX;  // a read error there in every cabinet

    bool Exists(const std::wstring& path) override { return files.count(path) > 0; }
    bool Read(const std::wstring& path, PackageFacts* facts) override {
        const auto found = packages.find(path);
        if (found == packages.end()) return false;
        *facts = found->second;
        return true;
    }
    std::unique_ptr<ChunkReader> OpenCabinet(const MediumCabinet& cabinet, uint64_t* size) override {
        const std::wstring name = cabinet.embedded ? cabinet.package + L"#" + cabinet.name : cabinet.name;
        opened.push_back(name);
        const auto found = contents.find(name);
        if (found == contents.end() || found->second.empty()) return nullptr;
        *size = found->second.size();
        return std::make_unique<MemoryChunks>(found->second, 4096, failAt);
    }
};

TEST(PackageCheck, PackageThenItsCabinets) {
    const std::wstring package = L"D:\\Setup_ENU.msi";
    const std::vector<uint8_t> whole = WholeCabinet();
    const std::wstring longName = std::wstring(MAX_PATH - 3, L'c');  // "D:\\" and this make MAX_PATH
    const struct {
        const char* what;
        bool exists;
        bool opens;
        std::vector<std::wstring> cabinets;
        std::map<std::wstring, std::vector<uint8_t>> beside;
        PackageProblem problem;
        std::wstring file;
        std::vector<std::wstring> found;  // the cabinets found before the check ended
        bool mediaUnreadable = false;
    } rows[] = {
        {"setup.exe alone on the medium", false, false, {}, {}, PackageProblem::Missing, package, {}},
        {"no package at all", true, false, {}, {}, PackageProblem::Damaged, package, {}},
        {"no Media table", true, true, {}, {}, PackageProblem::None, L"", {}},
        {"a Media table that does not read", true, true, {}, {}, PackageProblem::Damaged, package, {}, true},
        {"embedded cabinet", true, true, {L"#product.cab"}, {{package + L"#product.cab", whole}}, PackageProblem::None,
         L"", {L"product.cab"}},
        {"embedded cabinet not among the streams", true, true, {L"#product.cab"}, {}, PackageProblem::Damaged, package, {}},
        {"embedded cabinet without a name", true, true, {L"#"}, {}, PackageProblem::Damaged, package, {}},
        {"external cabinet beside it", true, true, {L"data1.cab"}, {{L"D:\\data1.cab", whole}}, PackageProblem::None, L"",
         {L"D:\\data1.cab"}},
        {"second cabinet missing", true, true, {L"data1.cab", L"", L"data2.cab"}, {{L"D:\\data1.cab", whole}},
         PackageProblem::Missing, L"D:\\data2.cab", {L"D:\\data1.cab"}},
        {"a cabinet that does not open", true, true, {L"data1.cab"}, {{L"D:\\data1.cab", {}}}, PackageProblem::Damaged,
         L"D:\\data1.cab", {}},
        {"a name that leaves the folder", true, true, {L"..\\x.cab"}, {{L"D:\\..\\x.cab", whole}},
         PackageProblem::Damaged, L"D:\\..\\x.cab", {}},
        {"a name that does not fit", true, true, {longName}, {{L"D:\\" + longName, whole}}, PackageProblem::Damaged,
         L"D:\\" + longName, {}},
        {"a name one shorter fits", true, true, {longName.substr(1)}, {{L"D:\\" + longName.substr(1), whole}},
         PackageProblem::None, L"", {L"D:\\" + longName.substr(1)}},
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
        std::vector<std::wstring> found;
        for (const MediumCabinet& cabinet : check.cabinets) {
            found.push_back(cabinet.name);
            EXPECT_EQ(cabinet.size, whole.size()) << row.what;
            EXPECT_EQ(cabinet.package, package) << row.what;
        }
        EXPECT_EQ(found, row.found) << row.what;
        EXPECT_EQ(check.version, row.opens && !row.mediaUnreadable ? L"2.0.0" : L"") << row.what;
    }
}

// Reads every cabinet through in order, with the progress told as it goes; the first damaged
// cabinet or a cancel ends the reading.
class CountingProgress : public ReadThroughProgress {
public:
    explicit CountingProgress(uint64_t stopAfter = UINT64_MAX) : stopAfter_(stopAfter) {}
    std::vector<uint64_t> told;
    uint64_t total = 0;
    bool Continue(uint64_t bytesRead, uint64_t bytesTotal) override {
        told.push_back(bytesRead);
        total = bytesTotal;
        return bytesRead < stopAfter_;
    }

private:
    uint64_t stopAfter_;
};

TEST(PackageCheck, ReadThroughEveryCabinet) {
    // The cabinet's one block: 0x30 bytes of data and their checksum.
    std::vector<uint8_t> whole = WholeCabinet();
    const uint8_t block[] = {0, 0, 0, 0, 0x30, 0, 0x30, 0};
    std::copy(std::begin(block), std::end(block), whole.begin() + 0x44);
    const uint32_t sum = CabinetChecksum(&whole[0x48], 4, CabinetChecksum(&whole[0x4C], 0x30, 0));
    for (int i = 0; i < 4; ++i) whole[0x44 + i] = static_cast<uint8_t>(sum >> (8 * i));
    std::vector<uint8_t> changed = whole;
    changed[0x60] ^= 0x10;
    const std::vector<MediumCabinet> cabinets = {
        {L"D:\\Setup_ENU.msi", L"D:\\data1.cab", false, whole.size()},
        {L"D:\\Setup_ENU.msi", L"product.cab", true, whole.size()},
    };
    const struct {
        const char* what;
        std::vector<uint8_t> second;
        size_t failAt;
        uint64_t stopAfter;
        MediumState state;
        size_t cabinet;
        CabinetFault fault;
        uint64_t bytes;
    } rows[] = {
        {"both whole", whole, SIZE_MAX, UINT64_MAX, MediumState::Whole, 2, CabinetFault::None, 2 * whole.size()},
        {"a byte changed in the second", changed, SIZE_MAX, UINT64_MAX, MediumState::Damaged, 1, CabinetFault::Checksum,
         2 * whole.size()},
        {"the second changed size since it was found", {whole.begin(), whole.end() - 1}, SIZE_MAX, UINT64_MAX,
         MediumState::Damaged, 1, CabinetFault::Size, whole.size()},
        {"a read error in the first", whole, 0x50, UINT64_MAX, MediumState::Damaged, 0, CabinetFault::ReadError, 0x50},
        {"cancelled in the first", whole, SIZE_MAX, 1, MediumState::Cancelled, 0, CabinetFault::ReadError, whole.size()},
        {"cancelled before the reading", whole, SIZE_MAX, 0, MediumState::Cancelled, 0, CabinetFault::None, 0},
    };
    for (const auto& row : rows) {
        FakeReader reader;
        reader.contents = {{L"D:\\data1.cab", whole}, {L"D:\\Setup_ENU.msi#product.cab", row.second}};
        reader.failAt = row.failAt;
        CountingProgress progress(row.stopAfter);
        const MediumReading reading = ReadThroughCabinets(cabinets, reader, &progress);
        EXPECT_EQ(reading.state, row.state) << row.what;
        EXPECT_EQ(reading.cabinet, row.cabinet) << row.what;
        EXPECT_EQ(reading.reading.fault, row.fault) << row.what;
        EXPECT_EQ(reading.bytes, row.bytes) << row.what;
        EXPECT_EQ(progress.total, 2 * whole.size()) << row.what;
        EXPECT_EQ(progress.told.back(), row.bytes) << row.what;
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
