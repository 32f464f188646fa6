#pragma once
// The application's message box: caption is the executable's file name without extension,
// owner is the application's main window once there is one.
#include <windows.h>
#include <string>

namespace fw {

void SetMainWindow(HWND window);
HWND MainWindow();

// helpContext is accepted for the callers' sake; no help content exists.
int AppMessageBox(const std::wstring& text, UINT type = MB_OK, UINT helpContext = 0);
int AppMessageBox(UINT stringId, UINT type = MB_OK, UINT helpContext = static_cast<UINT>(-1));

}  // namespace fw
