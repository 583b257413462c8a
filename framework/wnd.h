// A non-owning view of a window handle with thin methods.
#pragma once
#include <windows.h>
#include <string>
#include "framework/platform.h"

namespace velk {

class Wnd {
public:
    Wnd() noexcept = default;
    explicit Wnd(HWND hwnd) noexcept : hwnd_(hwnd) {}

    HWND GetSafeHwnd() const noexcept { return hwnd_; }
    explicit operator bool() const noexcept { return hwnd_ != nullptr; }
    void Attach(HWND hwnd) noexcept { hwnd_ = hwnd; }

    LRESULT SendMessage(UINT msg, WPARAM w = 0, LPARAM l = 0) const noexcept {
        return ::SendMessageW(hwnd_, msg, w, l);
    }
    BOOL PostMessage(UINT msg, WPARAM w = 0, LPARAM l = 0) const noexcept {
        return ::PostMessageW(hwnd_, msg, w, l);
    }
    HWND GetDlgItem(int id) const noexcept { return ::GetDlgItem(hwnd_, id); }
    std::wstring GetWindowText() const;
    void SetWindowText(const std::wstring& text) const noexcept { ::SetWindowTextW(hwnd_, text.c_str()); }
    BOOL ShowWindow(int cmd) const noexcept { return ::ShowWindow(hwnd_, cmd); }
    BOOL EnableWindow(bool enable) const noexcept { return ::EnableWindow(hwnd_, enable ? TRUE : FALSE); }
    bool IsWindowEnabled() const noexcept { return ::IsWindowEnabled(hwnd_) != FALSE; }
    bool IsWindowVisible() const noexcept { return ::IsWindowVisible(hwnd_) != FALSE; }
    RECT GetWindowRect() const noexcept {
        RECT r{};
        ::GetWindowRect(hwnd_, &r);
        return r;
    }
    RECT GetClientRect() const noexcept {
        RECT r{};
        ::GetClientRect(hwnd_, &r);
        return r;
    }
    BOOL MoveWindow(const RECT& r, bool repaint = true) const noexcept {
        return ::MoveWindow(hwnd_, r.left, r.top, r.right - r.left, r.bottom - r.top, repaint ? TRUE : FALSE);
    }
    // Window timers go through the platform seam, so that a test can see
    // their intervals and fire them without waiting.
    UINT_PTR SetTimer(UINT_PTR id, UINT ms) const noexcept { return Platform().SetTimer(hwnd_, id, ms, nullptr); }
    BOOL KillTimer(UINT_PTR id) const noexcept { return Platform().KillTimer(hwnd_, id); }
    LONG_PTR GetStyle() const noexcept { return ::GetWindowLongPtrW(hwnd_, GWL_STYLE); }

protected:
    HWND hwnd_ = nullptr;
};

}  // namespace velk
