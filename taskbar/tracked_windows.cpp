#include "taskbar/tracked_windows.h"
#include "display/display_lookup.h"
#include "framework/app.h"
#include "taskbar/app_setting_page.h"

TrackedWindow TrackedWindowTable[kTrackedWindowCount] = {};

namespace {
constexpr int kTitleUnits = 128;
}

BOOL CALLBACK EnumTrackedWindowProc(HWND window, LPARAM) {
    wchar_t title[kTitleUnits] = {};
    // The window's own copy of its text: never a message, so a window whose
    // thread does not answer cannot hold the enumeration up.
    ::InternalGetWindowText(window, title, kTitleUnits);
    if (title[0] == L'\0' || ::lstrcmpiW(title, L"Program Manager") == 0 || ::lstrcmpiW(title, kExtraTaskbarTitle) == 0)
        return TRUE;
    const LONG exStyle = ::GetWindowLongW(window, GWL_EXSTYLE);
    if (exStyle & WS_EX_TOOLWINDOW) return TRUE;
    if (!(exStyle & WS_EX_APPWINDOW) && ::GetWindow(window, GW_OWNER)) return TRUE;
    if (!::IsWindowVisible(window)) return TRUE;
    for (TrackedWindow& entry : TrackedWindowTable) {
        if (!entry.Window) {
            entry.Window = window;
            break;
        }
    }
    // With all entries taken the window is left out.
    return TRUE;
}

void ClearTrackedWindowTable() noexcept {
    for (TrackedWindow& entry : TrackedWindowTable) entry = TrackedWindow{};
}

TrackedWindow* FindTrackedWindow(HWND window) noexcept {
    if (!window) return nullptr;
    for (TrackedWindow& entry : TrackedWindowTable)
        if (entry.Window == window) return &entry;
    return nullptr;
}

void CAppSettingProp::RefreshWindowTable() {
    // The table's guard: its users all run on the user-interface thread,
    // which owns it recursively, so this wait never blocks.
    velk::MutexLock lock(EnumAppMutex.get());
    ClearTrackedWindowTable();
    ::EnumWindows(EnumTrackedWindowProc, 0);
    for (TrackedWindow& entry : TrackedWindowTable) {
        if (!entry.Window) continue;
        entry.DisplayNumber = static_cast<int32_t>(GetSystemNumberFromWindow(entry.Window));
    }
}
