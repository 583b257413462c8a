// The main dialog: the program's one top-level window. Hidden while the
// program runs in the tray; it is the settings window while SettingsShown
// is 1. It owns the tray icon, the five pages, the add-on access object,
// the display table, the hook library and the display watch thread.
#pragma once
#include "app/about_dialog.h"
#include "app/addon_poll.h"
#include "app/change_number_dialog.h"
#include "app/hotkey_page.h"
#include "app/main_dialog_state.h"
#include "app/other_setting_page.h"
#include "app/setting_page.h"
#include "app/tray_icon.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/handles.h"
#include "taskbar/app_setting_page.h"
#include "wallpaper/wallpaper_page.h"
#include <windows.h>
#include <shellapi.h>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class AddOnMonitor;
struct DisplayList;

// 1 from a display change until its guard timer fires; 0 at construction.
extern uint8_t DisplayChangeRunning;

inline constexpr int kPageCount = 5;

class CVELKMIRADlg : public velk::MessageMapped<CVELKMIRADlg, velk::CDialog>,
                     public MainDialogState,
                     private AppSettingHost,
                     private SettingPageHost {
public:
    // The dialog's timers.
    static constexpr UINT_PTR TIMER_ADDON_POLL = 2;
    static constexpr UINT_PTR TIMER_ADDON_SAMPLE = 3;  // the add-on poll's samples, one second apart
    static constexpr UINT_PTR TIMER_REAPPLY = 4;
    static constexpr UINT_PTR TIMER_REAPPLY_GUARD = 5;
    static constexpr UINT_PTR TIMER_DISPLAYCHANGE_GUARD = 9;
    static constexpr UINT_PTR TIMER_APPLY_GUARD = 10;
    // Timers that stand for what used to be waits of the user-interface thread.
    static constexpr UINT_PTR TIMER_RESUME_SETTLE = 6;  // resume: the displays come back
    static constexpr UINT_PTR TIMER_RESUME_AFTER = 7;   // resume: the pause after the re-layout
    static constexpr UINT_PTR TIMER_ADDON_RETRY = 11;   // start-up: the add-on access object's retry
    static constexpr UINT_PTR TIMER_TRAY_RETRY = 12;    // the tray icon's retries while the shell is not ready
    static constexpr UINT_PTR kAllTimers[] = {TIMER_ADDON_POLL,          TIMER_ADDON_SAMPLE,  TIMER_REAPPLY,
                                              TIMER_REAPPLY_GUARD,       TIMER_RESUME_SETTLE, TIMER_RESUME_AFTER,
                                              TIMER_DISPLAYCHANGE_GUARD, TIMER_APPLY_GUARD,   TIMER_ADDON_RETRY,
                                              TIMER_TRAY_RETRY};

    CVELKMIRADlg();
    ~CVELKMIRADlg() override;

    // Destroys the window; its WM_DESTROY runs the shut-down (ShutDown)
    // before the pages go. FALSE when there is no window any more.
    BOOL DestroyWindow();

    // 1 on success, 0 when a tab text is missing.
    int InitTabPages();
    // Shows page index (0..4) in the tab's display area and hides the others.
    void ShowTabPage(int index);
    // Loads Tarnlet.dll from the program's folder and installs its hooks.
    bool LoadHookLibrary();
    // Tells the hook library the four report messages; 1 when all setters exist.
    int SetHookNotifyMessages();
    // Recomposes and applies the desktop wallpaper.
    void ApplyWallpaper();
    // 1 when the Active Desktop object could be created.
    int EnableActiveDesktop();
    // Adds or modifies the tray icon with a tip string and an icon resource; true.
    bool SetTrayIcon(DWORD action, UINT tipId, UINT iconId);

    // Settings window and tray commands.
    void OnSettingCommand();
    void OnExitCommand();
    // Ends the About box and every other dialog this window owns (a page's
    // colour or file dialog): their modal loops run inside this window's,
    // which could not end while one of them still runs.
    void EndOwnedDialogs();
    void OnAboutCommand();
    void OnHelpCommand();
    LRESULT OnTrayNotify(WPARAM w, LPARAM l);

    // Apply: every page's apply in a fixed order, then the Apply guard.
    void OnApply();
    // Starts the delayed re-apply unless re-applying is suppressed.
    void StartReapplyTimer();
    // The extra-taskbar refresh, not re-entered while it runs.
    void RefreshAppSettingGuarded();
    // Rebuilds the display table and writes the sections "Monitor0".."Monitor9".
    void SaveDisplayList();
    // Brings the pages in line with a changed display table.
    void RefreshPagesAfterDisplayChange();

    static std::span<const velk::MessageEntry<CVELKMIRADlg>> MessageTable();

    // State the other parts and the tests read.
    AddOnMonitor* AddOnAccess() const noexcept override { return AddOn.get(); }
    HMODULE HookLibrary() const noexcept { return HookModule.get(); }
    bool IsInitialised() const noexcept { return Initialised != 0; }
    const NOTIFYICONDATAW& TrayIcon() const noexcept { return TrayIconData; }
    velk::CDialog* Page(int index) const noexcept {
        return index >= 0 && index < kPageCount ? Pages[index] : nullptr;
    }
    HWND ApplyButtonWindow() const noexcept { return ApplyButton.GetSafeHwnd(); }
    HWND TabWindow() const noexcept { return Tab.GetSafeHwnd(); }
    bool IsApplyRunning() const noexcept { return ApplyRunning != 0; }
    bool IsReapplySuppressed() const noexcept { return ReapplySuppressed != 0; }
    bool IsSessionEnding() const noexcept { return SessionEnding != 0; }
    int AddOnPollTickCount() const noexcept { return AddOnPollTicks; }
    bool IsAddOnPollSampling() const noexcept { return AddOnSamples.IsRunning(); }
    // Start-up still has steps to run (it waits for the add-on retry or the
    // tray icon's retries on a timer).
    bool IsStartUpPending() const noexcept { return StartUpNext != StartUpStage::Done; }
    // Resume from standby is between its resume and the end of its second pause.
    bool IsResumePending() const noexcept { return ResumeStage != 0; }

protected:
    BOOL OnInitDialog() override;
    // What the Extra desktop page reads of this window.
    bool IsSettingsShown() const noexcept override { return SettingsShown; }
    MoveGate& WindowMoveGate() noexcept override { return *this; }
    // What the Setting page reads of this window.
    bool IsVideoOptimizeChosen() const override { return OtherSettingPage.IsVideoOptimizeChecked(); }
    void ApplyDefaultAudioDevice() override { OtherSettingPage.ApplyDefaultAudioDevice(); }
    void DoDataExchange(velk::DataExchange& dx) override;

private:
    LRESULT OnTabSelChange(NMHDR* header);
    void OnOkHide();
    // The Apply button: what the pages show becomes applied, then Apply.
    void OnApplyButton() {
        WallpaperPage.CommitWallpaperEdits();
        OnApply();
    }
    void OnCancelHide();
    LRESULT OnSysCommandHide(WPARAM w, LPARAM l);
    LRESULT OnWindowPosChangingHidden(WPARAM w, LPARAM l);
    LRESULT OnHelpInfoOpen(WPARAM w, LPARAM l);
    LRESULT OnDestroyShutDown(WPARAM w, LPARAM l);

    // Window events.
    LRESULT OnPaint(WPARAM w, LPARAM l);
    LRESULT OnQueryDragIcon(WPARAM w, LPARAM l);
    LRESULT OnWinMoveNext(WPARAM w, LPARAM l);
    LRESULT OnMenuPopup(WPARAM w, LPARAM l);
    LRESULT OnMenuSelected(WPARAM w, LPARAM l);
    LRESULT OnAppCreateDestroyNotify(WPARAM w, LPARAM l);
    LRESULT OnHotKeyPressed(WPARAM w, LPARAM l);
    void OnDisplayProperty();
    void OnIdentifyDisplay();
    LRESULT OnSettingChange(WPARAM w, LPARAM l);
    LRESULT OnDeviceChangeAudio(WPARAM w, LPARAM l);
    LRESULT OnDisplayChanged(WPARAM w, LPARAM l);
    LRESULT OnQueryEndSessionMark(WPARAM w, LPARAM l);
    LRESULT OnMainTimer(WPARAM w, LPARAM l);
    LRESULT OnAddOnCallback(WPARAM w, LPARAM l);

    // Resuming automatically from standby starts the resume's steps.
    LRESULT OnPowerBroadcast(WPARAM w, LPARAM l);
    // WM_CLOSE ends the program, and every dialog this window owns with it.
    LRESULT OnCloseEndProgram(WPARAM w, LPARAM l);
    // The shell restarted ("TaskbarCreated"): the tray icon and the bars again.
    LRESULT OnTaskbarCreated(WPARAM w, LPARAM l);
    // UM_PAGECHANGED sets the Apply button's state.
    LRESULT OnPageChanged(WPARAM w, LPARAM l);
    // Resuming from standby: lets the displays come back (a timer), then
    // re-lays the desktop.
    void OnResumeFromStandby();
    // The resume's timers: the displays are read again, then its pause ends.
    void OnResumeSettled();
    void OnResumeEnded();
    // One tick of the add-on poll: starts its samples.
    void PollAddOnDisplays();
    // One sample of the add-on poll; the last one ends the tick.
    void TakeAddOnPollSample();
    // BuildDisplayList into HighestNumber and DisplayCount.
    void RebuildDisplayTable();
    // DisplayCount seconds, the period of the re-apply and Apply guard timers.
    UINT DisplayCountDelayMs() const noexcept;

    // Apply's pages in their fixed order; a page that cannot go on skips the
    // rest of them (the steps after the pages run in any case).
    void ApplyPages();
    // Ends the modal run at start-up; OnInitDialog then answers TRUE at once.
    BOOL EndStartUp();
    // Start-up's steps from the tray icon on, run when they are due: each
    // stage ends where the tray icon's retries make it wait.
    enum class StartUpStage { AddTrayIcon, AfterTrayAdd, AfterTrayModify, Done };
    void ContinueStartUp(StartUpStage stage);
    // The add-on access object's one retry, 10 s after the first try failed.
    void RetryAddOnAccess();
    // A due retry of the tray icon call; start-up goes on when the call is done.
    void RetryTrayIcon();
    // The tray icon call has no retry due any more: start-up goes on if it waited.
    void TrayCallDone();
    // Kills every timer of this window (shut-down).
    void KillAllTimers();
    // Hides the settings window and reloads what was changed but not applied.
    void HideAndReload();
    // The shut-down: releases the add-on access, the watch thread, the
    // display table and tray icon, the instance property and the hooks, in
    // that order. Run by WM_DESTROY only, once.
    void ShutDown();

    std::unique_ptr<AddOnMonitor> AddOn;
    uint8_t ApplyRunning = 0;
    velk::CDialog* Pages[kPageCount] = {};
    velk::CTabCtrl Tab;
    CSettingProp SettingPage;
    CHotkeyDialog HotkeyPage;
    CAppSettingProp AppSettingPage;
    uint8_t Initialised = 0;
    uint8_t SessionEnding = 0;
    CWallpaperProp WallpaperPage;
    OtherSetting OtherSettingPage;
    velk::CButton ApplyButton;
    HICON Icon = nullptr;
    NOTIFYICONDATAW TrayIconData{};
    uint8_t ReapplySuppressed = 0;
    uint8_t TaskbarRefreshGuard = 0;
    CAboutDlg AboutBox;
    // Constructed only: never created as a window here.
    CChangeNumber ChangeNumberDialog;
    velk::UniqueModule HookModule;
    int32_t IdentifyRunning = 0;
    int32_t VirtualScreenWidth = 0;
    int32_t VirtualScreenHeight = 0;
    int32_t AddOnPollTicks = 0;
    AddOnSettling AddOnSamples;  // the samples of the add-on poll's current tick

    std::unique_ptr<DisplayList> DisplayTable;  // the program's display table while it runs
    bool ShutDownDone = false;  // ShutDown has run
    uint8_t DisplayChangePending = 0;  // a display change came within the guard period
    // 1 from the first display change of a burst, which starts its delayed
    // Apply, until a guard period ends without a further change.
    uint8_t BurstReapplyStarted = 0;
    uint8_t ReapplyPending = 0;  // TIMER_REAPPLY runs
    std::vector<uint32_t> AddOnProductIds;  // kept for the add-on access's retry
    StartUpStage StartUpNext = StartUpStage::AddTrayIcon;
    TrayIconCall TrayCall;  // the last tray icon call, with its retries
    int ResumeStage = 0;  // 1 waiting for the displays, 2 in the pause after
};
