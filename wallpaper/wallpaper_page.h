// The Wallpaper page (second tab of the settings window) and the wallpaper
// engine operations the main dialog drives.
#pragma once
#include "display/display_list.h"
#include "framework/dialog.h"
#include "framework/handles.h"
#include "wallpaper/preview_control.h"
#include "wallpaper/wallpaper_settings.h"
#include <objbase.h>
#include <cstdint>
#include <string>

class CWallpaperProp : public velk::CDialog {
public:
    static constexpr UINT kTemplateId = 135;
    // The page lives as long as the main dialog, so COM is initialised on the
    // user-interface thread here for every shell object the program uses.
    CWallpaperProp() noexcept;
    ~CWallpaperProp() override {
        if (comInitialised_) ::CoUninitialize();
    }
    CWallpaperProp(const CWallpaperProp&) = delete;
    CWallpaperProp& operator=(const CWallpaperProp&) = delete;

    // Sets the page up once after the main dialog created it; highest is the
    // highest display number of the last display table build.
    BOOL InitWallpaperPage(int32_t highest);
    // Shows the chosen display's settings in the controls.
    void OnCbnSelchangeDisplay();
    // Restarts (or stops) the automatic change timer; answers false.
    bool RestartAutoChangeTimer();
    // Rebuilds every display's picture list and picture folder.
    void RebuildWallpaperFileLists();

    // --- Settings (wallpaper_settings.cpp) ---
    // Reloads the settings from the profile, dropping changes not yet applied; 1.
    int LoadWallpaperSettings();
    // 1 saved; 0 nothing written (no application object).
    BOOL SaveWallpaperSettings();
    // Some present display has automatic change on.
    bool IsAnyAutoChangeOn();
    // 1 when the desktop wallpaper must be composed and applied again.
    int IsWallpaperRecomposeNeeded();

    // --- Rendering (wallpaper_render.cpp) ---
    // Renders display slot `index` into its "WallPaper<index>.jpg".
    BOOL RecomposeDisplayPreview(int index);

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

    // The wallpaper settings of the ten display slots.
    WallpaperRecord WallpaperRecords[kDisplaySlots];
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

private:
    bool comInitialised_;
};
