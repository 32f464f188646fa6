#include "pages/page_paths.h"


#include "env/system_checks.h"
#include "framework/strings.h"
#include "resources/resource.h"
#include "framework/file.h"

std::wstring BackgroundBitmapPath() {
    const std::wstring folder = GetSetupFolder();
    // A name that leaves the medium's folder is never read (the medium check refuses it).
    std::wstring path = fw::JoinBelow(folder, fw::LoadResString(IDS_BACKGROUND_BITMAP));
    if (path.empty() || !fw::FileExists(path)) path = folder + L"ENU\\Bkgnd.bmp";
    return path;
}

HICON ApplicationIcon() {
    // The executable's: a satellite's resources are bytes in memory, and carry no icon.
    return LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APPLICATION_ICON));
}
