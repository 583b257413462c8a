#include "testing/desktopsim/desktop_windows.h"

namespace velk::test {
namespace {

LRESULT CALLBACK TopProc(HWND window, UINT msg, WPARAM w, LPARAM l) {
    // The top window is sized with the list view inside it.
    if (msg == WM_SIZE) {
        HWND view = ::GetWindow(window, GW_CHILD);
        if (view) ::MoveWindow(view, 0, 0, LOWORD(l), HIWORD(l), TRUE);
    }
    return ::DefWindowProcW(window, msg, w, l);
}

LRESULT CALLBACK ViewProc(HWND window, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_SIZE) {
        HWND list = ::GetWindow(window, GW_CHILD);
        if (list) ::MoveWindow(list, 0, 0, LOWORD(l), HIWORD(l), TRUE);
    }
    return ::DefWindowProcW(window, msg, w, l);
}

void RegisterOnce(const wchar_t* name, WNDPROC proc) {
    WNDCLASSW wc{};
    if (::GetClassInfoW(::GetModuleHandleW(nullptr), name, &wc)) return;
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = name;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_DESKTOP + 1);
    ::RegisterClassW(&wc);
}

}  // namespace

DesktopWindows::DesktopWindows(const DesktopWindowsOptions& options) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    RegisterOnce(options.topClass, TopProc);
    RegisterOnce(L"SHELLDLL_DefView", ViewProc);
    const RECT& r = options.rect;
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    top_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, options.topClass, options.topTitle, WS_POPUP, r.left, r.top, width,
                             height, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (!top_) return;
    view_ = ::CreateWindowExW(0, L"SHELLDLL_DefView", L"", WS_CHILD | WS_VISIBLE, 0, 0, width, height, top_,
                              nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (!view_) return;
    list_ = ::CreateWindowExW(0, WC_LISTVIEWW, L"FolderView",
                              WS_CHILD | (options.listVisible ? WS_VISIBLE : 0) | options.listStyle, 0, 0, width,
                              height, view_, nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

DesktopWindows::~DesktopWindows() {
    if (top_) ::DestroyWindow(top_);
}

}  // namespace velk::test
