#include "install/cabinet_header.h"

#include <cstring>

#include "framework/little_endian.h"

namespace {

// CFHEADER, little-endian, no padding.
constexpr size_t kSignature = 0;
constexpr size_t kCabinetSize = 8;   // cbCabinet
constexpr size_t kFilesOffset = 16;  // coffFiles
constexpr size_t kVersionMinor = 24;
constexpr size_t kVersionMajor = 25;
constexpr size_t kFolderCount = 26;  // cFolders
constexpr size_t kFileCount = 28;    // cFiles
constexpr size_t kFlags = 30;
constexpr size_t kFixedHeader = 36;  // then the optional fields the flags announce

constexpr uint16_t kPreviousCabinet = 0x0001;  // szCabinetPrev and szDiskPrev follow
constexpr uint16_t kNextCabinet = 0x0002;      // szCabinetNext and szDiskNext follow
constexpr uint16_t kReservePresent = 0x0004;   // cbCFHeader, cbCFFolder, cbCFData follow

constexpr size_t kMaxHeaderReserve = 60000;
// The header reserve of a signed cabinet: 0x00100000, the signature's offset and size, 8 zeros.
constexpr size_t kSignatureReserve = 20;
constexpr uint32_t kSignatureTag = 0x00100000;
constexpr size_t kMaxName = 256;  // with its terminating NUL
constexpr size_t kFolderEntry = 8;  // coffCabStart, cCFData, typeCompress; then the folder reserve
constexpr size_t kFileEntry = 16;   // cbFile, uoffFolderStart, iFolder, date, time, attribs; then the name

// A file entry's folder index may name no folder but a continuation across cabinets.
constexpr uint16_t kFirstContinuation = 0xFFFD;

class Head {
public:
    Head(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
    bool Has(size_t offset, size_t count) const { return offset <= size_ && size_ - offset >= count; }
    uint8_t U8(size_t offset) const { return bytes_[offset]; }
    uint16_t U16(size_t offset) const { return fw::U16(bytes_ + offset); }
    uint32_t U32(size_t offset) const { return fw::U32(bytes_ + offset); }
    // The offset just past a NUL-terminated name of at most kMaxName bytes, or 0 when there is none.
    size_t AfterName(size_t offset) const {
        if (offset >= size_) return 0;
        const size_t room = size_ - offset < kMaxName ? size_ - offset : kMaxName;
        const void* end = std::memchr(bytes_ + offset, 0, room);
        return end ? static_cast<size_t>(static_cast<const uint8_t*>(end) - bytes_) + 1 : 0;
    }

private:
    const uint8_t* bytes_;
    size_t size_;
};

}  // namespace

CabinetFault CheckCabinetHeader(const uint8_t* bytes, size_t headSize, uint64_t fileSize, CabinetLayout* layout) {
    if (headSize > fileSize) headSize = static_cast<size_t>(fileSize);
    const Head head(bytes, headSize);
    if (!head.Has(0, kFixedHeader) || std::memcmp(bytes + kSignature, "MSCF", 4) != 0)
        return CabinetFault::NotCabinet;
    const uint32_t cabinetSize = head.U32(kCabinetSize);
    const uint16_t flags = head.U16(kFlags);
    uint64_t signatureSize = 0;
    if ((flags & kReservePresent) && head.Has(kFixedHeader, 4 + kSignatureReserve) &&
        head.U16(kFixedHeader) == kSignatureReserve && head.U32(kFixedHeader + 4) == kSignatureTag) {
        if (head.U32(kFixedHeader + 8) != cabinetSize) return CabinetFault::Signature;
        signatureSize = head.U32(kFixedHeader + 12);
    }
    if (cabinetSize + signatureSize != fileSize) return CabinetFault::Size;
    if (head.U8(kVersionMajor) != 1 || head.U8(kVersionMinor) != 3) return CabinetFault::Version;
    const uint16_t folders = head.U16(kFolderCount);
    const uint16_t files = head.U16(kFileCount);
    if (folders == 0 || files == 0) return CabinetFault::Counts;

    size_t offset = kFixedHeader;
    size_t folderReserve = 0;
    uint8_t dataReserve = 0;
    if (flags & kReservePresent) {
        if (!head.Has(offset, 4)) return CabinetFault::Layout;
        const size_t headerReserve = head.U16(offset);
        folderReserve = head.U8(offset + 2);
        dataReserve = head.U8(offset + 3);
        if (headerReserve > kMaxHeaderReserve) return CabinetFault::Layout;
        offset += 4 + headerReserve;
    }
    const int names = (flags & kPreviousCabinet ? 2 : 0) + (flags & kNextCabinet ? 2 : 0);
    for (int i = 0; i < names; ++i) {
        offset = head.AfterName(offset);
        if (offset == 0) return CabinetFault::Layout;
    }

    // The folder table follows the header; the file table follows the folders, and every file
    // entry takes at least its fixed part and a one-byte name.
    const uint64_t folderTable = offset;
    const uint64_t firstFile = head.U32(kFilesOffset);
    const uint64_t folderEntry = kFolderEntry + folderReserve;
    if (firstFile < folderTable + folders * folderEntry || firstFile + files * (kFileEntry + 1) > cabinetSize)
        return CabinetFault::Layout;
    // The first folder's data lies after the file table and inside the file.
    if (!head.Has(offset, kFolderEntry)) return CabinetFault::Layout;
    const uint64_t firstData = head.U32(offset);
    if (firstData < firstFile + files * (kFileEntry + 1) || firstData > cabinetSize) return CabinetFault::Layout;
    if (layout)
        *layout = {cabinetSize, folders, static_cast<uint32_t>(folderTable), static_cast<uint32_t>(folderEntry),
                   static_cast<uint32_t>(firstFile + files * (kFileEntry + 1)), dataReserve};
    // The first file entry: a name, and a folder the cabinet has (or a continuation). Behind
    // some thousand folders it lies past the beginning read, and goes unchecked.
    const size_t fileEntry = static_cast<size_t>(firstFile);
    const bool wholeFile = headSize == fileSize;
    if (!head.Has(fileEntry, kFileEntry + kMaxName) && !wholeFile) return CabinetFault::None;
    if (!head.Has(fileEntry, kFileEntry)) return CabinetFault::Layout;
    const uint16_t folder = head.U16(fileEntry + 8);
    if (folder >= folders && folder < kFirstContinuation) return CabinetFault::Layout;
    const size_t afterName = head.AfterName(fileEntry + kFileEntry);
    if (afterName == 0 || afterName == fileEntry + kFileEntry + 1) return CabinetFault::Layout;
    return CabinetFault::None;
}

const char* CabinetFaultText(CabinetFault fault) {
    switch (fault) {
    case CabinetFault::None: return "whole";
    case CabinetFault::NotCabinet: return "no cabinet";
    case CabinetFault::Size: return "cut short or too long";
    case CabinetFault::Version: return "an unknown cabinet version";
    case CabinetFault::Counts: return "no folder or no file";
    case CabinetFault::Layout: return "tables outside the file";
    case CabinetFault::Signature: return "a signature not behind the cabinet";
    case CabinetFault::Blocks: return "data blocks not as the header counts them";
    case CabinetFault::BlockSize: return "a data block too large";
    case CabinetFault::Checksum: return "a wrong checksum";
    case CabinetFault::ReadError: return "a read error";
    }
    return "";
}
