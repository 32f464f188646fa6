#pragma once
// The read-through of a cabinet file: every data block (CFDATA) of every folder read once, in
// file order, its size against the format's bounds and its folder's place in the file, and its
// checksum, when it has one, against its bytes. A byte changed on a scratched disc or in a
// broken download, or a read error in the middle of the file, is found here before anything is
// changed, not by the installation after the earlier version is gone. Memory stays bounded
// (a 64 KB window: a block is at most 38 KB and its reserve); the file is never held whole.
// No Windows header: the walk also builds natively, for fuzzing.
#include <cstddef>
#include <cstdint>

#include "install/cabinet_header.h"

// The bytes of one file in order from its start.
class ChunkReader {
public:
    virtual ~ChunkReader() = default;
    // Up to count of the bytes that follow those given so far; *got 0 at the file's end. False
    // on a read error.
    virtual bool Next(uint8_t* buffer, size_t count, size_t* got) = 0;
};

struct CabinetReading {
    CabinetFault fault = CabinetFault::None;
    uint32_t block = 0;  // the data block, counted from 1 through the file; 0 outside the blocks
};

// The cabinet's checksum of count bytes (the format's: little-endian 32-bit words XORed onto
// the seed, the one to three bytes left over taken as one word, the first of them highest).
uint32_t CabinetChecksum(const uint8_t* bytes, size_t count, uint32_t seed);

// Reads a cabinet file of fileSize bytes through to its end: its header (CheckCabinetHeader),
// its folder table, then each folder's blocks; a signature behind the cabinet is read but not
// checked. The first fault ends the reading.
CabinetReading ReadThroughCabinet(ChunkReader& reader, uint64_t fileSize);
