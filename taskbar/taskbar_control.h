// The extra-taskbar controller's arithmetic: where a task button goes on its bar.
#pragma once
#include <windows.h>

// The rectangle, in the bar's client coordinates, of the button that comes
// after k buttons on the bar of a display `displayWidth` pixels wide, for
// buttons `buttonHeight` pixels tall. Buttons are 160 pixels wide (narrower
// on a display narrower than that) and fill a row 5 pixels in from the left
// as far as they fit within the display, then continue in further rows.
RECT TaskButtonRect(int k, int displayWidth, int buttonHeight) noexcept;

// Adds the window to, or removes it from, the Windows taskbar (ITaskbarList).
void SetWindowsTaskbarTab(HWND window, bool add) noexcept;
