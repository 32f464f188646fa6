#include "framework/input_method.h"

#include <windows.h>

#include "framework/proc_address.h"

namespace fw {

void TurnOffInputMethodForThisThread() {
    using ImmDisableImeFn = BOOL(WINAPI*)(DWORD);
    // Only an input method library already loaded has an input method to turn off: loading it
    // here would start one.
    auto disable = ProcAddress<ImmDisableImeFn>(GetModuleHandleW(L"imm32.dll"), "ImmDisableIME");
    if (disable) disable(GetCurrentThreadId());  // -1 would take it from every thread
}

}  // namespace fw
