#include "install/cabinet_walk.h"

#include <cstring>
#include <memory>

namespace {

constexpr size_t kWindow = kCabinetHeadBytes;
constexpr size_t kDataHeader = 8;          // csum, cbData, cbUncomp; then the data reserve
constexpr size_t kMaxUncompressed = 32768;
constexpr size_t kMaxCompressed = 32768 + 6144;  // the format allows a block to grow by this much

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) { return uint32_t{U16(p)} | uint32_t{U16(p + 2)} << 16; }

// A window onto the file that only moves forward: bytes already passed are not read again.
class Cursor {
public:
    Cursor(ChunkReader& reader, uint64_t fileSize) : reader_(reader), fileSize_(fileSize) {}
    CabinetFault fault() const { return fault_; }
    // What the window holds: after a read error, the bytes before it.
    const uint8_t* window() const { return window_.get(); }
    size_t filled() const { return filled_; }

    // The count bytes at offset (at most the window), or null with the fault.
    const uint8_t* At(uint64_t offset, size_t count) {
        if (offset < start_ || count > kWindow || offset + count > fileSize_) return Fail(CabinetFault::Blocks);
        if (offset + count <= start_ + filled_) return window_.get() + (offset - start_);
        if (fault_ != CabinetFault::None) return nullptr;
        if (offset >= start_ + filled_) {
            start_ += filled_;
            filled_ = 0;
            while (start_ < offset) {
                size_t got = 0;
                if (!Read(0, offset - start_ < kWindow ? static_cast<size_t>(offset - start_) : kWindow, &got))
                    return nullptr;
                start_ += got;
            }
        } else {
            const size_t passed = static_cast<size_t>(offset - start_);
            std::memmove(window_.get(), window_.get() + passed, filled_ - passed);
            filled_ -= passed;
            start_ = offset;
        }
        while (filled_ < count) {
            size_t got = 0;
            const uint64_t left = fileSize_ - start_ - filled_;
            if (!Read(filled_, kWindow - filled_ < left ? kWindow - filled_ : static_cast<size_t>(left), &got))
                return nullptr;
            filled_ += got;
        }
        return window_.get();
    }

private:
    const uint8_t* Fail(CabinetFault fault) {
        fault_ = fault;
        return nullptr;
    }
    bool Read(size_t at, size_t count, size_t* got) {
        if (!reader_.Next(window_.get() + at, count, got)) return Fail(CabinetFault::ReadError), false;
        // A file that ends before its size was cut short while it was read.
        if (*got == 0 || *got > count) return Fail(CabinetFault::Size), false;
        return true;
    }

    ChunkReader& reader_;
    const uint64_t fileSize_;
    std::unique_ptr<uint8_t[]> window_{new uint8_t[kWindow]};
    uint64_t start_ = 0;  // the file offset of the window's first byte
    size_t filled_ = 0;
    CabinetFault fault_ = CabinetFault::None;
};

}  // namespace

uint32_t CabinetChecksum(const uint8_t* bytes, size_t count, uint32_t seed) {
    uint32_t sum = seed;
    size_t i = 0;
    for (; i + 4 <= count; i += 4) sum ^= U32(bytes + i);
    uint32_t last = 0;
    for (; i < count; ++i) last = last << 8 | bytes[i];
    return sum ^ last;
}

CabinetReading ReadThroughCabinet(ChunkReader& reader, uint64_t fileSize) {
    Cursor cursor(reader, fileSize);
    const size_t headSize = fileSize < kWindow ? static_cast<size_t>(fileSize) : kWindow;
    // A read error in the first 64 KB still lets the blocks before it be checked and counted:
    // the header is checked on the bytes that did read, and the error comes with its block.
    const size_t read = cursor.At(0, headSize) ? headSize : cursor.filled();
    CabinetLayout layout;
    const CabinetFault headFault = CheckCabinetHeader(cursor.window(), read, fileSize, &layout);
    if (headFault != CabinetFault::None)
        return {cursor.fault() == CabinetFault::None ? headFault : cursor.fault()};

    // Each folder's first block and count, before the data that follows the tables.
    std::unique_ptr<uint64_t[]> folders(new uint64_t[layout.folders]);
    for (uint32_t i = 0; i < layout.folders; ++i) {
        const uint8_t* entry = cursor.At(layout.folderTable + uint64_t{i} * layout.folderEntry, 8);
        if (!entry) return {cursor.fault()};
        folders[i] = U32(entry) | uint64_t{U16(entry + 4)} << 32;
    }
    const size_t blockHeader = kDataHeader + layout.dataReserve;
    uint64_t end = layout.dataStart;
    uint32_t block = 0;
    for (uint32_t i = 0; i < layout.folders; ++i) {
        uint64_t offset = static_cast<uint32_t>(folders[i]);
        // Folders' data lie one after the other, as the tools write them.
        if (offset < end) return {CabinetFault::Blocks, block + 1};
        for (uint32_t count = static_cast<uint32_t>(folders[i] >> 32); count > 0; --count) {
            ++block;
            if (offset + blockHeader > layout.cabinetSize) return {CabinetFault::Blocks, block};
            const uint8_t* header = cursor.At(offset, blockHeader);
            if (!header) return {cursor.fault(), block};
            const size_t data = U16(header + 4);
            if (data > kMaxCompressed || U16(header + 6) > kMaxUncompressed) return {CabinetFault::BlockSize, block};
            if (offset + blockHeader + data > layout.cabinetSize) return {CabinetFault::Blocks, block};
            const uint8_t* bytes = cursor.At(offset, blockHeader + data);
            if (!bytes) return {cursor.fault(), block};
            // The sum over the data seeds the sum over the block's header from cbData on; 0 means
            // the block carries none. The format's description counts the data reserve in it,
            // tools that write and read cabinets leave it out: either is whole.
            const uint32_t sum = U32(bytes);
            const uint32_t dataSum = CabinetChecksum(bytes + blockHeader, data, 0);
            if (sum != 0 && CabinetChecksum(bytes + 4, blockHeader - 4, dataSum) != sum &&
                CabinetChecksum(bytes + 4, 4, dataSum) != sum)
                return {CabinetFault::Checksum, block};
            offset += blockHeader + data;
        }
        end = offset;
    }
    if (end != layout.cabinetSize) return {CabinetFault::Blocks, block};
    // The signature behind the cabinet, read as the rest: a read error there is one too.
    if (fileSize > end && !cursor.At(fileSize - 1, 1)) return {cursor.fault()};
    return {};
}
