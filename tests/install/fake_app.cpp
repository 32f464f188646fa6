// Stands in for one of the maker's applications: a top-level window of a given class.
//   fake_app.exe [--class NAME] [--ignore-close]
// Exits with 7 when it closes itself on WM_CLOSE.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {
bool g_ignoreClose = false;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        if (!g_ignoreClose) PostQuitMessage(7);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    std::wstring className = L"FakeApplicationWindow";
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--class" && i + 1 < argc) className = argv[++i];
        if (arg == L"--ignore-close") g_ignoreClose = true;
    }
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = className.c_str();
    RegisterClassW(&windowClass);
    CreateWindowExW(0, className.c_str(), L"Fake application", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                    instance, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return static_cast<int>(message.wParam);
}
