#pragma once
// Drives setup.exe's pages from another process as a user would: finds the pages, moves the
// real mouse, clicks items and checkboxes, answers message boxes, takes screenshots.
#include <windows.h>

#include <string>

namespace kit {

// Control ids of the page templates.
constexpr int kExitItem = 1000;
constexpr int kNextItem = 1001;
constexpr int kTextItem = 1002;
constexpr int kLicenseNextItem = 1003;
constexpr int kLicenseText = 1004;
constexpr int kSoftwareLicenseCheck = 1008;
constexpr int kDataLicenseCheck = 1009;
constexpr int kProgressStep = 1011;
constexpr int kProgressBar = 1012;
constexpr int kProgressAction = 1013;
constexpr int kProgressCancel = 1014;
constexpr int kProgressRestart = 1015;
constexpr int kProgressFinish = 1016;

// Page 1 holds item 1002, page 2 the license text box 1004. Null when the process has none.
HWND FindMainPage(DWORD processId);
HWND FindLicensePage(DWORD processId);
// Page 3, the installation's, holds the progress bar 1012.
HWND FindProgressPage(DWORD processId);
// The installation's page shows its outcome: "Finish" (or "Later") is visible.
bool OutcomeShown(HWND progressPage);
HWND WaitForMainPage(DWORD processId, DWORD timeoutMs = 60000);
// The license page is made when the main page's "Next" is first used: null until it shows.
HWND WaitForLicensePage(DWORD processId, DWORD timeoutMs = 60000);
// Waits until the page is visible (and, for the main page, "Next" is enabled when asked).
bool WaitVisible(HWND page, DWORD timeoutMs = 60000);

// Screen rectangle of an item of a page.
RECT ItemRect(HWND page, int itemId);
bool ItemEnabled(HWND page, int itemId);
std::wstring ItemText(HWND page, int itemId);
int CheckState(HWND page, int itemId);
// The window that has the keyboard focus in the page's thread.
HWND FocusOf(HWND page);

// Real input: the cursor moves and buttons go down and up through the system's input queue.
void MoveMouse(int x, int y);
void ClickAt(int x, int y);
// Clicks a text item a few pixels into its caption, or a checkbox on its box.
void ClickItem(HWND page, int itemId);
void HoverItem(HWND page, int itemId);
void PressKey(WORD virtualKey);

// A PNG of the window as it shows on the screen.
bool SaveWindowPng(HWND window, const std::wstring& path);

}  // namespace kit
