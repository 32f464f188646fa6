#pragma once
// Shares of a whole without 64-bit division: the library's routines for it are 1 KB of setup.exe.
#include <windows.h>

namespace fw {

// part * scale / whole rounded down, for 0 <= part <= whole, 0 < whole and 0 < scale <= 1000.
// Exact while the whole fits in 31 bits; a larger one is halved with the part until it does.
inline int ScaledFraction(long long part, int scale, long long whole) {
    while (whole > 0x7FFFFFFF) {
        part >>= 1;
        whole >>= 1;
    }
    int result = MulDiv(static_cast<int>(part), scale, static_cast<int>(whole));  // to the nearest
    if (result * whole > part * scale) --result;
    return result;
}

}  // namespace fw
