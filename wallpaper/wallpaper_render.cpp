// Rendering of one display's picture: the choice of its source, style and
// colour.
#include "display/display_list.h"
#include "framework/app.h"
#include "wallpaper/wallpaper_page.h"

BOOL CWallpaperProp::RecomposeDisplayPreview(int index) {
    std::wstring folder = MakeRenderingFolder();
    if (!HasParentWindow() || index < 0 || index >= kDisplaySlots) return FALSE;
    const DisplayList* displays = CurrentDisplayList();
    int32_t W = displays ? displays->Records[index].Width : 0;
    int32_t H = displays ? displays->Records[index].Height : 0;

    const WallpaperRecord& record = WallpaperRecords[index];
    std::wstring source;
    int32_t style = 0;
    COLORREF color = 0;
    if (UseOsWallpaper || !record.PicturePath[0]) {
        velk::CWinApp* app = velk::AfxGetApp();
        if (!app) return FALSE;
        source = app->GetProfileString(kWallpaperSection, L"OSWallpaper");
        style = static_cast<int32_t>(app->GetProfileInt(kWallpaperSection, L"OSWallpaperStyle", 0));
        color = app->GetProfileInt(kWallpaperSection, L"OSBackColor",
                                   UseOsWallpaper ? 0 : static_cast<int>(kDefaultWallpaperBackColor));
    } else {
        source = record.PicturePath;
        style = record.Style;
        color = record.BackColor;
    }
    Preview.SetImageFile(source.c_str());
    Preview.ComposeDisplayWallpaper(index, source.c_str(), style, color, folder.c_str(), W, H);
    return TRUE;
}
