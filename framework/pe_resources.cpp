#include "framework/pe_resources.h"

namespace fw {
namespace {

// Offsets and sizes of the PE format's structures, little-endian, no padding.
constexpr uint16_t kDosSignature = 0x5A4D;      // "MZ"
constexpr size_t kDosNewHeader = 0x3C;          // e_lfanew
constexpr uint32_t kNtSignature = 0x00004550;   // "PE\0\0"
constexpr size_t kFileHeader = 4;               // after the signature
constexpr size_t kMachine = 0;                  // in the file header
constexpr size_t kSectionCount = 2;
constexpr size_t kOptionalHeaderSize = 16;
constexpr size_t kCharacteristics = 18;
constexpr size_t kFileHeaderSize = 20;
constexpr uint16_t kMachineI386 = 0x14C;
constexpr uint16_t kLibrary = 0x2000;           // IMAGE_FILE_DLL
constexpr uint16_t kMagic32 = 0x10B;
constexpr uint16_t kMagic64 = 0x20B;
constexpr size_t kSizeOfCode = 4;               // in the optional header
constexpr size_t kEntryPoint = 16;
constexpr size_t kDirectories32 = 96;           // DataDirectory in the 32-bit optional header
constexpr size_t kDirectories64 = 112;          // and in the 64-bit one; the count comes just before
constexpr size_t kDirectorySize = 8;            // VirtualAddress, Size
constexpr size_t kImportDirectory = 1;
constexpr size_t kResourceDirectory = 2;
constexpr size_t kThreadLocalDirectory = 9;
constexpr size_t kDelayImportDirectory = 13;
constexpr size_t kRuntimeHeaderDirectory = 14;
constexpr size_t kImportDescriptorSize = 20;
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
constexpr uint32_t kStringType = 6;             // RT_STRING
constexpr int kAnyEntry = -1;

class Image {
public:
    // False for bytes without the headers of a PE file.
    bool Open(const uint8_t* file, size_t size) {
        file_ = file;
        size_ = size;
        uint16_t dosSignature = 0, optionalSize = 0;
        uint32_t newHeader = 0, signature = 0;
        if (!U16(0, &dosSignature) || dosSignature != kDosSignature || !U32(kDosNewHeader, &newHeader) ||
            newHeader > 0x7FFFFFFF)
            return false;
        nt_ = newHeader;
        optional_ = nt_ + kFileHeader + kFileHeaderSize;
        if (!U32(nt_, &signature) || signature != kNtSignature || !U16(nt_ + kFileHeader + kSectionCount, &sectionCount_) ||
            !U16(nt_ + kFileHeader + kOptionalHeaderSize, &optionalSize) || !U16(optional_, &magic_))
            return false;
        sections_ = optional_ + optionalSize;
        // The data directories follow the optional header's fixed part, which is longer in 64-bit files.
        const size_t directories = magic_ == kMagic32 ? kDirectories32 : magic_ == kMagic64 ? kDirectories64 : 0;
        if (directories == 0 || optionalSize < directories || !U32(optional_ + directories - 4, &directoryCount_))
            return false;
        directories_ = optional_ + directories;
        // Only the directories the optional header holds count.
        directoryCount_ = directoryCount_ < (optionalSize - directories) / kDirectorySize
                              ? directoryCount_
                              : static_cast<uint32_t>((optionalSize - directories) / kDirectorySize);
        return true;
    }

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
    uint16_t FileHeaderU16(size_t field) const {
        uint16_t value = 0;
        U16(nt_ + kFileHeader + field, &value);
        return value;
    }
    uint32_t OptionalU32(size_t field) const {
        uint32_t value = 0;
        U32(optional_ + field, &value);
        return value;
    }
    uint16_t magic() const { return magic_; }

    // A data directory's address and size; zeros for one the header does not hold.
    void Directory(size_t index, uint32_t* rva, uint32_t* length) const {
        *rva = *length = 0;
        if (index >= directoryCount_ || !U32(directories_ + index * kDirectorySize, rva) ||
            !U32(directories_ + index * kDirectorySize + 4, length))
            *rva = *length = 0;
    }

    // The file offset of a relative virtual address, through the section table.
    bool FileOffset(uint32_t rva, size_t* offset) const {
        for (size_t i = 0; i < sectionCount_; ++i) {
            const size_t section = sections_ + i * kSectionSize;
            uint32_t address = 0, rawSize = 0, rawPointer = 0;
            if (!U32(section + kSectionAddress, &address) || !U32(section + kSectionRawSize, &rawSize) ||
                !U32(section + kSectionRawPointer, &rawPointer))
                return false;
            if (rva >= address && rva - address < rawSize) {
                if (rawPointer > size_) return false;
                *offset = size_t{rawPointer} + (rva - address);
                return true;
            }
        }
        return false;
    }

    // The entry of a resource directory with the given numeric id, or the first one for
    // kAnyEntry. Its OffsetToData is relative to the resource section's start.
    bool DirectoryEntry(size_t root, uint32_t directory, int64_t id, uint32_t* offsetToData) const {
        uint16_t named = 0, ids = 0;
        const size_t header = root + directory;
        if (!U16(header + kNamedEntries, &named) || !U16(header + kIdEntries, &ids)) return false;
        const size_t entries = header + kResourceHeaderSize;
        const size_t count = size_t{named} + ids;
        for (size_t i = 0; i < count; ++i) {
            uint32_t name = 0, data = 0;
            if (!U32(entries + i * kResourceEntrySize, &name) || !U32(entries + i * kResourceEntrySize + 4, &data))
                return false;
            if (id == kAnyEntry || (!(name & kNamed) && name == id)) {
                *offsetToData = data;
                return true;
            }
        }
        return false;
    }

    // Type, name and language: the first two are subdirectories, the last is a data entry.
    bool Resource(uint32_t type, uint32_t name, size_t* offset, size_t* length) const {
        uint32_t rootRva = 0, rootSize = 0, typeEntry = 0, nameEntry = 0, language = 0, dataRva = 0, dataSize = 0;
        size_t root = 0;
        Directory(kResourceDirectory, &rootRva, &rootSize);
        if (rootRva == 0 || !FileOffset(rootRva, &root) || !DirectoryEntry(root, 0, type, &typeEntry) ||
            !(typeEntry & kSubdirectory) || !DirectoryEntry(root, typeEntry & ~kSubdirectory, name, &nameEntry) ||
            !(nameEntry & kSubdirectory) || !DirectoryEntry(root, nameEntry & ~kSubdirectory, kAnyEntry, &language) ||
            (language & kSubdirectory) || !U32(root + language, &dataRva) || !U32(root + language + 4, &dataSize) ||
            !FileOffset(dataRva, offset) || !Has(*offset, dataSize))
            return false;
        *length = dataSize;
        return true;
    }

    // Whether the resource directory has an entry of that type.
    bool HasType(uint32_t type) const {
        uint32_t rootRva = 0, rootSize = 0, entry = 0;
        size_t root = 0;
        Directory(kResourceDirectory, &rootRva, &rootSize);
        return rootRva != 0 && FileOffset(rootRva, &root) && DirectoryEntry(root, 0, type, &entry);
    }

    // Whether the first import descriptor is the null one that ends the list.
    bool ImportsNothing() const {
        uint32_t rva = 0, length = 0;
        Directory(kImportDirectory, &rva, &length);
        if (rva == 0 || length == 0) return true;
        size_t offset = 0;
        if (!FileOffset(rva, &offset) || !Has(offset, kImportDescriptorSize)) return false;
        for (size_t i = 0; i < kImportDescriptorSize; ++i)
            if (file_[offset + i] != 0) return false;
        return true;
    }

    bool DirectoryEmpty(size_t index) const {
        uint32_t rva = 0, length = 0;
        Directory(index, &rva, &length);
        return rva == 0 && length == 0;
    }

private:
    const uint8_t* file_ = nullptr;
    size_t size_ = 0;
    size_t nt_ = 0, optional_ = 0, sections_ = 0, directories_ = 0;
    uint16_t sectionCount_ = 0, magic_ = 0;
    uint32_t directoryCount_ = 0;
};

}  // namespace

bool FindResourceData(const uint8_t* file, size_t size, uint32_t type, uint32_t name, size_t* offset,
                      size_t* length) {
    Image image;
    return image.Open(file, size) && image.Resource(type, name, offset, length);
}

const char* ResourceOnlyLibraryFault(const uint8_t* file, size_t size) {
    Image image;
    if (!image.Open(file, size)) return "not a program library (no PE headers)";
    if (image.magic() != kMagic32 || image.FileHeaderU16(kMachine) != kMachineI386) return "not a 32-bit library";
    if (!(image.FileHeaderU16(kCharacteristics) & kLibrary)) return "not a library";
    if (image.OptionalU32(kEntryPoint) != 0) return "has an entry point";
    if (image.OptionalU32(kSizeOfCode) != 0) return "has code";
    if (!image.ImportsNothing() || !image.DirectoryEmpty(kDelayImportDirectory)) return "imports functions";
    if (!image.DirectoryEmpty(kThreadLocalDirectory) || !image.DirectoryEmpty(kRuntimeHeaderDirectory))
        return "has code to run";
    if (!image.HasType(kStringType)) return "has no string table";
    return nullptr;
}

bool FindStringResource(const uint8_t* file, size_t size, uint32_t id, size_t* offset, size_t* units) {
    size_t block = 0, length = 0;
    if (!FindResourceData(file, size, kStringType, id / 16 + 1, &block, &length)) return false;
    const uint8_t* bytes = file + block;
    size_t at = 0;
    for (uint32_t index = 0;; ++index) {
        if (length - at < 2) return false;
        const size_t count = size_t{bytes[at]} | size_t{bytes[at + 1]} << 8;
        at += 2;
        if ((length - at) / 2 < count) return false;
        if (index == id % 16) {
            *offset = block + at;
            *units = count;
            return true;
        }
        at += count * 2;
    }
}

}  // namespace fw
