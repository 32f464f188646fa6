#include "ui/item_focus.h"

#include <algorithm>

#include "framework/handle.h"
#include "ui/item_theme.h"
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
    const SIZE thickness = SystemFocusFrameThickness();
    const LONG across = std::min<LONG>(thickness.cx, (cue.right - cue.left) / 2);
    const LONG down = std::min<LONG>(thickness.cy, (cue.bottom - cue.top) / 2);
    HGDIOBJ previousPen = SelectObject(dc, pen.get());
    // Rows at the top and bottom, columns at the left and right, as many as the frame is thick.
    for (LONG i = 0; i < down; ++i) {
        for (LONG y : {cue.top + i, cue.bottom - 1 - i}) {
            MoveToEx(dc, cue.left, y, nullptr);
            LineTo(dc, cue.right, y);
        }
    }
    for (LONG i = 0; i < across; ++i) {
        for (LONG x : {cue.left + i, cue.right - 1 - i}) {
            MoveToEx(dc, x, cue.top, nullptr);
            LineTo(dc, x, cue.bottom);
        }
    }
    SelectObject(dc, previousPen);
}

bool ItemTakesAction(HWND item) {
    HWND page = GetParent(item);
    return ItemActionAllowed(IsWindowEnabled(item) != FALSE, page && IsWindowEnabled(page), page && IsWindowVisible(page));
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
