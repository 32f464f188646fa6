#include "ui/browser_menu_item.h"

#include <algorithm>

#include "framework/strings.h"
#include "ui/item_font.h"
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

void CBrowserMenuItem::SetHoverDescription(UINT stringId, CBrowserMenuItem* descriptionItem, int kind) {
    descriptionItem_ = descriptionItem;
    if (kind == 0) description_ = fw::LoadResString(stringId);
}

void CBrowserMenuItem::RedrawInParent() {
    HWND parent = Parent();
    if (!hwnd() || !parent) return;
    RECT area{};
    GetClientRect(hwnd(), &area);
    MapWindowPoints(hwnd(), parent, reinterpret_cast<POINT*>(&area), 2);
    RECT widened = MenuItemRedrawRect(area);
    InvalidateRect(parent, &widened, TRUE);
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
    SetTextColor(dc, MenuItemTextColour(IsWindowEnabled(hwnd()) != FALSE));
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, caption_.c_str(), static_cast<int>(caption_.size()), &client, DT_WORDBREAK | DT_NOCLIP);
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

LRESULT CBrowserMenuItem::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
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
        return static_cast<LRESULT>(caption_.size());
    case WM_GETTEXT: {
        if (wParam == 0 || lParam == 0) return 0;
        const size_t count = std::min(caption_.size(), static_cast<size_t>(wParam) - 1);
        auto* buffer = reinterpret_cast<wchar_t*>(lParam);
        caption_.copy(buffer, count);
        buffer[count] = L'\0';
        return static_cast<LRESULT>(count);
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
