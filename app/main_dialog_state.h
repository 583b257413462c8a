// The main dialog's members that other parts of the program read or set:
// window movement, hotkeys, the pages and the event handlers. Every field is
// read by name; the setters say who changes what.
#pragma once
#include "display/window_movement.h"
#include <windows.h>

inline constexpr int kSystemMenuCommandCount = 13;

struct MainDialogState : MoveGate {
    // 1 while the settings window is open.
    bool SettingsShown = false;
    // Count of the last display table build; also the seconds of the re-apply delays.
    int DisplayCount = 0;
    // Highest display number of the last build.
    int HighestNumber = 0;
    // The hook library's system-menu command ids: 0 next display, 1 previous,
    // 2..11 display slots 0..9, 12 span over all displays. Filled by the main
    // dialog's HookInstall call.
    UINT CommandIds[kSystemMenuCommandCount] = {};
    // Index of the tab last chosen.
    int CurrentTab = 0;
    // 1: a window with a sizing border is scaled to the target display; 0: it keeps its size.
    int ResizeMode = 1;

protected:
    // Everything else belongs to the main dialog, which alone changes it.
    void SetSettingsShown(bool shown) noexcept { SettingsShown = shown; }
    void SetDisplayCounts(int highest, int count) noexcept {
        HighestNumber = highest;
        DisplayCount = count;
    }
    void SetCurrentTab(int tab) noexcept { CurrentTab = tab; }
    void SetResizeMode(int mode) noexcept { ResizeMode = mode; }
};
