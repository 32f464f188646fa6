#include "ui/progress_bar.h"

#include "ui/item_accessible.h"

LRESULT CProgressBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETOBJECT) {
        const LRESULT answer = AnswerItemObjectRequest(hwnd(), ItemRole::ProgressBar, wParam, lParam);
        if (answer) return answer;
    }
    return fw::Control::WindowProc(message, wParam, lParam);
}
