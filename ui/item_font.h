#pragma once
// What the menu item and the checkbox share: their bold font derived from the page's font,
// and measuring a caption with it.
#include <windows.h>

#include <string>

// A bold copy of the parent window's font at the size in points for the control's display.
// Null when the parent has no font.
HFONT CreateBoldItemFont(HWND control, int points);

// The extent of the text drawn with the font in a device context of the control.
SIZE MeasureItemText(HWND control, HFONT font, const std::wstring& text);

// Asks for WM_MOUSELEAVE when the pointer leaves the control.
void RequestMouseLeave(HWND control);
