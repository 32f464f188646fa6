#include "framework/control.h"

namespace fw {
namespace {
// Names the property that links a subclassed control to its wrapper.
constexpr wchar_t kWrapperProperty[] = L"fw.Control";
}  // namespace

Control::~Control() { Detach(); }

Control* Control::FromHandle(HWND window) {
    return window ? static_cast<Control*>(GetPropW(window, kWrapperProperty)) : nullptr;
}

bool Control::Attach(HWND window) {
    if (!window || hwnd_ || FromHandle(window)) return false;
    hwnd_ = window;
    PreSubclassWindow();
    if (!SetPropW(window, kWrapperProperty, this)) {
        hwnd_ = nullptr;
        return false;
    }
    original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Control::SubclassProc)));
    return true;
}

void Control::Detach() {
    if (!hwnd_) return;
    if (IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        RemovePropW(hwnd_, kWrapperProperty);
    }
    hwnd_ = nullptr;
    original_ = nullptr;
}

std::wstring Control::Text() const {
    if (!hwnd_) return {};
    int length = GetWindowTextLengthW(hwnd_);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int got = GetWindowTextW(hwnd_, text.data(), length + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

void Control::SetText(const std::wstring& text) {
    if (hwnd_) SetWindowTextW(hwnd_, text.c_str());
}

void Control::Enable(bool enabled) {
    if (hwnd_) EnableWindow(hwnd_, enabled ? TRUE : FALSE);
}

void Control::SetFont(HFONT font, bool redraw) {
    Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw ? TRUE : FALSE);
}

LRESULT Control::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return hwnd_ ? SendMessageW(hwnd_, message, wParam, lParam) : 0;
}

LRESULT Control::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) { return Default(message, wParam, lParam); }

LRESULT Control::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return original_ ? CallWindowProcW(original_, hwnd_, message, wParam, lParam)
                     : DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Control::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Control* self = FromHandle(window);
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The window goes away: give it back its own procedure and forget it.
        WNDPROC original = self->original_;
        self->Detach();
        return CallWindowProcW(original, window, message, wParam, lParam);
    }
    return self->WindowProc(message, wParam, lParam);
}

}  // namespace fw
