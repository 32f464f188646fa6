#pragma once
// Wrappers of a dialog's child controls. A wrapper is attached to an existing window by
// subclassing it and does not own it: detaching (or destroying the wrapper) gives the window
// its own procedure back.
#include <windows.h>

#include <string>

namespace fw {

class Control {
public:
    Control() = default;
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // Subclasses the window: PreSubclassWindow runs first, then every message goes through
    // WindowProc. False when the window is missing or already has a wrapper.
    bool Attach(HWND window);
    void Detach();

    HWND hwnd() const { return hwnd_; }
    HWND Parent() const { return hwnd_ ? GetParent(hwnd_) : nullptr; }
    int Id() const { return hwnd_ ? GetDlgCtrlID(hwnd_) : 0; }
    std::wstring Text() const;
    void SetText(const std::wstring& text);
    void Enable(bool enabled);
    void SetFont(HFONT font, bool redraw = true);
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    // The wrapper attached to a window, or null.
    static Control* FromHandle(HWND window);

protected:
    // Runs before the window's procedure is replaced; the window is already known.
    virtual void PreSubclassWindow() {}
    // Every message of the attached window. The base gives it to the window's own procedure.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The window's own procedure.
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    WNDPROC original_ = nullptr;
};

class Static : public Control {};

class Button : public Control {
public:
    int GetCheck() const { return static_cast<int>(Send(BM_GETCHECK)); }
};

class Edit : public Control {
public:
    void SetSel(int start, int end) { Send(EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end)); }
    void ScrollCaret() { Send(EM_SCROLLCARET); }
};

}  // namespace fw
