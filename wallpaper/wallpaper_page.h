// The Wallpaper page (second tab of the settings window) and the wallpaper
// engine operations the main dialog drives.
#pragma once
#include "display/display_list.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/handles.h"
#include "framework/message_table.h"
#include "resources/resource.h"
#include "wallpaper/list_operation.h"
#include "wallpaper/preview_control.h"
#include "wallpaper/recompose_worker.h"
#include "wallpaper/wallpaper_settings.h"
#include <objbase.h>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

class CWallpaperProp : public velk::MessageMapped<CWallpaperProp, velk::CDialog> {
public:
    static constexpr UINT kTemplateId = IDD_WALLPAPER_PAGE;
    // The automatic change's timer on the page's window.
    static constexpr UINT_PTR kAutoChangeTimer = 1;
    // Ticks in one cycle of the automatic change; one tick stands for 5
    // minutes, and 36 ticks (3 hours) is the least cycle every interval of the
    // list divides, 45 minutes included.
    static constexpr int32_t kTicksPerCycle = 36;
    // The page lives as long as the main dialog, so COM is initialised on the
    // user-interface thread here for every shell object the program uses.
    CWallpaperProp() noexcept;
    ~CWallpaperProp() override {
        if (comInitialised_) ::CoUninitialize();
    }
    CWallpaperProp(const CWallpaperProp&) = delete;
    CWallpaperProp& operator=(const CWallpaperProp&) = delete;

    // --- The page's controls (page_controls.cpp) ---
    // Sets the page up once after the main dialog created it; highest is the
    // highest display number of the last display table build.
    BOOL InitWallpaperPage(int32_t highest);
    // Shows the chosen display's settings in the controls.
    void OnCbnSelchangeDisplay();
    // Enables the controls by "Use Wallpaper"; answers 1.
    int EnableWallpaperControls();
    // The display slot of the display combo's selected item (0 when none matches).
    int32_t GetDisplayIndexFromCombo();
    // Enables exactly the controls that do something with the box as it is.
    void UpdateControlStates();

    // --- Picture lists and automatic change (auto_change.cpp) ---
    // Rebuilds every display's picture list and picture folder.
    void RebuildWallpaperFileLists();
    // Restarts (or stops) the automatic change timer from tick 0; answers false.
    bool RestartAutoChangeTimer();
    // Steps every display whose interval is due after `elapsed` minutes of the cycle.
    bool AdvanceAutoWallpaper(uint32_t elapsed);
    // Steps the shown display to its next (forward 1) or previous picture.
    bool StepWallpaper(uint8_t forward);
    void EnableAutoChangeControls(uint8_t on);
    // Minutes of an interval index: 5, 10, 15, 20, 30, 45, 60.
    static uint32_t IntervalMinutes(int32_t index) noexcept;

    static std::span<const velk::MessageEntry<CWallpaperProp>> MessageTable();

    // --- Settings (wallpaper_settings.cpp) ---
    // Reloads the settings from the profile as the applied ones, dropping
    // changes not yet applied; 1.
    int LoadWallpaperSettings();
    // Saves the applied settings: 1 saved; 0 nothing written (no application object).
    BOOL SaveWallpaperSettings();
    // Some present display has automatic change on, as applied.
    bool IsAnyAutoChangeOn();
    // 1 when the desktop wallpaper must be composed and applied again.
    int IsWallpaperRecomposeNeeded();
    // Apply and OK: what the controls show becomes the applied settings.
    void CommitWallpaperEdits();
    // Cancel and the close box: the applied settings go back into the
    // controls and the previews; "Use Wallpaper" as applied.
    void ShowAppliedWallpaperSettings();

    // --- Rendering (wallpaper_render.cpp) ---
    // Has display slot `index` rendered into its "WallPaper<index>.jpg" on the
    // recompose thread; the preview shows the file when it is done.
    BOOL RecomposeDisplayPreview(int index);
    // A request to the recompose thread: the slots of the mask rendered, then
    // the composite when compose is set; its id, 0 when none could be made.
    uint64_t QueueRecompose(uint32_t renderSlots, bool compose);
    // Bit i: display slot i holds a display.
    static uint32_t PresentSlots();
    // Some request to the recompose thread is not answered yet.
    bool IsRecomposePending() const noexcept;
    // The message by which the recompose thread answers.
    static constexpr UINT kRecomposedMessage = WM_APP + 0x105;
    // Called when a finished composite could not be made the wallpaper.
    std::function<void()> OnDesktopApplyFailed;

    // --- Desktop composite (desktop_composite.cpp) ---
    // Composes the whole-desktop picture and makes it the wallpaper.
    BOOL ComposeDesktopWallpaper();
    // Brings the display list and controls up to date with the display table
    // and renders every display's picture.
    BOOL RefreshWallpaperPage(uint32_t count);

    // --- The Windows wallpaper (os_wallpaper.cpp) ---
    // 1 when the Windows wallpaper is the program's composite; otherwise the
    // Windows wallpaper is stored in the profile and the answer is 0.
    uint8_t CaptureOsWallpaper();
    // The shell's wallpaper path (MAX_PATH units) and style; 0, or -100
    // without arguments.
    int GetActiveDesktopWallpaper(wchar_t* path, int32_t* style);
    // Puts the captured Windows wallpaper back while "Use Wallpaper" is off:
    // true then (also when it could not be applied), false while it is on.
    bool RestoreOsWallpaper();
    enum class RestoreOutcome { NotRestoring, Restored, Failed };
    // The same, telling whether the wallpaper was applied.
    RestoreOutcome RestoreOsWallpaperOutcome();

    // The page has a window with a parent.
    bool HasParentWindow() const noexcept { return hwnd_ && ::GetParent(hwnd_); }
    // "Use Wallpaper" (1011) is checked.
    bool IsUseWallpaperChecked() const noexcept;

    // Size of the virtual screen when the pages were created.
    int32_t VirtualScreenWidth = 0;
    int32_t VirtualScreenHeight = 0;

    // The wallpaper settings of the ten display slots as the controls show
    // them, edits not yet applied included.
    WallpaperRecord WallpaperRecords[kDisplaySlots];
    // The settings last applied (or loaded): the only ones saved, composed
    // onto the desktop and stepped by the automatic change.
    WallpaperRecord AppliedRecords[kDisplaySlots];
    // "Use Wallpaper" as last applied: 1 while it is off.
    uint8_t AppliedUseOsWallpaper = 1;
    // The record and display slot the page shows.
    int32_t CurrentDisplayIndex = 0;
    // 1 while "Use Wallpaper" is off: every display shows the Windows wallpaper.
    uint8_t UseOsWallpaper = 1;
    // Some present display changes its picture automatically.
    uint8_t AnyAutoChange = 0;
    // The preview control on static 1015, which also renders the pictures.
    CStaticWinPreview Preview;
    // Brush of the colour swatch (static 1017).
    velk::UniqueBrush SwatchBrush;
    // The picture path shown in static 1010.
    std::wstring PathText;
    // The path shown before "Use Wallpaper" was switched off.
    std::wstring KeptAsidePath;
    // Ticks of the automatic change since its cycle began.
    int32_t TickCounter = 0;
    // The picture lists of the ten slots and their list objects.
    ListOperation::FileList FileLists[kDisplaySlots];
    ListOperation ListOperations[kDisplaySlots];
    // Renders and composes away from the user-interface thread; declared
    // after the preview, whose GDI+ it uses, so it is stopped first.
    RecomposeWorker Recomposer;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(velk::DataExchange& dx) override;
    void OnOK() override {}
    void OnCancel() override;

private:
    void OnBnClickedBackground();
    void OnBnClickedBrowse();
    void OnCbnSelchangeStyle();
    void OnPreviewClicked() {}
    void OnBnClickedUseWallpaper();
    void OnBnClickedAutoChange();
    void OnCbnSelchangeInterval();
    void OnCbnSelchangeOrder();
    void OnBnClickedNext() { StepWallpaper(1); }
    void OnBnClickedPrev() { StepWallpaper(0); }
    LRESULT OnTimer(WPARAM id, LPARAM l);
    LRESULT OnCtlColorStatic(WPARAM dc, LPARAM control);
    LRESULT OnDestroy(WPARAM w, LPARAM l);
    LRESULT OnRecomposed(WPARAM id, LPARAM done);
    // Source, style, colour and size of a slot's picture as shown, or as
    // applied; false without an application object where the profile is needed.
    bool ChooseRenderInputs(int index, DisplayRenderInputs& inputs, bool applied = false);
    // Marks in the profile that the applied settings wait for their composite
    // to reach the desktop, or that they have.
    void MarkRecomposePending(bool pending);

    HWND ParentWindow() const noexcept { return hwnd_ ? ::GetParent(hwnd_) : nullptr; }
    void NotifyParentChanged() const;
    void EnableControl(int id, bool enable) const noexcept { ::EnableWindow(GetDlgItem(id), enable ? TRUE : FALSE); }
    void SetSwatchColor(COLORREF color);
    // "Use Wallpaper", shown and applied, as the desktop shows it at start: on
    // while the composite is the Windows wallpaper or on its way there (which
    // also captures the Windows wallpaper otherwise).
    void SetUseWallpaperFromDesktop();
    // Moves a record of a slot by one position of the slot's list (wrapping),
    // skipping pictures that have vanished since the list was made; false
    // when no listed picture is left.
    bool StepSlot(int32_t slot, WallpaperRecord& record, bool forward, const std::wstring& folder);
    // The slot's list was made from the folder and order of its applied record.
    bool ListServesApplied(int32_t slot) const;
    // Position of a file name in a slot's list, searched from the end without
    // regard to case; -1 when it is not there.
    int32_t FindInList(int32_t slot, const wchar_t* fileName) const;

    // What each slot's picture list was made from.
    struct ListKey {
        bool valid = false;
        std::wstring folder;
        int32_t sortStyle = 0;
        uint64_t folderWritten = 0;
    };
    ListKey listKeys_[kDisplaySlots];

    velk::CComboBox DisplayCombo;
    velk::CComboBox StyleCombo;
    velk::CComboBox IntervalCombo;
    velk::CComboBox OrderCombo;
    velk::CButton UseWallpaperBox;  // "Use Wallpaper"
    velk::CButton AutoChangeBox;
    // Captions exchanged with the statics 1007, 1012, 1013, 1093 and 1094.
    std::wstring DisplayCaption;
    std::wstring FileCaption;
    std::wstring StyleCaption;
    std::wstring IntervalCaption;
    std::wstring OrderCaption;
    // "AppVelkmuWallpaperProp", from WM_INITDIALOG to WM_DESTROY.
    velk::UniqueHandleObj ListMutex;
    bool comInitialised_;
    // InitWallpaperPage has set "Use Wallpaper" from the desktop: from then
    // on a load shows the applied settings in the controls.
    bool pageFilled_ = false;
    // The last AdvanceAutoWallpaper moved some display to another picture.
    bool steppedOnLastAdvance_ = false;
    // The last request made, the last answered, and the request whose
    // composite is to be applied (0: none).
    uint64_t lastRequest_ = 0, lastAnswered_ = 0, composeRequest_ = 0;
};
