// The platform seam: the Win32 calls that decide displays, Windows versions and
// time. Production code calls them only through Platform(); a test replaces
// single entries with fakes and restores them afterwards.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <objbase.h>
#include <mmsystem.h>

namespace velk {

struct PlatformApi {
    // Displays and monitors.
    decltype(&::EnumDisplayDevicesW) EnumDisplayDevicesW;
    decltype(&::EnumDisplaySettingsW) EnumDisplaySettingsW;
    decltype(&::MonitorFromPoint) MonitorFromPoint;
    decltype(&::MonitorFromWindow) MonitorFromWindow;
    decltype(&::MonitorFromRect) MonitorFromRect;
    decltype(&::GetMonitorInfoW) GetMonitorInfoW;
    decltype(&::EnumDisplayMonitors) EnumDisplayMonitors;
    decltype(&::GetSystemMetrics) GetSystemMetrics;

    // The display-configuration functions are looked up at run time; these two
    // entries are how (a fake hands out fake entry points).
    HMODULE (WINAPI* LoadDisplayConfigModule)(LPCWSTR name);
    FARPROC (WINAPI* GetDisplayConfigProc)(HMODULE module, LPCSTR name);
    BOOL (WINAPI* FreeDisplayConfigModule)(HMODULE module);

    // Windows version.
    decltype(&::VerifyVersionInfoW) VerifyVersionInfoW;
    // The user interface language, which chooses the string table.
    decltype(&::GetUserDefaultUILanguage) GetUserDefaultUILanguage;

    // Clock and the blocking waits of the user-interface thread.
    decltype(&::GetTickCount) GetTickCount;
    decltype(&::GetLocalTime) GetLocalTime;
    decltype(&::WaitForSingleObject) WaitForSingleObject;
    decltype(&::Sleep) Sleep;

    // Pointer, foreground window and window placement, which decide where
    // windows and the pointer go between displays.
    decltype(&::GetCursorPos) GetCursorPos;
    decltype(&::SetCursorPos) SetCursorPos;
    decltype(&::GetForegroundWindow) GetForegroundWindow;
    decltype(&::GetWindowPlacement) GetWindowPlacement;
    decltype(&::SetWindowPlacement) SetWindowPlacement;

    // The notification area (whose "not ready yet" answer Wine cannot give).
    decltype(&::Shell_NotifyIconW) Shell_NotifyIconW;

    // The shell's application-bar protocol (Wine answers it without effect).
    decltype(&::SHAppBarMessage) SHAppBarMessage;

    // The shell's COM objects that decide what the Windows taskbar shows
    // (its tab list).
    decltype(&::CoCreateInstance) CoCreateInstance;

    // The timers that drive the user-interface thread's timed steps: window
    // timers (through Wnd) and thread timers.
    decltype(&::SetTimer) SetTimer;
    decltype(&::KillTimer) KillTimer;

    // What the shell opens for the program: the display settings and the help file.
    decltype(&::ShellExecuteW) ShellExecuteW;

    // The audio device list tool's start, and the wave devices and the wave
    // mapper's preferred device that decide the default playback device
    // before Windows 6.0.
    decltype(&::CreateProcessW) CreateProcessW;
    decltype(&::waveOutGetNumDevs) waveOutGetNumDevs;
    decltype(&::waveOutMessage) waveOutMessage;
};

// The live table; initialised to the real functions.
PlatformApi& Platform() noexcept;
// The real functions, for fakes that pass some calls on.
const PlatformApi& RealPlatform() noexcept;

}  // namespace velk
