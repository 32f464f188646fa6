#include "ui/bitmap_file.h"

#include "framework/little_endian.h"

namespace {

// BITMAPFILEHEADER (14 bytes), then BITMAPINFOHEADER or a later, longer version of it.
constexpr size_t kFileHeader = 14;
constexpr size_t kPixelsOffset = 10;  // bfOffBits
constexpr size_t kInfoHeader = 40;
constexpr size_t kWidth = 4, kHeight = 8, kPlanes = 12, kBitCount = 14, kCompression = 16,
                 kColoursUsed = 32;
// Run-length encoded pixels are refused: how far GDI reads them is up to their codes.
constexpr uint32_t kRgb = 0, kBitfields = 3;

using fw::U16;
using fw::U32;

}  // namespace

bool ReadBitmapFileLayout(const uint8_t* file, size_t size, BitmapFileLayout* layout) {
    if (size < kFileHeader + kInfoHeader || file[0] != 'B' || file[1] != 'M') return false;
    const uint8_t* info = file + kFileHeader;
    const uint64_t infoSize = U32(info);
    const uint32_t width = U32(info + kWidth);
    const int32_t height = static_cast<int32_t>(U32(info + kHeight));
    const uint32_t bitCount = U16(info + kBitCount);
    const uint32_t compression = U32(info + kCompression);
    const uint64_t rows = height < 0 ? 0 - static_cast<int64_t>(height) : height;
    if (infoSize < kInfoHeader || infoSize > size || U16(info + kPlanes) != 1 || width == 0 || width > kMaxBitmapSide ||
        rows == 0 || rows > kMaxBitmapSide)
        return false;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return false;
    uint64_t masks = 0;
    if (compression == kBitfields) {
        if (bitCount != 16 && bitCount != 32) return false;
        if (infoSize == kInfoHeader) masks = 12;  // later headers hold the masks themselves
    } else if (compression != kRgb) {
        return false;
    }
    const uint64_t coloursUsed = U32(info + kColoursUsed);
    const uint64_t tableMax = bitCount <= 8 ? uint64_t{1} << bitCount : 0;
    const uint64_t colours = coloursUsed ? coloursUsed : tableMax;
    if (colours > 256) return false;
    const uint64_t infoEnd = kFileHeader + infoSize + masks + colours * 4;
    uint64_t bits = U32(file + kPixelsOffset);
    if (bits == 0) bits = infoEnd;
    const uint64_t stride = (uint64_t{width} * bitCount + 31) / 32 * 4;
    const uint64_t bitsSize = stride * rows;
    if (infoEnd > size || bits < infoEnd || bits > size || bitsSize == 0 || bitsSize > size - bits) return false;
    layout->info = kFileHeader;
    layout->infoSize = static_cast<size_t>(infoEnd - kFileHeader);
    layout->bits = static_cast<size_t>(bits);
    layout->bitsSize = static_cast<size_t>(bitsSize);
    return true;
}
