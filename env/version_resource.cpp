#include "env/version_resource.h"

#include <cstring>

#include "framework/little_endian.h"
#include "framework/pe_resources.h"

namespace {

constexpr uint32_t kVersionType = 16;           // RT_VERSION
constexpr uint32_t kVersionResourceId = 1;      // VS_VERSION_INFO
constexpr size_t kFixedInfoSize = 52;           // VS_FIXEDFILEINFO
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr size_t kFixedFileVersionMS = 8;

using fw::U32;

}  // namespace

bool FixedFileVersionMS(const uint8_t* file, size_t size, uint32_t* versionMS) {
    size_t block = 0, dataSize = 0;
    if (!fw::FindResourceData(file, size, kVersionType, kVersionResourceId, &block, &dataSize)) return false;
    // VS_VERSIONINFO: three WORDs (length, value length, type), the key "VS_VERSION_INFO" in
    // UTF-16 with its terminator, padding to a 32-bit boundary, then the fixed information.
    static constexpr char16_t kKey[] = u"VS_VERSION_INFO";
    constexpr size_t kKeyOffset = 3 * 2;
    constexpr size_t kValueOffset = (kKeyOffset + sizeof kKey + 3) & ~size_t{3};
    uint8_t key[sizeof kKey];
    for (size_t i = 0; i < sizeof kKey; i += 2) {
        key[i] = static_cast<uint8_t>(kKey[i / 2] & 0xFF);
        key[i + 1] = static_cast<uint8_t>(kKey[i / 2] >> 8);
    }
    // The resource lies inside the bytes: what its size covers can be read.
    const uint8_t* data = file + block;
    if (dataSize < kValueOffset + kFixedInfoSize || (data[2] | data[3] << 8) < static_cast<int>(kFixedInfoSize) ||
        std::memcmp(data + kKeyOffset, key, sizeof key) != 0 || U32(data + kValueOffset) != kFixedInfoSignature)
        return false;
    *versionMS = U32(data + kValueOffset + kFixedFileVersionMS);
    return true;
}
