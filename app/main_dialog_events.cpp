// The main dialog's events: its message table and handlers, the timers,
// Apply, display changes and the resume from standby.
#include "app/main_dialog.h"
#include "app/addon_poll.h"
#include "app/display_snapshot.h"
#include "app/system_menu_items.h"
#include "app/tray_icon.h"
#include "app/velkmira_app.h"
#include "display/active_desktop.h"
#include "display/addon_access.h"
#include "display/display_list.h"
#include "display/overlay.h"
#include "display/program_messages.h"
#include "display/shared_functions.h"
#include "framework/handles.h"
#include "framework/message_box.h"
#include "framework/platform.h"
#include "framework/strings.h"
#include "resources/resource.h"
#include <cassert>
#include <cstdlib>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

using velk::command;
using velk::notify;
using velk::on;

namespace {

// The shell's broadcast after it (re)started.
constinit velk::RegisteredMessage kTaskbarCreated{L"TaskbarCreated"};

constexpr UINT kDisplayChangeGuardMs = 2000;
// The Other settings page's audio refresh after an Apply.
constexpr UINT kAudioRefreshMs = 10000;
// Resume from standby: the wait before the displays are read again, and after.
constexpr DWORD kResumeSettleMs = 10000;
constexpr DWORD kResumeAfterMs = 5000;
// WM_POWERBROADCAST: resumed automatically (PBT_APMRESUMEAUTOMATIC).
constexpr WPARAM kResumeAutomatic = 0x12;
// WM_DEVICECHANGE: the device tree changed (DBT_DEVNODES_CHANGED).
constexpr WPARAM kDevNodesChanged = 7;
// UM_ADDONCALLBACK events that change the add-on displays.
constexpr WPARAM kAddOnEventAttached = 2;
constexpr WPARAM kAddOnEventChanged = 3;

}  // namespace

std::span<const velk::MessageEntry<CVELKMIRADlg>> CVELKMIRADlg::MessageTable() {
    // WM_DEVMODECHANGE and WM_KEYDOWN have no entry: they get the default
    // processing.
    static constexpr velk::MessageEntry<CVELKMIRADlg> table[] = {
        on(WM_SYSCOMMAND, &CVELKMIRADlg::OnSysCommandHide),
        on(WM_PAINT, &CVELKMIRADlg::OnPaint),
        on(WM_QUERYDRAGICON, &CVELKMIRADlg::OnQueryDragIcon),
        on(UM_TRAYNOTIFY, &CVELKMIRADlg::OnTrayNotify),
        command(ID_TRAY_SETTING, &CVELKMIRADlg::OnSettingCommand),
        command(ID_TRAY_EXIT, &CVELKMIRADlg::OnExitCommand),
        command(ID_TRAY_VERSION, &CVELKMIRADlg::OnAboutCommand),
        on(UM_WINMOVENEXT, &CVELKMIRADlg::OnWinMoveNext),
        on(UM_MENUPOPUP, &CVELKMIRADlg::OnMenuPopup),
        on(UM_MENUSELECTED, &CVELKMIRADlg::OnMenuSelected),
        on(UM_APPCREATEDESTROY, &CVELKMIRADlg::OnAppCreateDestroyNotify),
        notify(IDC_MAIN_TAB, TCN_SELCHANGE, &CVELKMIRADlg::OnTabSelChange),
        command(IDC_APPLY, &CVELKMIRADlg::OnApplyButton),
        on(WM_HOTKEY, &CVELKMIRADlg::OnHotKeyPressed),
        command(IDOK, &CVELKMIRADlg::OnOkHide),
        command(IDCANCEL, &CVELKMIRADlg::OnCancelHide),
        on(WM_WINDOWPOSCHANGING, &CVELKMIRADlg::OnWindowPosChangingHidden),
        command(ID_TRAY_DISPLAY_PROPERTY, &CVELKMIRADlg::OnDisplayProperty),
        command(IDC_IDENTIFY_DISPLAY, &CVELKMIRADlg::OnIdentifyDisplay),
        on(WM_SETTINGCHANGE, &CVELKMIRADlg::OnSettingChange),
        on(WM_DEVICECHANGE, &CVELKMIRADlg::OnDeviceChangeAudio),
        on(UM_DISPLAYCHANGED, &CVELKMIRADlg::OnDisplayChanged),
        command(ID_TRAY_IDENTIFY_DISPLAY, &CVELKMIRADlg::OnIdentifyDisplay),
        command(ID_TRAY_HELP, &CVELKMIRADlg::OnHelpCommand),
        on(WM_HELP, &CVELKMIRADlg::OnHelpInfoOpen),
        on(WM_QUERYENDSESSION, &CVELKMIRADlg::OnQueryEndSessionMark),
        on(WM_DESTROY, &CVELKMIRADlg::OnDestroyShutDown),
        on(WM_TIMER, &CVELKMIRADlg::OnMainTimer),
        on(UM_ADDONCALLBACK, &CVELKMIRADlg::OnAddOnCallback),
        on(WM_POWERBROADCAST, &CVELKMIRADlg::OnPowerBroadcast),
        on(WM_CLOSE, &CVELKMIRADlg::OnCloseEndProgram),
        on(kTaskbarCreated, &CVELKMIRADlg::OnTaskbarCreated),
        on(UM_PAGECHANGED, &CVELKMIRADlg::OnPageChanged),
    };
    return table;
}

LRESULT CVELKMIRADlg::OnPowerBroadcast(WPARAM w, LPARAM l) {
    if (w == kResumeAutomatic) OnResumeFromStandby();
    return DefaultProc(WM_POWERBROADCAST, w, l);
}

LRESULT CVELKMIRADlg::OnCloseEndProgram(WPARAM w, LPARAM l) {
    // WM_CLOSE (the window manager, the Hotkey page's cancel) ends the program.
    // An open About box or common dialog runs its modal loop inside this
    // window's: it ends too, as on Exit, or the program would wait for
    // someone to close it.
    EndOwnedDialogs();
    velk::CDialog::OnCancel();
    return DefaultProc(WM_CLOSE, w, l);
}

LRESULT CVELKMIRADlg::OnTaskbarCreated(WPARAM w, LPARAM l) {
    // The new shell knows neither the icon nor the bars.
    // Once start-up has asked for the running icon, that is the one to add.
    if (Initialised || StartUpNext == StartUpStage::AfterTrayModify)
        SetTrayIcon(NIM_ADD, IDS_APP_TITLE, RunningTrayIconId());
    else SetTrayIcon(NIM_ADD, IDS_PLEASE_WAIT, IDI_TRAY_WAIT);
    AppSettingPage.RegisterExtraTaskbarsAgain();
    return DefaultProc(kTaskbarCreated.Id(), w, l);
}

LRESULT CVELKMIRADlg::OnPageChanged(WPARAM w, LPARAM l) {
    // Pages send it with lParam 1 when something is to apply.
    ApplyButton.EnableWindow(l != 0);
    return DefaultProc(UM_PAGECHANGED, w, l);
}

LRESULT CVELKMIRADlg::OnTrayNotify(WPARAM w, LPARAM l) {
    // Before the pages exist there is no settings window to open; the
    // icon that start-up is adding is its own.
    if (!DisplayTable || !Pages[0]) return 1;
    if (w == kTrayReAdd) SetTrayIcon(NIM_ADD, IDS_APP_TITLE, RunningTrayIconId());
    if (l == WM_LBUTTONDBLCLK) OnSettingCommand();
    else if (l == WM_RBUTTONUP) ShowTrayMenu(hwnd_);
    return 1;
}

void CVELKMIRADlg::OnSettingCommand() {
    Tab.SetCurSel(CurrentTab);
    ShowTabPage(CurrentTab);
    SetSettingsShown(true);
    ApplyButton.EnableWindow(false);
    ShowWindow(SW_SHOW);
    ::SetForegroundWindow(hwnd_);
}

LRESULT CVELKMIRADlg::OnTabSelChange(NMHDR*) {
    SetCurrentTab(Tab.GetCurSel());
    ShowTabPage(CurrentTab);
    if (WallpaperPage.CaptureOsWallpaper()) ApplyButton.EnableWindow(true);
    return 0;
}

void CVELKMIRADlg::OnOkHide() {
    WallpaperPage.CommitWallpaperEdits();
    SetSettingsShown(false);
    ShowWindow(SW_HIDE);
    // The pages are applied through the re-apply timer, after the displays settle.
    StartReapplyTimer();
}

void CVELKMIRADlg::HideAndReload() {
    const AddOnReadingScope addOnReading;
    SetSettingsShown(false);
    ShowWindow(SW_HIDE);
    WallpaperPage.ShowAppliedWallpaperSettings();
    SettingPage.LoadSettingPage();
    HotkeyPage.RestoreAppliedHotkeys();
    AppSettingPage.ReloadAppSettings();
}

void CVELKMIRADlg::OnCancelHide() { HideAndReload(); }

LRESULT CVELKMIRADlg::OnSysCommandHide(WPARAM w, LPARAM l) {
    if ((w & 0xFFF0) == SC_CLOSE) {
        HideAndReload();
        return 0;
    }
    return DefaultProc(WM_SYSCOMMAND, w, l);
}

LRESULT CVELKMIRADlg::OnWindowPosChangingHidden(WPARAM w, LPARAM l) {
    LRESULT result = DefaultProc(WM_WINDOWPOSCHANGING, w, l);
    if (IdentifyRunning == 0 && l) {
        auto* pos = reinterpret_cast<WINDOWPOS*>(l);
        if (SettingsShown) pos->flags |= SWP_SHOWWINDOW;
        else pos->flags &= ~SWP_SHOWWINDOW;
    }
    return result;
}

void CVELKMIRADlg::EndOwnedDialogs() {
    if (AboutBox.GetSafeHwnd()) AboutBox.EndDialog(1);
    // The common dialogs (and message boxes) are "#32770" windows of this
    // thread owned by this window; Cancel ends a common dialog as if the
    // user had cancelled it, and a message box answers it as its Cancel or
    // ignores it.
    struct Search {
        HWND owner, about;
        std::vector<HWND> found;
    } search{hwnd_, AboutBox.GetSafeHwnd(), {}};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM param) WINAPI -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            wchar_t className[16] = {};
            ::GetClassNameW(window, className, 16);
            if (window != s->about && ::GetWindow(window, GW_OWNER) == s->owner && ::lstrcmpW(className, L"#32770") == 0)
                s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    for (HWND dialog : search.found)
        if (::IsWindow(dialog)) ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

void CVELKMIRADlg::OnExitCommand() {
    EndOwnedDialogs();
    CloseHelpWindow();
    EndDialog(1);
}

void CVELKMIRADlg::OnAboutCommand() {
    if (AboutBox.GetSafeHwnd()) return;
    // Owned by this dialog: the settings window is disabled behind it.
    AboutBox.SetOwner(hwnd_);
    AboutBox.DoModal();
}

void CVELKMIRADlg::OnHelpCommand() { OpenHelpFile(); }

LRESULT CVELKMIRADlg::OnHelpInfoOpen(WPARAM w, LPARAM l) {
    OpenHelpFile();
    return DefaultProc(WM_HELP, w, l);
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

void CVELKMIRADlg::RebuildDisplayTable() {
    uint32_t highest = 0;
    int32_t count = 0;
    BuildDisplayList(&highest, &count);
    SetDisplayCounts(static_cast<int>(highest), count);
}

UINT CVELKMIRADlg::DisplayCountDelayMs() const noexcept {
    return DisplayCount > 0 ? static_cast<UINT>(DisplayCount) * 1000 : 0;
}

LRESULT CVELKMIRADlg::OnPaint(WPARAM w, LPARAM l) {
    if (!::IsIconic(hwnd_)) return DefaultProc(WM_PAINT, w, l);
    velk::PaintDc dc(hwnd_);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0);
    const int iconWidth = velk::Platform().GetSystemMetrics(SM_CXICON);
    const int iconHeight = velk::Platform().GetSystemMetrics(SM_CYICON);
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    ::DrawIcon(dc.get(), x, y, Icon);
    return 0;
}

LRESULT CVELKMIRADlg::OnQueryDragIcon(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(Icon); }

LRESULT CVELKMIRADlg::OnWinMoveNext(WPARAM w, LPARAM l) { return OnWinMoveNextNotify(*this, hwnd_, w, l); }

LRESULT CVELKMIRADlg::OnMenuPopup(WPARAM w, LPARAM l) { return OnMenuPopupNotify(*this, hwnd_, w, l); }

LRESULT CVELKMIRADlg::OnMenuSelected(WPARAM w, LPARAM l) { return OnMenuSelectedNotify(*this, hwnd_, w, l); }

LRESULT CVELKMIRADlg::OnHotKeyPressed(WPARAM w, LPARAM l) { return OnHotKey(*this, hwnd_, w, l); }

LRESULT CVELKMIRADlg::OnAppCreateDestroyNotify(WPARAM w, LPARAM l) {
    return AppSettingPage.OnAppCreateDestroyNotify(w, l);
}

void CVELKMIRADlg::OnApply() {
    // One pump of the add-on library serves the whole Apply.
    const AddOnReadingScope addOnReading;
    // Apply runs, and its button goes off.
    ApplyRunning = 1;
    ApplyButton.EnableWindow(false);
    UpdateData(false);
    // The resize choice as the Setting page's control shows it now.
    SetResizeMode(SettingPage.ResizeModeShown());
    // The display table as the displays are now.
    RebuildDisplayTable();
    // The pages.
    ApplyPages();
    // Always: the Other page's settings and its later audio refresh, and a repaint.
    OtherSettingPage.SaveOtherSetting();
    if (OtherSettingPage.GetSafeHwnd())
        ::SetTimer(OtherSettingPage.GetSafeHwnd(), OtherSetting::kTimerAudioRefresh, kAudioRefreshMs, nullptr);
    ::InvalidateRect(hwnd_, nullptr, TRUE);
    // The setting changes this Apply causes do not start another one until then.
    SetTimer(TIMER_APPLY_GUARD, DisplayCountDelayMs());
}

void CVELKMIRADlg::ApplyPages() {
    // The Wallpaper page follows the display table.
    if (!WallpaperPage.RefreshWallpaperPage(static_cast<uint32_t>(HighestNumber))) return;
    // The hotkeys: registered, listed and saved, then read back once more.
    if (HotkeyPage.IsResetPending()) {
        DeleteProfileSection(L"HotkeyEntry");
        HotkeyPage.LoadHotkeys();
        HotkeyPage.ClearResetPending();
    } else {
        HotkeyPage.ReadHotkeyChecks();
    }
    HotkeyPage.RegisterHotkeys();
    if (!HotkeyPage.FillHotkeyList()) {
        ShowErrorNumber(1103);
        return;
    }
    if (!HotkeyPage.SaveHotkeys()) {
        ShowErrorNumber(1104);
        return;
    }
    HotkeyPage.LoadHotkeys();
    HotkeyPage.ReadHotkeyChecks();
    HotkeyPage.RegisterHotkeys();
    HotkeyPage.FillHotkeyList();
    if (!HotkeyPage.SaveHotkeys()) {
        ShowErrorNumber(1104);
        return;
    }
    // The wallpaper when it needs a new composite; the Apply button as the
    // system and the shown page allow.
    if (WallpaperPage.IsWallpaperRecomposeNeeded() == 1) ApplyWallpaper();
    ApplyButton.EnableWindow(!IsWindowsAtLeast(5, 1) && CurrentTab == 1);
    // The Setting page, the extra taskbars and the wallpaper's settings and
    // auto-change timer.
    SettingPage.ApplySettingPage();
    AppSettingPage.ReadAppSettingChecks();
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

LRESULT CVELKMIRADlg::OnMainTimer(WPARAM w, LPARAM l) {
    switch (w) {
    case TIMER_ADDON_POLL:
        PollAddOnDisplays();
        break;
    case TIMER_ADDON_SAMPLE:
        TakeAddOnPollSample();
        break;
    case TIMER_REAPPLY:
        KillTimer(TIMER_REAPPLY);
        ReapplyPending = 0;
        ReapplySuppressed = 1;
        OnApply();
        // The guard is counted from the end of the Apply, so that the
        // changes the Apply itself causes all fall inside it.
        SetTimer(TIMER_REAPPLY_GUARD, DisplayCountDelayMs());
        break;
    case TIMER_REAPPLY_GUARD:
        KillTimer(TIMER_REAPPLY_GUARD);
        ReapplySuppressed = 0;
        break;
    case TIMER_DISPLAYCHANGE_GUARD:
        KillTimer(TIMER_DISPLAYCHANGE_GUARD);
        DisplayChangeRunning = 0;
        if (DisplayChangePending && !ResumeStage) {
            DisplayChangePending = 0;
            OnDisplayChanged(0, 0);
        } else if (!DisplayChangePending) {
            BurstReapplyStarted = 0;  // the burst is over
        }
        break;
    case TIMER_RESUME_SETTLE:
        OnResumeSettled();
        break;
    case TIMER_RESUME_AFTER:
        OnResumeEnded();
        break;
    case TIMER_ADDON_RETRY:
        RetryAddOnAccess();
        break;
    case TIMER_TRAY_RETRY:
        RetryTrayIcon();
        break;
    case TIMER_APPLY_GUARD:
        KillTimer(TIMER_APPLY_GUARD);
        ApplyRunning = 0;
        break;
    default:
        break;
    }
    return DefaultProc(WM_TIMER, w, l);
}

void CVELKMIRADlg::PollAddOnDisplays() {
    // The samples are taken on their own timer, so the window keeps
    // answering between them. A tick that comes while the samples of the one
    // before are still being taken lets that one finish.
    if (AddOnSamples.IsRunning()) return;
    AddOnSamples.Start();
    SetTimer(TIMER_ADDON_SAMPLE, kAddOnSampleWaitMs);
}

void CVELKMIRADlg::TakeAddOnPollSample() {
    int settled = 0;
    std::function<int()> sample;
    if (AddOn) sample = [] { return GetActiveAddOnDisplayCount(); };
    if (!AddOnSamples.IsRunning()) {
        KillTimer(TIMER_ADDON_SAMPLE);
        return;
    }
    // The sample's pump serves the rest of the tick too.
    std::optional<AddOnReadingScope> addOnReading;
    if (AddOn) addOnReading.emplace();
    if (!AddOnSamples.TakeSample(sample, &settled)) return;
    KillTimer(TIMER_ADDON_SAMPLE);
    AddOnPollOps ops;
    ops.isReady = IsAddOnDisplayReady;
    ops.rebuild = [this] {
        RebuildDisplayTable();
        return DisplayCount;
    };
    ops.killTimer = [this] { KillTimer(TIMER_ADDON_POLL); };
    // More displays than the add-on library has settled: lay the desktop out
    // again for the displays that came up meanwhile.
    ops.relayout = [this] {
        HotkeyPage.ReloadHotkeys();
        SaveDisplayList();
        RefreshPagesAfterDisplayChange();
        ApplyWallpaper();
    };
    FinishAddOnPollTick(ops, settled, AddOnPollTicks);
}

LRESULT CVELKMIRADlg::OnSettingChange(WPARAM w, LPARAM l) {
    LRESULT result = DefaultProc(WM_SETTINGCHANGE, w, l);
    const SettingChangeDecision decision = DecideSettingChange({
        Initialised != 0,
        DisplayChangeRunning != 0,
        ApplyRunning != 0,
        IsWindowsAtLeast(5, 1),
        static_cast<UINT>(w),
        reinterpret_cast<const wchar_t*>(l),
    });
    if (decision.refreshNonClient) RefreshAppSettingGuarded();
    switch (decision.action) {
    case SettingChangeAction::RestartAddOnPoll:
        // A new run of the poll, which again ends after six ticks.
        AddOnPollTicks = 0;
        SetTimer(TIMER_ADDON_POLL, kAddOnPollPeriodMs);
        break;
    case SettingChangeAction::StartReapply:
        StartReapplyTimer();
        break;
    case SettingChangeAction::ApplyNow:
        ApplyButton.EnableWindow(true);
        OnApply();
        break;
    case SettingChangeAction::None:
        break;
    }
    return result;
}

LRESULT CVELKMIRADlg::OnDisplayChanged(WPARAM, LPARAM) {
    if (SessionEnding) return 0;
    // Within a guard period, and while a resume is between its steps (which
    // then rebuilds itself): handled when that ends.
    if (DisplayChangeRunning || ResumeStage) {
        // Handled once more when the guard period ends, from the displays as
        // they are then, so the sections never keep an arrangement of the
        // middle of a burst.
        DisplayChangePending = 1;
        return 0;
    }
    // One burst of changes is handled once per guard period.
    DisplayChangeRunning = 1;
    const AddOnReadingScope addOnReading;
    SaveDisplayList();
    RefreshPagesAfterDisplayChange();
    RefreshAppSettingGuarded();
    // One delayed Apply for a whole burst: a change replayed after a guard
    // period only moves the Apply still waiting to the state it found.
    if (!BurstReapplyStarted) {
        StartReapplyTimer();
        BurstReapplyStarted = 1;
    } else if (ReapplyPending) {
        StartReapplyTimer();
    }
    ApplyWallpaper();
    SetTimer(TIMER_DISPLAYCHANGE_GUARD, kDisplayChangeGuardMs);
    return 0;
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

LRESULT CVELKMIRADlg::OnAddOnCallback(WPARAM w, LPARAM) {
    if (w == kAddOnEventAttached || w == kAddOnEventChanged) {
        RebuildDisplayTable();
        if (Initialised) StartReapplyTimer();
    }
    return 1;
}

// Resume from standby runs as two timed steps: 10 s after the resume the
// display table is rebuilt and saved, the pages refreshed and the wallpaper
// applied; 5 s after that the resume ends. Meanwhile the window answers as
// always. A display change that comes in between is held, as a change within
// a guard period is, and handled once when the resume ends, so it sees the
// displays after the resume's own re-layout. A second resume starts the
// 10 s again. WM_CLOSE ends the program at once; its shut-down kills the
// timers, so nothing of the resume runs after it.
void CVELKMIRADlg::OnResumeFromStandby() {
    if (!DisplayTable || !Pages[0]) return;  // start-up has not got that far
    KillTimer(TIMER_RESUME_AFTER);
    ResumeStage = 1;
    SetTimer(TIMER_RESUME_SETTLE, kResumeSettleMs);
}

void CVELKMIRADlg::OnResumeSettled() {
    const AddOnReadingScope addOnReading;
    KillTimer(TIMER_RESUME_SETTLE);
    if (ResumeStage != 1) return;
    SaveDisplayList();
    RefreshPagesAfterDisplayChange();
    ApplyWallpaper();
    ResumeStage = 2;
    SetTimer(TIMER_RESUME_AFTER, kResumeAfterMs);
}

void CVELKMIRADlg::OnResumeEnded() {
    KillTimer(TIMER_RESUME_AFTER);
    if (ResumeStage != 2) return;
    ResumeStage = 0;
    if (DisplayChangePending && !DisplayChangeRunning) {
        DisplayChangePending = 0;
        OnDisplayChanged(0, 0);
    }
}

LRESULT CVELKMIRADlg::OnQueryEndSessionMark(WPARAM w, LPARAM l) {
    if (!DefaultProc(WM_QUERYENDSESSION, w, l)) return FALSE;
    // From now on display changes are ignored.
    SessionEnding = 1;
    return TRUE;
}

LRESULT CVELKMIRADlg::OnDeviceChangeAudio(WPARAM w, LPARAM l) {
    DefaultProc(WM_DEVICECHANGE, w, l);
    if (w == kDevNodesChanged && ::IsWindow(OtherSettingPage.GetSafeHwnd())) {
        OtherSettingPage.OnDevicesChanged();
    }
    return TRUE;
}

void CVELKMIRADlg::OnIdentifyDisplay() {
    // The overlay shows windows; keep this hidden window from being shown meanwhile.
    // A show that runs already goes on alone (a second press is ignored).
    if (IsIdentifyingDisplays()) return;
    IdentifyRunning = 1;
    IdentifyDisplays(hwnd_, [this] {
        ::InvalidateRect(hwnd_, nullptr, TRUE);
        IdentifyRunning = 0;
    });
}

void CVELKMIRADlg::OnDisplayProperty() {
    OpenDisplaySettings();
}
