#include "taskbar/app_setting_page.h"
#include "display/shared_functions.h"
#include "framework/handles.h"
#include "resources/resource.h"
#include <cwchar>
#include <iterator>

namespace {

enum class ThemeClass { Xp, Vista };

struct SkinRow {
    ThemeClass versions;
    const wchar_t* colourName;
    uint32_t normal, hot, active, activeHot;
    COLORREF inactiveText, activeText;
};

constexpr SkinRow kSkinTable[] = {
    {ThemeClass::Xp, L"NormalColor", IDB_SKIN_BLUE_NORMAL, IDB_SKIN_BLUE_HOT, IDB_SKIN_BLUE_ACTIVE,
     IDB_SKIN_BLUE_ACTIVE_HOT, 0xFFFFFF, 0xFFFFFF},
    {ThemeClass::Xp, L"Metallic", IDB_SKIN_SILVER_NORMAL, IDB_SKIN_SILVER_HOT, IDB_SKIN_SILVER_ACTIVE,
     IDB_SKIN_SILVER_ACTIVE_HOT, 0x000000, 0xFFFFFF},
    {ThemeClass::Xp, L"HomeStead", IDB_SKIN_OLIVE_NORMAL, IDB_SKIN_OLIVE_HOT, IDB_SKIN_OLIVE_ACTIVE,
     IDB_SKIN_OLIVE_ACTIVE_HOT, 0x000000, 0xFFFFFF},
    {ThemeClass::Vista, L"NormalColor", IDB_SKIN_TALL_NORMAL, IDB_SKIN_TALL_HOT, IDB_SKIN_TALL_ACTIVE,
     IDB_SKIN_TALL_ACTIVE_HOT, 0xFFFFFF, 0xFFFFFF},
};

// Font sizes by "SizeName": i*i*(i/2) + 9 for the name's position i.
constexpr const wchar_t* kSizeNames[] = {L"NormalSize", L"LargeFonts", L"ExtraLargeFonts"};

constexpr DWORD kNameUnits = 64;

// A string value into a 64-unit buffer; false when missing, of another type
// or too long to be one of the names we know.
bool ReadName(HKEY key, const wchar_t* name, wchar_t (&out)[kNameUnits]) {
    DWORD type = 0;
    DWORD bytes = sizeof(out) - sizeof(wchar_t);
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(out), &bytes) != ERROR_SUCCESS)
        return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    out[bytes / sizeof(wchar_t)] = L'\0';
    return true;
}

}  // namespace

void CAppSettingProp::DetectTaskbarTheme() {
    if (!IsWindowsAtLeast(5, 1) || IsWindowsAtLeast(7, 0)) return;
    const ThemeClass versions = IsWindowsAtLeast(6, 0) ? ThemeClass::Vista : ThemeClass::Xp;

    velk::UniqueKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kThemeManagerKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
    wchar_t colour[kNameUnits] = {};
    if (!ReadName(key.get(), L"ColorName", colour)) return;
    for (const SkinRow& row : kSkinTable) {
        if (row.versions != versions || std::wcscmp(colour, row.colourName) != 0) continue;
        Skin.NormalBitmap = row.normal;
        Skin.HotBitmap = row.hot;
        Skin.ActiveBitmap = row.active;
        Skin.ActiveHotBitmap = row.activeHot;
        Skin.InactiveTextColour = row.inactiveText;
        Skin.ActiveTextColour = row.activeText;
        break;
    }
    wchar_t size[kNameUnits] = {};
    if (!ReadName(key.get(), L"SizeName", size)) return;
    for (int i = 0; i < static_cast<int>(std::size(kSizeNames)); ++i) {
        if (std::wcscmp(size, kSizeNames[i]) == 0) {
            Skin.FontSize = i * i * (i / 2) + 9;
            break;
        }
    }
}
