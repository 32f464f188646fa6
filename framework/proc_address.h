#pragma once
// Typed lookup of an entry point resolved at run time.
#include <windows.h>

namespace fw {

template <typename Fn>
Fn ProcAddress(HMODULE module, const char* name) {
    if (!module) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace fw
