// A cabinet file read through as a medium may give it: the first two bytes choose the chunk
// size the reader hands out and where a read error falls (none when zero); the rest is the file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "install/cabinet_walk.h"

namespace {

class FuzzedChunks : public ChunkReader {
public:
    FuzzedChunks(const uint8_t* data, size_t size, size_t chunk, size_t failAt)
        : data_(data), size_(size), chunk_(chunk), failAt_(failAt) {}
    bool Next(uint8_t* buffer, size_t count, size_t* got) override {
        if (count == 0) __builtin_trap();  // the walk never asks for nothing
        if (position_ >= failAt_) return false;
        *got = std::min({count, chunk_, size_ - position_, failAt_ - position_});
        std::memcpy(buffer, data_ + position_, *got);
        position_ += *got;
        return true;
    }
    size_t position() const { return position_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t chunk_;
    size_t failAt_;
    size_t position_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const size_t chunk = size_t{data[0]} * 509 + 1;
    const size_t failAt = data[1] ? size_t{data[1]} * 257 : SIZE_MAX;
    data += 2;
    size -= 2;
    FuzzedChunks reader(data, size, chunk, failAt);
    const CabinetReading reading = ReadThroughCabinet(reader, size);
    // Whole means every byte was read, none failed, and the file is a cabinet of that size.
    if (reading.fault == CabinetFault::None &&
        (reader.position() != size || failAt < size || size < 36 || std::memcmp(data, "MSCF", 4) != 0))
        __builtin_trap();
    // Never more than the file, and a read error only where the reader failed.
    if (reader.position() > size) __builtin_trap();
    if (reading.fault == CabinetFault::ReadError && failAt > size) __builtin_trap();
    if (CabinetFaultText(reading.fault)[0] == '\0') __builtin_trap();
    return 0;
}
