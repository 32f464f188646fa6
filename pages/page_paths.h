#pragma once
// Medium paths the pages look up.
#include <windows.h>

#include <string>

// The language folder's background bitmap (string 151), or the English one when the
// localized file is missing.
std::wstring BackgroundBitmapPath();

// The application icon of the executable (shared, never destroyed).
HICON ApplicationIcon();
