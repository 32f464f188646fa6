#pragma once
// The arithmetic of the skinned pages and their items: sizes, colours, hit tests. No system
// calls, so every rule is checked with tables.
#include <windows.h>

// Text colours of the items.
constexpr COLORREF kMenuItemTextColour = RGB(0x00, 0x00, 0x00);
constexpr COLORREF kCheckboxTextColour = RGB(0x2A, 0x3F, 0x55);
constexpr COLORREF kDisabledTextColour = RGB(0xAD, 0xC1, 0xD6);

COLORREF MenuItemTextColour(bool enabled);
COLORREF CheckboxTextColour(bool enabled);

// High contrast on (the HIGHCONTRAST flags of SPI_GETHIGHCONTRAST): the page is drawn in the
// system's colours instead of its bitmap and fixed colours.
bool HighContrastOn(DWORD highContrastFlags);
// The text colour of an item: its fixed colour (already chosen for the enabled state), or in
// high contrast the window text colour, grey text for a disabled item.
COLORREF ItemTextColour(COLORREF fixedColour, bool enabled, bool highContrast, COLORREF windowText, COLORREF grayText);

// The focus frame's thickness from SPI_GETFOCUSBORDERWIDTH and SPI_GETFOCUSBORDERHEIGHT: 1
// where a value is missing (before Windows XP) or 0.
SIZE FocusFrameThickness(bool gotWidth, UINT width, bool gotHeight, UINT height);

// The text scale factor in percent (Windows 10's "Make text bigger"): 100 to 225, 100 when the
// value is missing or outside that range.
UINT EffectiveTextScale(bool present, DWORD value);
// The logical height of a font of the size in points, enlarged by the text scale.
LONG ScaledFontHeight(int points, int pixelsPerInch, UINT textScalePercent);

// An item acts on a click or a screen reader's default action only while it and its page take
// input: a message box disables the page, and a hidden page is not there for the user.
bool ItemActionAllowed(bool itemEnabled, bool pageEnabled, bool pageVisible);

// Logical font height for a size in points at a vertical resolution: negative, so the size
// is of the characters, not of the cell.
LONG FontHeightForPoints(int points, int pixelsPerInch);

// A bitmap's size scaled from 96 pixels per inch to the display's horizontal resolution,
// truncated toward zero; the horizontal resolution serves both directions.
SIZE ScaledBitmapSize(UINT width, UINT height, int pixelsPerInchX);

// Where the menu item's caption lies after measuring: from the left edge, cx wide, cy high.
RECT MenuItemCaptionExtent(SIZE text);
// The caption hit tests; nothing is hit before the caption is measured. The menu item's left
// edge itself is never over the caption.
bool MenuItemHit(const RECT& extent, bool measured, POINT p);
bool CheckboxHit(SIZE extent, bool measured, POINT p);

// The checkbox layout in its client rectangle: a 13-pixel box at the left, text from 20 on.
RECT CheckboxBoxRect(const RECT& client);
RECT CheckboxTextRect(const RECT& client);
// The frame-control state of the box for a BM_GETCHECK value: checked for any non-zero value.
UINT CheckboxFrameState(LRESULT checkState);

// The parent's area to repaint for a menu item: its rectangle in the parent, 5 pixels wider
// on each side.
RECT MenuItemRedrawRect(const RECT& itemInParent);

// The lParam of the caption press that starts dragging: the client point as received.
LPARAM DragPressLParam(int x, int y);

// The dotted focus rectangle around a caption drawn at text: 2 pixels wider on each side and
// 1 pixel lower, kept inside the client area, where the item can draw.
RECT FocusCueRect(const RECT& text, const RECT& client);
// A focused item shows its cue unless the window's keyboard-cue state (WM_QUERYUISTATE) hides it.
bool FocusCueShown(bool focused, LRESULT uiState);
// Enter and Space go to a focused menu item (WM_GETDLGCODE), not to the dialog manager.
bool MenuItemWantsKey(UINT message, WPARAM key);
