// A cabinet's header against the file it heads: one whole cabinet, and each way it can be
// cut, replaced or made up.
#include "install/cabinet_header.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "tests/install/whole_cabinet.h"

namespace {

void Put32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

TEST(CabinetHeader, EachFaultOfTheBeginning) {
    using Change = std::function<void(std::vector<uint8_t>&)>;
    const struct {
        const char* what;
        Change change;
        CabinetFault fault;
    } rows[] = {
        {"whole", [](auto&) {}, CabinetFault::None},
        {"cut short", [](auto& c) { c.resize(100); }, CabinetFault::Size},
        {"cut inside the header", [](auto& c) { c.resize(20); }, CabinetFault::NotCabinet},
        {"empty file", [](auto& c) { c.clear(); }, CabinetFault::NotCabinet},
        {"more after its end", [](auto& c) { c.push_back(0); }, CabinetFault::Size},
        {"another file", [](auto& c) { c.assign(0x7C, 'x'); }, CabinetFault::NotCabinet},
        {"a package in its place", [](auto& c) { c[0] = 0xD0, c[1] = 0xCF, c[2] = 0x11, c[3] = 0xE0; },
         CabinetFault::NotCabinet},
        {"version 1.2", [](auto& c) { c[24] = 2; }, CabinetFault::Version},
        {"version 2.3", [](auto& c) { c[25] = 2; }, CabinetFault::Version},
        {"no folder", [](auto& c) { c[26] = 0; }, CabinetFault::Counts},
        {"no file", [](auto& c) { c[28] = 0; }, CabinetFault::Counts},
        {"file table inside the folder table", [](auto& c) { c[16] = 0x28; }, CabinetFault::Layout},
        {"file table past the end", [](auto& c) { Put32(c, 16, 0x7C); }, CabinetFault::Layout},
        {"more files than the file holds", [](auto& c) { c[28] = 9; }, CabinetFault::Layout},
        {"more folders than the header holds", [](auto& c) { c[26] = 2; }, CabinetFault::Layout},
        {"data inside the file table", [](auto& c) { c[36] = 0x30; }, CabinetFault::Layout},
        {"data past the end", [](auto& c) { c[36] = 0x7D; }, CabinetFault::Layout},
        {"file in a folder it lacks", [](auto& c) { c[0x2C + 8] = 1; }, CabinetFault::Layout},
        {"file continued from the previous cabinet", [](auto& c) { c[0x2C + 8] = 0xFD, c[0x2C + 9] = 0xFF; },
         CabinetFault::None},
        {"file without a name", [](auto& c) { c[0x3C] = 0; }, CabinetFault::Layout},
        {"reserve announced, sizes cut off", [](auto& c) { c[30] = 4, c.resize(38), Put32(c, 8, 38); },
         CabinetFault::Layout},
        {"reserve larger than allowed", [](auto& c) { c[30] = 4, c[36] = 0x61, c[37] = 0xEA; }, CabinetFault::Layout},
        {"next cabinet's name without end", [](auto& c) { c[30] = 2, std::fill(c.begin() + 36, c.end(), 'n'); },
         CabinetFault::Layout},
    };
    for (const auto& row : rows) {
        std::vector<uint8_t> cabinet = WholeCabinet();
        row.change(cabinet);
        EXPECT_EQ(CheckCabinetHeader(cabinet.data(), cabinet.size(), cabinet.size()), row.fault) << row.what;
    }
}

// Only the beginning of a large cabinet is read: what lies behind it is not looked at, and the
// size is the file's, not the bytes given.
TEST(CabinetHeader, BeginningOfALargeFile) {
    std::vector<uint8_t> cabinet = WholeCabinet();
    const uint32_t size = 3'000'000'000u;
    Put32(cabinet, 8, size);
    cabinet.resize(kCabinetHeadBytes, 0);
    EXPECT_EQ(CheckCabinetHeader(cabinet.data(), cabinet.size(), size), CabinetFault::None);
    EXPECT_EQ(CheckCabinetHeader(cabinet.data(), cabinet.size(), size - 1), CabinetFault::Size);
    EXPECT_EQ(CheckCabinetHeader(cabinet.data(), cabinet.size(), uint64_t{size} + (uint64_t{1} << 32)),
              CabinetFault::Size);
}

}  // namespace
