#include "taskbar/app_setting_page.h"
#include "framework/app.h"
#include "taskbar/taskbar_window.h"

CAppSettingProp::CAppSettingProp() noexcept : MessageMapped(kTemplateId) {
    ClearTrackedWindowTable();
    for (int i = 0; i < kTaskButtonCount; ++i) TaskButtons[i].Serial = i;
}

CAppSettingProp::~CAppSettingProp() {
    // A page that goes without its window's destruction leaves no bar behind.
    RemoveAllTaskbarButtons();
    for (int n = 1; n <= kExtraTaskbarNumbers; ++n) RemoveExtraTaskbar(n);
}

std::span<const velk::MessageEntry<CAppSettingProp>> CAppSettingProp::MessageTable() {
    using velk::on;
    static constexpr velk::MessageEntry<CAppSettingProp> table[] = {
        on(WM_DESTROY, &CAppSettingProp::OnDestroy),
        on(WM_TIMER, &CAppSettingProp::OnTimer),
    };
    return table;
}

BOOL CAppSettingProp::OnInitDialog() {
    CDialog::OnInitDialog();
    if (!velk::AfxGetApp()) return FALSE;
    EnumAppMutex.reset(::CreateMutexW(nullptr, FALSE, kWindowTableGuardName));
    RefreshWindowTable();
    return TRUE;
}

LRESULT CAppSettingProp::OnTimer(WPARAM w, LPARAM l) {
    if (w == kTaskbarRefreshTimer) {
        RefreshWindowTable();
        SyncTaskbarButtons();
    }
    return DefaultProc(WM_TIMER, w, l);
}

LRESULT CAppSettingProp::OnDestroy(WPARAM w, LPARAM l) {
    LRESULT result = DefaultProc(WM_DESTROY, w, l);
    DestroyExtraTaskbars();
    EnumAppMutex.reset();
    return result;
}

void CAppSettingProp::ReadAppSettingChecks() {}
void CAppSettingProp::SaveAppSettings() {}
