#include "ui/item_focus.h"

#include <algorithm>

#include "framework/handle.h"
#include "ui/skin_rules.h"

bool ItemShowsFocusCue(HWND item) {
    return FocusCueShown(GetFocus() == item, SendMessageW(item, WM_QUERYUISTATE, 0, 0));
}

void DrawFocusCue(HDC dc, const std::wstring& caption, const RECT& area, UINT flags, const RECT& client,
                  COLORREF colour) {
    RECT text = area;
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text, flags | DT_CALCRECT);
    const RECT cue = FocusCueRect(text, client);
    if (cue.right <= cue.left || cue.bottom <= cue.top) return;
    // Every other pixel in the text colour: the dotted look of a focus rectangle, drawn rather
    // than inverted, so a second paint over the same background leaves it as it was.
    LOGBRUSH brush{BS_SOLID, colour, 0};
    fw::UniqueGdiObject pen(ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &brush, 0, nullptr));
    if (!pen) return;
    HGDIOBJ previousPen = SelectObject(dc, pen.get());
    HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, cue.left, cue.top, cue.right, cue.bottom);
    SelectObject(dc, previousBrush);
    SelectObject(dc, previousPen);
}

bool PassFocusOfHiddenPage(HWND item) {
    HWND page = GetParent(item);
    if (!page || IsWindowVisible(page)) return false;
    SetFocus(page);
    return true;
}

LRESULT AnswerCaptionText(const std::wstring& caption, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETTEXTLENGTH) return static_cast<LRESULT>(caption.size());
    if (wParam == 0 || lParam == 0) return 0;
    const size_t count = std::min(caption.size(), static_cast<size_t>(wParam) - 1);
    auto* buffer = reinterpret_cast<wchar_t*>(lParam);
    caption.copy(buffer, count);
    buffer[count] = L'\0';
    return static_cast<LRESULT>(count);
}
