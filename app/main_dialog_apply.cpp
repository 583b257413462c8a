// The main dialog's Apply paths: OK, Cancel and the close box, the user's
// Apply and the automatic ones (the delayed re-apply, a setting change, the
// refresh after a display change, resume and the add-on poll). The user's
// Apply and OK first make what every page shows its applied values; every
// automatic step applies and saves the applied values only, and leaves an
// edit on screen that is not applied where it is.
#include "app/main_dialog.h"
#include "app/display_snapshot.h"
#include "app/velkmira_app.h"
#include "display/active_desktop.h"
#include "display/addon_access.h"
#include "display/display_list.h"
#include "display/shared_functions.h"
#include "framework/message_box.h"
#include "framework/platform.h"
#include "resources/resource.h"
#include <string>

namespace {

// The Other settings page's audio refresh after an Apply.
constexpr UINT kAudioRefreshMs = 10000;

}  // namespace

void CVELKMIRADlg::CommitShownPages() {
    SettingPage.CommitShown();
    WallpaperPage.CommitWallpaperEdits();
    HotkeyPage.CommitShown();
    AppSettingPage.CommitShown();
    OtherSettingPage.CommitShown();
}

void CVELKMIRADlg::ShowAppliedPages() {
    SettingPage.ShowApplied();
    WallpaperPage.ShowAppliedWallpaperSettings();
    HotkeyPage.ShowApplied();
    AppSettingPage.ShowApplied();
    OtherSettingPage.ShowApplied();
}

void CVELKMIRADlg::SaveAppliedPages() {
    SettingPage.SaveSettingPage();
    HotkeyPage.SaveAppliedHotkeys();
    AppSettingPage.SaveAppSettings();
    OtherSettingPage.SaveOtherSetting();
}

void CVELKMIRADlg::OnOkHide() {
    // What the pages show is applied from now on, and kept in the profile at
    // once, even if the program ends before the delayed Apply.
    CommitShownPages();
    SaveAppliedPages();
    SetSettingsShown(false);
    ShowWindow(SW_HIDE);
    // The pages are applied through the re-apply timer, after the displays
    // settle; while re-applying is suppressed, when the suppression ends.
    if (ReapplySuppressed) ApplyAfterSuppression = 1;
    else StartReapplyTimer();
}

void CVELKMIRADlg::HideAndReload() {
    const AddOnReadingScope addOnReading;
    SetSettingsShown(false);
    ShowWindow(SW_HIDE);
    ShowAppliedPages();
}

void CVELKMIRADlg::OnCancelHide() { HideAndReload(); }

LRESULT CVELKMIRADlg::OnSysCommandHide(WPARAM w, LPARAM l) {
    if ((w & 0xFFF0) == SC_CLOSE) {
        HideAndReload();
        return 0;
    }
    return DefaultProc(WM_SYSCOMMAND, w, l);
}

void CVELKMIRADlg::ApplyWallpaper() {
    WallpaperPage.RefreshWallpaperPage(static_cast<uint32_t>(HighestNumber));
    if (!WallpaperPage.SaveWallpaperSettings()) {
        ShowErrorNumber(1100);
        return;
    }
    if (!IsWindowsAtLeast(5, 1) && CurrentTab == 1 && !IsActiveDesktopOn()) {
        std::wstring question;
        LoadStringOrWarn(IDS_ASK_ENABLE_ACTIVE_DESKTOP, question);
        if (velk::AfxMessageBox(question, MB_YESNO) == IDYES) EnableActiveDesktop();
    }
    if (!WallpaperPage.ComposeDesktopWallpaper()) ShowErrorNumber(1102);
}

int CVELKMIRADlg::EnableActiveDesktop() {
    const velk::ComPtr<IActiveDesktop> desktop = CreateActiveDesktop();
    if (!desktop) return 0;
    COMPONENTSOPT options{};
    options.dwSize = sizeof(options);  // 12 on every build
    options.fEnableComponents = FALSE;
    options.fActiveDesktop = TRUE;
    // Save, generate, refresh and force (0x0F; the SDK's AD_APPLY_ALL leaves out force).
    if (SUCCEEDED(desktop->SetDesktopItemOptions(&options, 0))) desktop->ApplyChanges(AD_APPLY_ALL | AD_APPLY_FORCE);
    return 1;
}

void CVELKMIRADlg::OnApplyButton() {
    CommitShownPages();
    OnApply();
}

void CVELKMIRADlg::RunAutomaticApply() {
    // Edits on screen that are not applied stay there, and so does the
    // button that applies them.
    const bool editsShown = (ApplyButton.GetStyle() & WS_DISABLED) == 0;
    OnApply();
    if (editsShown) ApplyButton.EnableWindow(true);
}

void CVELKMIRADlg::RunDueReapply() {
    KillTimer(TIMER_REAPPLY);
    ReapplyPending = 0;
    ReapplySuppressed = 1;
    RunAutomaticApply();
    // The guard is counted from the end of the Apply, so that the changes
    // the Apply itself causes all fall inside it.
    SetTimer(TIMER_REAPPLY_GUARD, DisplayCountDelayMs());
}

void CVELKMIRADlg::OnReapplyGuardEnded() {
    KillTimer(TIMER_REAPPLY_GUARD);
    ReapplySuppressed = 0;
    // An OK within the suppression applies now; while a resume waits, once
    // it has ended.
    if (!std::exchange(ApplyAfterSuppression, uint8_t{0})) return;
    if (ResumeStage) HeldReapply = 1;
    else RunDueReapply();
}

void CVELKMIRADlg::OnApply() {
    // One pump of the add-on library serves the whole Apply.
    const AddOnReadingScope addOnReading;
    // Apply runs, and its button goes off.
    ApplyRunning = 1;
    ApplyButton.EnableWindow(false);
    UpdateData(false);
    // The resize choice as last applied on the Setting page.
    SetResizeMode(SettingPage.ResizeModeApplied());
    // The display table as the displays are now.
    RebuildDisplayTable();
    // The pages.
    ApplyPages();
    // Always: the Other page's settings and its later audio refresh, and a repaint.
    OtherSettingPage.SaveOtherSetting();
    if (OtherSettingPage.GetSafeHwnd())
        velk::Platform().SetTimer(OtherSettingPage.GetSafeHwnd(), OtherSetting::kTimerAudioRefresh, kAudioRefreshMs,
                                  nullptr);
    ::InvalidateRect(hwnd_, nullptr, TRUE);
    // The setting changes this Apply causes do not start another one until then.
    SetTimer(TIMER_APPLY_GUARD, DisplayCountDelayMs());
}

void CVELKMIRADlg::ApplyPages() {
    // The Wallpaper page follows the display table.
    if (!WallpaperPage.RefreshWallpaperPage(static_cast<uint32_t>(HighestNumber))) return;
    // The hotkeys: registered, listed and saved, then read back once more.
    if (const int error = HotkeyPage.ApplyHotkeys()) {
        ShowErrorNumber(error);
        return;
    }
    // The wallpaper when it needs a new composite; the Apply button as the
    // system and the shown page allow.
    if (WallpaperPage.IsWallpaperRecomposeNeeded() == 1) ApplyWallpaper();
    ApplyButton.EnableWindow(!IsWindowsAtLeast(5, 1) && CurrentTab == 1);
    // The Setting page, the extra taskbars (their applied settings) and the
    // wallpaper's settings and auto-change timer.
    SettingPage.ApplySettingPage();
    RefreshAppSettingGuarded();
    AppSettingPage.SaveAppSettings();
    WallpaperPage.SaveWallpaperSettings();
    WallpaperPage.RestartAutoChangeTimer();
}

void CVELKMIRADlg::RefreshAppSettingGuarded() {
    if (TaskbarRefreshGuard) return;
    TaskbarRefreshGuard = 1;
    AppSettingPage.ApplyUseTaskbar();
    AppSettingPage.ReapplyTaskbarSettings();
    TaskbarRefreshGuard = 0;
}

void CVELKMIRADlg::StartReapplyTimer() {
    if (ReapplySuppressed) return;
    SetTimer(TIMER_REAPPLY, DisplayCountDelayMs());
    ReapplyPending = 1;
}

void CVELKMIRADlg::SaveDisplayList() {
    RebuildDisplayTable();
    WriteDisplaySnapshot(CurrentDisplayList(), theApp);
}

void CVELKMIRADlg::RefreshPagesAfterDisplayChange() {
    AppSettingPage.DestroyExtraTaskbars();
    SettingPage.ApplySettingPage();
    WallpaperPage.SaveWallpaperSettings();
    if (WallpaperPage.RefreshWallpaperPage(static_cast<uint32_t>(HighestNumber))) AppSettingPage.ApplyUseTaskbar();
}
