#include "framework/wait_cursor.h"

namespace fw {
namespace {
int g_depth = 0;
}

void BeginWaitCursor() {
    ++g_depth;
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

void EndWaitCursor() {
    if (g_depth == 0) return;
    if (--g_depth == 0) SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

}  // namespace fw
