#pragma once
// Bytes of a file for the read-through, from memory: given in chunks of a chosen size, and with
// a read error where a test asks for one.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "install/cabinet_walk.h"

class MemoryChunks : public ChunkReader {
public:
    explicit MemoryChunks(std::vector<uint8_t> bytes, size_t chunk = 4096, size_t failAt = SIZE_MAX)
        : bytes_(std::move(bytes)), chunk_(chunk), failAt_(failAt) {}
    bool Next(uint8_t* buffer, size_t count, size_t* got) override {
        if (position_ >= failAt_) return false;
        *got = std::min({count, chunk_, bytes_.size() - position_, failAt_ - position_});
        std::memcpy(buffer, bytes_.data() + position_, *got);
        position_ += *got;
        return true;
    }
    size_t position() const { return position_; }

private:
    std::vector<uint8_t> bytes_;
    size_t chunk_;
    size_t failAt_;
    size_t position_ = 0;
};
