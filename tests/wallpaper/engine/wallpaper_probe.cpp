// Reads the desktop wallpaper as a fresh process sees it (Wine caches it per
// process) and leaves it under HKCU "Software\VelkTest\WallpaperProbe".
#include <windows.h>

int main() {
    wchar_t path[MAX_PATH] = {};
    if (!::SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, path, 0)) return 1;
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\VelkTest\\WallpaperProbe", 0, nullptr, 0, KEY_SET_VALUE,
                          nullptr, &key, nullptr) != ERROR_SUCCESS)
        return 2;
    LONG result = ::RegSetValueExW(key, L"Wallpaper", 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                                   static_cast<DWORD>((::lstrlenW(path) + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
    return result == ERROR_SUCCESS ? 0 : 3;
}
