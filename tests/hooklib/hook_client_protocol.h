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
};

}  // namespace velk::test::hookclient
