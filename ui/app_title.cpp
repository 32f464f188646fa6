#include "ui/app_title.h"

namespace {
std::wstring& Title() {
    static std::wstring title;
    return title;
}
}  // namespace

void SetApplicationTitle(const std::wstring& title) { Title() = title; }

const std::wstring& ApplicationTitle() { return Title(); }
