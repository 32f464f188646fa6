#pragma once
// The header of a cabinet file (CFHEADER) and what it says about the file it heads: that it is
// a cabinet at all, that the file holds every byte the header counts, and that its folder and
// file tables lie where the header puts them. Only the beginning of the file is read, never its
// data: a map medium's cabinets hold gigabytes (the read-through, install/cabinet_walk.h, reads
// the data).
// No Windows header: the check also builds natively, for fuzzing.
#include <cstddef>
#include <cstdint>

// The beginning of a cabinet that holds all the check reads: the fixed header (36 bytes), its
// reserve sizes (4), the largest reserved area (60,000), four names of up to 256 bytes each,
// the first folder entry (8 + 255) and the first file entry with its name (16 + 256).
constexpr size_t kCabinetHeadBytes = 64 * 1024;

enum class CabinetFault {
    None,
    NotCabinet,  // no "MSCF" signature, or fewer bytes than a header
    Size,        // the file's size is not the header's cbCabinet: cut short, or more than one file
    Version,     // not format 1.3
    Counts,      // no folder or no file
    Layout,      // a table, name or offset outside the file or in the wrong order
    Signature,   // a signature announced anywhere but right behind the cabinet
    Blocks,      // data blocks outside the file, overlapping, or not as many as the header counts
    BlockSize,   // a data block larger than the format allows
    Checksum,    // a data block whose checksum is not its bytes'
    ReadError,   // the medium gave an error instead of the bytes
};

// Where the header puts the data, for the read-through.
struct CabinetLayout {
    uint32_t cabinetSize = 0;  // cbCabinet: the cabinet without a signature behind it
    uint16_t folders = 0;
    uint32_t folderTable = 0;  // the first CFFOLDER entry
    uint32_t folderEntry = 0;  // each entry's bytes, its reserve included
    uint32_t dataStart = 0;    // no folder's data begins before the file table's least end
    uint8_t dataReserve = 0;   // cbCFData: reserved bytes in each CFDATA header
};

// Checks the first headSize bytes of a cabinet file of fileSize bytes (all of them when the
// file is shorter than kCabinetHeadBytes). Nothing outside the given bytes is read. A signed
// cabinet (a 20-byte header reserve as signing tools write it) holds its signature right behind
// cbCabinet, and the file is the cabinet and the signature. The layout is filled when given.
CabinetFault CheckCabinetHeader(const uint8_t* head, size_t headSize, uint64_t fileSize,
                                CabinetLayout* layout = nullptr);

// A few words for the log: "cut short or too long" and the like.
const char* CabinetFaultText(CabinetFault fault);
