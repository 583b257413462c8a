// The window whose system menu the end-to-end test opens: a top-level window
// of its own thread that opens its window menu for real, reports what the
// menu holds while it is open and after it closed, chooses one command and
// then waits to be told to end. It runs as sysmenu_client.exe (a process of
// its own) or on a thread of the test process.
#pragma once
#include <windows.h>

namespace velk::test::sysmenu {

// Sent by the client to the report window: wParam its window, lParam its process id.
inline constexpr UINT kHello = WM_APP + 0x200;
// Posted by the test to the client's window: send the final report and end.
inline constexpr UINT kFinish = WM_APP + 0x201;

// WM_COPYDATA dwData of the client's reports (payload: ClientReport).
enum Phase : DWORD {
    kBefore = 1,  // the window is shown, no menu opened yet
    kOpen = 2,    // the window menu is about to be shown (its WM_INITMENUPOPUP)
    kClosed = 3,  // the menu loop has ended
    kFinal = 4,   // told to end
};

// Where the client's window is made, in desktop coordinates.
inline constexpr RECT kClientWindowRect{40, 40, 240, 190};

inline constexpr int kMaxReportedItems = 32;
inline constexpr int kItemTextUnits = 64;

struct MenuItemRecord {
    UINT id;
    wchar_t text[kItemTextUnits];
};

struct ClientReport {
    DWORD phase;
    RECT windowRect;       // GetWindowRect of the client's window
    RECT normalRect;       // its normal rectangle (GetWindowPlacement)
    UINT chosenReceived;   // how many WM_SYSCOMMAND with the chosen command the window got
    UINT itemCount;        // items of the system menu (all of them)
    MenuItemRecord items[kMaxReportedItems];
};

enum ExitCode : int {
    kOk = 0,
    kBadArguments = 2,
    kNoWindow = 3,
    kMenuNeverOpened = 20,      // no WM_INITMENUPOPUP for the window menu arrived
    kCommandNotDelivered = 21,  // the chosen WM_SYSCOMMAND did not arrive exactly once
    kTimedOut = 30,             // not told to end within the watchdog time
};

// Runs the client on the calling thread: reports go to `report`, and once its
// window menu is open it chooses `command` (posts WM_SYSCOMMAND with it and
// ends the menu). Answers an ExitCode.
int RunMenuClient(HWND report, UINT command);

}  // namespace velk::test::sysmenu
