// A window of the test process, on a thread of its own, that plays the main
// program's notify window: it records every report that reaches it.
#pragma once
#include <windows.h>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>
#include "framework/handles.h"

namespace velk::test {

struct Report {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Report&) const = default;
};

class NotifyWindow {
public:
    NotifyWindow();
    ~NotifyWindow();
    NotifyWindow(const NotifyWindow&) = delete;
    NotifyWindow& operator=(const NotifyWindow&) = delete;

    HWND Hwnd() const noexcept { return hwnd_; }
    // A second window of the same thread, which is not the notify window.
    HWND Other() const noexcept { return other_; }

    std::vector<Report> Reports() const;
    // Waits until a recorded report satisfies pred.
    bool WaitFor(const std::function<bool(const Report&)>& pred, DWORD timeoutMs) const;
    // After the next hello of a client the thread answers it and then stops
    // handling messages until Unblock.
    void BlockAfterNextHello();
    void Unblock();

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Run(HANDLE ready);

    std::thread thread_;
    DWORD threadId_ = 0;
    HWND hwnd_ = nullptr;
    HWND other_ = nullptr;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<Report> reports_;
    bool blockAfterHello_ = false;
    UniqueHandleObj unblock_;
};

}  // namespace velk::test
