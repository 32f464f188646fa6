#include "env/version_loader.h"

#include <cstring>

#include "framework/handle.h"

namespace {

constexpr DWORD kSubdirectory = 0x80000000;
constexpr int kVersionType = 16;      // RT_VERSION
constexpr int kVersionResourceId = 1;  // VS_VERSION_INFO

// A copy of the T at offset, or false where the bytes end first.
template <typename T>
bool ReadAt(const BYTE* file, size_t size, size_t offset, T* value) {
    if (offset > size || size - offset < sizeof(T)) return false;
    std::memcpy(value, file + offset, sizeof(T));
    return true;
}

struct Image {
    const BYTE* file;
    size_t size;
    size_t sections;  // offset of the section table
    WORD sectionCount;
};

// The file offset of a relative virtual address, through the section table.
bool FileOffset(const Image& image, DWORD rva, size_t* offset) {
    for (WORD i = 0; i < image.sectionCount; ++i) {
        IMAGE_SECTION_HEADER section;
        if (!ReadAt(image.file, image.size, image.sections + i * sizeof section, &section)) return false;
        if (rva >= section.VirtualAddress && rva - section.VirtualAddress < section.SizeOfRawData) {
            *offset = static_cast<size_t>(section.PointerToRawData) + (rva - section.VirtualAddress);
            return true;
        }
    }
    return false;
}

// The entry of a resource directory with the given numeric id, or with any id or name for
// kAnyEntry (the first). Its OffsetToData is relative to the resource section's start.
constexpr int kAnyEntry = -1;
bool DirectoryEntry(const Image& image, size_t root, size_t directory, int id, DWORD* offsetToData) {
    IMAGE_RESOURCE_DIRECTORY header;
    if (!ReadAt(image.file, image.size, root + directory, &header)) return false;
    const size_t entries = root + directory + sizeof header;
    const size_t count = size_t{header.NumberOfNamedEntries} + header.NumberOfIdEntries;
    for (size_t i = 0; i < count; ++i) {
        IMAGE_RESOURCE_DIRECTORY_ENTRY entry;
        if (!ReadAt(image.file, image.size, entries + i * sizeof entry, &entry)) return false;
        const bool named = (entry.Name & 0x80000000) != 0;
        if (id == kAnyEntry || (!named && entry.Name == static_cast<DWORD>(id))) {
            *offsetToData = entry.OffsetToData;
            return true;
        }
    }
    return false;
}

// The resource section's start (a file offset) and the data entry of the version resource.
bool VersionResource(const Image& image, DWORD resourceRva, IMAGE_RESOURCE_DATA_ENTRY* data) {
    size_t root = 0;
    if (!FileOffset(image, resourceRva, &root)) return false;
    DWORD type = 0, name = 0, language = 0;
    // Three levels: type, name, language; the first two are subdirectories, the last is data.
    if (!DirectoryEntry(image, root, 0, kVersionType, &type) ||
        !(type & kSubdirectory) ||
        !DirectoryEntry(image, root, type & ~kSubdirectory, kVersionResourceId, &name) ||
        !(name & kSubdirectory) || !DirectoryEntry(image, root, name & ~kSubdirectory, kAnyEntry, &language) ||
        (language & kSubdirectory))
        return false;
    return ReadAt(image.file, image.size, root + language, data);
}

}  // namespace

bool FixedFileVersionMS(const BYTE* file, size_t size, DWORD* versionMS) {
    IMAGE_DOS_HEADER dos;
    DWORD signature = 0;
    IMAGE_FILE_HEADER header;
    WORD magic = 0;
    if (!ReadAt(file, size, 0, &dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0) return false;
    const size_t nt = static_cast<size_t>(dos.e_lfanew);
    const size_t optional = nt + sizeof signature + sizeof header;
    if (!ReadAt(file, size, nt, &signature) || signature != IMAGE_NT_SIGNATURE ||
        !ReadAt(file, size, nt + sizeof signature, &header) || !ReadAt(file, size, optional, &magic))
        return false;
    // The data directories follow the optional header's fixed part, which is longer in 64-bit files.
    size_t directories = 0;
    if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC)
        directories = offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory);
    else if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        directories = offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory);
    else
        return false;
    const size_t resourceEntry = directories + IMAGE_DIRECTORY_ENTRY_RESOURCE * sizeof(IMAGE_DATA_DIRECTORY);
    DWORD directoryCount = 0;
    IMAGE_DATA_DIRECTORY resources;
    if (header.SizeOfOptionalHeader < resourceEntry + sizeof resources ||
        !ReadAt(file, size, optional + directories - sizeof directoryCount, &directoryCount) ||
        directoryCount <= IMAGE_DIRECTORY_ENTRY_RESOURCE || !ReadAt(file, size, optional + resourceEntry, &resources) ||
        resources.VirtualAddress == 0)
        return false;
    const Image image{file, size, optional + header.SizeOfOptionalHeader, header.NumberOfSections};
    IMAGE_RESOURCE_DATA_ENTRY data;
    size_t block = 0;
    if (!VersionResource(image, resources.VirtualAddress, &data) || !FileOffset(image, data.OffsetToData, &block) ||
        block > size || size - block < data.Size)
        return false;
    // VS_VERSIONINFO: three WORDs (length, value length, type), the key "VS_VERSION_INFO" with its
    // terminator, padding to a 32-bit boundary, then the fixed information as the value.
    static constexpr wchar_t kKey[] = L"VS_VERSION_INFO";
    constexpr size_t kKeyOffset = 3 * sizeof(WORD);
    constexpr size_t kValueOffset = (kKeyOffset + sizeof kKey + 3) & ~size_t{3};
    WORD valueLength = 0;
    VS_FIXEDFILEINFO fixed;
    if (data.Size < kValueOffset + sizeof fixed || !ReadAt(file, size, block + sizeof(WORD), &valueLength) ||
        valueLength < sizeof fixed || std::memcmp(file + block + kKeyOffset, kKey, sizeof kKey) != 0 ||
        !ReadAt(file, size, block + kValueOffset, &fixed) || fixed.dwSignature != 0xFEEF04BD)
        return false;
    *versionMS = fixed.dwFileVersionMS;
    return true;
}

bool ReadFileVersionMS(const std::wstring& path, DWORD* versionMS) {
    fw::UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD high = 0;
    const DWORD low = GetFileSize(file.get(), &high);
    if (high != 0 || low == INVALID_FILE_SIZE || low == 0) return false;  // no program file is 4 GB
    fw::UniqueHandle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return false;
    fw::UniqueView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return false;
    return FixedFileVersionMS(static_cast<const BYTE*>(view.get()), low, versionMS);
}
