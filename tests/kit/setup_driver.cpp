#include "tests/kit/setup_driver.h"

#include <objidl.h>
// The imaging headers use min and max unqualified.
#include <algorithm>
using std::max;
using std::min;
#include <gdiplus.h>

#include <vector>

#include "tests/kit/kit.h"
#include "tests/kit/window_kit.h"

namespace kit {
namespace {

struct PageQuery {
    DWORD processId;
    int itemId;
    HWND found;
};

BOOL CALLBACK FindPageWindow(HWND window, LPARAM context) {
    auto* query = reinterpret_cast<PageQuery*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != query->processId) return TRUE;
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (wcscmp(className, L"#32770") != 0 || !GetDlgItem(window, query->itemId)) return TRUE;
    query->found = window;
    return FALSE;
}

HWND FindPage(DWORD processId, int itemId) {
    PageQuery query{processId, itemId, nullptr};
    EnumWindows(FindPageWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

bool Poll(DWORD timeoutMs, bool (*condition)(void*), void* context) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition(context)) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
}

}  // namespace

HWND FindMainPage(DWORD processId) { return FindPage(processId, kTextItem); }
HWND FindLicensePage(DWORD processId) { return FindPage(processId, kLicenseText); }
HWND FindProgressPage(DWORD processId) { return FindPage(processId, kProgressBar); }
bool OutcomeShown(HWND progressPage) {
    return progressPage && IsWindowVisible(GetDlgItem(progressPage, kProgressFinish));
}

namespace {

HWND WaitForVisiblePage(DWORD processId, HWND (*find)(DWORD), DWORD timeoutMs) {
    struct Context {
        DWORD processId;
        HWND (*find)(DWORD);
        HWND page;
    } context{processId, find, nullptr};
    Poll(timeoutMs, [](void* c) {
        auto* ctx = static_cast<Context*>(c);
        ctx->page = ctx->find(ctx->processId);
        return ctx->page != nullptr && IsWindowVisible(ctx->page) != FALSE;
    }, &context);
    return context.page;
}

}  // namespace

HWND WaitForMainPage(DWORD processId, DWORD timeoutMs) { return WaitForVisiblePage(processId, FindMainPage, timeoutMs); }
HWND WaitForLicensePage(DWORD processId, DWORD timeoutMs) {
    HWND page = WaitForVisiblePage(processId, FindLicensePage, timeoutMs);
    return page && IsWindowVisible(page) ? page : nullptr;
}

bool WaitVisible(HWND page, DWORD timeoutMs) {
    return Poll(timeoutMs, [](void* c) { return IsWindowVisible(static_cast<HWND>(c)) != FALSE; }, page);
}

RECT ItemRect(HWND page, int itemId) {
    RECT rect{};
    GetWindowRect(GetDlgItem(page, itemId), &rect);
    return rect;
}

bool ItemEnabled(HWND page, int itemId) { return IsWindowEnabled(GetDlgItem(page, itemId)) != FALSE; }

std::wstring ItemText(HWND page, int itemId) { return TextOf(GetDlgItem(page, itemId)); }

int CheckState(HWND page, int itemId) {
    return static_cast<int>(SendMessageW(GetDlgItem(page, itemId), BM_GETCHECK, 0, 0));
}

HWND FocusOf(HWND page) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(page, nullptr), &info);
    return info.hwndFocus;
}

void MoveMouse(int x, int y) {
    SetCursorPos(x, y);
    MouseMoveTo(POINT{x, y});
    Sleep(60);
}

void ClickAt(int x, int y) {
    MoveMouse(x, y);
    MouseButton(true);
    Sleep(30);
    MouseButton(false);
    Sleep(60);
}

void ClickItem(HWND page, int itemId) {
    SetForegroundWindow(page);
    RECT rect = ItemRect(page, itemId);
    ClickAt(rect.left + 4, (rect.top + rect.bottom) / 2);
}

void HoverItem(HWND page, int itemId) {
    RECT rect = ItemRect(page, itemId);
    // The first move only starts tracking; the second is measured against the caption.
    MoveMouse(rect.left + 3, (rect.top + rect.bottom) / 2);
    MoveMouse(rect.left + 4, (rect.top + rect.bottom) / 2);
}

void PressKey(WORD virtualKey) {
    KeyPress(virtualKey);
    Sleep(80);
}

bool SaveWindowPng(HWND window, const std::wstring& path) {
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return false;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    Gdiplus::GdiplusStartupInput startupInput;
    ULONG_PTR token = 0;
    bool saved = false;
    if (Gdiplus::GdiplusStartup(&token, &startupInput, nullptr) == Gdiplus::Ok) {
        {
            Gdiplus::Bitmap image(bitmap, nullptr);
            // The PNG encoder's class id.
            const CLSID png = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
            saved = image.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
        }
        Gdiplus::GdiplusShutdown(token);
    }
    DeleteObject(bitmap);
    return saved;
}

}  // namespace kit
