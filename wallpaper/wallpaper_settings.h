// The per-display wallpaper settings: one record per display slot, their
// profile values, and small helpers the wallpaper engine shares.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <string>

// Units of the record's path buffers, terminator included.
inline constexpr int kWallpaperPathUnits = MAX_PATH;
// Back colour of a display without stored settings (0x00BBGGRR).
inline constexpr COLORREF kDefaultWallpaperBackColor = 0x806000;
// Interval index of a display without stored settings.
inline constexpr int32_t kDefaultWallpaperInterval = 4;

// How a picture is placed on its display.
enum WallpaperStyle : int32_t {
    kWallpaperCenter = 0,
    kWallpaperTile = 1,
    kWallpaperStretch = 2,
    kWallpaperKeepAspect = 3,
};

// The wallpaper settings of one display slot.
struct WallpaperRecord {
    int32_t Style;                              // WallpaperStyle
    COLORREF BackColor;                         // drawn under and around the picture
    wchar_t PicturePath[kWallpaperPathUnits];   // empty: the captured Windows wallpaper
    uint8_t AutoChange;                         // 0 or 1
    int32_t IntervalIndex;                      // position in the page's interval list
    int32_t SortStyle;                          // 0 name, 1 date, 2 random
    int32_t CurrentNumber;                      // position in the sorted picture list; -1 not yet known
    wchar_t PictureFolder[kWallpaperPathUnits]; // drive and directory of the picture path
};

// Profile names.
inline constexpr wchar_t kWallpaperSection[] = L"Wallpaper";
// 1 from the moment a composite of the saved settings is asked for until it
// is the desktop wallpaper: a run that ended in between makes it at the next start.
inline constexpr wchar_t kRecomposePendingValue[] = L"RecomposePending";
inline constexpr wchar_t kMonitorSectionFormat[] = L"Monitor%d";
// The composite's file name and the per-display file name format.
inline constexpr wchar_t kCompositeFileName[] = L"VelkDorvix.jpg";
inline constexpr wchar_t kDisplayFileFormat[] = L"%sWallPaper%d.jpg";

// The settings a user sets on a record (not its list position or folder) are the same.
bool SameUserSettings(const WallpaperRecord& a, const WallpaperRecord& b) noexcept;

// "Monitor<index>".
std::wstring MonitorSection(int index);

// Copies text into a buffer of `units` units. A text that does not fit
// (terminator included) leaves the buffer empty and answers false: a cut path
// would name another file.
bool CopyBounded(wchar_t* destination, size_t units, const wchar_t* text) noexcept;

// The folder the pictures are rendered into: the user's temporary folder
// followed by "VELKDORVIX_TEMP\". Ends in a backslash.
std::wstring RenderingFolderPath();
// The same, created when missing.
std::wstring MakeRenderingFolder();
// The rendered picture of display slot `index` in that folder.
std::wstring RenderedFile(int index);

// Lower-cases the letters A to Z only.
std::wstring LowerAscii(std::wstring text);
