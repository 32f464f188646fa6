#pragma once
// The fixed version information of a program file, found in the bytes of the file itself
// through its headers and resource section. No Windows header: the parser also builds natively,
// for fuzzing.
#include <cstddef>
#include <cstdint>

// dwFileVersionMS of the fixed version information in the bytes of a PE file, 32- or 64-bit
// (major in the high half): from the version resource's first language. False for any other
// bytes, truncated or damaged files included; nothing outside the given bytes is read.
bool FixedFileVersionMS(const uint8_t* file, size_t size, uint32_t* versionMS);
