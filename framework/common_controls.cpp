#include "framework/common_controls.h"

#include <windows.h>

#include "framework/proc_address.h"

namespace fw {

bool InitCommonControlsFromSystem() {
    // With the manifest's dependency the loader gives version 6 from the side-by-side store.
    using InitFn = void(WINAPI*)();
    auto init = SystemFunction<InitFn>(L"comctl32.dll", "InitCommonControls");
    if (!init) return false;
    init();
    return true;
}

}  // namespace fw
