// The visual-styles functions, reached at run time: each call loads
// "UxTheme.dll", looks the function up and frees the library again, so the
// program runs on where visual styles are missing.
#pragma once
#include <windows.h>

using ThemeHandle = HANDLE;

// A theme of the window for the class list, or null.
ThemeHandle OpenThemeDataDynamic(HWND window, const wchar_t* classList) noexcept;
// True when the part was drawn.
bool DrawThemeBackgroundCall(ThemeHandle theme, HDC dc, int part, int state, const RECT& rect) noexcept;
void CloseThemeDataDynamic(ThemeHandle theme) noexcept;
