#include "ui/app_title.h"

namespace {
std::wstring g_title;  // set once at start-up, read by every skinned dialog
}  // namespace

void SetApplicationTitle(const std::wstring& title) { g_title = title; }

const std::wstring& ApplicationTitle() { return g_title; }
