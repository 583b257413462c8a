// The Windows wallpaper as the shell's Active Desktop object sees it, with
// the plain system parameter as the fall-back where that object is missing
// or does not answer (some Windows editions; Wine implements none of its
// methods).
#pragma once
#include "display/active_desktop.h"
#include <windows.h>
#include <cstdint>

// The current Windows wallpaper (MAX_PATH units) and its style in the shell's
// WPSTYLE numbering: from the Active Desktop object, else from
// SPI_GETDESKWALLPAPER and HKCU "Control Panel\Desktop". Outputs stay as
// they were when neither answers.
void ReadWindowsWallpaper(wchar_t* path, int32_t* style);

// Makes path the Windows wallpaper with a WPSTYLE style: through the Active
// Desktop object (SetWallpaper, SetWallpaperOptions, ApplyChanges), else
// through SPI_SETDESKWALLPAPER with "TileWallpaper" and "WallpaperStyle".
// False when neither took it.
bool ApplyWindowsWallpaper(const wchar_t* path, int32_t style);

// The registry's "TileWallpaper"/"WallpaperStyle" pair for a WPSTYLE style,
// and back.
struct DesktopStyleValues {
    const wchar_t* tile;
    const wchar_t* style;
};
DesktopStyleValues DesktopStyleValuesOf(int32_t wpStyle) noexcept;
int32_t WpStyleOf(long tileWallpaper, long wallpaperStyle) noexcept;

// HKCU "Control Panel\Colors" "Background": "R G B" in decimal, each cut to
// 8 bits. Empty, or without both separating spaces: 0 (black).
COLORREF ParseBackgroundColor(const wchar_t* text) noexcept;

// A decimal number from its leading digits after optional blanks and sign;
// 0 when there are none.
long LeadingNumber(const wchar_t* text) noexcept;
