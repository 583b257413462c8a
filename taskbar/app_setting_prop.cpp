// The Extra desktop page itself: its controls and texts, its profile section
// "AppSetting", its timers and the page-changed notification.
#include "taskbar/app_setting_page.h"

#include "display/program_messages.h"
#include "display/shared_functions.h"
#include "framework/app.h"
#include "resources/resource.h"
#include "taskbar/desktop_icon_sets.h"
#include <utility>

namespace {

constexpr wchar_t kSection[] = L"AppSetting";
constexpr UINT kRestoreIconsDelayMs = 15000;

// The page's captions, in the order they are set, with their strings.
constexpr DialogCaption kCaptions[] = {
    {IDC_APP_TASKBAR_GROUP, IDS_TASKBAR_GROUP},
    {IDC_APP_USE_TASKBAR, IDS_USE_EXTRA_TASKBAR},
    {IDC_APP_AUTO_HIDE, IDS_TASKBAR_AUTO_HIDE},
    {IDC_APP_ON_TOP, IDS_TASKBAR_ON_TOP},
    {IDC_APP_SEPARATE_BUTTONS, IDS_TASKBAR_SEPARATE_BUTTONS},
    {IDC_APP_ICON_GROUP, IDS_ICON_POSITION_GROUP},
    {IDC_APP_SAVE_ICONS_DESC, IDS_ICON_SAVE_DESC},
    {IDC_APP_RESTORE_ICONS_DESC, IDS_ICON_RESTORE_DESC},
    {IDC_APP_RESTORE_AT_START, IDS_ICON_RESTORE_AT_START},
    {IDC_APP_SAVE_ICONS, IDS_ICON_SAVE},
    {IDC_APP_RESTORE_ICONS, IDS_ICON_RESTORE},
    {IDC_APP_WINDOW_GROUP, IDS_WINDOW_POSITION_GROUP},
    {IDC_APP_GATHER_DESC, IDS_GATHER_DESC},
    {IDC_APP_RESTORE_WINDOWS_DESC, IDS_RESTORE_WINDOWS_DESC},
    {IDC_APP_GATHER, IDS_GATHER},
    {IDC_APP_RESTORE_WINDOWS, IDS_RESTORE_WINDOWS},
};

}  // namespace

std::span<const velk::MessageEntry<CAppSettingProp>> CAppSettingProp::MessageTable() {
    using T = CAppSettingProp;
    static constexpr velk::MessageEntry<T> table[] = {
        velk::command<T>(IDC_APP_USE_TASKBAR, &T::OnBnClickedUseTaskbar),
        velk::command<T>(IDC_APP_SAVE_ICONS, &T::OnBnClickedSaveIcons),
        velk::command<T>(IDC_APP_RESTORE_ICONS, &T::OnBnClickedRestoreIcons),
        velk::command<T>(IDC_APP_FLUSH, &T::OnBnClickedFlush),
        velk::command<T>(IDC_APP_GATHER, &T::OnBnClickedGather),
        velk::command<T>(IDC_APP_RESTORE_WINDOWS, &T::OnBnClickedRestoreWindows),
        velk::command<T>(IDC_APP_ON_TOP, &T::NotifyPageChanged),
        velk::command<T>(IDC_APP_RESTORE_AT_START, &T::NotifyPageChanged),
        velk::command<T>(IDC_APP_SEPARATE_BUTTONS, &T::NotifyPageChanged),
        velk::on<T>(WM_DESTROY, &T::OnDestroy),
        velk::on<T>(WM_TIMER, &T::OnTimer),
        velk::on<T>(UM_ICONJOBRUNNING, &T::OnIconJobQuery),
    };
    return table;
}

void CAppSettingProp::DoDataExchange(velk::DataExchange& dx) {
    dx.Control(IDC_APP_USE_TASKBAR, UseTaskbarCheck);
    dx.Control(IDC_APP_ON_TOP, OnTopCheck);
    dx.Control(IDC_APP_SEPARATE_BUTTONS, SeparateCheck);
    dx.Control(IDC_APP_RESTORE_AT_START, RestoreAtStartCheck);
    dx.Control(IDC_APP_AUTO_HIDE, AutoHideCheck);
}

BOOL CAppSettingProp::OnInitDialog() {
    UpdateData(false);
    const velk::CWinApp* app = velk::AfxGetApp();
    if (!app) return FALSE;
    EnumAppMutex.reset(::CreateMutexW(nullptr, FALSE, kWindowTableGuardName));

    if (app->GetProfileInt(kSection, L"UseTaskbar", 0) == 1) {
        UseTaskbar = 1;
        EnableItem(IDC_APP_ON_TOP, true);
        TaskbarOnTop = app->GetProfileInt(kSection, L"TaskbarOnTop", 0) == 1;
        EnableItem(IDC_APP_SEPARATE_BUTTONS, true);
        SeparateButtons = app->GetProfileInt(kSection, L"TaskbarShowAllBtn", 0) == 1;
        SeparateCheck.SetCheck(SeparateButtons ? BST_CHECKED : BST_UNCHECKED);
    } else {
        UseTaskbar = 0;
        EnableItem(IDC_APP_ON_TOP, false);
        EnableItem(IDC_APP_SEPARATE_BUTTONS, false);
    }
    RefreshWindowTable();

    RestoreAtStart = app->GetProfileInt(kSection, L"RestoreIcon", 0) == 1;
    if (RestoreAtStart) SetTimer(kTimerRestoreIcons, kRestoreIconsDelayMs);
    // The boxes show the loaded settings.
    ShowApplied();

    SetCaptionsFromStrings(hwnd_, kCaptions);

    EnableItem(IDC_APP_RESTORE_WINDOWS, false);
    // An icon set left aside by an ended save is swapped in or dropped first.
    RecoverIconSets();
    if (app->GetProfileInt(L"IconPosition", L"IconSaveFlag", 0) == 0) {
        EnableItem(IDC_APP_RESTORE_ICONS, false);
        EnableItem(IDC_APP_RESTORE_AT_START, false);
    }
    return TRUE;
}

void CAppSettingProp::OnBnClickedUseTaskbar() {
    // The flag changes only when the box is applied.
    EnableTaskbarOptions();
    // Posted: the bars follow only at the next Apply.
    if (HWND parent = ::GetParent(hwnd_)) ::PostMessageW(parent, UM_PAGECHANGED, 0, 1);
}

void CAppSettingProp::NotifyPageChanged() { SendPageChanged(hwnd_); }

void CAppSettingProp::ShowApplied() {
    if (!hwnd_) return;
    UseTaskbarCheck.SetCheck(UseTaskbar == 1 ? BST_CHECKED : BST_UNCHECKED);
    OnTopCheck.SetCheck(TaskbarOnTop == 1 ? BST_CHECKED : BST_UNCHECKED);
    SeparateCheck.SetCheck(SeparateButtons == 1 ? BST_CHECKED : BST_UNCHECKED);
    RestoreAtStartCheck.SetCheck(RestoreAtStart == 1 ? BST_CHECKED : BST_UNCHECKED);
    EnableTaskbarOptions();
}

void CAppSettingProp::CommitShown() {
    if (!hwnd_) return;
    ReadAppSettingChecks();
    RestoreAtStart = RestoreAtStartCheck.IsChecked();
}

void CAppSettingProp::ReadAppSettingChecks() {
    UseTaskbar = UseTaskbarCheck.IsChecked();
    TaskbarOnTop = OnTopCheck.IsChecked();
    SeparateButtons = SeparateCheck.IsChecked();
    OnTopCheck.SetCheck(TaskbarOnTop == 1 ? BST_CHECKED : BST_UNCHECKED);
}

void CAppSettingProp::EnableTaskbarOptions() const noexcept {
    const bool enable = UseTaskbarCheck.IsChecked() && !IsWindowsAtLeast(6, 2);
    EnableItem(IDC_APP_ON_TOP, enable);
    EnableItem(IDC_APP_SEPARATE_BUTTONS, enable);
}

void CAppSettingProp::SaveAppSettings() {
    const velk::CWinApp* app = velk::AfxGetApp();
    if (!app) return;
    if (UseTaskbar == 1) {
        app->WriteProfileInt(kSection, L"UseTaskbar", 1);
        app->WriteProfileInt(kSection, L"TaskbarOnTop", TaskbarOnTop == 1 ? 1 : 0);
        app->WriteProfileInt(kSection, L"TaskbarShowAllBtn", SeparateButtons == 1 ? 1 : 0);
    } else {
        // The other two keep their stored values.
        app->WriteProfileInt(kSection, L"UseTaskbar", 0);
    }
    app->WriteProfileInt(kSection, L"RestoreIcon", RestoreAtStart == 1 ? 1 : 0);
}

void CAppSettingProp::OnBnClickedFlush() {
    RefreshWindowTable();
    SyncTaskbarButtons();
}

LRESULT CAppSettingProp::OnTimer(WPARAM w, LPARAM l) {
    if (w == kTaskbarRefreshTimer) {
        RefreshWindowTable();
        SyncTaskbarButtons();
    } else if (w == kTimerRestoreIcons) {
        // Once only, 15 seconds after the page was initialised.
        KillTimer(kTimerRestoreIcons);
        OnBnClickedRestoreIcons();
    } else if (w == kTimerIconSteps) {
        // One step of the running icon task; none while a step runs (its
        // message box lets timers through).
        KillTimer(kTimerIconSteps);
        if (!IconStepping && IconResume) ResumeIconJob(std::exchange(IconResume, {}));
        return 0;
    }
    return DefaultProc(WM_TIMER, w, l);
}

LRESULT CAppSettingProp::OnDestroy(WPARAM w, LPARAM l) {
    const LRESULT result = DefaultProc(WM_DESTROY, w, l);
    DestroyExtraTaskbars();
    // A running icon task ends here: its remote blocks and the shell's
    // process handle go with its access.
    CancelIconJob();
    EnumAppMutex.reset();
    return result;
}

void CAppSettingProp::EnableItem(int id, bool enable) const noexcept {
    ::EnableWindow(::GetDlgItem(hwnd_, id), enable ? TRUE : FALSE);
}
