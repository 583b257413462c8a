#include "tests/hooklib/notify_window.h"
#include <chrono>
#include "tests/hooklib/hook_client_protocol.h"

namespace velk::test {
namespace {
constexpr wchar_t kNotifyClass[] = L"VelkHookTestNotify";
}

NotifyWindow::NotifyWindow() : unblock_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    UniqueHandleObj ready(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    thread_ = std::thread([this, r = ready.get()] { Run(r); });
    ::WaitForSingleObject(ready.get(), 10000);
}

NotifyWindow::~NotifyWindow() {
    Unblock();
    if (threadId_) ::PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    if (thread_.joinable()) thread_.join();
}

void NotifyWindow::Run(HANDLE ready) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kNotifyClass;
    ::RegisterClassW(&wc);
    hwnd_ = ::CreateWindowExW(0, kNotifyClass, L"notify", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                              wc.hInstance, this);
    other_ = ::CreateWindowExW(0, kNotifyClass, L"other", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                               wc.hInstance, nullptr);
    threadId_ = ::GetCurrentThreadId();
    ::SetEvent(ready);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    ::DestroyWindow(other_);
    ::DestroyWindow(hwnd_);
}

LRESULT CALLBACK NotifyWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    if (message == WM_SYSCOMMAND) return 0;  // the tests send ids no default handling knows
    auto* self = reinterpret_cast<NotifyWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    const bool report = (message == WM_NULL && (wParam || lParam)) || (message >= WM_APP && message <= 0xBFFF);
    if (self && report) {
        bool block = false;
        {
            std::lock_guard lock(self->mutex_);
            self->reports_.push_back({message, wParam, lParam});
            if (message == hookclient::kHello && self->blockAfterHello_) {
                block = true;
                self->blockAfterHello_ = false;
            }
        }
        self->changed_.notify_all();
        if (block) {
            ::ReplyMessage(0);  // the client goes on; this thread answers nothing more
            ::WaitForSingleObject(self->unblock_.get(), 20000);
        }
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

std::vector<Report> NotifyWindow::Reports() const {
    std::lock_guard lock(mutex_);
    return reports_;
}

bool NotifyWindow::WaitFor(const std::function<bool(const Report&)>& pred, DWORD timeoutMs) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        for (const Report& r : reports_)
            if (pred(r)) return true;
        return false;
    });
}

void NotifyWindow::BlockAfterNextHello() {
    ::ResetEvent(unblock_.get());
    std::lock_guard lock(mutex_);
    blockAfterHello_ = true;
}

void NotifyWindow::Unblock() { ::SetEvent(unblock_.get()); }

}  // namespace velk::test
