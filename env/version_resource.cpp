#include "env/version_resource.h"

#include <cstring>

namespace {

// Offsets and sizes of the PE format's structures, little-endian, no padding.
constexpr uint16_t kDosSignature = 0x5A4D;      // "MZ"
constexpr size_t kDosNewHeader = 0x3C;          // e_lfanew
constexpr uint32_t kNtSignature = 0x00004550;   // "PE\0\0"
constexpr size_t kFileHeader = 4;               // after the signature
constexpr size_t kSectionCount = 2;             // in the file header
constexpr size_t kOptionalHeaderSize = 16;      // in the file header
constexpr size_t kFileHeaderSize = 20;
constexpr uint16_t kMagic32 = 0x10B;
constexpr uint16_t kMagic64 = 0x20B;
constexpr size_t kDirectories32 = 96;           // DataDirectory in the 32-bit optional header
constexpr size_t kDirectories64 = 112;          // and in the 64-bit one; the count comes just before
constexpr size_t kDirectorySize = 8;            // VirtualAddress, Size
constexpr size_t kResourceDirectory = 2;
constexpr size_t kSectionSize = 40;
constexpr size_t kSectionAddress = 12;          // VirtualAddress
constexpr size_t kSectionRawSize = 16;          // SizeOfRawData
constexpr size_t kSectionRawPointer = 20;       // PointerToRawData
constexpr size_t kResourceHeaderSize = 16;      // then named entries, then id entries
constexpr size_t kNamedEntries = 12;
constexpr size_t kIdEntries = 14;
constexpr size_t kResourceEntrySize = 8;        // Name, OffsetToData
constexpr uint32_t kSubdirectory = 0x80000000;
constexpr uint32_t kNamed = 0x80000000;
constexpr int kVersionType = 16;                // RT_VERSION
constexpr int kVersionResourceId = 1;           // VS_VERSION_INFO
constexpr size_t kFixedInfoSize = 52;           // VS_FIXEDFILEINFO
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr size_t kFixedFileVersionMS = 8;

class Bytes {
public:
    Bytes(const uint8_t* file, size_t size) : file_(file), size_(size) {}
    bool Has(size_t offset, size_t count) const { return offset <= size_ && size_ - offset >= count; }
    // The little-endian value at offset, or false where the bytes end first.
    bool U16(size_t offset, uint16_t* value) const {
        if (!Has(offset, 2)) return false;
        *value = static_cast<uint16_t>(file_[offset] | file_[offset + 1] << 8);
        return true;
    }
    bool U32(size_t offset, uint32_t* value) const {
        uint16_t low = 0, high = 0;
        if (!U16(offset, &low) || !U16(offset + 2, &high)) return false;
        *value = uint32_t{low} | uint32_t{high} << 16;
        return true;
    }
    const uint8_t* At(size_t offset) const { return file_ + offset; }
    size_t size() const { return size_; }

private:
    const uint8_t* file_;
    size_t size_;
};

struct Image {
    Bytes bytes;
    size_t sections;  // offset of the section table
    uint16_t sectionCount;
};

// The file offset of a relative virtual address, through the section table.
bool FileOffset(const Image& image, uint32_t rva, size_t* offset) {
    for (size_t i = 0; i < image.sectionCount; ++i) {
        const size_t section = image.sections + i * kSectionSize;
        uint32_t address = 0, rawSize = 0, rawPointer = 0;
        if (!image.bytes.U32(section + kSectionAddress, &address) || !image.bytes.U32(section + kSectionRawSize, &rawSize) ||
            !image.bytes.U32(section + kSectionRawPointer, &rawPointer))
            return false;
        if (rva >= address && rva - address < rawSize) {
            *offset = size_t{rawPointer} + (rva - address);
            return true;
        }
    }
    return false;
}

// The entry of a resource directory with the given numeric id, or with any id or name for
// kAnyEntry (the first). Its OffsetToData is relative to the resource section's start.
constexpr int kAnyEntry = -1;
bool DirectoryEntry(const Image& image, size_t root, size_t directory, int id, uint32_t* offsetToData) {
    uint16_t named = 0, ids = 0;
    const size_t header = root + directory;
    if (!image.bytes.U16(header + kNamedEntries, &named) || !image.bytes.U16(header + kIdEntries, &ids)) return false;
    const size_t entries = header + kResourceHeaderSize;
    const size_t count = size_t{named} + ids;
    for (size_t i = 0; i < count; ++i) {
        uint32_t name = 0, data = 0;
        if (!image.bytes.U32(entries + i * kResourceEntrySize, &name) ||
            !image.bytes.U32(entries + i * kResourceEntrySize + 4, &data))
            return false;
        if (id == kAnyEntry || (!(name & kNamed) && name == static_cast<uint32_t>(id))) {
            *offsetToData = data;
            return true;
        }
    }
    return false;
}

// The resource section's start (a file offset) and the data entry (its address and size) of
// the version resource.
bool VersionResource(const Image& image, uint32_t resourceRva, uint32_t* dataRva, uint32_t* dataSize) {
    size_t root = 0;
    if (!FileOffset(image, resourceRva, &root)) return false;
    uint32_t type = 0, name = 0, language = 0;
    // Three levels: type, name, language; the first two are subdirectories, the last is data.
    if (!DirectoryEntry(image, root, 0, kVersionType, &type) || !(type & kSubdirectory) ||
        !DirectoryEntry(image, root, type & ~kSubdirectory, kVersionResourceId, &name) || !(name & kSubdirectory) ||
        !DirectoryEntry(image, root, name & ~kSubdirectory, kAnyEntry, &language) || (language & kSubdirectory))
        return false;
    return image.bytes.U32(root + language, dataRva) && image.bytes.U32(root + language + 4, dataSize);
}

}  // namespace

bool FixedFileVersionMS(const uint8_t* file, size_t size, uint32_t* versionMS) {
    const Bytes bytes(file, size);
    uint16_t dosSignature = 0, sectionCount = 0, optionalSize = 0, magic = 0;
    uint32_t newHeader = 0, signature = 0;
    if (!bytes.U16(0, &dosSignature) || dosSignature != kDosSignature || !bytes.U32(kDosNewHeader, &newHeader) ||
        newHeader > 0x7FFFFFFF)
        return false;
    const size_t nt = newHeader;
    const size_t optional = nt + kFileHeader + kFileHeaderSize;
    if (!bytes.U32(nt, &signature) || signature != kNtSignature ||
        !bytes.U16(nt + kFileHeader + kSectionCount, &sectionCount) ||
        !bytes.U16(nt + kFileHeader + kOptionalHeaderSize, &optionalSize) || !bytes.U16(optional, &magic))
        return false;
    // The data directories follow the optional header's fixed part, which is longer in 64-bit files.
    size_t directories = 0;
    if (magic == kMagic32)
        directories = kDirectories32;
    else if (magic == kMagic64)
        directories = kDirectories64;
    else
        return false;
    const size_t resourceEntry = directories + kResourceDirectory * kDirectorySize;
    uint32_t directoryCount = 0, resourceRva = 0;
    if (optionalSize < resourceEntry + kDirectorySize || !bytes.U32(optional + directories - 4, &directoryCount) ||
        directoryCount <= kResourceDirectory || !bytes.U32(optional + resourceEntry, &resourceRva) || resourceRva == 0)
        return false;
    const Image image{bytes, optional + optionalSize, sectionCount};
    uint32_t dataRva = 0, dataSize = 0;
    size_t block = 0;
    if (!VersionResource(image, resourceRva, &dataRva, &dataSize) || !FileOffset(image, dataRva, &block) ||
        !bytes.Has(block, dataSize))
        return false;
    // VS_VERSIONINFO: three WORDs (length, value length, type), the key "VS_VERSION_INFO" in
    // UTF-16 with its terminator, padding to a 32-bit boundary, then the fixed information.
    static constexpr char16_t kKey[] = u"VS_VERSION_INFO";
    constexpr size_t kKeyOffset = 3 * 2;
    constexpr size_t kValueOffset = (kKeyOffset + sizeof kKey + 3) & ~size_t{3};
    uint16_t valueLength = 0;
    uint32_t fixedSignature = 0;
    uint8_t key[sizeof kKey];
    for (size_t i = 0; i < sizeof kKey; i += 2) {
        key[i] = static_cast<uint8_t>(kKey[i / 2] & 0xFF);
        key[i + 1] = static_cast<uint8_t>(kKey[i / 2] >> 8);
    }
    if (dataSize < kValueOffset + kFixedInfoSize || !bytes.U16(block + 2, &valueLength) ||
        valueLength < kFixedInfoSize || std::memcmp(bytes.At(block + kKeyOffset), key, sizeof key) != 0 ||
        !bytes.U32(block + kValueOffset, &fixedSignature) || fixedSignature != kFixedInfoSignature ||
        !bytes.U32(block + kValueOffset + kFixedFileVersionMS, versionMS))
        return false;
    return true;
}
