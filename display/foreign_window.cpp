#include "display/foreign_window.h"
#include "framework/platform.h"
#include <map>
#include <vector>

namespace {

// What is kept for one window that did not answer.
struct KeptChange {
    std::function<bool()> pending;          // the newest change not yet begun
    std::optional<WINDOWPLACEMENT> leaves;  // where the newest change (kept or being made) leaves it
    bool served = false;                    // a worker serves the window
};

// The kept changes by window, and the workers running. The state is never
// destroyed: a worker may still wait for a hung window while the process
// ends, and must not find it gone.
struct WaitingChanges {
    CRITICAL_SECTION lock;
    std::map<HWND, KeptChange> windows;
    size_t workers = 0;
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

DWORD WINAPI ServeWindows(LPVOID parameter);

// Starts a worker for the kept window while fewer than the most run; the
// lock is held. False when none was started.
bool StartWorker(WaitingChanges& w, HWND window, KeptChange& kept) {
    if (kept.served || w.workers >= kMaxWindowWorkers) return false;
    HANDLE thread = ::CreateThread(nullptr, 0, ServeWindows, window, 0, nullptr);
    if (!thread) return false;
    ::CloseHandle(thread);
    kept.served = true;
    ++w.workers;
    return true;
}

// The worker is done with its window (lock held): the window's entry goes
// and the worker takes a waiting window that has no worker, or ends (null).
HWND FinishWindow(WaitingChanges& w, HWND window) {
    w.windows.erase(window);
    for (auto& [next, kept] : w.windows) {
        if (!kept.served) {
            kept.served = true;
            return next;
        }
    }
    --w.workers;
    return nullptr;
}

DWORD WINAPI ServeWindows(LPVOID parameter) {
    HWND window = static_cast<HWND>(parameter);
    WaitingChanges& w = Waiting();
    while (window) {
        // Waits on this thread, never the user-interface thread, until the
        // window answers or ends.
        bool gone = false;
        for (;;) {
            if (!::IsWindow(window)) {
                gone = true;
                break;
            }
            if (WindowAnswers(window)) break;
            ::Sleep(kWindowRetryMs);
        }
        std::function<bool()> change;
        {
            Locked lock(w);
            KeptChange& kept = w.windows[window];
            if (gone || !kept.pending) {
                // A window that ended takes no change.
                window = FinishWindow(w, window);
                continue;
            }
            change = std::move(kept.pending);
            kept.pending = nullptr;
        }
        change();
        Locked lock(w);
        // A change kept meanwhile is made on the next turn, once the window
        // answers again.
        if (!w.windows[window].pending) window = FinishWindow(w, window);
    }
    return 0;
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
    return w.windows.count(window) != 0;
}

std::optional<WINDOWPLACEMENT> QueuedWindowPlacement(HWND window) noexcept {
    WaitingChanges& w = Waiting();
    Locked lock(w);
    auto it = w.windows.find(window);
    if (it == w.windows.end()) return std::nullopt;
    return it->second.leaves;
}

size_t WindowWorkerCount() noexcept {
    WaitingChanges& w = Waiting();
    Locked lock(w);
    return w.workers;
}

bool ChangeWindowWithoutWaiting(HWND window, std::function<bool()> change, const WINDOWPLACEMENT* leaves) {
    WaitingChanges& w = Waiting();
    bool waitsForWorker = false;
    {
        // A window with a kept change: this one takes its place.
        Locked lock(w);
        auto it = w.windows.find(window);
        if (it != w.windows.end()) {
            KeptChange& kept = it->second;
            if (kept.served) {
                kept.pending = std::move(change);
                kept.leaves = leaves ? std::optional(*leaves) : std::nullopt;
                return true;
            }
            waitsForWorker = true;
        }
    }
    // A window that answers (and that no worker serves) is changed now.
    if (WindowAnswers(window)) {
        if (waitsForWorker) {
            Locked lock(w);
            auto it = w.windows.find(window);
            if (it != w.windows.end() && !it->second.served) w.windows.erase(it);
        }
        return change();
    }
    Locked lock(w);
    auto [it, made] = w.windows.try_emplace(window);
    KeptChange& kept = it->second;
    kept.pending = std::move(change);
    kept.leaves = leaves ? std::optional(*leaves) : std::nullopt;
    if (!StartWorker(w, window, kept) && !kept.served && w.workers == 0) {
        // No worker runs and none could start: the change is dropped rather
        // than waited for.
        w.windows.erase(it);
        return false;
    }
    return true;
}

bool SetWindowPlacementsWithoutWaiting(HWND window, std::span<const WINDOWPLACEMENT> placements) {
    if (placements.empty()) return false;
    std::vector<WINDOWPLACEMENT> steps(placements.begin(), placements.end());
    const WINDOWPLACEMENT last = steps.back();
    return ChangeWindowWithoutWaiting(
        window,
        [window, steps = std::move(steps)] {
            BOOL placed = FALSE;
            for (const WINDOWPLACEMENT& p : steps) placed = velk::Platform().SetWindowPlacement(window, &p);
            return placed != FALSE;
        },
        &last);
}
