#pragma once
// An auto-checkbox drawn as a standard check box frame followed by bold, transparent text
// over the page's background. A click, or Space while it has the focus, toggles and notifies
// the page as usual.
#include <windows.h>

#include <string>

#include "framework/control.h"
#include "ui/item_font.h"

class CBrowserCheckbox : public fw::Button {
public:
    CBrowserCheckbox();
    ~CBrowserCheckbox() override;

    void SetCaption(UINT stringId);
    const std::wstring& Caption() const { return caption_; }
    void SetFontSize(int points);
    // Whether the text, drawn as this checkbox draws its caption, stays within its text area.
    bool CaptionFits(const std::wstring& text);
    void SetPassive(bool passive) { passive_ = passive; }
    void RedrawInParent();

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void MeasureCaption();
    LRESULT OnPaint(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseLeave();

    std::wstring caption_;
    ItemFont font_;
    SIZE captionExtent_{};
    bool tracking_ = false;
    bool measured_ = false;
    bool passive_ = false;
    HCURSOR handCursor_;
    HCURSOR arrowCursor_;
};
