#include "ui/browser_menu_item.h"

#include "framework/strings.h"
#include "ui/item_accessible.h"
#include "ui/item_focus.h"
#include "ui/item_font.h"
#include "ui/item_theme.h"
#include "ui/skin_rules.h"

CBrowserMenuItem::CBrowserMenuItem()
    : handCursor_(LoadCursorW(nullptr, IDC_HAND)), arrowCursor_(LoadCursorW(nullptr, IDC_ARROW)) {}

CBrowserMenuItem::~CBrowserMenuItem() = default;

void CBrowserMenuItem::SetCaption(const std::wstring& text) {
    if (text == caption_) return;
    caption_ = text;
    measured_ = false;
    RedrawInParent();
}

void CBrowserMenuItem::SetCaption(UINT stringId) { SetCaption(fw::LoadResString(stringId)); }

void CBrowserMenuItem::SetFontSize(int points) {
    font_.SetSize(points);
    RedrawInParent();
}

bool CBrowserMenuItem::CaptionFits(const std::wstring& text) {
    if (!font_.Ensure(hwnd())) return false;
    RECT client{};
    GetClientRect(hwnd(), &client);
    return TextFitsItem(hwnd(), font_.get(), text, client, kItemTextFormat);
}

void CBrowserMenuItem::SetHoverDescription(UINT stringId, CBrowserMenuItem* descriptionItem, int kind) {
    descriptionItem_ = descriptionItem;
    if (kind == 0) description_ = fw::LoadResString(stringId);
}

void CBrowserMenuItem::RedrawInParent() {
    HWND parent = Parent();
    // A hidden page is drawn whole when it is shown.
    if (!hwnd() || !parent || !IsWindowVisible(parent)) return;
    RECT area{};
    GetClientRect(hwnd(), &area);
    MapWindowPoints(hwnd(), parent, reinterpret_cast<POINT*>(&area), 2);
    RECT widened = MenuItemRedrawRect(area);
    InvalidateRect(parent, &widened, TRUE);
}

void CBrowserMenuItem::Click() {
    HWND parent = Parent();
    // A click queued before a message box opened, or one sent to a hidden page, does nothing.
    if (!parent || !ItemTakesAction(hwnd())) return;
    // The notification the static control sends for a mouse click.
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(Id(), STN_CLICKED), reinterpret_cast<LPARAM>(hwnd()));
}

void CBrowserMenuItem::PreSubclassWindow() {
    // SS_NOTIFY: mouse input and click notifications for a static control.
    SetWindowLongPtrW(hwnd(), GWL_STYLE, GetWindowLongPtrW(hwnd(), GWL_STYLE) | SS_NOTIFY);
    caption_ = Text();
    measured_ = false;
    fw::Static::PreSubclassWindow();
}

void CBrowserMenuItem::MeasureCaption() {
    if (!font_.Made() || measured_) return;
    captionExtent_ = MenuItemCaptionExtent(MeasureItemText(hwnd(), font_.get(), caption_));
    measured_ = true;
}

void CBrowserMenuItem::OnPaint() {
    font_.Ensure(hwnd());
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(hwnd(), &paint);
    if (!dc) return;
    RECT client{};
    GetClientRect(hwnd(), &client);
    HGDIOBJ previous = font_.Made() ? SelectObject(dc, font_.get()) : nullptr;
    const bool enabled = IsWindowEnabled(hwnd()) != FALSE;
    const COLORREF colour = ThemedItemTextColour(MenuItemTextColour(enabled), enabled);
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, caption_.c_str(), static_cast<int>(caption_.size()), &client, kItemTextFormat | DT_NOCLIP);
    if (ItemShowsFocusCue(hwnd())) DrawFocusCue(dc, caption_, client, kItemTextFormat | DT_NOCLIP, client, colour);
    if (previous) SelectObject(dc, previous);
    EndPaint(hwnd(), &paint);
}

LRESULT CBrowserMenuItem::OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam) {
    if (passive_) return 0;
    if (!tracking_) {
        // The first move only asks to hear of the leave.
        RequestMouseLeave(hwnd());
        tracking_ = true;
    } else {
        MeasureCaption();
        POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        bool over = MenuItemHit(captionExtent_, measured_, p);
        SetCursor(over ? handCursor_ : arrowCursor_);
        // Unchanged text repaints nothing, so moves within one zone draw nothing.
        if (descriptionItem_) descriptionItem_->SetCaption(over ? description_ : std::wstring());
    }
    return Default(message, wParam, lParam);
}

LRESULT CBrowserMenuItem::OnMouseLeave() {
    tracking_ = false;
    SetCursor(arrowCursor_);
    if (descriptionItem_) {
        descriptionItem_->SetCaption(std::wstring());
        descriptionItem_->RedrawInParent();
    }
    return 0;
}

// What only an item that can be chosen answers, not a label: Enter and Space, a click by
// message, and a screen reader's request for its object.
LRESULT CBrowserMenuItem::OnActiveItemMessage(UINT message, WPARAM wParam, LPARAM lParam, bool* handled) {
    *handled = !passive_;
    if (passive_) return 0;
    switch (message) {
    case WM_GETDLGCODE: {
        LRESULT code = Default(message, wParam, lParam);
        const auto* pending = reinterpret_cast<const MSG*>(lParam);
        if (pending && MenuItemWantsKey(pending->message, pending->wParam)) code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_KEYDOWN:
        // A held key repeats; the item acts once per press.
        if (MenuItemWantsKey(message, wParam) && (lParam & 0x40000000) == 0) {
            Click();
            return 0;
        }
        return Default(message, wParam, lParam);
    case WM_CHAR:
        return MenuItemWantsKey(message, wParam) ? 0 : Default(message, wParam, lParam);
    case BM_CLICK:
        Click();
        return 0;
    case WM_GETOBJECT: {
        LRESULT answer = AnswerItemObjectRequest(hwnd(), ItemRole::PushButton, wParam, lParam);
        return answer ? answer : Default(message, wParam, lParam);
    }
    default:
        *handled = false;
        return 0;
    }
}

LRESULT CBrowserMenuItem::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT answer = 0;
    if (!passive_ && AnswerItemRequest(hwnd(), description_, message, wParam, lParam, &answer)) return answer;
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_MOUSEMOVE:
        return OnMouseMove(message, wParam, lParam);
    case WM_MOUSELEAVE:
        return OnMouseLeave();
    // The window text answers with the caption the item shows, so screen readers and
    // automation read what the user sees; the static control's own text is never drawn.
    case WM_GETTEXTLENGTH:
    case WM_GETTEXT:
        return AnswerCaptionText(caption_, message, wParam, lParam);
    case WM_GETDLGCODE:
    case WM_KEYDOWN:
    case WM_CHAR:
    case BM_CLICK:
    case WM_GETOBJECT: {
        bool handled = false;
        LRESULT result = OnActiveItemMessage(message, wParam, lParam, &handled);
        return handled ? result : Default(message, wParam, lParam);
    }
    case WM_SETFOCUS: {
        if (PassFocusOfHiddenPage(hwnd())) return 0;
        // SetFocus itself tells screen readers (EVENT_OBJECT_FOCUS for the item's window).
        LRESULT result = Default(message, wParam, lParam);
        RedrawInParent();  // draws the focus cue
        return result;
    }
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE: {
        // The cue goes with the focus, and follows the keyboard-cue state.
        LRESULT result = Default(message, wParam, lParam);
        RedrawInParent();
        return result;
    }
    case WM_ENABLE: {
        // Some static controls paint themselves, background and all, when enabled or
        // disabled; the page and the item's own look are put back over that.
        LRESULT result = Default(message, wParam, lParam);
        RedrawInParent();
        return result;
    }
    case WM_DESTROY: {
        LRESULT result = Default(message, wParam, lParam);
        font_.Reset();
        return result;
    }
    default:
        return fw::Static::WindowProc(message, wParam, lParam);
    }
}
