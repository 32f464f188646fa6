#pragma once
// What screen readers get for a menu item or a checkbox: the system's standard object for the
// control's client area, with the name, role, state and default action the item really has.
// The object holds only the control's window handle, so it outlives the control harmlessly.
#include <windows.h>

#include <string>

enum class ItemRole { PushButton, CheckBox, ProgressBar };

// The answer to WM_GETOBJECT for the item's client area; 0 (leave it to the default processing)
// for any other object, or when the system's accessibility library cannot be used.
LRESULT AnswerItemObjectRequest(HWND item, ItemRole role, WPARAM wParam, LPARAM lParam);

// The state reported: the standard object's bits without those the item decides, then the
// item's own (unavailable or focusable, focused, checked).
LONG ItemAccessibleState(LONG standardState, bool enabled, bool focused, bool checkable, bool checked);

// A progress bar's value as screen readers read it: the position as a whole percentage of the
// range ("45%"); empty for an empty range.
std::wstring ProgressValueText(int position, int low, int high);

// The string table entry naming the default action: "Press" for a button, "Check" or
// "Uncheck" for a checkbox.
UINT ItemDefaultActionStringId(ItemRole role, bool checked);

// What the accessible object asks of the item on the item's own thread, since a screen reader
// calls from another one: its description (wParam 0: the length; else the capacity of the
// buffer in lParam), and to take the focus (1 when it did). Answered by AnswerItemRequest;
// false for any other message.
bool AnswerItemRequest(HWND item, const std::wstring& description, UINT message, WPARAM wParam, LPARAM lParam,
                       LRESULT* result);
