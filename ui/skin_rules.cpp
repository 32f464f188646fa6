#include "ui/skin_rules.h"

COLORREF MenuItemTextColour(bool enabled) { return enabled ? kMenuItemTextColour : kDisabledTextColour; }

COLORREF CheckboxTextColour(bool enabled) { return enabled ? kCheckboxTextColour : kDisabledTextColour; }

bool HighContrastOn(DWORD highContrastFlags) { return (highContrastFlags & HCF_HIGHCONTRASTON) != 0; }

COLORREF ItemTextColour(COLORREF fixedColour, bool enabled, bool highContrast, COLORREF windowText, COLORREF grayText) {
    if (!highContrast) return fixedColour;
    return enabled ? windowText : grayText;
}

SIZE FocusFrameThickness(bool gotWidth, UINT width, bool gotHeight, UINT height) {
    SIZE thickness;
    thickness.cx = gotWidth && width > 0 ? static_cast<LONG>(width) : 1;
    thickness.cy = gotHeight && height > 0 ? static_cast<LONG>(height) : 1;
    return thickness;
}

UINT EffectiveTextScale(bool present, DWORD value) { return present && value >= 100 && value <= 225 ? value : 100; }

LONG ScaledFontHeight(int points, int pixelsPerInch, UINT textScalePercent) {
    return -MulDiv(points * static_cast<int>(textScalePercent), pixelsPerInch, 72 * 100);
}

bool ItemActionAllowed(bool itemEnabled, bool pageEnabled, bool pageVisible) {
    return itemEnabled && pageEnabled && pageVisible;
}

LONG FontHeightForPoints(int points, int pixelsPerInch) { return -MulDiv(points, pixelsPerInch, 72); }

SIZE ScaledBitmapSize(UINT width, UINT height, int pixelsPerInchX) {
    SIZE size;
    size.cx = static_cast<LONG>(pixelsPerInchX * static_cast<double>(width) / 96.0);
    size.cy = static_cast<LONG>(pixelsPerInchX * static_cast<double>(height) / 96.0);
    return size;
}

RECT MenuItemCaptionExtent(SIZE text) { return RECT{0, 0, text.cx, text.cy}; }

bool MenuItemHit(const RECT& extent, bool measured, POINT p) {
    return measured && p.x > extent.left && p.x < extent.right && p.y >= extent.top && p.y < extent.bottom;
}

bool CheckboxHit(SIZE extent, bool measured, POINT p) {
    return measured && p.x >= 0 && p.x < extent.cx && p.y >= 0 && p.y < extent.cy;
}

RECT CheckboxBoxRect(const RECT& client) { return RECT{client.left, client.top, client.left + 13, client.bottom}; }

RECT CheckboxTextRect(const RECT& client) { return RECT{client.left + 20, client.top, client.right, client.bottom}; }

UINT CheckboxFrameState(LRESULT checkState) { return DFCS_BUTTONCHECK | (checkState != 0 ? DFCS_CHECKED : 0); }

RECT MenuItemRedrawRect(const RECT& itemInParent) {
    return RECT{itemInParent.left - 5, itemInParent.top, itemInParent.right + 5, itemInParent.bottom};
}

LPARAM DragPressLParam(int x, int y) {
    return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(x & 0xFFFF), static_cast<WORD>(y & 0xFFFF)));
}

RECT FocusCueRect(const RECT& text, const RECT& client) {
    RECT cue{text.left - 2, text.top, text.right + 2, text.bottom + 1};
    if (cue.left < client.left) cue.left = client.left;
    if (cue.top < client.top) cue.top = client.top;
    if (cue.right > client.right) cue.right = client.right;
    if (cue.bottom > client.bottom) cue.bottom = client.bottom;
    return cue;
}

bool FocusCueShown(bool focused, LRESULT uiState) { return focused && (uiState & UISF_HIDEFOCUS) == 0; }

bool MenuItemWantsKey(UINT message, WPARAM key) {
    // VK_RETURN and VK_SPACE are also the characters '\r' and ' '.
    return (message == WM_KEYDOWN || message == WM_CHAR) && (key == VK_RETURN || key == VK_SPACE);
}
