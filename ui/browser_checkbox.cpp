#include "ui/browser_checkbox.h"

#include "framework/strings.h"
#include "ui/item_accessible.h"
#include "ui/item_focus.h"
#include "ui/item_font.h"
#include "ui/item_theme.h"
#include "ui/skin_rules.h"

CBrowserCheckbox::CBrowserCheckbox()
    : handCursor_(LoadCursorW(nullptr, IDC_HAND)), arrowCursor_(LoadCursorW(nullptr, IDC_ARROW)) {}

CBrowserCheckbox::~CBrowserCheckbox() = default;

void CBrowserCheckbox::SetCaption(UINT stringId) {
    std::wstring text = fw::LoadResString(stringId);
    if (text == caption_) return;
    caption_ = text;
    measured_ = false;
    RedrawInParent();
}

void CBrowserCheckbox::SetFontSize(int points) {
    font_.SetSize(points);
    RedrawInParent();
}

bool CBrowserCheckbox::CaptionFits(const std::wstring& text) {
    if (!font_.Ensure(hwnd())) return false;
    RECT client{};
    GetClientRect(hwnd(), &client);
    return TextFitsItem(hwnd(), font_.get(), text, CheckboxTextRect(client), kItemTextFormat);
}

void CBrowserCheckbox::RedrawInParent() {
    HWND parent = Parent();
    // A hidden page is drawn whole when it is shown.
    if (!hwnd() || !parent || !IsWindowVisible(parent)) return;
    InvalidateRect(hwnd(), nullptr, TRUE);
    RECT area{};
    GetClientRect(hwnd(), &area);
    MapWindowPoints(hwnd(), parent, reinterpret_cast<POINT*>(&area), 2);
    InvalidateRect(parent, &area, TRUE);
}

void CBrowserCheckbox::PreSubclassWindow() {
    SetWindowLongPtrW(hwnd(), GWL_STYLE, GetWindowLongPtrW(hwnd(), GWL_STYLE) | BS_LEFT);
    caption_ = Text();
    measured_ = false;
    fw::Button::PreSubclassWindow();
}

void CBrowserCheckbox::MeasureCaption() {
    if (!font_.Made() || measured_) return;
    captionExtent_ = MeasureItemText(hwnd(), font_.get(), caption_);
    measured_ = true;
}

LRESULT CBrowserCheckbox::OnPaint(UINT message, WPARAM wParam, LPARAM lParam) {
    font_.Ensure(hwnd());
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(hwnd(), &paint);
    if (!dc) return Default(message, wParam, lParam);
    RECT client{};
    GetClientRect(hwnd(), &client);
    RECT box = CheckboxBoxRect(client);
    DrawFrameControl(dc, &box, DFC_BUTTON, CheckboxFrameState(Send(BM_GETCHECK)));
    HGDIOBJ previous = font_.Made() ? SelectObject(dc, font_.get()) : nullptr;
    const bool enabled = IsWindowEnabled(hwnd()) != FALSE;
    const COLORREF colour = ThemedItemTextColour(CheckboxTextColour(enabled), enabled);
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    RECT text = CheckboxTextRect(client);
    DrawTextW(dc, caption_.c_str(), static_cast<int>(caption_.size()), &text, kItemTextFormat);
    if (ItemShowsFocusCue(hwnd())) DrawFocusCue(dc, caption_, text, kItemTextFormat, client, colour);
    if (previous) SelectObject(dc, previous);
    // The button's own painting runs inside this paint; the update region is validated
    // already, so it adds nothing visible.
    LRESULT result = Default(message, wParam, lParam);
    EndPaint(hwnd(), &paint);
    return result;
}

LRESULT CBrowserCheckbox::OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam) {
    if (passive_) return 0;
    if (!tracking_) {
        RequestMouseLeave(hwnd());
        tracking_ = true;
    } else {
        MeasureCaption();
        POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        SetCursor(CheckboxHit(captionExtent_, measured_, p) ? handCursor_ : arrowCursor_);
    }
    return Default(message, wParam, lParam);
}

LRESULT CBrowserCheckbox::OnMouseLeave() {
    tracking_ = false;
    SetCursor(arrowCursor_);
    return 0;
}

LRESULT CBrowserCheckbox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT answer = 0;
    if (AnswerItemRequest(hwnd(), std::wstring(), message, wParam, lParam, &answer)) return answer;
    switch (message) {
    case BM_CLICK:
        // A screen reader's default action, and automation's Toggle, arrive as BM_CLICK: under a
        // message box or on a hidden page it must not check the box behind the user's back.
        return ItemTakesAction(hwnd()) ? Default(message, wParam, lParam) : 0;
    case WM_PAINT:
        return OnPaint(message, wParam, lParam);
    case WM_MOUSEMOVE:
        return OnMouseMove(message, wParam, lParam);
    case WM_MOUSELEAVE:
        return OnMouseLeave();
    case WM_SETFOCUS:
        if (PassFocusOfHiddenPage(hwnd())) return 0;
        [[fallthrough]];
    case WM_ENABLE:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
    case BM_SETCHECK:
    case BM_SETSTATE: {
        // The button paints itself, in the standard look, when its state changes (a click
        // included); the page and the skinned look are put back over that.
        const LRESULT checkBefore = message == BM_SETCHECK ? Send(BM_GETCHECK) : 0;
        LRESULT result = Default(message, wParam, lParam);
        RedrawInParent();
        // Readers hear of a focus change from SetFocus itself; a new check mark is told here,
        // as not every system's button tells it.
        if (message == BM_SETCHECK && Send(BM_GETCHECK) != checkBefore)
            NotifyWinEvent(EVENT_OBJECT_STATECHANGE, hwnd(), OBJID_CLIENT, CHILDID_SELF);
        return result;
    }
    case WM_GETTEXTLENGTH:
    case WM_GETTEXT:
        return AnswerCaptionText(caption_, message, wParam, lParam);
    case WM_GETOBJECT: {
        LRESULT answer = AnswerItemObjectRequest(hwnd(), ItemRole::CheckBox, wParam, lParam);
        return answer ? answer : Default(message, wParam, lParam);
    }
    case WM_DESTROY: {
        LRESULT result = Default(message, wParam, lParam);
        font_.Reset();
        return result;
    }
    default:
        return fw::Button::WindowProc(message, wParam, lParam);
    }
}
