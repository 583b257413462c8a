// The hook library's interface for the program that loads it: the six exports
// (looked up by name at run time), the messages the library reports with, and
// what those reports carry.
#pragma once
#include <windows.h>

namespace velk::hooklib {

// The library's file, in the loading program's own folder.
inline constexpr wchar_t kLibraryFileName[] = L"Tarnlet.dll";

// Number of system-menu command ids that HookInstall hands out: next display,
// previous display, one per display slot 0 to 9, and "span all displays".
inline constexpr int kCommandIdCount = 13;
inline constexpr int kCommandIdNext = 0;
inline constexpr int kCommandIdPrevious = 1;
inline constexpr int kCommandIdFirstSlot = 2;  // slot n is kCommandIdFirstSlot + n
inline constexpr int kCommandIdSpan = 12;

// Every export answers 1 for success and 0 for failure.
using HookInstallFn = BOOL(WINAPI*)(HWND notifyWindow, UINT* commandIds);  // commandIds: kCommandIdCount entries
using ClearHookFn = BOOL(WINAPI*)(HWND notifyWindow);
using SetNotifyMessageFn = BOOL(WINAPI*)(UINT message);  // the four Set...NotifyMessage exports

// Looks up one export as its own function type.
template <class Fn>
Fn GetExport(HMODULE library, const char* name) noexcept {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

inline constexpr char kHookInstallName[] = "HookInstall";
inline constexpr char kClearHookName[] = "ClearHook";
inline constexpr char kSetWinMoveNextNotifyMessageName[] = "SetWinMoveNextNotifyMessage";
inline constexpr char kSetMenuPopupNotifyMessageName[] = "SetMenuPopupNotifyMessage";
inline constexpr char kSetMenuSelectedNotifyMessageName[] = "SetMenuSelectedNotifyMessage";
inline constexpr char kSetAppCreateDestroyNotifyMessageName[] = "SetAppCreateDestroyNotifyMessage";

// Shell-event codes carried in lParam of the app-create-destroy report; any
// other shell code arrives as it is.
inline constexpr LPARAM kShellWindowCreated = 10001;
inline constexpr LPARAM kShellWindowDestroyed = 10002;
inline constexpr LPARAM kShellRedraw = 10003;

// How long a hooked thread waits for the notify window to handle a sent report.
inline constexpr UINT kReportSendTimeoutMs = 1000;

}  // namespace velk::hooklib

// Reports of the hook library, with the messages of display/program_messages.h
// as the main program configures them:
// UM_WINMOVENEXT (posted): wParam = the whole WM_SYSCOMMAND wParam, lParam = the window.
// UM_MENUPOPUP (sent): wParam 0, lParam = the window whose system menu is about to open.
// UM_MENUSELECTED (sent): wParam 0, lParam = the window whose menu has closed.
// UM_APPCREATEDESTROY (posted): wParam = the shell hook's wParam (the window),
//   lParam = kShellWindowCreated / kShellWindowDestroyed / kShellRedraw or the shell code.

// The exports as the library itself declares them.
extern "C" {
BOOL WINAPI HookInstall(HWND notifyWindow, UINT* commandIds);
BOOL WINAPI ClearHook(HWND notifyWindow);
BOOL WINAPI SetWinMoveNextNotifyMessage(UINT message);
BOOL WINAPI SetMenuPopupNotifyMessage(UINT message);
BOOL WINAPI SetMenuSelectedNotifyMessage(UINT message);
BOOL WINAPI SetAppCreateDestroyNotifyMessage(UINT message);
}
