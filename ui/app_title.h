#pragma once
// The process-wide application title: loaded once at start-up, shown as the window text of
// every skinned dialog.
#include <string>

void SetApplicationTitle(const std::wstring& title);
const std::wstring& ApplicationTitle();
