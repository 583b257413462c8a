// Window timers as the program asks for them, seen through the platform seam.
// Every SetTimer and KillTimer of a window is recorded with its interval.
// Held (the default), no real timer is set: the test fires a timer by hand,
// so a step of 10 s is checked at once and its interval read as asked for.
// Passed on, the real timer runs as well. Thread timers (no window) go to the
// entries the seam held before. One recorder at a time.
#pragma once
#include <windows.h>
#include <map>
#include <optional>
#include <utility>
#include <vector>
#include "framework/platform.h"

namespace velk::test {

struct TimerCall {
    HWND window;
    UINT_PTR id;
    UINT ms;   // SetTimer's interval; 0 for a kill
    bool set;  // SetTimer (true) or KillTimer (false)
};

class TimerRecorder {
public:
    enum class Mode { Hold, PassOn };
    explicit TimerRecorder(Mode mode = Mode::Hold);
    ~TimerRecorder();
    TimerRecorder(const TimerRecorder&) = delete;
    TimerRecorder& operator=(const TimerRecorder&) = delete;

    const std::vector<TimerCall>& Calls() const { return calls_; }
    // The interval of the timer while it runs (set and not killed since).
    std::optional<UINT> Running(HWND window, UINT_PTR id) const;
    // The intervals of every SetTimer of that timer, in order.
    std::vector<UINT> Intervals(HWND window, UINT_PTR id) const;
    // Delivers the running timer's expiry (a sent WM_TIMER); false when it
    // does not run.
    bool Fire(HWND window, UINT_PTR id);
    void Clear();

private:
    static UINT_PTR WINAPI SetTimerRecorded(HWND window, UINT_PTR id, UINT ms, TIMERPROC proc);
    static BOOL WINAPI KillTimerRecorded(HWND window, UINT_PTR id);
    Mode mode_;
    PlatformApi saved_{};
    std::vector<TimerCall> calls_;
    std::map<std::pair<HWND, UINT_PTR>, UINT> running_;
};

}  // namespace velk::test
