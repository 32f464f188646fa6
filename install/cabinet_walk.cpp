#include "install/cabinet_walk.h"

#include <bit>
#include <cstring>
#include <memory>

#include "framework/little_endian.h"

namespace {

// Twice the header's 64 KB: reads of some 100 KB, and bytes moved only every few blocks.
constexpr size_t kWindow = 2 * kCabinetHeadBytes;
constexpr size_t kPage = 4096;
constexpr size_t kDataHeader = 8;          // csum, cbData, cbUncomp; then the data reserve
constexpr size_t kMaxUncompressed = 32768;
constexpr size_t kMaxCompressed = 32768 + 6144;  // the format allows a block to grow by this much

using fw::U16;
using fw::U32;

// A window onto the file that only moves forward: bytes already passed are not read again.
class Cursor {
public:
    Cursor(ChunkReader& reader, uint64_t fileSize) : reader_(reader), fileSize_(fileSize) {}
    CabinetFault fault() const { return fault_; }
    // What the window holds: after a read error, the bytes before it.
    const uint8_t* window() const { return window_.get(); }
    size_t filled() const { return filled_; }

    // The count bytes at offset (at most a block and its header), or null with the fault.
    const uint8_t* At(uint64_t offset, size_t count) {
        if (offset < start_ || count > kCabinetHeadBytes || offset + count > fileSize_)
            return Fail(CabinetFault::Blocks);
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
        } else if (offset - start_ + count > kWindow) {
            // Bytes passed make room only when the request would not fit behind them.
            const size_t passed = static_cast<size_t>(offset - start_);
            std::memmove(window_.get(), window_.get() + passed, filled_ - passed);
            filled_ -= passed;
            start_ = offset;
        }
        while (start_ + filled_ < offset + count) {
            size_t got = 0;
            const uint64_t at = start_ + filled_, left = fileSize_ - at;
            size_t want = kWindow - filled_;
            // Reads that end on the file's pages, as the system reads ahead, where that still
            // covers the request.
            if (at + want - (at + want) % kPage >= offset + count) want -= (at + want) % kPage;
            if (!Read(filled_, want < left ? want : static_cast<size_t>(left), &got)) return nullptr;
            filled_ += got;
        }
        return window_.get() + (offset - start_);
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
    // Words as the cabinet stores them, loaded whole: the sum runs at the speed of memory, so
    // the reading is bound by the medium.
    static_assert(std::endian::native == std::endian::little);
    uint32_t sum = seed, a = 0, b = 0, c = 0, d = 0, word;
    size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        std::memcpy(&word, bytes + i, 4), a ^= word;
        std::memcpy(&word, bytes + i + 4, 4), b ^= word;
        std::memcpy(&word, bytes + i + 8, 4), c ^= word;
        std::memcpy(&word, bytes + i + 12, 4), d ^= word;
    }
    sum ^= a ^ b ^ c ^ d;
    for (; i + 4 <= count; i += 4) sum ^= U32(bytes + i);
    uint32_t last = 0;
    for (; i < count; ++i) last = last << 8 | bytes[i];
    return sum ^ last;
}

CabinetReading ReadThroughCabinet(ChunkReader& reader, uint64_t fileSize) {
    Cursor cursor(reader, fileSize);
    const size_t headSize = fileSize < kCabinetHeadBytes ? static_cast<size_t>(fileSize) : kCabinetHeadBytes;
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
    // Every byte read to the file's end, the signature behind the cabinet too: a read error
    // anywhere is one.
    if (!cursor.At(fileSize - 1, 1)) return {cursor.fault()};
    return {};
}
