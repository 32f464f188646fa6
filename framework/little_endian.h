#pragma once
// Numbers as the file formats on the medium store them, least significant byte first. No
// Windows header: the parsers that read them also build natively, for fuzzing.
#include <cstdint>

namespace fw {

inline uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t U32(const uint8_t* p) { return uint32_t{U16(p)} | uint32_t{U16(p + 2)} << 16; }

}  // namespace fw
