#pragma once
// What the menu item and the checkbox share for keyboard and screen-reader users: the focus
// cue, where the focus may rest, and the caption as the window text.
#include <windows.h>

#include <string>

// True when the item has the focus and its keyboard-cue state shows focus cues.
bool ItemShowsFocusCue(HWND item);

// Draws the dotted focus rectangle in the colour around the caption as DrawTextW with the
// flags places it in the area, as thick as the system's focus frame. The dc has the item's
// font selected.
void DrawFocusCue(HDC dc, const std::wstring& caption, const RECT& area, UINT flags, const RECT& client,
                  COLORREF colour);

// True while a click or a default action on the item may act: the item is enabled and its
// page is enabled (no message box over it) and shown.
bool ItemTakesAction(HWND item);

// The focus an item gets while its page is hidden is the dialog manager's default at creation,
// not the user's choice: the page takes it, so no item acts on Enter before the user picks one.
// True when the focus was passed on.
bool PassFocusOfHiddenPage(HWND item);

// WM_GETTEXT and WM_GETTEXTLENGTH answered with the caption the item draws, so screen readers
// and automation read what the user sees.
LRESULT AnswerCaptionText(const std::wstring& caption, UINT message, WPARAM wParam, LPARAM lParam);
