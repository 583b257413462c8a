// The Wallpaper page (second tab of the settings window) and the wallpaper
// engine operations the main dialog drives.
#pragma once
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/handles.h"
#include "wallpaper/list_operation.h"
#include <objbase.h>
#include <array>
#include <cstdint>
#include <span>
#include <string>

// Units of a picture path or folder, terminator included.
inline constexpr int kWallpaperPathUnits = MAX_PATH;

// The wallpaper settings of one display slot.
struct WallpaperRecord {
    int32_t style;                 // 0 centre, 1 tile, 2 stretch, 3 keep aspect
    COLORREF backColor;            // drawn under and around the picture
    wchar_t picturePath[kWallpaperPathUnits];  // empty: the captured Windows wallpaper
    uint8_t autoChange;            // 1: the picture changes automatically
    int32_t intervalIndex;         // position in the interval list
    int32_t sortStyle;             // order of the picture list
    int32_t currentNumber;         // position of the picture in the sorted list; -1 unknown
    wchar_t pictureFolder[kWallpaperPathUnits];  // drive and folder of the picture path
};

class CWallpaperProp : public velk::MessageMapped<CWallpaperProp, velk::CDialog> {
public:
    static constexpr UINT kTemplateId = 135;
    // Controls of the page.
    static constexpr int kDisplayComboId = 1001;
    static constexpr int kDisplayCaptionId = 1007;
    static constexpr int kBrowseId = 1009;
    static constexpr int kPathId = 1010;
    static constexpr int kUseWallpaperId = 1011;
    static constexpr int kFileCaptionId = 1012;
    static constexpr int kStyleCaptionId = 1013;
    static constexpr int kStyleComboId = 1014;
    static constexpr int kPreviewId = 1015;
    static constexpr int kBackgroundId = 1016;
    static constexpr int kSwatchId = 1017;
    static constexpr int kIntervalComboId = 1090;
    static constexpr int kOrderComboId = 1091;
    static constexpr int kAutoChangeId = 1092;
    static constexpr int kIntervalCaptionId = 1093;
    static constexpr int kOrderCaptionId = 1094;
    static constexpr int kNextId = 1095;
    static constexpr int kPrevId = 1096;
    // The automatic change's timer on the page's window.
    static constexpr UINT_PTR kAutoChangeTimer = 1;
    // Ticks in one cycle of the automatic change; one tick stands for 5 minutes.
    static constexpr int32_t kTicksPerCycle = 36;

    // The page lives as long as the main dialog, so COM is initialised on the
    // user-interface thread here for every shell object the program uses.
    CWallpaperProp() noexcept;
    ~CWallpaperProp() override;
    CWallpaperProp(const CWallpaperProp&) = delete;
    CWallpaperProp& operator=(const CWallpaperProp&) = delete;

    // Sets the page up once after the main dialog created it; highest is the
    // highest display number of the last display table build.
    BOOL InitWallpaperPage(int32_t highest);
    // Brings the display list and controls up to date with the display table.
    BOOL RefreshWallpaperPage(uint32_t count);
    // 1 saved; 0 nothing written.
    BOOL SaveWallpaperSettings();
    // Composes the whole-desktop picture and makes it the wallpaper.
    BOOL ComposeDesktopWallpaper();
    // 1 when the desktop wallpaper must be composed and applied again.
    int IsWallpaperRecomposeNeeded();
    // Reloads the settings from the profile, dropping changes not yet applied; 1.
    int LoadWallpaperSettings();
    // True when a present display changes its picture automatically.
    bool IsAnyAutoChangeOn();
    // Renders display `index`'s picture at the display's size and shows it.
    BOOL RecomposeDisplayPreview(int32_t index);
    // 1 when the Windows wallpaper is the program's composite.
    uint8_t CaptureOsWallpaper();
    // Puts the captured Windows wallpaper back while "Use Wallpaper" is off.
    bool RestoreOsWallpaper();

    // Shows the chosen display's settings in the controls.
    void OnCbnSelchangeDisplay();
    // Enables the controls by "Use Wallpaper"; answers 1.
    int EnableWallpaperControls();
    // The display slot of the display combo's selected item (0 when none matches).
    int32_t GetDisplayIndexFromCombo();

    // Picture lists: rebuilds every display's list from its picture's folder.
    void RebuildWallpaperFileLists();
    // Automatic change: restarts (or stops) the timer from tick 0; answers false.
    bool RestartAutoChangeTimer();
    // Steps every display whose interval is due after `elapsed` minutes of the cycle.
    bool AdvanceAutoWallpaper(uint32_t elapsed);
    // Steps the shown display to its next (forward 1) or previous picture.
    bool StepWallpaper(uint8_t forward);
    void EnableAutoChangeControls(uint8_t on);
    // Minutes of an interval index: 5, 10, 15, 20, 30, 45, 60.
    static uint32_t IntervalMinutes(int32_t index) noexcept;

    static std::span<const velk::MessageEntry<CWallpaperProp>> MessageTable();

    // Size of the virtual screen when the pages were created.
    int32_t VirtualScreenWidth = 0;
    int32_t VirtualScreenHeight = 0;

    // The settings of the ten display slots and the page-wide values.
    std::array<WallpaperRecord, 10> Records{};
    int32_t CurrentDisplayIndex = 0;
    uint8_t UseOsWallpaper = 1;
    uint8_t AnyAutoChange = 0;
    int32_t TickCounter = 0;
    // The picture lists of the ten slots and their list objects.
    std::array<ListOperation::FileList, 10> FileLists;
    std::array<ListOperation, 10> ListOperations;

    // Texts exchanged with the page's statics.
    std::wstring PathText;
    std::wstring KeptAsidePath;

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

    HWND ParentWindow() const noexcept { return hwnd_ ? ::GetParent(hwnd_) : nullptr; }
    void NotifyParentChanged() const;
    void EnableControl(int id, bool enable) const noexcept { ::EnableWindow(GetDlgItem(id), enable ? TRUE : FALSE); }
    bool IsChecked(int id) const noexcept { return ::SendMessageW(GetDlgItem(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void SetSwatchColor(COLORREF color);
    // The picture path of a slot made of its folder and a list entry; false
    // (and nothing changed) when it would not fit.
    static bool SetPicturePath(WallpaperRecord& record, const std::wstring& path) noexcept;
    // Moves a slot's position by one (wrapping), skipping pictures that have
    // vanished since the list was made; false when no listed picture is left.
    bool StepSlot(int32_t slot, bool forward, const std::wstring& folder);
    // Position of a file name in a slot's list, searched from the end without
    // regard to case; -1 when it is not there.
    int32_t FindInList(int32_t slot, const wchar_t* fileName) const;

    velk::CComboBox DisplayCombo;
    velk::CComboBox StyleCombo;
    velk::CComboBox IntervalCombo;
    velk::CComboBox OrderCombo;
    velk::UniqueBrush SwatchBrush;
    // Captions exchanged with the statics 1007, 1012, 1013, 1093 and 1094.
    std::wstring DisplayCaption;
    std::wstring FileCaption;
    std::wstring StyleCaption;
    std::wstring IntervalCaption;
    std::wstring OrderCaption;
    velk::UniqueHandleObj ListMutex;  // "AppVelkmuWallpaperProp", from WM_INITDIALOG to WM_DESTROY
    bool comInitialised_;
};
