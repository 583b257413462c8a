#include "wallpaper/wallpaper_page.h"

// The wallpaper engine (settings, rendering, capture and composite) lands
// here; until then these answer as a page without any stored settings would.

BOOL CWallpaperProp::RefreshWallpaperPage(uint32_t) { return TRUE; }
BOOL CWallpaperProp::SaveWallpaperSettings() { return TRUE; }
BOOL CWallpaperProp::ComposeDesktopWallpaper() { return TRUE; }
int CWallpaperProp::IsWallpaperRecomposeNeeded() { return 0; }
int CWallpaperProp::LoadWallpaperSettings() {
    RebuildWallpaperFileLists();
    AnyAutoChange = IsAnyAutoChangeOn() ? 1 : 0;
    return 1;
}
bool CWallpaperProp::IsAnyAutoChangeOn() {
    for (const auto& record : Records)
        if (record.autoChange == 1) return true;
    return false;
}
BOOL CWallpaperProp::RecomposeDisplayPreview(int32_t) { return TRUE; }
uint8_t CWallpaperProp::CaptureOsWallpaper() { return 0; }
bool CWallpaperProp::RestoreOsWallpaper() { return false; }

CWallpaperProp::CWallpaperProp() noexcept
    : MessageMapped(kTemplateId), comInitialised_(SUCCEEDED(::CoInitialize(nullptr))) {
    for (auto& record : Records) record.currentNumber = -1;
}

CWallpaperProp::~CWallpaperProp() {
    if (comInitialised_) ::CoUninitialize();
}
