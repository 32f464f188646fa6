#include "ui/item_theme.h"

#include "framework/handle.h"
#include "ui/skin_rules.h"

namespace {

BOOL SystemHighContrast(HIGHCONTRASTW* setting) {
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof *setting, setting, 0);
}

HighContrastSource g_highContrastSource = &SystemHighContrast;

}  // namespace

void SetHighContrastSource(HighContrastSource source) {
    g_highContrastSource = source ? source : &SystemHighContrast;
}

bool HighContrastActive() {
    HIGHCONTRASTW setting{};
    setting.cbSize = sizeof setting;
    if (!g_highContrastSource(&setting)) return false;
    return HighContrastOn(setting.dwFlags);
}

COLORREF ThemedItemTextColour(COLORREF fixedColour, bool enabled) {
    return ItemTextColour(fixedColour, enabled, HighContrastActive(), GetSysColor(COLOR_WINDOWTEXT),
                          GetSysColor(COLOR_GRAYTEXT));
}

SIZE SystemFocusFrameThickness() {
    // Both values came with Windows XP; earlier systems refuse the request.
    constexpr UINT kGetFocusBorderWidth = 0x200E;
    constexpr UINT kGetFocusBorderHeight = 0x2010;
    UINT width = 0, height = 0;
    const bool gotWidth = SystemParametersInfoW(kGetFocusBorderWidth, 0, &width, 0) != FALSE;
    const bool gotHeight = SystemParametersInfoW(kGetFocusBorderHeight, 0, &height, 0) != FALSE;
    return FocusFrameThickness(gotWidth, width, gotHeight, height);
}

UINT SystemTextScale() {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Accessibility", 0, KEY_QUERY_VALUE, &opened) !=
        ERROR_SUCCESS)
        return EffectiveTextScale(false, 0);
    fw::UniqueRegKey key(opened);
    DWORD value = 0, type = 0, size = sizeof value;
    const bool present = RegQueryValueExW(key.get(), L"TextScaleFactor", nullptr, &type,
                                          reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
                         type == REG_DWORD && size == sizeof value;
    return EffectiveTextScale(present, value);
}

int SystemPixelsPerInch() {
    static const int resolution = [] {
        HDC screen = GetDC(nullptr);
        const int value = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen) ReleaseDC(nullptr, screen);
        return value;
    }();
    return resolution;
}
