// The main dialog's lifecycle: construction, the start-up stages, the pages,
// the hook library, the tray icon and the shut-down.
#include "app/main_dialog.h"
#include "app/addon_poll.h"
#include "app/display_snapshot.h"
#include "app/display_watch.h"
#include "app/system_menu_items.h"
#include "app/tray_icon.h"
#include "app/velkmira_app.h"
#include "display/addon_access.h"
#include "display/display_list.h"
#include "display/overlay.h"
#include "display/program_messages.h"
#include "display/shared_functions.h"
#include "framework/handles.h"
#include "framework/message_box.h"
#include "framework/platform.h"
#include "framework/strings.h"
#include "framework/trace.h"
#include "hooklib/tarnlet.h"
#include "resources/resource.h"
#include "framework/paths.h"
#include <cassert>
#include <cstdlib>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

uint8_t DisplayChangeRunning = 0;

namespace {

constexpr DWORD kAddOnRetryWaitMs = 10000;
constexpr int kTabTextUnits = 32;

// The tab texts in tab order, with the error number a missing one reports.
struct TabText {
    UINT stringId;
    int errorNumber;
};
constexpr TabText kTabTexts[kPageCount] = {
    {IDS_TAB_SETTINGS, 1060},      {IDS_TAB_WALLPAPER, 1061},       {IDS_TAB_HOTKEY, 1062},
    {IDS_TAB_EXTRA_DESKTOP, 1063}, {IDS_TAB_OTHER_SETTINGS, 1063},
};

// The hook library's notification setters in binding order, with the name a
// missing one is reported by and the error number used when string 201 is
// missing too.
struct NotifySetter {
    const char* exportName;
    const wchar_t* reportedName;
    int errorNumber;
    UINT message;
};
const NotifySetter kNotifySetters[] = {
    {velk::hooklib::kSetWinMoveNextNotifyMessageName, L"lpfn_HookMonitorNext", 1200, UM_WINMOVENEXT},
    {velk::hooklib::kSetMenuPopupNotifyMessageName, L"SetMenuPopupNotifyMessage", 1202, UM_MENUPOPUP},
    {velk::hooklib::kSetMenuSelectedNotifyMessageName, L"SetMenuSelectedNotifyMessage", 1203, UM_MENUSELECTED},
    {velk::hooklib::kSetAppCreateDestroyNotifyMessageName, L"SetAppCreateDestroyNotifyMessage", 1203,
     UM_APPCREATEDESTROY},
};

// "Could not get function %s from library..." with name, or the error number
// when that string is missing.
void ReportMissingExport(const wchar_t* name, int errorNumber) {
    std::wstring format;
    if (velk::LoadResString(IDS_ERROR_GET_FUNCTION, format))
        velk::AfxMessageBox(velk::FormatText(format.c_str(), name), MB_ICONEXCLAMATION);
    else
        ShowErrorNumber(errorNumber);
}

// "<program folder>Tarnlet.dll".
std::wstring HookLibraryPath() { return velk::ProgramFolder() + velk::hooklib::kLibraryFileName; }

}  // namespace

CVELKMIRADlg::CVELKMIRADlg() : MessageMapped(IDD_VELKMIRA_DIALOG) {
    Icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TRAY));
    DisplayChangeRunning = 0;
    AppSettingPage.SetHost(this);
    SettingPage.SetHost(this);
}

CVELKMIRADlg::~CVELKMIRADlg() {
    if (::IsWindow(hwnd_)) DestroyWindow();
    // Whatever start-up took, the window's destruction gave back.
    assert(ShutDownDone || (!AddOn && !HookModule && !DisplayTable && !TrayIconData.cbSize));
}

void CVELKMIRADlg::DoDataExchange(velk::DataExchange& dx) {
    dx.Control(IDC_MAIN_TAB, Tab);
    dx.Control(IDC_APPLY, ApplyButton);
}

BOOL CVELKMIRADlg::EndStartUp() {
    EndDialog(1);
    return TRUE;
}

BOOL CVELKMIRADlg::OnInitDialog() {
    // Base initialisation: binds the tab control and the Apply button.
    velk::CDialog::OnInitDialog();
    UpdateData(false);
    theApp.SetMainWindow(hwnd_);
    // The window's icons, big then small.
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Icon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(Icon));
    // Not initialised until start-up's last stage.
    Initialised = 0;
    // The add-on access object; when that fails, tried once more
    // 10 s later on a timer (RetryAddOnAccess), and start-up goes on from there.
    AddOnProductIds = BuildAddOnProductIdList();
    AddOn = AddOnMonitor::Create(AddOnProductIds.data(), hwnd_);
    if (!AddOn) {
        SetTimer(TIMER_ADDON_RETRY, kAddOnRetryWaitMs);
        return TRUE;
    }
    AddOnProductIds.clear();  // the notifier keeps its own copy
    ContinueStartUp(StartUpStage::AddTrayIcon);
    return TRUE;
}

void CVELKMIRADlg::RetryAddOnAccess() {
    KillTimer(TIMER_ADDON_RETRY);
    if (AddOn || StartUpNext != StartUpStage::AddTrayIcon) return;
    AddOn = AddOnMonitor::Create(AddOnProductIds.data(), hwnd_);
    AddOnProductIds.clear();
    if (!AddOn) {
        // Twice no add-on access: the program ends without a message.
        StartUpNext = StartUpStage::Done;
        EndStartUp();
        return;
    }
    ContinueStartUp(StartUpStage::AddTrayIcon);
}

void CVELKMIRADlg::ContinueStartUp(StartUpStage stage) {
    // Every add-on reading of these steps takes the library as one pump leaves it.
    const AddOnReadingScope addOnReading;
    StartUpNext = StartUpStage::Done;
    std::wstring text;
    switch (stage) {
    case StartUpStage::AddTrayIcon:
        // The tray icon while starting; the rest follows once the shell took it.
        SetTrayIcon(NIM_ADD, IDS_PLEASE_WAIT, IDI_TRAY_WAIT);
        if (TrayCall.RetryDue()) {
            StartUpNext = StartUpStage::AfterTrayAdd;
            return;
        }
        [[fallthrough]];
    case StartUpStage::AfterTrayAdd:
        // Caption and Cancel text.
        if (LoadStringOrWarn(IDS_APP_TITLE, text)) SetWindowText(text);
        text.clear();
        if (LoadStringOrWarn(IDS_CANCEL, text)) ::SetDlgItemTextW(hwnd_, IDCANCEL, text.c_str());
        // The hook library.
        if (!LoadHookLibrary()) {
            EndStartUp();
            return;
        }
        // The display table.
        DisplayTable = std::make_unique<DisplayList>();
        DisplayTable->AddOn = AddOn.get();
        DisplayTable->OwnerWindow = hwnd_;
        SetCurrentDisplayList(DisplayTable.get());
        RebuildDisplayTable();
        // Button texts; a missing string leaves the button empty.
        text.clear();
        LoadStringOrWarn(IDS_IDENTIFY_DISPLAY, text);
        ::SetDlgItemTextW(hwnd_, IDC_IDENTIFY_DISPLAY, text.c_str());
        text.clear();
        LoadStringOrWarn(IDS_APPLY, text);
        ApplyButton.SetWindowText(text);
        // What the desktop looks like now, for the wallpaper's recompose test.
        theApp.WriteProfileInt(L"Wallpaper", L"IconShow",
                               (!AreDesktopIconsHidden() && !IsActiveDesktopOn()) ? 1 : 0);
        // The pages.
        if (!InitTabPages()) {
            EndStartUp();
            return;
        }
        // Hotkeys: loaded, read, registered and listed.
        HotkeyPage.LoadHotkeys();
        HotkeyPage.ReadHotkeyChecks();
        HotkeyPage.RegisterHotkeys();
        HotkeyPage.FillHotkeyList();
        // The hook library's report messages.
        if (HookModule) SetHookNotifyMessages();
        // The display watch thread; without it the dialog runs on half started.
        if (!StartDisplayWatch(hwnd_)) {
            ShowErrorNumber(1030);
            return;
        }
        // Nothing to apply yet; the running icon.
        ApplyButton.EnableWindow(false);
        SetTrayIcon(NIM_MODIFY, IDS_APP_TITLE, RunningTrayIconId());
        if (TrayCall.RetryDue()) {
            StartUpNext = StartUpStage::AfterTrayModify;
            return;
        }
        [[fallthrough]];
    case StartUpStage::AfterTrayModify:
        // The wallpaper, when what the desktop shows needs a new composite.
        if (WallpaperPage.IsWallpaperRecomposeNeeded() == 1) ApplyWallpaper();
        // The add-on poll, initialised, and from now on a second start finds
        // this instance.
        SetTimer(TIMER_ADDON_POLL, kAddOnPollPeriodMs);
        Initialised = 1;
        ::SetPropW(hwnd_, kInstanceProperty, reinterpret_cast<HANDLE>(1));
        break;
    case StartUpStage::Done:
        break;
    }
}

int CVELKMIRADlg::InitTabPages() {
    for (int i = 0; i < kPageCount; ++i) {
        std::wstring text;
        if (!velk::LoadResString(kTabTexts[i].stringId, text)) {
            ShowErrorNumber(kTabTexts[i].errorNumber);
            return 0;
        }
        if (text.size() >= kTabTextUnits) text.resize(kTabTextUnits - 1);
        Tab.InsertItem(i, text);
    }
    Pages[0] = &SettingPage;
    Pages[1] = &WallpaperPage;
    Pages[2] = &HotkeyPage;
    Pages[3] = &AppSettingPage;
    Pages[4] = &OtherSettingPage;
    for (velk::CDialog* page : Pages) page->Create(hwnd_);
    // The composite is made on the wallpaper's own thread and applied when it
    // is done; a failure to apply it is reported then.
    WallpaperPage.OnDesktopApplyFailed = [] { ShowErrorNumber(1102); };

    SettingPage.LoadSettingPage();
    // Moves follow the saved resize choice from the start, not only after an Apply.
    SetResizeMode(SettingPage.ResizeModeApplied());
    WallpaperPage.InitWallpaperPage(HighestNumber);
    VirtualScreenWidth = velk::Platform().GetSystemMetrics(SM_CXVIRTUALSCREEN);
    VirtualScreenHeight = velk::Platform().GetSystemMetrics(SM_CYVIRTUALSCREEN);
    WallpaperPage.VirtualScreenWidth = VirtualScreenWidth;
    WallpaperPage.VirtualScreenHeight = VirtualScreenHeight;
    AppSettingPage.ApplyUseTaskbar();
    OtherSettingPage.LoadOtherSetting();
    ShowTabPage(0);
    return 1;
}

void CVELKMIRADlg::ShowTabPage(int index) {
    RECT area = Tab.GetWindowRect();
    Tab.AdjustRect(false, area);
    ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&area), 2);
    for (int i = 0; i < kPageCount; ++i) {
        if (!Pages[i]) continue;
        if (i == index) {
            Pages[i]->MoveWindow(area, true);
            Pages[i]->ShowWindow(SW_SHOW);
        } else {
            Pages[i]->ShowWindow(SW_HIDE);
        }
    }
}

bool CVELKMIRADlg::LoadHookLibrary() {
    using namespace velk::hooklib;
    HookModule.reset(::LoadLibraryW(HookLibraryPath().c_str()));
    if (!HookModule) {
        const DWORD error = ::GetLastError();
        velk::TraceFailure(L"Loading the hook library", error);
        std::wstring message;
        if (velk::LoadResString(IDS_ERROR_LOAD_LIBRARY, message))
            velk::AfxMessageBox(message + velk::FormatText(L" Err=%d", static_cast<int>(error)), MB_ICONEXCLAMATION);
        else
            ShowErrorNumber(1001);
        return false;
    }
    auto install = GetExport<HookInstallFn>(HookModule.get(), kHookInstallName);
    if (!install) {
        ReportMissingExport(L"HookInstall", 1002);
        HookModule.reset();
        return false;
    }
    if (install(hwnd_, CommandIds)) return true;
    std::wstring message;
    if (velk::LoadResString(IDS_ERROR_HOOK, message)) velk::AfxMessageBox(message, MB_ICONEXCLAMATION);
    else ShowErrorNumber(1003);
    HookModule.reset();
    return false;
}

int CVELKMIRADlg::SetHookNotifyMessages() {
    for (const NotifySetter& setter : kNotifySetters) {
        auto set = velk::hooklib::GetExport<velk::hooklib::SetNotifyMessageFn>(HookModule.get(), setter.exportName);
        if (!set) {
            ReportMissingExport(setter.reportedName, setter.errorNumber);
            return 0;
        }
        set(setter.message);
    }
    return 1;
}

bool CVELKMIRADlg::SetTrayIcon(DWORD action, UINT tipId, UINT iconId) {
    std::wstring tip;
    LoadStringOrWarn(tipId, tip);
    FillTrayIconData(TrayIconData, hwnd_, tip, ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId)));
    // A newer call takes the place of one still being retried: the record
    // holds only the newest icon and tip.
    if (TrayCall.Begin(action, TrayIconData)) SetTimer(TIMER_TRAY_RETRY, kTrayRetryPauseMs);
    else TrayCallDone();
    return true;
}

void CVELKMIRADlg::RetryTrayIcon() {
    if (TrayCall.Retry(TrayIconData)) return;  // the timer clocks the next one
    TrayCallDone();
}

void CVELKMIRADlg::TrayCallDone() {
    KillTimer(TIMER_TRAY_RETRY);
    // Start-up waited for this call (or for one this call took the place of).
    if (StartUpNext == StartUpStage::AfterTrayAdd || StartUpNext == StartUpStage::AfterTrayModify)
        ContinueStartUp(StartUpNext);
}

void CVELKMIRADlg::KillAllTimers() {
    for (UINT_PTR id : kAllTimers) KillTimer(id);
    TrayCall.Cancel();
    ResumeStage = 0;
    HeldAddOnEvent = HeldReapply = ApplyAfterSuppression = 0;
    HeldSettingAction = SettingChangeAction::None;
    StartUpNext = StartUpStage::Done;
}

void CVELKMIRADlg::ShutDown() {
    assert(!ShutDownDone);
    ShutDownDone = true;
    // A display number show owned by this window ends with it.
    StopIdentifyDisplays();
    // Nothing that waits on a timer runs after this.
    KillAllTimers();
    // The add-on access (its destruction marks the access as ending).
    AddOn.reset();
    // The watch thread.
    StopDisplayWatch();
    // The display table, and the tray icon whenever one was added (also
    // when start-up ended before the table existed, so no dead icon stays).
    if (DisplayTable) {
        if (CurrentDisplayList() == DisplayTable.get()) SetCurrentDisplayList(nullptr);
        DisplayTable.reset();
    }
    if (TrayIconData.cbSize) {
        ::Shell_NotifyIconW(NIM_DELETE, &TrayIconData);
        TrayIconData = NOTIFYICONDATAW{};
    }
    // From now on a second start no longer finds this instance.
    if (hwnd_) ::RemovePropW(hwnd_, kInstanceProperty);
    // The hooks, last.
    if (HookModule) {
        auto clear =
            velk::hooklib::GetExport<velk::hooklib::ClearHookFn>(HookModule.get(), velk::hooklib::kClearHookName);
        if (!clear) ReportMissingExport(L"lpfnClearhook", 1009);
        // Hooks that could not be removed (or not even asked to go) still
        // point into the library: it then stays loaded until the process ends.
        if (clear && clear(hwnd_)) HookModule.reset();
        else HookModule.release();
    }
}

LRESULT CVELKMIRADlg::OnDestroyShutDown(WPARAM w, LPARAM l) {
    // The one shut-down, whichever way the window goes: DestroyWindow, or the
    // end of the modal run, which destroys the window itself. The pages are
    // still there; they go with the window after this.
    ShutDown();
    if (theApp.MainWindow() == hwnd_) theApp.SetMainWindow(nullptr);
    return DefaultProc(WM_DESTROY, w, l);
}

BOOL CVELKMIRADlg::DestroyWindow() {
    // Gone already (the modal run destroyed it): the shut-down ran then.
    if (!::IsWindow(hwnd_)) return FALSE;
    const BOOL destroyed = ::DestroyWindow(hwnd_);
    assert(ShutDownDone);
    return destroyed;
}
