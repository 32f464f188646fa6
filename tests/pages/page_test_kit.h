#pragma once
// setup.exe runs for the page tests: media made by make_media.sh under C:\media.
#include <windows.h>

#include <string>

#include "tests/kit/kit.h"
#include "tests/kit/setup_driver.h"

namespace pages {

std::wstring Medium(const std::wstring& name);  // "C:\media\<name>\"

// setup.exe of a medium, started as a user starts it (its folder as the current folder).
kit::Process StartSetup(const std::wstring& medium, HANDLE token = nullptr);

// The main page once visible with "Next" enabled (the checks passed); null otherwise.
HWND WaitForReadyMainPage(const kit::Process& setup, DWORD timeoutMs = 60000);

// From the ready main page to the license page with a click on "Next"; null when it fails.
HWND OpenLicensePage(const kit::Process& setup);
// Checks both license boxes with clicks; true once "Next" is enabled.
bool AcceptBothLicenses(HWND license);
// From start-up to a click on the license page's "Next" with both licenses accepted.
void AcceptAndInstall(const kit::Process& setup);

// The installation's page once it shows the outcome ("Finish" or "Later" visible); null when
// the setup ends or the time runs out first.
HWND WaitForOutcome(const kit::Process& setup, DWORD timeoutMs = 240000);
// Waits for the outcome, keeps its headline, clicks "Finish" (or "Later") and gives the setup's
// exit code (STILL_ACTIVE when no outcome came).
DWORD FinishInstallation(const kit::Process& setup, std::wstring* headline = nullptr);

// Where screenshots of the run are kept (the build folder).
std::wstring ScreenshotPath(const std::wstring& name);

// Answers Yes or No to the exit confirmation of a page, as a user clicks it.
void ConfirmExitFrom(HWND page, const kit::Process& setup, int answer);

// "Exit", then Yes: the setup ends with exit code 0.
void ExitWithYes(HWND page, const kit::Process& setup);

constexpr wchar_t kConfirmExitText[] =
    L"If you exit now the installation will not be complete.  Are you sure you want to exit?";

}  // namespace pages
