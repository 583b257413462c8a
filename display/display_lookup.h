// Lookups in the current display table: which display holds a point or a
// window, and the rectangle of a display number. A point or window on no
// display counts as lying on the primary display; a miss answers display 1.
#pragma once
#include <windows.h>
#include <cstdint>

// The rectangle of the first slot (0 to 9) whose SystemsDispNumber is
// `number`. False, with `rect` untouched, for a number outside 1 to 10 or one
// that no slot carries.
bool GetDisplayRect(uint32_t number, RECT& rect);

// The SystemsDispNumber of the display holding a point in screen coordinates
// (the highest slot with its monitor wins), or 1 when no slot has it.
uint32_t GetSystemNumberFromPoint(POINT point);

// The same for a point relative to the top-left corner of the virtual screen.
uint32_t GetSystemNumberFromDesktopPoint(POINT point);

// The SystemsDispNumber of the display holding a window; 1 for a null window,
// a slot numbered 0, or when no slot has its monitor.
uint32_t GetSystemNumberFromWindow(HWND window);
