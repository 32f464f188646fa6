#pragma once
// The application's message box: caption is the executable's file name without extension,
// owner is the application's main window once there is one.
#include <windows.h>
#include <string>

namespace fw {

void SetMainWindow(HWND window);

int AppMessageBox(const std::wstring& text, UINT type = MB_OK);
int AppMessageBox(UINT stringId, UINT type = MB_OK);

}  // namespace fw
