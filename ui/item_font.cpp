#include "ui/item_font.h"

#include <commctrl.h>

#include "ui/item_theme.h"
#include "ui/skin_rules.h"

HFONT CreateBoldItemFont(HWND control, int points) {
    HWND parent = GetParent(control);
    auto parentFont = reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0));
    if (!parentFont) return nullptr;
    LOGFONTW description{};
    if (GetObjectW(parentFont, sizeof description, &description) == 0) return nullptr;
    description.lfHeight = FontHeightForPoints(points, SystemPixelsPerInch());
    description.lfWeight = FW_BOLD;
    return CreateFontIndirectW(&description);
}

SIZE MeasureItemText(HWND control, HFONT font, const std::wstring& text) {
    SIZE extent{};
    HDC dc = GetDC(control);
    if (!dc) return extent;
    HGDIOBJ previous = SelectObject(dc, font);
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return extent;
}

bool TextFitsItem(HWND control, HFONT font, const std::wstring& text, const RECT& area, UINT format) {
    HDC dc = GetDC(control);
    if (!dc) return false;
    HGDIOBJ previous = SelectObject(dc, font);
    RECT needed = area;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed, format | DT_CALCRECT);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return needed.right - needed.left <= area.right - area.left && needed.bottom - needed.top <= area.bottom - area.top;
}

void RequestMouseLeave(HWND control) {
    TRACKMOUSEEVENT request{};
    request.cbSize = sizeof request;
    request.dwFlags = TME_LEAVE;
    request.hwndTrack = control;
    // The system's own call: the common controls library is not linked, so that it loads from
    // the system only after the DLL search is restricted.
    TrackMouseEvent(&request);
}

void ItemFont::SetSize(int points) {
    size_ = points;
    Reset();
}

bool ItemFont::Ensure(HWND control) {
    if (made_) return true;
    HFONT font = CreateBoldItemFont(control, size_);
    if (!font) return false;
    font_.reset(font);
    made_ = true;
    return true;
}

void ItemFont::Reset() {
    font_.reset();
    made_ = false;
}
