#pragma once
// A whole cabinet as the package tools write a product's: one folder, one file "MapFile",
// 124 bytes.
#include <algorithm>
#include <cstdint>
#include <vector>

inline std::vector<uint8_t> WholeCabinet() {
    static const uint8_t kHeads[] = {
        'M', 'S', 'C', 'F', 0, 0, 0, 0, 0x7C, 0, 0, 0, 0, 0, 0, 0, 0x2C, 0, 0, 0, 0, 0, 0, 0,  // to coffFiles
        3, 1, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0,                    // version, counts, flags, set
        0x44, 0, 0, 0, 1, 0, 1, 0,                             // the folder: its data at 0x44
        0x2C, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x20, 0,  // the file, in folder 0
        'M', 'a', 'p', 'F', 'i', 'l', 'e', 0};
    std::vector<uint8_t> cabinet(0x7C, 0xA5);  // the data block is not looked at
    std::copy(std::begin(kHeads), std::end(kHeads), cabinet.begin());
    return cabinet;
}
