#pragma once
// Test helpers for real windows under Xvfb: the message loop, pixels, bitmaps, and mouse and
// keyboard input through SendInput.
#include <windows.h>

#include <functional>
#include <string>

namespace kit {

// Runs the application's message handling (dialog navigation included) for a while, or until
// the condition holds. Gives the condition's last answer.
void Pump(DWORD ms);
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000);

// Visible, with nothing of the window or its children left to paint; for another process's
// window too.
bool Painted(HWND window);

// A pixel of the window's client area as it is on the screen.
COLORREF ClientPixel(HWND window, int x, int y);
// Counts the pixels of a client rectangle for which the test holds.
int CountPixels(HWND window, const RECT& area, const std::function<bool(COLORREF)>& test);

// A bitmap of the size whose pixels come from the function (x from the left, y from the top).
HBITMAP MakeBitmap(int width, int height, const std::function<COLORREF(int, int)>& colour);
// The bytes of a 24-bit .bmp file of the same kind.
std::string BmpFile(int width, int height, const std::function<COLORREF(int, int)>& colour);

// Real input. Positions are in screen coordinates.
void MouseMoveTo(POINT screen);
void MouseMoveToClient(HWND window, POINT client);
void MouseButton(bool down);
void KeyPress(WORD virtualKey);
POINT ClientToScreenPoint(HWND window, POINT client);

// Brings the window to the front and gives it the keyboard focus.
void Activate(HWND window);

RECT WindowRect(HWND window);
RECT ClientRectOf(HWND window);
// The child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child);

}  // namespace kit
