#include "display/foreign_window.h"
#include "framework/platform.h"
#include <deque>
#include <map>
#include <vector>

namespace {

// The changes waiting for each window, served by one thread per window. The
// state is never destroyed: a thread may still wait for a hung window while
// the process ends, and must not find it gone.
struct WaitingChanges {
    CRITICAL_SECTION lock;
    std::map<HWND, std::deque<std::function<bool()>>> queues;
    WaitingChanges() { ::InitializeCriticalSection(&lock); }
};

WaitingChanges& Waiting() {
    static WaitingChanges* state = new WaitingChanges();
    return *state;
}

class Locked {
public:
    explicit Locked(WaitingChanges& w) noexcept : w_(w) { ::EnterCriticalSection(&w_.lock); }
    ~Locked() { ::LeaveCriticalSection(&w_.lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    WaitingChanges& w_;
};

DWORD WINAPI ServeWindow(LPVOID parameter) {
    HWND window = static_cast<HWND>(parameter);
    WaitingChanges& w = Waiting();
    for (;;) {
        std::function<bool()> change;
        {
            Locked lock(w);
            auto it = w.queues.find(window);
            if (it == w.queues.end() || it->second.empty()) {
                if (it != w.queues.end()) w.queues.erase(it);
                return 0;
            }
            change = std::move(it->second.front());
            it->second.pop_front();
        }
        // Blocks this thread, never the user-interface thread, until the
        // window answers; a window that ended meanwhile takes no change.
        if (::IsWindow(window)) change();
    }
}

}  // namespace

bool WindowAnswers(HWND window) noexcept {
    if (!window) return false;
    if (::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId()) return true;
    DWORD_PTR answer = 0;
    return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kWindowAnswerMs, &answer) != 0;
}

bool HasWaitingWindowChanges(HWND window) noexcept {
    WaitingChanges& w = Waiting();
    Locked lock(w);
    return w.queues.count(window) != 0;
}

bool ChangeWindowWithoutWaiting(HWND window, std::function<bool()> change) {
    WaitingChanges& w = Waiting();
    {
        // Behind changes that still wait for the window: keep their order.
        Locked lock(w);
        auto it = w.queues.find(window);
        if (it != w.queues.end()) {
            it->second.push_back(std::move(change));
            return true;
        }
    }
    if (WindowAnswers(window)) return change();
    Locked lock(w);
    auto& queue = w.queues[window];
    queue.push_back(std::move(change));
    if (queue.size() > 1) return true;  // a thread already serves the window
    HANDLE thread = ::CreateThread(nullptr, 0, ServeWindow, window, 0, nullptr);
    if (!thread) {
        // Without a thread the change is dropped rather than waited for.
        w.queues.erase(window);
        return false;
    }
    ::CloseHandle(thread);
    return true;
}

bool SetWindowPlacementsWithoutWaiting(HWND window, std::span<const WINDOWPLACEMENT> placements) {
    std::vector<WINDOWPLACEMENT> steps(placements.begin(), placements.end());
    return ChangeWindowWithoutWaiting(window, [window, steps = std::move(steps)] {
        BOOL placed = FALSE;
        for (const WINDOWPLACEMENT& p : steps) placed = velk::Platform().SetWindowPlacement(window, &p);
        return placed != FALSE;
    });
}
