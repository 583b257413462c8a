// Gathering every window onto display 1 and putting it back: each gathered
// window's placement is kept under "AppPosition\<handle>" until the restore.
#include "taskbar/app_setting_page.h"

#include "display/window_movement.h"
#include "display/shared_functions.h"
#include "framework/app.h"
#include "framework/platform.h"
#include "framework/strings.h"
#include "resources/resource.h"
#include "display/foreign_window.h"
#include "taskbar/taskbar_window.h"
#include <cstdint>

namespace {

constexpr wchar_t kSection[] = L"AppPosition";

// The subkey of a window: its handle as a signed decimal number (window
// handles carry 32 significant bits on every Windows).
std::wstring WindowKey(HWND window) {
    return velk::FormatText(L"%s\\%d", kSection, static_cast<int>(reinterpret_cast<intptr_t>(window)));
}

}  // namespace

bool CAppSettingProp::IsExtraTaskbarWindow(HWND window) const noexcept {
    for (int n = 1; n <= kExtraTaskbarNumbers; ++n) {
        const CTaskbarEx* bar = ExtraTaskbarOf(n);
        if (bar && bar->GetSafeHwnd() == window) return true;
    }
    return false;
}

void CAppSettingProp::OnBnClickedGather() {
    const velk::CWinApp* app = velk::AfxGetApp();
    if (!Host || !app) return;
    MoveGate& gate = Host->WindowMoveGate();
    RefreshWindowTable();
    const int moveAllowed = gate.MoveAllowed;
    for (const TrackedWindow& entry : TrackedWindowTable) {
        if (!entry.Window || entry.DisplayNumber == 1 || IsExtraTaskbarWindow(entry.Window)) continue;
        WINDOWPLACEMENT placement{};
        placement.length = sizeof(placement);  // 44 on every build
        velk::Platform().GetWindowPlacement(entry.Window, &placement);
        const std::wstring key = WindowKey(entry.Window);
        const wchar_t* k = key.c_str();
        app->WriteProfileInt(k, L"Handle", static_cast<int>(reinterpret_cast<intptr_t>(entry.Window)));
        app->WriteProfileInt(k, L"ShowCmd", static_cast<int>(placement.showCmd));
        app->WriteProfileInt(k, L"top", placement.rcNormalPosition.top);
        app->WriteProfileInt(k, L"bottom", placement.rcNormalPosition.bottom);
        app->WriteProfileInt(k, L"left", placement.rcNormalPosition.left);
        app->WriteProfileInt(k, L"right", placement.rcNormalPosition.right);
        app->WriteProfileInt(k, L"flags", static_cast<int>(placement.flags));
        app->WriteProfileInt(k, L"ptMaxPositionx", placement.ptMaxPosition.x);
        app->WriteProfileInt(k, L"ptMaxPositiony", placement.ptMaxPosition.y);
        app->WriteProfileInt(k, L"ptMinPositionx", placement.ptMinPosition.x);
        app->WriteProfileInt(k, L"ptMinPositiony", placement.ptMinPosition.y);
        gate.OpenMoveGate();
        MoveWindowToDisplay(gate, entry.Window, 0, static_cast<uint32_t>(entry.DisplayNumber), 1);
    }
    gate.MoveAllowed = moveAllowed;
    EnableItem(IDC_APP_RESTORE_WINDOWS, true);
    EnableItem(IDC_APP_GATHER, false);
}

void CAppSettingProp::OnBnClickedRestoreWindows() {
    const velk::CWinApp* app = velk::AfxGetApp();
    if (!app) return;
    // Built afresh: a display change since the gather cleared the table, and
    // with the extra taskbar off nothing else refills it.
    RefreshWindowTable();
    for (const TrackedWindow& entry : TrackedWindowTable) {
        // A window that has ended since the gather is skipped; its subkey
        // goes with the section.
        if (!entry.Window || !::IsWindow(entry.Window)) continue;
        const std::wstring key = WindowKey(entry.Window);
        const wchar_t* k = key.c_str();
        if (app->GetProfileInt(k, L"Handle", 0) == 0) continue;
        auto read = [&](const wchar_t* name, int fallback) { return static_cast<LONG>(app->GetProfileInt(k, name, fallback)); };
        WINDOWPLACEMENT placement{};
        placement.length = sizeof(placement);
        placement.showCmd = static_cast<UINT>(read(L"ShowCmd", SW_SHOWNORMAL));
        placement.rcNormalPosition = RECT{read(L"left", 0), read(L"top", 0), read(L"right", 480), read(L"bottom", 240)};
        placement.flags = static_cast<UINT>(read(L"flags", 1));
        placement.ptMaxPosition = POINT{read(L"ptMaxPositionx", -1), read(L"ptMaxPositiony", -1)};
        placement.ptMinPosition = POINT{read(L"ptMinPositionx", -1), read(L"ptMinPositiony", -1)};
        // Minimised first when maximised, so that Windows maximises it again
        // on the display that holds its normal rectangle. A window that does
        // not answer is put back once it answers again.
        WINDOWPLACEMENT steps[2] = {placement, placement};
        steps[0].showCmd = SW_SHOWMINIMIZED;
        const bool maximised = placement.showCmd == SW_SHOWMAXIMIZED;
        SetWindowPlacementsWithoutWaiting(entry.Window, std::span(steps).subspan(maximised ? 0 : 1));
    }
    EnableItem(IDC_APP_RESTORE_WINDOWS, false);
    EnableItem(IDC_APP_GATHER, true);
    DeleteProfileSection(kSection);
}
