// The Extra desktop page (fourth tab of the settings window): the extra
// taskbar with its tracked-window table, the desktop icon positions and the
// gathering of windows.
#pragma once
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/handles.h"
#include "resources/resource.h"
#include "taskbar/app_setting_host.h"
#include "taskbar/desktop_icons.h"
#include "taskbar/icon_task.h"
#include "taskbar/taskbar_control.h"
#include "taskbar/taskbar_button.h"
#include "taskbar/taskbar_theme.h"
#include "taskbar/tracked_windows.h"
#include <coroutine>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>

class CTaskbarEx;

// Highest display number that can carry an extra taskbar.
inline constexpr int kExtraTaskbarNumbers = 10;

class CAppSettingProp : public velk::MessageMapped<CAppSettingProp, velk::CDialog> {
public:
    static constexpr UINT kTemplateId = IDD_APPSETTING_PAGE;
    // The taskbar refresh timer of the page and its period.
    static constexpr UINT_PTR kTaskbarRefreshTimer = 1;
    static constexpr UINT kTaskbarRefreshMs = 3000;
    // Timer 2: the icon restore 15 seconds after the page was initialised.
    static constexpr UINT_PTR kTimerRestoreIcons = 2;
    // Timer 3: the next step of a running icon save or restore.
    static constexpr UINT_PTR kTimerIconSteps = 3;
    // Work of one step before it gives the thread back, and the gap between steps.
    static constexpr DWORD kIconSliceMs = 50;
    static constexpr UINT kIconStepGapMs = 10;

    CAppSettingProp() noexcept;
    ~CAppSettingProp() override;
    // The window that holds the page; set before the page is created. Without
    // one, Gather moves nothing and the page keeps no taskbar tab for it.
    void SetHost(AppSettingHost* host) noexcept { Host = host; }

    static std::span<const velk::MessageEntry<CAppSettingProp>> MessageTable();

    // ---- The page's settings ("AppSetting")
    // The flags below hold what was last applied (or loaded); the check
    // boxes show what the user may change, which counts only once committed.
    // Reads the page's check boxes into its settings.
    void ReadAppSettingChecks();
    // Writes the page's applied settings to the profile.
    void SaveAppSettings();
    // Apply and OK: the check boxes become the applied settings.
    void CommitShown();
    // Cancel and the close box: the check boxes show the applied settings.
    void ShowApplied();
    // Check-box handler shared with the other pages: sends UM_PAGECHANGED.
    void NotifyPageChanged();

    // ---- Tracked windows
    // Rebuilds TrackedWindowTable from the top-level windows.
    void RefreshWindowTable();

    // ---- Taskbar skin
    // Chooses Skin from the user's visual style as the shell records it.
    void DetectTaskbarTheme();

    // ---- The extra-taskbar controller
    // Brings the bars in line with the use-taskbar flag.
    void ApplyUseTaskbar();
    // While the bars run, rebuilds them with the current check-box states.
    void ReapplyTaskbarSettings();
    // One bar per non-primary display of the display table.
    void CreateExtraTaskbars(uint8_t onTop);
    // Removes every bar and button and gives every tracked window back to
    // the Windows taskbar.
    void DestroyExtraTaskbars();
    // Drops the buttons whose window left or changed display, creates the
    // missing ones and tells the Windows taskbar which windows to show.
    void SyncTaskbarButtons();
    void RemoveAllTaskbarButtons();
    // Within a round: the window's tab in the Windows taskbar as wanted,
    // through the tab list only when that differs from what this program
    // last set (a window never changed has its tab).
    void SetTaskbarTab(TaskbarTabRound& round, HWND window, bool shown);
    // The shell restarted: every bar registers with it again, the tabs taken
    // from the old shell are forgotten and, while the bars run, a full round
    // takes them from the new one.
    void RegisterExtraTaskbarsAgain();
    // The first button slot without a target, or -1.
    int FindFreeButtonSlot() const noexcept;
    // UM_APPCREATEDESTROY from the hook library's shell hook; answers 1.
    LRESULT OnAppCreateDestroyNotify(WPARAM w, LPARAM l);

    // The bar of a display number, or null.
    CTaskbarEx* ExtraTaskbarOf(int number) const noexcept;

    // ---- Desktop icon positions ("IconPosition", "IconPositionBackup")
    // Each of these is a task: it runs in steps once started by StartIconJob
    // (or awaited by a running task).
    // Finds the shell's desktop list view into the access (ListView stays
    // null when there is none) and attaches the access's list control. When
    // the shell is not up, looks again after each of up to 11 steps of 1 s.
    IconTask FindDesktopListView(DesktopIconAccess& access);
    static BOOL CALLBACK FindFolderViewProc(HWND window, LPARAM access);
    // Reads one icon's position and text from the list view's process. False
    // (item untouched) when the process cannot be opened, the remote memory
    // cannot be had or the item no longer exists.
    bool ReadDesktopIconItem(DesktopIconAccess& access, int index, DesktopIconItem& item);
    // Writes the present icon positions under the section: 0, or
    // kIconTaskGaveUp when the shell stopped answering (the section is then
    // incomplete).
    IconTask SaveIconPositions(std::wstring section);
    // 0 all icons in place; > 0 icons still misplaced after the last pass
    // (every icon when the shell stopped answering half-way); -1 no
    // application object; -10 the user kept auto-arrange; -20 the saved
    // layout does not fit the present displays; kIconTaskGaveUp the shell
    // did not answer before any icon moved.
    IconTask RestoreIconPositions(std::wstring section);
    // Number of icons whose saved place does not fit the present displays
    // (-1 without an application object). Leaves the access for the caller.
    IconTask CheckIconLayout(std::wstring section);
    // The buttons: each starts its task unless an icon task runs already, in
    // which case the request is ignored (a restart would take the half-way
    // positions as the backup of the positions before the restore).
    void OnBnClickedSaveIcons();
    void OnBnClickedRestoreIcons();
    // Runs the task in steps on the page's step timer; false (task dropped)
    // while another icon task runs. A page without a window runs it at once.
    bool StartIconJob(IconTask task);
    bool IconJobRunning() const noexcept { return static_cast<bool>(IconJob); }
    // The answer of the last icon task that ran to its end.
    std::optional<int> IconJobResult() const noexcept { return LastIconResult; }
    // The access of the last icon operation, null when released.
    const DesktopIconAccess* IconAccess() const noexcept { return DesktopIcons.get(); }

    // ---- Gather and restore windows ("AppPosition")
    void OnBnClickedGather();
    void OnBnClickedRestoreWindows();

    // Options of the "Taskbar" group (0 or 1 each) and the controller's state.
    uint8_t UseTaskbar = 0;
    uint8_t TaskbarOnTop = 0;
    uint8_t SeparateButtons = 0;  // windows on other displays have buttons only on the extra taskbars
    uint8_t Running = 0;          // 1 while the bars exist
    uint8_t RestoreAtStart = 0;   // restore the icons 15 s after the start
    TaskbarSkin Skin;
    // The bars by display number (index 0 unused).
    std::unique_ptr<CTaskbarEx> ExtraTaskbarByNumber[kExtraTaskbarNumbers + 1];
    // The button slots; a slot is free while its Target is 0.
    CTaskBarButton TaskButtons[kTaskButtonCount];
    // The windows whose Windows taskbar tab this program deleted.
    std::set<HWND> TabsDeleted;
    // The tracked-window table's guard, from the page's initialisation to its destruction.
    velk::UniqueHandleObj EnumAppMutex;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(velk::DataExchange& dx) override;

private:
    void OnBnClickedUseTaskbar();
    void OnBnClickedFlush();
    LRESULT OnTimer(WPARAM w, LPARAM l);
    LRESULT OnDestroy(WPARAM w, LPARAM l);

    // Closes a bar, unregisters it from the shell and deletes it.
    void RemoveExtraTaskbar(int number);
    // Drops button slot i and every button right of it on the same bar.
    void DropTaskButton(int i);
    // The main dialog's window (the page's parent), or null.
    HWND MainWindow() const noexcept;

    // A fresh access in place of the previous one, in DesktopIcons.
    IconTask NewIconAccess();
    // Waits in steps until the shell answers again: 1, or 0 (GaveUp set)
    // once it has not answered for the whole patience.
    IconTask AwaitShell(DesktopIconAccess& access);
    // Makes the call, again after each wait while the shell does not answer:
    // 1 when the call succeeded, 0 when it failed or the shell was given up.
    IconTask WhenShellAnswers(DesktopIconAccess& access, std::function<bool()> call);
    IconTask ReadIconWhenAnswered(DesktopIconAccess& access, int index, DesktopIconItem& item);
    // The list view's item count (0 without one or when given up).
    IconTask CountIconsWhenAnswered(DesktopIconAccess& access);
    // Clears auto-arrange without waiting for the shell (GaveUp when it stays).
    IconTask ClearAutoArrange(DesktopIconAccess& access);
    // Puts the section's set aside in place in steps: 1, or 0 when it failed
    // (a complete set aside then waits for the next start).
    IconTask SwapInStepwise(std::wstring section);
    // The bodies of the two buttons.
    IconTask SaveIconsJob();
    IconTask RestoreIconsJob();
    void RepaintDesktopList();
    LRESULT OnIconJobQuery(WPARAM w, LPARAM l);
    // A step point of an icon task: goes on at once while the step's time
    // lasts, else (and always for a wait) the step timer resumes it.
    struct IconStep {
        CAppSettingProp& page;
        DWORD waitMs;
        bool await_ready() const noexcept { return page.IconStepGoesOn(waitMs); }
        void await_suspend(std::coroutine_handle<> at) noexcept { page.SuspendIconJob(at, waitMs); }
        void await_resume() const noexcept {}
    };
    IconStep Step(DWORD waitMs = 0) noexcept { return IconStep{*this, waitMs}; }
    bool IconStepGoesOn(DWORD waitMs) const noexcept;
    void SuspendIconJob(std::coroutine_handle<> at, DWORD waitMs) noexcept;
    void ResumeIconJob(std::coroutine_handle<> at) noexcept;
    // Ends a running icon task wherever it stands, releasing its access.
    void CancelIconJob() noexcept;
    void ReleaseDesktopIconAccess() noexcept;
    // True when the window is one of the extra taskbars.
    bool IsExtraTaskbarWindow(HWND window) const noexcept;
    void EnableItem(int id, bool enable) const noexcept;
    // Enables "Always on top." and the separate option as the shown
    // use-taskbar box allows (never on systems too new for the bars).
    void EnableTaskbarOptions() const noexcept;

    AppSettingHost* Host = nullptr;
    std::unique_ptr<DesktopIconAccess> DesktopIcons;
    // The running icon task (after DesktopIcons: it goes first), where it
    // goes on at the next step, and the state of the step running now.
    IconTask IconJob;
    std::coroutine_handle<> IconResume;
    std::optional<int> LastIconResult;
    DWORD IconStepStart = 0;
    bool IconStepping = false;
    bool IconCancelled = false;
    // The five check boxes bound by DoDataExchange.
    velk::CButton UseTaskbarCheck;      // IDC_APP_USE_TASKBAR
    velk::CButton AutoHideCheck;        // IDC_APP_AUTO_HIDE
    velk::CButton OnTopCheck;           // IDC_APP_ON_TOP
    velk::CButton RestoreAtStartCheck;  // IDC_APP_RESTORE_AT_START
    velk::CButton SeparateCheck;        // IDC_APP_SEPARATE_BUTTONS
};
