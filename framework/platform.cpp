#include "framework/platform.h"

namespace velk {
namespace {

HMODULE WINAPI LoadDisplayConfigModuleReal(LPCWSTR name) { return ::LoadLibraryW(name); }
FARPROC WINAPI GetDisplayConfigProcReal(HMODULE module, LPCSTR name) {
    return ::GetProcAddress(module, name);
}
BOOL WINAPI FreeDisplayConfigModuleReal(HMODULE module) { return ::FreeLibrary(module); }

const PlatformApi kReal = {
    ::EnumDisplayDevicesW,
    ::EnumDisplaySettingsW,
    ::MonitorFromPoint,
    ::MonitorFromWindow,
    ::MonitorFromRect,
    ::GetMonitorInfoW,
    ::EnumDisplayMonitors,
    ::GetSystemMetrics,
    LoadDisplayConfigModuleReal,
    GetDisplayConfigProcReal,
    FreeDisplayConfigModuleReal,
    ::VerifyVersionInfoW,
    ::GetUserDefaultUILanguage,
    ::GetTickCount,
    ::GetLocalTime,
    ::WaitForSingleObject,
    ::Sleep,
    ::GetCursorPos,
    ::SetCursorPos,
    ::GetForegroundWindow,
    ::GetWindowPlacement,
    ::SetWindowPlacement,
    ::Shell_NotifyIconW,
    ::SHAppBarMessage,
    ::CoCreateInstance,
    ::SetTimer,
    ::KillTimer,
    ::ShellExecuteW,
    ::CreateProcessW,
    ::waveOutGetNumDevs,
    ::waveOutMessage,
};

PlatformApi g_live = kReal;

}  // namespace

PlatformApi& Platform() noexcept { return g_live; }
const PlatformApi& RealPlatform() noexcept { return kReal; }

}  // namespace velk
