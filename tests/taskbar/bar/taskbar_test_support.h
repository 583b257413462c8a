// The extra taskbar's tests: the shell's AppBar side recorded through the
// platform seam, real windows of the test process, and pumping with a limit.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <functional>
#include <set>
#include <vector>

#include "testing/support/pump.h"

namespace velk::test {

// Replaces SHAppBarMessage in the seam (inside a PlatformOverride) with a
// shell that records every call, answers 1, keeps the registered bars and
// answers ABM_QUERYPOS `reservedBottom` pixels higher, as for another bar
// already at the bottom.
struct AppBarRecorder {
    struct Call {
        DWORD message;
        HWND window;
        DWORD size;
        UINT callbackMessage;
        UINT edge;
    };
    AppBarRecorder();
    ~AppBarRecorder();
    int Count(DWORD message) const;
    std::vector<Call> calls;
    std::set<HWND> registered;
    int reservedBottom = 0;
};

// Replaces CoCreateInstance in the seam (inside a PlatformOverride): the
// Windows taskbar's tab list becomes an object that records every tab call;
// every other class is created for real.
struct TabListRecorder {
    struct Call {
        HWND window;
        bool shown;  // AddTab, else DeleteTab
        bool operator==(const Call&) const = default;
    };
    TabListRecorder();
    ~TabListRecorder();
    std::vector<Call> calls;
    int objects = 0;   // tab lists made
    int released = 0;  // and released
    int failures = 0;  // so many next tab lists cannot be made
};

// A visible, titled top-level window of this thread at `rect`; its class has
// the small icon IDI_INFORMATION.
HWND MakeWindow(const wchar_t* title, RECT rect, DWORD exStyle = 0, HWND owner = nullptr, bool visible = true);

}  // namespace velk::test
