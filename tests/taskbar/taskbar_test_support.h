// Support for the extra taskbar's tests: the shell's AppBar side recorded
// through the platform seam, real top-level windows of the test process, and
// message pumping with a time limit.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <functional>
#include <set>
#include <vector>

namespace velk::test {

// One SHAppBarMessage call as the shell received it.
struct AppBarCall {
    DWORD message;
    HWND window;
    DWORD size;  // cbSize
    UINT callbackMessage;
    UINT edge;
    RECT rect;   // as sent
};

// Replaces SHAppBarMessage in the seam (inside a PlatformOverride) with a
// recording shell: it answers 1, keeps the set of registered bars and, for
// ABM_QUERYPOS, lifts the rectangle by `reservedBottom` pixels as a shell
// would for another bar already at the bottom.
class AppBarRecorder {
public:
    AppBarRecorder();
    ~AppBarRecorder();
    std::vector<AppBarCall> calls;
    std::set<HWND> registered;
    int reservedBottom = 0;
    int Count(DWORD message) const;
    static AppBarRecorder* Current();
};

// A real top-level window of this thread: visible, titled, at `rect`.
HWND MakeWindow(const wchar_t* title, RECT rect, DWORD exStyle = 0, HWND owner = nullptr, bool visible = true);

void PumpFor(DWORD ms);
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

}  // namespace velk::test
