// A background bitmap file's parts against its size, before GDI reads any of it.
#include "ui/bitmap_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

namespace {

// A bottom-up bitmap of width by height pixels with a BITMAPINFOHEADER and a colour table.
std::string Bmp(int32_t width, int32_t height, uint16_t bits, uint32_t colours) {
    const uint32_t stride = (static_cast<uint32_t>(width) * bits + 31) / 32 * 4;
    const uint32_t offset = 14 + 40 + colours * 4;
    std::string file(offset + stride * static_cast<uint32_t>(height < 0 ? -height : height), '\0');
    auto put = [&](size_t at, uint32_t value, size_t count) {
        for (size_t i = 0; i < count; ++i) file[at + i] = static_cast<char>(value >> (8 * i));
    };
    file[0] = 'B', file[1] = 'M';
    put(2, static_cast<uint32_t>(file.size()), 4);
    put(10, offset, 4);
    put(14, 40, 4);
    put(18, static_cast<uint32_t>(width), 4);
    put(22, static_cast<uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, bits, 2);
    put(46, colours, 4);
    return file;
}

TEST(BitmapFileLayout, PartsInsideTheFile) {
    using Change = std::function<void(std::string&)>;
    const struct {
        const char* what;
        std::string file;
        Change change;
        bool readable;
    } rows[] = {
        {"24 bits", Bmp(40, 30, 24, 0), [](auto&) {}, true},
        {"8 bits with a colour table", Bmp(3, 3, 8, 256), [](auto&) {}, true},
        {"top-down", Bmp(3, -3, 32, 0), [](auto&) {}, true},
        {"last byte missing", Bmp(40, 30, 24, 0), [](auto& f) { f.pop_back(); }, false},
        {"colour table cut off", Bmp(3, 3, 8, 256), [](auto& f) { f.resize(14 + 40 + 100); }, false},
        {"pixels said to lie past the end", Bmp(4, 4, 24, 0), [](auto& f) { f[10] = '\x7f'; }, false},
        {"pixels said to lie inside the header", Bmp(4, 4, 24, 0), [](auto& f) { f[10] = 20; }, false},
        {"no signature", Bmp(4, 4, 24, 0), [](auto& f) { f[0] = 'X'; }, false},
        {"an old core header", Bmp(4, 4, 24, 0), [](auto& f) { f[14] = 12; }, false},
        {"a header longer than the file", Bmp(4, 4, 24, 0), [](auto& f) { f[17] = 1; }, false},
        {"no pixels wide", Bmp(4, 4, 24, 0), [](auto& f) { std::memset(&f[18], 0, 4); }, false},
        {"two planes", Bmp(4, 4, 24, 0), [](auto& f) { f[26] = 2; }, false},
        {"7 bits per pixel", Bmp(4, 4, 24, 0), [](auto& f) { f[28] = 7; }, false},
        {"run-length encoded", Bmp(4, 4, 8, 0), [](auto& f) { f[30] = 1; }, false},
        {"colour masks without room for them", Bmp(4, 4, 32, 0), [](auto& f) { f[30] = 3; }, false},
        {"more than 256 colours", Bmp(4, 4, 8, 0), [](auto& f) { f[46] = 1, f[47] = 1; }, false},
        {"wider than any background", Bmp(1, 1, 24, 0), [](auto& f) { f[20] = 1; }, false},
    };
    for (const auto& row : rows) {
        std::string file = row.file;
        row.change(file);
        BitmapFileLayout layout;
        const bool readable =
            ReadBitmapFileLayout(reinterpret_cast<const uint8_t*>(file.data()), file.size(), &layout);
        EXPECT_EQ(readable, row.readable) << row.what;
        if (readable) {
            EXPECT_EQ(layout.bits + layout.bitsSize, file.size()) << row.what;
        }
    }
}

}  // namespace
