#include "ui/browser_controller.h"

#include <windows.h>

#include "framework/message_box.h"
#include "ui/browser_page.h"

namespace {

// Every descendant of the window, at all levels, parents before their children.
void SendToDescendants(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        SendMessageW(child, message, wParam, lParam);
        SendToDescendants(child, message, wParam, lParam);
    }
}

}  // namespace

void CBrowserController::AddPage(int pageNumber, CBrowserPage* page) {
    if (!page) return;
    page->Show(SW_HIDE);
    if (pageNumber >= 1 && pageNumber <= kPages && !pages_[pageNumber - 1]) pages_[pageNumber - 1] = page;
}

void CBrowserController::ShowPage(int pageNumber) {
    // The new page appears before the old one goes, so there is never no page on the screen.
    CBrowserPage* current = pageNumber >= 1 && pageNumber <= kPages ? pages_[pageNumber - 1] : nullptr;
    if (!current && maker_ && (current = maker_->MakePage(pageNumber))) AddPage(pageNumber, current);
    if (current) current->Show(SW_SHOW);
    for (CBrowserPage* page : pages_) {
        if (page && page != current) page->Show(SW_HIDE);
    }
    // An unknown number leaves every page hidden and nothing to refresh.
    if (!current) return;
    // The visible page owns the message boxes from now on, so a box disables the page the user
    // sees: no click reaches it until the box is answered.
    fw::SetMainWindow(current->hwnd());
    SendToDescendants(current->hwnd(), WM_PAINT, 0, 0);
    current->Invalidate(true);
    current->OnPageShown();
}
