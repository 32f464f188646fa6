#pragma once
// Modeless dialogs created from a resource template of the resource module, with no parent.
// The dialog's procedure finds the object only through WM_INITDIALOG's lParam, kept in
// DWLP_USER; from then on the window is subclassed so that every later message reaches
// WindowProc, with the dialog manager's own processing available as Default.
// The product is built without exceptions, so none can unwind through these procedures.
#include <windows.h>

#include "framework/control.h"

namespace fw {

class Dialog;

// Attaches control wrappers to the dialog's items, in the order the dialog asks for them.
class DataExchange {
public:
    explicit DataExchange(HWND dialog) : dialog_(dialog) {}
    // False when the item is missing or already attached.
    bool Attach(int itemId, Control& control);

private:
    HWND dialog_;
};

class Dialog {
public:
    explicit Dialog(UINT templateId, HWND parent = nullptr);
    virtual ~Dialog();  // destroys the window
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Creates the window from the template, hidden unless the template says WS_VISIBLE.
    // OnInitDialog runs inside. Gives false when the window could not be created.
    bool Create(HWND parent = nullptr);
    void DestroyWindow();

    HWND hwnd() const { return hwnd_; }
    void Show(int command) const;
    void Invalidate(bool erase = true) const;

    // The framework dialog of a window, or null.
    static Dialog* FromHandle(HWND window);

protected:
    // The window and its items exist; runs first at initialisation, before the data exchange,
    // where a window procedure would handle WM_CREATE.
    virtual void OnWindowCreated() {}
    virtual void DoDataExchange(DataExchange& exchange);
    // The base runs the data exchange. The result is WM_INITDIALOG's: TRUE lets the dialog
    // manager set the focus.
    virtual BOOL OnInitDialog();
    // IDOK, IDCANCEL and a close request. The base ends the dialog, which hides it.
    virtual void OnOK();
    virtual void OnCancel();
    // Other commands. True when handled.
    virtual bool OnCommand(UINT id, UINT code);
    // Every other message. True when handled, with the result in *result; overrides call the
    // base for the messages they leave.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // The dialog manager's own processing of a message.
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

private:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    UINT templateId_;
    HWND parent_;
    HWND hwnd_ = nullptr;
    WNDPROC original_ = nullptr;
};

}  // namespace fw
