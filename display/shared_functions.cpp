#include "display/shared_functions.h"
#include "display/active_desktop.h"
#include "display/program_messages.h"
#include "framework/app.h"
#include "framework/handles.h"
#include "framework/message_box.h"
#include "framework/platform.h"
#include "framework/strings.h"
#include "framework/paths.h"
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <cstdlib>
#include <cwchar>

namespace {

constexpr size_t kPathUnits = 260;

struct PathParts {
    wchar_t drive[3];
    wchar_t dir[256];
    wchar_t name[256];
    wchar_t ext[256];
};

// Splits a path; a path whose parts do not fit comes out empty.
PathParts SplitPath(const wchar_t* path) {
    PathParts parts{};
    if (velk::SplitPath(path, parts.drive, std::size(parts.drive), parts.dir, std::size(parts.dir),
                               parts.name, std::size(parts.name), parts.ext, std::size(parts.ext)) != 0)
        parts = PathParts{};
    return parts;
}

bool VersionAtLeast(DWORD major, DWORD minor) {
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    DWORDLONG condition = 0;
    condition = ::VerSetConditionMask(condition, VER_MAJORVERSION, VER_GREATER_EQUAL);
    condition = ::VerSetConditionMask(condition, VER_MINORVERSION, VER_GREATER_EQUAL);
    return velk::Platform().VerifyVersionInfoW(&info, VER_MAJORVERSION | VER_MINORVERSION, condition) != FALSE;
}

}  // namespace

bool GetMonitorWorkAreaOfWindow(HWND window, RECT* workArea) {
    HMONITOR monitor = velk::Platform().MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    velk::Platform().GetMonitorInfoW(monitor, &info);
    if (workArea) *workArea = info.rcWork;
    return true;
}

bool LoadStringOrWarn(UINT id, std::wstring& text) {
    velk::LoadResString(id, text);
    if (!text.empty()) return true;
    velk::AfxMessageBox(kUnexpectedErrorText, MB_OK | MB_ICONWARNING);
    return false;
}

void SetCaptionsFromStrings(HWND dialog, std::span<const DialogCaption> captions) {
    for (const DialogCaption& caption : captions) {
        std::wstring text;
        if (LoadStringOrWarn(caption.text, text)) ::SetDlgItemTextW(dialog, caption.control, text.c_str());
    }
}

void SendPageChanged(HWND page) {
    if (HWND parent = page ? ::GetParent(page) : nullptr) ::SendMessageW(parent, UM_PAGECHANGED, 0, 1);
}

bool IsWindowsAtLeast(DWORD major, DWORD minor) { return VersionAtLeast(major, minor); }
bool IsWindowsOlderThan(DWORD major, DWORD minor) { return !VersionAtLeast(major, minor); }

bool DeleteProfileSection(const wchar_t* section) {
    velk::CWinApp* app = velk::AfxGetApp();
    if (!app) return false;
    std::wstring path = L"Software\\" + app->RegistryKey() + L"\\Velkmira";
    if (path.size() >= kPathUnits) return false;
    velk::UniqueKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
    // An empty name would delete the whole profile: nothing is deleted then.
    if (section && *section) ::SHDeleteKeyW(key.get(), section);
    return true;
}

bool AreDesktopIconsHidden() {
    HWND progman = ::FindWindowExW(nullptr, nullptr, L"ProgMan", L"Program Manager");
    HWND view = progman ? ::FindWindowExW(progman, nullptr, L"SHELLDLL_DefView", L"") : nullptr;
    HWND list = view ? ::FindWindowExW(view, nullptr, L"SysListView32", L"FolderView") : nullptr;
    if (!list) return true;
    return (::GetWindowLongPtrW(list, GWL_STYLE) & WS_VISIBLE) == 0;
}

BOOL IsActiveDesktopOn() {
    const velk::ComPtr<IActiveDesktop> desktop = CreateActiveDesktop();
    if (!desktop) return FALSE;
    COMPONENTSOPT options{};
    options.dwSize = sizeof(options);  // 12 bytes on every build
    desktop->GetDesktopItemOptions(&options, 0);
    return options.fActiveDesktop;
}

void OpenDisplaySettings() {
    velk::Platform().ShellExecuteW(nullptr, nullptr, L"desk.cpl", L",3", nullptr, SW_SHOWNORMAL);
}

bool GetFolderOfPath(wchar_t* out, const wchar_t* path) {
    PathParts parts = SplitPath(path);
    velk::CopyTruncated(out, kPathUnits, (std::wstring(parts.drive) + parts.dir).c_str());
    return true;
}

bool GetFileNameOfPath(wchar_t* out, const wchar_t* path) {
    PathParts parts = SplitPath(path);
    velk::CopyTruncated(out, kPathUnits, (std::wstring(parts.name) + parts.ext).c_str());
    return true;
}
