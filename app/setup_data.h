#pragma once
// The product setup data file "setup.dat": UTF-16LE, no byte-order mark, fields by position.
//   units 0..35   product code (36 units: a GUID in registry form without its braces)
//   units 36..55  required space in bytes, decimal text
//   units 56..    product name, up to the first NUL unit
#include <cstddef>
#include <cstdint>
#include <string>

struct ProductSetupData {
    std::wstring productCode;
    uint64_t requiredSpaceBytes = 52428800;  // 50 MiB when the file is missing
    std::wstring productName;
    // The product code field held something other than a product code; productCode is empty.
    bool productCodeRefused = false;
    // The file exists but does not read (a read error, a sharing violation, a folder of that
    // name): the system's error; the fields keep the missing file's defaults.
    unsigned long readError = 0;
};

constexpr uint64_t kDefaultRequiredSpaceBytes = 52428800;
// The fields lie in the first 112 bytes and the name follows; a file of more than a mebibyte
// is no setup data file, and only its beginning is read.
constexpr size_t kMaxSetupDataBytes = 1u << 20;

// Reads an unsigned 64-bit decimal number the way a wide input stream in the classic locale
// does: leading white space, an optional sign ("-" negates modulo 2^64), digits up to the first
// non-digit. Gives false when there is no digit or the number does not fit in 64 bits.
bool ParseRequiredSpace(std::wstring_view field, uint64_t* value);

// Parses the bytes of a setup.dat. Never reads past size. Parts the data does not hold in full,
// and a number field that cannot be read, keep the missing-file defaults; a product code field
// not in product code form gives no product code.
ProductSetupData ParseSetupData(const unsigned char* data, size_t size);

// Reads "setup.dat" from the given folder (ending with a backslash). A file that does not exist
// gives the defaults; one that exists and cannot be opened or read gives them with readError.
ProductSetupData ReadSetupDataFrom(const std::wstring& folder);

// Reads "setup.dat" beside the running executable.
ProductSetupData ReadSetupData();

// The setup data as read, one log line.
void LogSetupData(const ProductSetupData& data);
