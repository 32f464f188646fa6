#pragma once
// The common controls' progress bar, answering screen readers as a progress bar with its value
// as a percentage, as Windows' own accessibility proxy does, whichever library is present.
#include "framework/control.h"

class CProgressBar : public fw::Control {
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};
