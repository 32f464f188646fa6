#include "framework/message_box.h"

#include "framework/strings.h"

namespace fw {
namespace {
HWND g_mainWindow = nullptr;
}

void SetMainWindow(HWND window) { g_mainWindow = window; }

int AppMessageBox(const std::wstring& text, UINT type) {
    HWND owner = g_mainWindow && IsWindow(g_mainWindow) ? g_mainWindow : nullptr;
    std::wstring caption = ExecutableBaseName();
    return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}

int AppMessageBox(UINT stringId, UINT type) {
    return AppMessageBox(LoadResString(stringId), type);
}

}  // namespace fw
