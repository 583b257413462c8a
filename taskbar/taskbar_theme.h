// The skin of the extra taskbar's buttons: which bitmaps, text colours and
// font size imitate the Windows taskbar of the user's visual style.
#pragma once
#include <windows.h>
#include <cstdint>

struct TaskbarSkin {
    // Bitmap resource ids of the faces; NormalBitmap 0 means "no skin".
    uint32_t NormalBitmap = 0;
    uint32_t HotBitmap = 0;
    uint32_t ActiveBitmap = 0;
    uint32_t ActiveHotBitmap = 0;
    COLORREF InactiveTextColour = 0;
    COLORREF ActiveTextColour = 0;
    int32_t FontSize = 9;  // points
};

// The shell's record of the visual style, under HKEY_CURRENT_USER.
inline constexpr wchar_t kThemeManagerKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
