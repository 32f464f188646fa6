#pragma once
// Medium paths the pages look up, and what their items share.
#include <windows.h>

#include <string>

// The language folder's background bitmap (string 151), or the English one when the
// localized file is missing.
std::wstring BackgroundBitmapPath();

// The application icon of the executable (shared, never destroyed).
HICON ApplicationIcon();

// An item the user reads but does not use: its font size and, where it has a fixed one, its
// caption from the string table.
template <typename Item>
__attribute__((noinline)) void SetPassiveText(Item& item, int points, UINT caption = 0) {
    item.SetFontSize(points);
    if (caption) item.SetCaption(caption);
    item.SetPassive(true);
}
