#pragma once
// Where the parts of a bitmap file (.bmp) lie in its bytes, checked against its size before any
// of it is handed to GDI. No Windows header: the check also builds natively, for fuzzing.
#include <cstddef>
#include <cstdint>

struct BitmapFileLayout {
    size_t info = 0;      // the info header, its colour masks and its colour table follow
    size_t infoSize = 0;  // header, masks and colour table
    size_t bits = 0;      // the pixels
    size_t bitsSize = 0;
};

// No background is this large; a larger one is refused before memory is taken for it.
constexpr uint32_t kMaxBitmapSide = 16384;
// A background file of this size would be some 4000 by 4000 pixels in 32 bits.
constexpr size_t kMaxBitmapFileBytes = 64u << 20;

// False unless the bytes hold a bitmap file with an info header of 40 bytes or more, one plane,
// 1, 4, 8, 16, 24 or 32 bits per pixel, uncompressed (colour masks allowed), sides of 1 to kMaxBitmapSide pixels, and its colour table and every pixel inside the bytes.
bool ReadBitmapFileLayout(const uint8_t* file, size_t size, BitmapFileLayout* layout);
