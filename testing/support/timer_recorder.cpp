#include "testing/support/timer_recorder.h"

namespace velk::test {
namespace {
TimerRecorder* g_recorder = nullptr;
}  // namespace

TimerRecorder::TimerRecorder(Mode mode) : mode_(mode), saved_(Platform()) {
    calls_.reserve(256);
    g_recorder = this;
    Platform().SetTimer = SetTimerRecorded;
    Platform().KillTimer = KillTimerRecorded;
}

TimerRecorder::~TimerRecorder() {
    Platform().SetTimer = saved_.SetTimer;
    Platform().KillTimer = saved_.KillTimer;
    g_recorder = nullptr;
}

UINT_PTR WINAPI TimerRecorder::SetTimerRecorded(HWND window, UINT_PTR id, UINT ms, TIMERPROC proc) {
    TimerRecorder* self = g_recorder;
    if (!self) return RealPlatform().SetTimer(window, id, ms, proc);
    if (!window) return self->saved_.SetTimer(window, id, ms, proc);
    self->calls_.push_back({window, id, ms, true});
    if (self->mode_ == Mode::PassOn && !self->saved_.SetTimer(window, id, ms, proc)) return 0;
    if (!::IsWindow(window)) return 0;  // as the real call answers
    self->running_[{window, id}] = ms;
    return id;
}

BOOL WINAPI TimerRecorder::KillTimerRecorded(HWND window, UINT_PTR id) {
    TimerRecorder* self = g_recorder;
    if (!self) return RealPlatform().KillTimer(window, id);
    if (!window) return self->saved_.KillTimer(window, id);
    self->calls_.push_back({window, id, 0, false});
    const bool ran = self->running_.erase({window, id}) != 0;
    if (self->mode_ == Mode::PassOn) return self->saved_.KillTimer(window, id);
    return ran ? TRUE : FALSE;
}

std::optional<UINT> TimerRecorder::Running(HWND window, UINT_PTR id) const {
    const auto it = running_.find({window, id});
    if (it == running_.end()) return std::nullopt;
    return it->second;
}

std::vector<UINT> TimerRecorder::Intervals(HWND window, UINT_PTR id) const {
    std::vector<UINT> intervals;
    for (const TimerCall& call : calls_)
        if (call.set && call.window == window && call.id == id) intervals.push_back(call.ms);
    return intervals;
}

bool TimerRecorder::Fire(HWND window, UINT_PTR id) {
    if (!Running(window, id)) return false;
    ::SendMessageW(window, WM_TIMER, id, 0);
    return true;
}

void TimerRecorder::Clear() { calls_.clear(); }

}  // namespace velk::test
