#include "ui/browser_page.h"

CBrowserPage::CBrowserPage(UINT templateId, HWND parent) : CDialogSK(templateId, parent) {}

CBrowserPage::~CBrowserPage() = default;

void CBrowserPage::OnPageShown() {}

void CBrowserPage::DoDataExchange(fw::DataExchange& exchange) { CDialogSK::DoDataExchange(exchange); }

BOOL CBrowserPage::OnInitDialog() {
    CDialogSK::OnInitDialog();
    return TRUE;
}

void CBrowserPage::OnOK() {}

void CBrowserPage::OnCancel() {}

bool CBrowserPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_SETFOCUS) {
        // The dialog manager would pass the focus on to the first tab stop, where Enter would
        // act on an item the user has not chosen.
        if (startFocus_ && IsWindowVisible(startFocus_) && IsWindowEnabled(startFocus_)) SetFocus(startFocus_);
        *result = 0;
        return true;
    }
    return CDialogSK::OnMessage(message, wParam, lParam, result);
}

void CBrowserPage::SetReadingOrder(std::initializer_list<ReadingElement> elements) {
    HWND previous = HWND_TOP;
    for (const ReadingElement& element : elements) {
        if (!element.window) continue;
        const LONG_PTR style = GetWindowLongPtrW(element.window, GWL_STYLE);
        const LONG_PTR wanted = element.tabStop ? style | WS_TABSTOP : style & ~WS_TABSTOP;
        if (wanted != style) SetWindowLongPtrW(element.window, GWL_STYLE, wanted);
        // Each change is a round of window messages: what is already in place stays.
        const HWND above = GetWindow(element.window, GW_HWNDPREV);
        if (previous == HWND_TOP ? above != nullptr : above != previous)
            SetWindowPos(element.window, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = element.window;
    }
}

void CBrowserPage::ApplySkin(const std::wstring& bitmapPath) {
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    EnableDragMove(FALSE);
    SetBackgroundStyle(BackgroundFitWindow);  // without a bitmap the template's size stays
    LoadBackgroundBitmap(bitmapPath);
}
