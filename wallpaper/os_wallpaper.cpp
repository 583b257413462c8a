// Capture and restore of the Windows wallpaper, and the two roads to the
// shell's wallpaper: the Active Desktop object and the system parameter.
#include "wallpaper/os_wallpaper.h"
#include "display/shared_functions.h"
#include "framework/app.h"
#include "framework/handles.h"
#include "wallpaper/wallpaper_page.h"
#include "wallpaper/wallpaper_settings.h"
#include <cwchar>
#include <string>

namespace {

// Save, generate, refresh and force (the SDK's AD_APPLY_ALL leaves out force).
constexpr DWORD kApplyAll = AD_APPLY_ALL | AD_APPLY_FORCE;

constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kColorsKey[] = L"Control Panel\\Colors";
// Lengths the capture reads, in characters (terminator not counted).
constexpr DWORD kPathChars = MAX_PATH - 1;
constexpr DWORD kStyleChars = 3;
constexpr DWORD kColorChars = 15;
// Where Windows before 6.0 keeps the pictures it converted for the desktop.
constexpr wchar_t kConvertedFolder[] = L"application data\\microsoft\\wallpaper";
// Every file in the rendering folder is ours.
constexpr wchar_t kRenderingFolderPart[] = L"\\velkdorvix_temp\\";

// A string value of an open key of at most maxChars characters; missing,
// of another type or longer: empty.
std::wstring ReadBoundedString(HKEY key, const wchar_t* name, DWORD maxChars) {
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD type = 0, bytes = (maxChars + 1) * sizeof(wchar_t);
    if (!key || ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) !=
                    ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return {};
    size_t units = bytes / sizeof(wchar_t);
    buffer[units < maxChars + 1 ? units : maxChars] = L'\0';
    return buffer;
}

velk::UniqueKey OpenForReading(const wchar_t* path) {
    velk::UniqueKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) key.reset();
    return key;
}

bool Contains(const std::wstring& text, const wchar_t* part) { return text.find(part) != std::wstring::npos; }

// The desktop's style from "TileWallpaper" and "WallpaperStyle".
int32_t RegistryWallpaperStyle() {
    velk::UniqueKey key = OpenForReading(kDesktopKey);
    std::wstring tile = ReadBoundedString(key.get(), L"TileWallpaper", kStyleChars);
    std::wstring style = ReadBoundedString(key.get(), L"WallpaperStyle", kStyleChars);
    return WpStyleOf(LeadingNumber(tile.c_str()), LeadingNumber(style.c_str()));
}

bool ApplyThroughSystemParameter(const wchar_t* path, int32_t style) {
    DesktopStyleValues values = DesktopStyleValuesOf(style);
    velk::UniqueKey key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                          nullptr) == ERROR_SUCCESS) {
        auto set = [&](const wchar_t* name, const wchar_t* value) {
            ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                             static_cast<DWORD>((::wcslen(value) + 1) * sizeof(wchar_t)));
        };
        set(L"TileWallpaper", values.tile);
        set(L"WallpaperStyle", values.style);
    }
    return ::SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, const_cast<wchar_t*>(path),
                                   SPIF_UPDATEINIFILE | SPIF_SENDCHANGE) != FALSE;
}

}  // namespace

void ReadWindowsWallpaper(wchar_t* path, int32_t* style) {
    if (!path || !style) return;
    if (velk::ComPtr<IActiveDesktop> desktop = CreateActiveDesktop()) {
        wchar_t shellPath[kWallpaperPathUnits] = {};
        if (SUCCEEDED(desktop->GetWallpaper(shellPath, kWallpaperPathUnits, 0))) {
            shellPath[kWallpaperPathUnits - 1] = L'\0';
            CopyBounded(path, kWallpaperPathUnits, shellPath);
            WALLPAPEROPT options{};
            options.dwSize = sizeof(options);  // 8 on every build
            if (SUCCEEDED(desktop->GetWallpaperOptions(&options, 0))) *style = static_cast<int32_t>(options.dwStyle);
            return;
        }
    }
    wchar_t systemPath[kWallpaperPathUnits] = {};
    if (!::SystemParametersInfoW(SPI_GETDESKWALLPAPER, kWallpaperPathUnits, systemPath, 0)) return;
    systemPath[kWallpaperPathUnits - 1] = L'\0';
    CopyBounded(path, kWallpaperPathUnits, systemPath);
    *style = RegistryWallpaperStyle();
}

bool ApplyWindowsWallpaper(const wchar_t* path, int32_t style) {
    if (!path) return false;
    if (velk::ComPtr<IActiveDesktop> desktop = CreateActiveDesktop()) {
        WALLPAPEROPT options{};
        options.dwSize = sizeof(options);
        options.dwStyle = static_cast<DWORD>(style);
        if (SUCCEEDED(desktop->SetWallpaper(path, 0)) && SUCCEEDED(desktop->SetWallpaperOptions(&options, 0)) &&
            SUCCEEDED(desktop->ApplyChanges(kApplyAll)))
            return true;
    }
    return ApplyThroughSystemParameter(path, style);
}

DesktopStyleValues DesktopStyleValuesOf(int32_t wpStyle) noexcept {
    switch (wpStyle) {
    case WPSTYLE_TILE: return {L"1", L"0"};
    case WPSTYLE_STRETCH: return {L"0", L"2"};
    case 3: return {L"0", L"6"};   // keep aspect
    case 4: return {L"0", L"10"};  // crop to fit
    case 5: return {L"0", L"22"};  // span
    default: return {L"0", L"0"};  // centre
    }
}

int32_t WpStyleOf(long tileWallpaper, long wallpaperStyle) noexcept {
    if (tileWallpaper == 1) return WPSTYLE_TILE;
    switch (wallpaperStyle) {
    case 2: return WPSTYLE_STRETCH;
    case 6: return 3;
    case 10: return 4;
    case 22: return 5;
    default: return WPSTYLE_CENTER;
    }
}

long LeadingNumber(const wchar_t* text) noexcept {
    if (!text) return 0;
    while (*text == L' ' || *text == L'\t') ++text;
    bool negative = false;
    if (*text == L'+' || *text == L'-') negative = *text++ == L'-';
    long value = 0;
    for (; *text >= L'0' && *text <= L'9'; ++text)
        if (value < 100000000) value = value * 10 + (*text - L'0');
    return negative ? -value : value;
}

COLORREF ParseBackgroundColor(const wchar_t* text) noexcept {
    if (!text || !*text) return 0;
    const wchar_t* first = ::wcschr(text, L' ');
    const wchar_t* second = first ? ::wcschr(first + 1, L' ') : nullptr;
    if (!second) return 0;
    // Each part: blanks skipped, digits up to the first other character.
    auto part = [](const wchar_t* p, const wchar_t* end) -> DWORD {
        while (p < end && (*p == L' ' || *p == L'\t')) ++p;
        DWORD value = 0;
        for (; p < end && *p >= L'0' && *p <= L'9'; ++p) value = value * 10 + static_cast<DWORD>(*p - L'0');
        return value & 0xFF;
    };
    const wchar_t* end = text + ::wcslen(text);
    return RGB(part(text, first), part(first, second), part(second + 1, end));
}

int CWallpaperProp::GetActiveDesktopWallpaper(wchar_t* path, int32_t* style) {
    if (!path || !style) return -100;
    ReadWindowsWallpaper(path, style);
    return 0;
}

uint8_t CWallpaperProp::CaptureOsWallpaper() {
    const std::wstring composite = LowerAscii(kCompositeFileName);
    std::wstring path;
    int32_t style = 0;
    if (IsWindowsAtLeast(5, 1) && !IsWindowsAtLeast(6, 0)) {
        velk::UniqueKey key = OpenForReading(kDesktopKey);
        std::wstring wallpaper = ReadBoundedString(key.get(), L"Wallpaper", kPathChars);
        std::wstring converted = ReadBoundedString(key.get(), L"ConvertedWallpaper", kPathChars);
        std::wstring original = ReadBoundedString(key.get(), L"OriginalWallpaper", kPathChars);
        std::wstring tile = ReadBoundedString(key.get(), L"TileWallpaper", kStyleChars);
        std::wstring wpStyle = ReadBoundedString(key.get(), L"WallpaperStyle", kStyleChars);
        key.reset();
        style = LeadingNumber(tile.c_str()) == 1 ? 1 : static_cast<int32_t>(LeadingNumber(wpStyle.c_str()));
        if (wallpaper.empty()) return 0;
        wallpaper = LowerAscii(wallpaper);
        // Set through the system parameter, "Wallpaper" names the composite itself.
        if (Contains(wallpaper, composite.c_str())) return 1;
        if (original.empty()) return 0;
        original = LowerAscii(original);
        converted = LowerAscii(converted);
        if (Contains(converted, composite.c_str()) && Contains(original, kConvertedFolder) &&
            Contains(original, wallpaper.c_str()))
            return 1;
        path = Contains(wallpaper, kConvertedFolder) ? converted : wallpaper;
    } else {
        wchar_t buffer[kWallpaperPathUnits] = {};
        GetActiveDesktopWallpaper(buffer, &style);
        path = LowerAscii(buffer);
    }
    if (Contains(path, composite.c_str())) return 1;
    // A display's own rendering is no picture of the user's either.
    if (Contains(path, kRenderingFolderPart)) return 0;

    velk::CWinApp* app = velk::AfxGetApp();
    if (!app) return 0;
    app->WriteProfileString(kWallpaperSection, L"OSWallpaper", path.c_str());
    app->WriteProfileInt(kWallpaperSection, L"OSWallpaperStyle", style);
    velk::UniqueKey colors = OpenForReading(kColorsKey);
    std::wstring background = ReadBoundedString(colors.get(), L"Background", kColorChars);
    colors.reset();
    app->WriteProfileInt(kWallpaperSection, L"OSBackColor", static_cast<int>(ParseBackgroundColor(background.c_str())));
    return 0;
}

CWallpaperProp::RestoreOutcome CWallpaperProp::RestoreOsWallpaperOutcome() {
    UpdateData(true);
    // "Use Wallpaper" as applied, not as the box shows an edit of it.
    if (!AppliedUseOsWallpaper) return RestoreOutcome::NotRestoring;
    velk::CWinApp* app = velk::AfxGetApp();
    if (!app) return RestoreOutcome::NotRestoring;
    std::wstring path = app->GetProfileString(kWallpaperSection, L"OSWallpaper");
    auto style = static_cast<int32_t>(app->GetProfileInt(kWallpaperSection, L"OSWallpaperStyle", 0));
    return ApplyWindowsWallpaper(path.c_str(), style) ? RestoreOutcome::Restored : RestoreOutcome::Failed;
}

bool CWallpaperProp::RestoreOsWallpaper() { return RestoreOsWallpaperOutcome() != RestoreOutcome::NotRestoring; }
