#include "pages/page_paths.h"


#include "env/system_checks.h"
#include "framework/strings.h"
#include "resources/resource.h"
#include "framework/file.h"

std::wstring BackgroundBitmapPath() {
    const std::wstring folder = GetSetupFolder();
    std::wstring path = folder + fw::LoadResString(IDS_BACKGROUND_BITMAP);
    if (!fw::FileExists(path)) path = folder + L"ENU\\Bkgnd.bmp";
    return path;
}

HICON ApplicationIcon() {
    // A satellite library may carry its own icon; most carry only texts.
    HICON icon = LoadIconW(fw::ResourceModule(), MAKEINTRESOURCEW(IDI_APPLICATION_ICON));
    if (!icon) icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APPLICATION_ICON));
    return icon;
}
