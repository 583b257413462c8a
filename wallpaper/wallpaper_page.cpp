#include "wallpaper/wallpaper_page.h"

BOOL CWallpaperProp::InitWallpaperPage(int32_t) { return TRUE; }
void CWallpaperProp::OnCbnSelchangeDisplay() {}
bool CWallpaperProp::RestartAutoChangeTimer() { return false; }
void CWallpaperProp::RebuildWallpaperFileLists() {}
