#pragma once
// The product setup data file "setup.dat": UTF-16LE, no byte-order mark, fields by position.
//   units 0..35   product code (36 units, taken as they stand)
//   units 36..55  required space in bytes, decimal text
//   units 56..    product name, up to the first NUL unit
#include <cstddef>
#include <cstdint>
#include <string>

struct ProductSetupData {
    std::wstring productCode;
    uint64_t requiredSpaceBytes = 52428800;  // 50 MiB when the file is missing
    std::wstring productName;
};

constexpr uint64_t kDefaultRequiredSpaceBytes = 52428800;

// Reads an unsigned 64-bit decimal number the way a wide input stream in the classic locale
// does: leading white space, an optional sign ("-" negates modulo 2^64), digits up to the first
// non-digit. Gives false when there is no digit or the number does not fit in 64 bits.
bool ParseRequiredSpace(std::wstring_view field, uint64_t* value);

// Parses the bytes of a setup.dat. Never reads past size. Parts the data does not hold in full,
// and a number field that cannot be read, keep the missing-file defaults.
ProductSetupData ParseSetupData(const unsigned char* data, size_t size);

// Reads "setup.dat" from the given folder (ending with a backslash). A missing file, or one that
// cannot be opened or read, gives the defaults.
ProductSetupData ReadSetupDataFrom(const std::wstring& folder);

// Reads "setup.dat" beside the running executable.
ProductSetupData ReadSetupData();

// The setup data as read, one log line.
void LogSetupData(const ProductSetupData& data);
