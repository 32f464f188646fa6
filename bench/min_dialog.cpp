// The floor for start-up time: a dialog from a template, built by the same toolchain, shown
// at once.
#include <windows.h>

namespace {
INT_PTR CALLBACK DialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    HWND dialog = CreateDialogParamW(instance, MAKEINTRESOURCEW(1), nullptr, DialogProc, 0);
    ShowWindow(dialog, SW_SHOW);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return 0;
}
