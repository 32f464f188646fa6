#pragma once
// A static text control drawn as bold, transparent text over the page's background. Active,
// it shows the hand cursor over its caption and can show a description in another item, and
// with the focus it takes Enter and Space as a click; passive, it is a plain label.
#include <windows.h>

#include <string>

#include "framework/control.h"
#include "ui/item_font.h"

class CBrowserMenuItem : public fw::Static {
public:
    CBrowserMenuItem();
    ~CBrowserMenuItem() override;

    void SetCaption(const std::wstring& text);
    void SetCaption(UINT stringId);
    const std::wstring& Caption() const { return caption_; }
    void SetFontSize(int points);
    // Whether the text, drawn as this item draws its caption, stays within the item.
    bool CaptionFits(const std::wstring& text);
    // kind 0: the description is the string stringId, shown in descriptionItem.
    void SetHoverDescription(UINT stringId, CBrowserMenuItem* descriptionItem, int kind);
    void SetPassive(bool passive) { passive_ = passive; }
    // Repaints the page under the item, a little wider, and so the item on top of it.
    void RedrawInParent();
    // What a click does: the click notification to the page, when the item is enabled.
    void Click();

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void MeasureCaption();
    void OnPaint();
    LRESULT OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseLeave();
    LRESULT OnActiveItemMessage(UINT message, WPARAM wParam, LPARAM lParam, bool* handled);

    std::wstring caption_;
    std::wstring description_;
    CBrowserMenuItem* descriptionItem_ = nullptr;
    ItemFont font_;
    RECT captionExtent_{};
    bool tracking_ = false;
    bool measured_ = false;
    bool passive_ = false;
    HCURSOR handCursor_;   // shared system cursors: never destroyed
    HCURSOR arrowCursor_;
};
