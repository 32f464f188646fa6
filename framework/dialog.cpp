#include "framework/dialog.h"

#include <cstring>
#include <vector>

#include "framework/strings.h"

namespace fw {
namespace {
// Marks the windows that are framework dialogs, for the message loop.
constexpr wchar_t kDialogProperty[] = L"fw.Dialog";
}  // namespace

bool DataExchange::Attach(int itemId, Control& control) {
    HWND item = GetDlgItem(dialog_, itemId);
    return item && control.Attach(item);
}

Dialog::Dialog(UINT templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

Dialog::~Dialog() { DestroyWindow(); }

bool Dialog::Create(HWND parent) {
    if (hwnd_) return false;
    if (parent) parent_ = parent;
    // The satellite's template from its bytes, in a copy on a 32-bit boundary with room for the
    // terminators a damaged one lacks; a satellite that carries only texts leaves the templates to
    // the executable.
    const uint8_t* data = nullptr;
    size_t size = 0;
    HWND window = nullptr;
    if (FindSatelliteResource(RT_DIALOG, templateId_, &data, &size)) {
        std::vector<DWORD> copy(size / sizeof(DWORD) + 4, 0);
        std::memcpy(copy.data(), data, size);
        window = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(copy.data()),
                                            parent_, &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
    } else {
        window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent_,
                                    &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
    }
    return window != nullptr;
}

void Dialog::DestroyWindow() {
    if (hwnd_) ::DestroyWindow(hwnd_);
}

void Dialog::Show(int command) const {
    if (hwnd_) ShowWindow(hwnd_, command);
}

void Dialog::Invalidate(bool erase) const {
    if (hwnd_) InvalidateRect(hwnd_, nullptr, erase ? TRUE : FALSE);
}

Dialog* Dialog::FromHandle(HWND window) {
    if (!window || !GetPropW(window, kDialogProperty)) return nullptr;
    return reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
}

void Dialog::DoDataExchange(DataExchange&) {}

BOOL Dialog::OnInitDialog() {
    DataExchange exchange(hwnd_);
    DoDataExchange(exchange);
    return TRUE;
}

void Dialog::OnOK() { EndDialog(hwnd_, IDOK); }

void Dialog::OnCancel() { EndDialog(hwnd_, IDCANCEL); }

bool Dialog::OnCommand(UINT, UINT) { return false; }

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

LRESULT Dialog::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(original_, hwnd_, message, wParam, lParam);
}

LRESULT Dialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        UINT id = LOWORD(wParam);
        UINT code = HIWORD(wParam);
        if ((id == IDOK || id == IDCANCEL) && code == BN_CLICKED) {
            if (id == IDOK)
                OnOK();
            else
                OnCancel();
            return 0;
        }
        if (OnCommand(id, code)) return 0;
        break;
    }
    case WM_CLOSE:
        OnCancel();
        return 0;
    default: {
        LRESULT result = 0;
        if (OnMessage(message, wParam, lParam, &result)) return result;
        break;
    }
    }
    return Default(message, wParam, lParam);
}

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT message, WPARAM, LPARAM lParam) {
    // Only initialisation comes here; later messages reach WindowProc through the subclass,
    // which hands them back to the dialog manager, whose calls of this procedure then find
    // nothing to do.
    if (message != WM_INITDIALOG) return FALSE;
    auto* self = reinterpret_cast<Dialog*>(lParam);
    if (!self) return FALSE;
    self->hwnd_ = window;
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    SetPropW(window, kDialogProperty, reinterpret_cast<HANDLE>(1));
    self->original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Dialog::SubclassProc)));
    self->OnWindowCreated();
    return self->OnInitDialog();
}

LRESULT CALLBACK Dialog::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self = FromHandle(window);
    if (!self || !self->original_) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        WNDPROC original = self->original_;
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropW(window, kDialogProperty);
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->hwnd_ = nullptr;
        self->original_ = nullptr;
        return CallWindowProcW(original, window, message, wParam, lParam);
    }
    return self->WindowProc(message, wParam, lParam);
}

}  // namespace fw
