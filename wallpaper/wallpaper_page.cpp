#include "wallpaper/wallpaper_page.h"

BOOL CWallpaperProp::InitWallpaperPage(int32_t) { return TRUE; }
BOOL CWallpaperProp::RefreshWallpaperPage(uint32_t) { return TRUE; }
BOOL CWallpaperProp::SaveWallpaperSettings() { return TRUE; }
BOOL CWallpaperProp::ComposeDesktopWallpaper() { return TRUE; }
int CWallpaperProp::IsWallpaperRecomposeNeeded() { return 0; }
int CWallpaperProp::LoadWallpaperSettings() { return 1; }
void CWallpaperProp::OnCbnSelchangeDisplay() {}
uint8_t CWallpaperProp::CaptureOsWallpaper() { return 0; }
bool CWallpaperProp::RestartAutoChangeTimer() { return false; }
