// The read-through of cabinets made by real tools (gcab; osslsigncode for a signed one), whole
// and with each fault a medium can have; and the reader of this machine on real files, a
// package's embedded cabinet.
#include "install/cabinet_walk.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "framework/file.h"
#include "install/package_check.h"
#include "tests/install/memory_cabinet.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Cabinet(const char* name) {
    Bytes bytes;
    uint64_t size = 0;
    const std::wstring path = L"cabinets\\" + std::wstring(name, name + strlen(name));
    EXPECT_EQ(fw::ReadFileHead(path, 1 << 20, &bytes, &size), 0u) << name;
    return bytes;
}

uint32_t U32(const Bytes& c, size_t at) { return c[at] | c[at + 1] << 8 | c[at + 2] << 16 | uint32_t{c[at + 3]} << 24; }
uint16_t U16(const Bytes& c, size_t at) { return static_cast<uint16_t>(c[at] | c[at + 1] << 8); }
void Put32(Bytes& c, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) c[at + i] = static_cast<uint8_t>(value >> (8 * i));
}
void Put16(Bytes& c, size_t at, uint16_t value) { c[at] = static_cast<uint8_t>(value), c[at + 1] = value >> 8; }

// The offsets of a one-folder cabinet's blocks, from its header: its folder entry and reserves.
struct Shape {
    size_t folder;       // the folder entry
    size_t dataReserve;  // behind each block's 8 bytes
    std::vector<size_t> blocks;
};
Shape ShapeOf(const Bytes& c) {
    Shape shape{36, 0, {}};
    if (U16(c, 30) & 4) shape.folder += 4 + U16(c, 36), shape.dataReserve = c[39];
    size_t offset = U32(c, shape.folder);
    for (int i = 0; i < U16(c, shape.folder + 4); ++i) {
        shape.blocks.push_back(offset);
        offset += 8 + shape.dataReserve + U16(c, offset + 4);
    }
    return shape;
}

CabinetReading Walk(const Bytes& bytes, size_t chunk = 4096, size_t failAt = SIZE_MAX) {
    MemoryChunks reader(bytes, chunk, failAt);
    return ReadThroughCabinet(reader, bytes.size());
}

TEST(CabinetWalk, Checksum) {
    const struct {
        Bytes bytes;
        uint32_t seed;
        uint32_t sum;
    } rows[] = {
        {{}, 0x12345678, 0x12345678},
        {{1, 2, 3, 4}, 0, 0x04030201},
        {{1, 2, 3, 4, 5, 6, 7, 8}, 0, 0x04030201 ^ 0x08070605},
        {{1, 2, 3, 4, 9}, 0xFF, 0x04030201 ^ 0xFF ^ 0x09},
        {{1, 2, 3, 4, 9, 10}, 0, 0x04030201 ^ 0x090A},        // the first leftover byte higher
        {{1, 2, 3, 4, 9, 10, 11}, 0, 0x04030201 ^ 0x090A0B},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CabinetChecksum(row.bytes.data(), row.bytes.size(), row.seed), row.sum) << row.bytes.size();
}

TEST(CabinetWalk, EachFaultOfARealCabinet) {
    using Change = std::function<void(Bytes&, const Shape&)>;
    const struct {
        const char* what;
        const char* cabinet;
        Change change;
        CabinetFault fault;
        int block;  // -1: the last
    } rows[] = {
        {"stored, whole", "plain.cab", [](Bytes&, const Shape&) {}, CabinetFault::None, 0},
        {"compressed, whole", "zip.cab", [](Bytes&, const Shape&) {}, CabinetFault::None, 0},
        {"signed, whole", "signed.cab", [](Bytes&, const Shape&) {}, CabinetFault::None, 0},
        {"every reserve, whole", "reserve.cab", [](Bytes&, const Shape&) {}, CabinetFault::None, 0},
        {"a byte changed in the third block", "zip.cab", [](Bytes& c, const Shape& s) { c[s.blocks[2] + 100] ^= 1; },
         CabinetFault::Checksum, 3},
        {"a byte changed in the last block", "plain.cab",
         [](Bytes& c, const Shape&) { c[c.size() - 1] ^= 0x80; }, CabinetFault::Checksum, -1},
        {"a byte changed in the signed one", "signed.cab", [](Bytes& c, const Shape& s) { c[s.blocks[1] + 9] ^= 4; },
         CabinetFault::Checksum, 2},
        {"a byte changed in a data reserve", "reserve.cab",
         [](Bytes& c, const Shape& s) { c[s.blocks[1] + 9] ^= 4; }, CabinetFault::Checksum, 2},
        {"a checksum that leaves the data reserve out", "reserve.cab",
         [](Bytes& c, const Shape& s) {
             const size_t at = s.blocks[1], size = U16(c, at + 4);
             Put32(c, at, CabinetChecksum(&c[at + 4], 4, CabinetChecksum(&c[at + 8 + s.dataReserve], size, 0)));
         },
         CabinetFault::None, 0},
        {"no checksum, a byte changed", "zip.cab",
         [](Bytes& c, const Shape& s) { Put32(c, s.blocks[1], 0), c[s.blocks[1] + 50] ^= 1; }, CabinetFault::None, 0},
        {"a block's size changed", "zip.cab", [](Bytes& c, const Shape& s) { ++c[s.blocks[1] + 4]; },
         CabinetFault::Checksum, 2},
        {"a block larger than the format allows", "zip.cab",
         [](Bytes& c, const Shape& s) { Put16(c, s.blocks[1] + 4, 32768 + 6145); }, CabinetFault::BlockSize, 2},
        {"a block that unpacks to more than 32 KB", "plain.cab",
         [](Bytes& c, const Shape& s) { Put16(c, s.blocks[0] + 6, 32769); }, CabinetFault::BlockSize, 1},
        {"one block more counted", "zip.cab", [](Bytes& c, const Shape& s) { ++c[s.folder + 4]; }, CabinetFault::Blocks,
         -2},
        {"one block fewer counted", "zip.cab", [](Bytes& c, const Shape& s) { --c[s.folder + 4]; }, CabinetFault::Blocks,
         -3},
        {"cut in the middle", "zip.cab", [](Bytes& c, const Shape&) { c.resize(c.size() / 2); }, CabinetFault::Size, 0},
        {"cut in the middle, the header made to agree", "zip.cab",
         [](Bytes& c, const Shape&) { c.resize(c.size() / 2), Put32(c, 8, static_cast<uint32_t>(c.size())); },
         CabinetFault::Blocks, 0},
        {"signature cut short", "signed.cab", [](Bytes& c, const Shape&) { c.pop_back(); }, CabinetFault::Size, 0},
        {"more behind the signature", "signed.cab", [](Bytes& c, const Shape&) { c.push_back(0); }, CabinetFault::Size, 0},
        {"signature not behind the cabinet", "signed.cab", [](Bytes& c, const Shape&) { ++c[44]; },
         CabinetFault::Signature, 0},
        {"a signed one's reserve made plain", "signed.cab", [](Bytes& c, const Shape&) { c[42] = 0; }, CabinetFault::Size,
         0},
    };
    for (const auto& row : rows) {
        Bytes cabinet = Cabinet(row.cabinet);
        const Shape shape = ShapeOf(cabinet);
        ASSERT_GT(shape.blocks.size(), 2u) << row.what;
        row.change(cabinet, shape);
        const CabinetReading reading = Walk(cabinet);
        EXPECT_EQ(reading.fault, row.fault) << row.what << ": " << CabinetFaultText(reading.fault);
        const int blocks = static_cast<int>(shape.blocks.size());
        const int block = row.block == -1 ? blocks : row.block == -2 ? blocks + 1 : row.block == -3 ? blocks - 1 : row.block;
        if (row.block != 0) {
            EXPECT_EQ(reading.block, static_cast<uint32_t>(block)) << row.what;
        }
    }
}

// However the medium hands out its bytes, the same cabinet is whole; a read error names the
// block it falls in, and a file that ends before its size was cut short as it was read.
TEST(CabinetWalk, ChunksAndReadErrors) {
    for (const char* name : {"plain.cab", "zip.cab", "signed.cab", "reserve.cab"}) {
        const Bytes cabinet = Cabinet(name);
        for (const size_t chunk : {size_t{1}, size_t{3}, size_t{4096}, size_t{65536}, size_t{1} << 20})
            EXPECT_EQ(Walk(cabinet, chunk).fault, CabinetFault::None) << name << " in chunks of " << chunk;
    }
    const Bytes cabinet = Cabinet("zip.cab");
    const Shape shape = ShapeOf(cabinet);
    const struct {
        size_t failAt;
        uint32_t block;
    } rows[] = {{0, 0}, {40, 0}, {shape.blocks[2] + 3, 3}, {shape.blocks[2] + 4000, 3}, {cabinet.size() - 1, 
                static_cast<uint32_t>(shape.blocks.size())}};
    for (const auto& row : rows) {
        const CabinetReading reading = Walk(cabinet, 4096, row.failAt);
        EXPECT_EQ(reading.fault, CabinetFault::ReadError) << row.failAt;
        EXPECT_EQ(reading.block, row.block) << row.failAt;
    }
    // Bytes given to the end of what the file still holds, then its end.
    MemoryChunks shrunk(Bytes(cabinet.begin(), cabinet.begin() + shape.blocks[1] + 10));
    const CabinetReading reading = ReadThroughCabinet(shrunk, cabinet.size());
    EXPECT_EQ(reading.fault, CabinetFault::Size);
    EXPECT_EQ(reading.block, 2u);
}

// The reader of this machine: cabinet files beside a package, and a package's own stream.
MediumReading ReadThrough(const std::wstring& package) {
    InstallerPackageReader reader;
    const PackageCheck check = CheckPackage(package, reader);
    EXPECT_EQ(check.problem, PackageProblem::None) << check.fault;
    EXPECT_EQ(check.cabinets.size(), 1u);
    return ReadThroughCabinets(check.cabinets, reader, nullptr);
}

MediumReading ReadThroughFile(const std::wstring& path) {
    InstallerPackageReader reader;
    MediumCabinet cabinet{L"cabinets\\none.msi", path, false, 0};
    EXPECT_TRUE(reader.OpenCabinet(cabinet, &cabinet.size)) << path;
    return ReadThroughCabinets({cabinet}, reader, nullptr);
}

TEST(CabinetReader, FilesAndStreams) {
    const MediumReading plain = ReadThroughFile(L"cabinets\\plain.cab");
    EXPECT_EQ(plain.state, MediumState::Whole);
    EXPECT_EQ(plain.bytes, Cabinet("plain.cab").size());
    const MediumReading damaged = ReadThroughFile(L"cabinets\\damaged.cab");
    EXPECT_EQ(damaged.state, MediumState::Damaged);
    EXPECT_EQ(damaged.reading.fault, CabinetFault::Checksum);
    EXPECT_EQ(damaged.reading.block, 1u);

    const MediumReading embedded = ReadThrough(L"..\\..\\media\\Setup_ENU.msi");
    EXPECT_EQ(embedded.state, MediumState::Whole);
    EXPECT_GT(embedded.bytes, 100u);
    const MediumReading changed = ReadThrough(L"cabinets\\damaged_embedded.msi");
    EXPECT_EQ(changed.state, MediumState::Damaged);
    EXPECT_EQ(changed.reading.fault, CabinetFault::Checksum);
    EXPECT_EQ(changed.reading.block, 1u);
}

}  // namespace
