// What the hook test and its helper process say to each other, besides the
// reports of the hook library itself.
#pragma once
#include <windows.h>

namespace velk::test::hookclient {

// Sent by the client to the test's notify window (never through the hooks'
// reports, which use the library's own messages):
inline constexpr UINT kHello = WM_APP + 0x100;   // wParam: the client's main window, lParam: its process id
inline constexpr UINT kWindow = WM_APP + 0x101;  // wParam: a further window the client made
inline constexpr UINT kDone = WM_APP + 0x102;    // posted last: every earlier post of the client is queued
inline constexpr UINT kRaceResult = WM_APP + 0x103;   // wParam: the round, lParam: 1 when its HookInstall won
inline constexpr UINT kRaceCleared = WM_APP + 0x104;  // wParam: the round; the winner has cleared its hooks
// Posted by the shell spy library: wParam as the shell hook got it, lParam the code.
inline constexpr UINT kSpyShell = WM_APP + 0x105;

// Named semaphores of the install race: the test releases both racers into
// a round, then lets them clear.
inline constexpr wchar_t kRaceGo[] = L"VelkHookRaceGo";
inline constexpr wchar_t kRaceClear[] = L"VelkHookRaceClear";

inline constexpr wchar_t kClientClass[] = L"VelkHookClient";

// Exit codes of the client: 0 when every check of its own held.
enum ExitCode : int {
    kOk = 0,
    kBadArguments = 2,
    kNoWindow = 3,
    kNoLibrary = 4,
    kSecondInstallAccepted = 10,
    kArrayWritten = 11,
    kClearNullAccepted = 12,
    kClearForeignAccepted = 13,
    kZeroMessageAccepted = 14,
    kSysCommandsNotDelivered = 20,
    kSendTooSlow = 30,
    kOwnInstallFailed = 40,
    kRaceStalled = 50,
    kWinnerCouldNotClear = 51,
};

}  // namespace velk::test::hookclient
