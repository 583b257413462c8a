// The tray icon's record and its add/modify with retries, the tray menu and
// its texts, and the help file next to the program.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <string>

// The icon's id in the notification area.
inline constexpr UINT kTrayIconId = 128;
// The first-version size of NOTIFYICONDATAW (a 64-unit tip), as this build
// lays the record out: 168 bytes on x64, 152 on x86.
inline constexpr DWORD kTrayIconDataSize = NOTIFYICONDATAW_V1_SIZE;
// How often a call the shell answered with ERROR_TIMEOUT is tried again, and
// the pause before each try.
inline constexpr int kTrayRetries = 6;
inline constexpr DWORD kTrayRetryPauseMs = 5000;
// wParam of UM_TRAYNOTIFY that asks for the icon to be added again.
inline constexpr WPARAM kTrayReAdd = 256;

// Fills the record as every add or modify sends it.
void FillTrayIconData(NOTIFYICONDATAW& data, HWND window, const std::wstring& tip, HICON icon) noexcept;

// One Shell_NotifyIconW call with its retries: while the shell answers
// ERROR_TIMEOUT (not ready yet) the call is tried again, up to kTrayRetries
// times kTrayRetryPauseMs apart. The owner clocks the retries with a timer,
// so nothing waits meanwhile.
class TrayIconCall {
public:
    // The first try. True when a retry is due after kTrayRetryPauseMs.
    bool Begin(DWORD action, NOTIFYICONDATAW& data);
    // One retry with the record as it is now. True when one more is due.
    bool Retry(NOTIFYICONDATAW& data);
    // Gives up the retries still due (the call is not made again).
    void Cancel() noexcept { retriesLeft_ = 0; }
    bool RetryDue() const noexcept { return retriesLeft_ > 0; }
    // Whether the last try succeeded.
    bool Succeeded() const noexcept { return succeeded_; }

private:
    bool Try(NOTIFYICONDATAW& data);
    DWORD action_ = 0;
    int retriesLeft_ = 0;
    bool succeeded_ = false;
};

// The running icon: 133 from Windows 5.1 on, 134 before.
UINT RunningTrayIconId();
// The text of the tray menu's display item: 151 before Windows 6.0, 158 on
// 6.0, 164 from 6.1 on.
UINT DisplayMenuStringId();

// Sets a menu item's text from the string table. An empty string leaves the
// item alone (true); a refused text shows error 1031 and answers false.
bool SetMenuItemText(HMENU menu, UINT stringId, UINT command);
// Loads menu resource 4, sets its texts and tracks it at the cursor with the
// commands going to owner; the menu is gone when this returns.
void ShowTrayMenu(HWND owner);

// "<program folder>VELKPanomira.chm".
std::wstring HelpFilePath();
// Brings the open help window forward, or opens the help file with the shell.
void OpenHelpFile();
// When the help window is open, asks whether to close it and closes it on Yes.
void CloseHelpWindow();
