#pragma once
// What the menu item and the checkbox share: their bold font derived from the page's font,
// and measuring a caption with it.
#include <windows.h>

#include <string>

#include "framework/handle.h"

// A bold copy of the parent window's font at the size in points for the control's display.
// Null when the parent has no font.
HFONT CreateBoldItemFont(HWND control, int points);

// The extent of the text drawn with the font in a device context of the control.
SIZE MeasureItemText(HWND control, HFONT font, const std::wstring& text);

// How the items lay out a caption: word-wrapped within their text rectangle.
constexpr UINT kItemTextFormat = DT_WORDBREAK;

// Whether the text, laid out as DrawTextW does with the format and the font in a device context
// of the control, stays within the area; a word wider than the area does not.
bool TextFitsItem(HWND control, HFONT font, const std::wstring& text, const RECT& area, UINT format);

// Asks for WM_MOUSELEAVE when the pointer leaves the control.
void RequestMouseLeave(HWND control);

// The bold font of one control: made at the first paint that finds a parent font, dropped
// when the size changes so that the next paint makes it at the new size.
class ItemFont {
public:
    void SetSize(int points);
    // Makes the font unless it exists; false while the parent has no font.
    bool Ensure(HWND control);
    bool Made() const { return made_; }
    HFONT get() const { return static_cast<HFONT>(font_.get()); }
    void Reset();

private:
    fw::UniqueGdiObject font_;
    int size_ = 12;
    bool made_ = false;
};
