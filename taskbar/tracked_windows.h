// The table of top-level windows a user expects on a taskbar: visible,
// titled, not tool windows, not owned (unless they ask for a taskbar button
// with WS_EX_APPWINDOW). Rebuilt from EnumWindows on shell events, on the
// extra taskbar's refresh timer and before windows are gathered. Only the
// user-interface thread touches it.
#pragma once
#include <windows.h>
#include <cstdint>

inline constexpr int kTrackedWindowCount = 256;

struct TrackedWindow {
    HWND Window;             // 0 marks an empty entry
    int32_t DisplayNumber;   // SystemsDispNumber of the display holding the window, 1 to 10
    uint8_t HasButton;       // 1 while the window has a button on an extra taskbar
};

// Occupied entries first, in z-order (top first); the rest all zero.
extern TrackedWindow TrackedWindowTable[kTrackedWindowCount];

// Name of the named mutex that guards the table.
inline constexpr wchar_t kWindowTableGuardName[] = L"AppSettingPropEnumApp";
// Window text of the extra taskbars, which the table never tracks.
inline constexpr wchar_t kExtraTaskbarTitle[] = L"VelkDorvixTaskBar";

// EnumWindows callback: stores a qualifying window in the first free entry;
// always TRUE so that the enumeration runs to its end.
BOOL CALLBACK EnumTrackedWindowProc(HWND window, LPARAM parameter);

// Sets every entry to zero.
void ClearTrackedWindowTable() noexcept;

// The entry that holds the window, or null.
TrackedWindow* FindTrackedWindow(HWND window) noexcept;
