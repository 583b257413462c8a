// The Wallpaper page (second tab of the settings window) and the wallpaper
// engine operations the main dialog drives.
#pragma once
#include "framework/dialog.h"
#include <objbase.h>
#include <cstdint>

class CWallpaperProp : public velk::CDialog {
public:
    static constexpr UINT kTemplateId = 135;
    // The page lives as long as the main dialog, so COM is initialised on the
    // user-interface thread here for every shell object the program uses.
    CWallpaperProp() noexcept : CDialog(kTemplateId), comInitialised_(SUCCEEDED(::CoInitialize(nullptr))) {}
    ~CWallpaperProp() override {
        if (comInitialised_) ::CoUninitialize();
    }
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
    // Shows the chosen display's settings in the controls.
    void OnCbnSelchangeDisplay();
    // 1 when the Windows wallpaper is the program's composite.
    uint8_t CaptureOsWallpaper();
    // Restarts (or stops) the automatic change timer; answers false.
    bool RestartAutoChangeTimer();

    // Size of the virtual screen when the pages were created.
    int32_t VirtualScreenWidth = 0;
    int32_t VirtualScreenHeight = 0;

private:
    bool comInitialised_;
};
