#pragma once
// What the pages take from Windows' visual settings: high contrast, the focus frame's
// thickness, and the text scale factor. Thin wrappers over the system; the rules are in
// skin_rules.
#include <windows.h>

// True while a high-contrast theme is on.
bool HighContrastActive();

// Where the high-contrast setting is read from: SystemParametersInfoW(SPI_GETHIGHCONTRAST)
// unless another source is set (null puts the system back). Wine neither keeps nor reports the
// setting, so the tests there stand in for the system through this.
using HighContrastSource = BOOL (*)(HIGHCONTRASTW* setting);
void SetHighContrastSource(HighContrastSource source);

// The text colour of an item: its fixed colour for the enabled state, or the theme's while high
// contrast is on.
COLORREF ThemedItemTextColour(COLORREF fixedColour, bool enabled);

// The focus frame's thickness as the system sets it.
SIZE SystemFocusFrameThickness();

// The text scale factor in percent (100 when the system has none).
UINT SystemTextScale();

// The screen's pixels per inch. It stays as it is for the life of a process that is not aware
// of each monitor's own, so it is asked of the system once.
int SystemPixelsPerInch();
