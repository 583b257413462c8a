#include "display/overlay_frame.h"

bool CFrameWindow::Create(const wchar_t* className, const wchar_t* title, DWORD style, const RECT& rect,
                          HWND parent, HMENU menuOrId, DWORD exStyle) {
    CREATESTRUCTW cs{};
    cs.lpCreateParams = this;
    cs.hInstance = ::GetModuleHandleW(nullptr);
    cs.hMenu = menuOrId;
    cs.hwndParent = parent;
    cs.x = rect.left;
    cs.y = rect.top;
    cs.cx = rect.right - rect.left;
    cs.cy = rect.bottom - rect.top;
    cs.style = static_cast<LONG>(style);
    cs.lpszName = title;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;

    bool deleted = false;
    deletedFlag_ = &deleted;
    HWND hwnd = nullptr;
    if (PreCreateWindow(cs))
        hwnd = ::CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x, cs.y,
                                 cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    if (deleted) return false;  // the window came and went and took the frame with it
    deletedFlag_ = nullptr;
    if (hwnd && GetSafeHwnd() == hwnd) return true;
    // No window of ours was ever bound to the frame (unknown or foreign class),
    // so nothing else will delete it; a window of a foreign class goes too.
    if (hwnd) ::DestroyWindow(hwnd);
    delete this;
    return false;
}

bool CFrameWindow::PreCreateWindow(CREATESTRUCTW& cs) {
    if (!cs.lpszClass) {
        if (!RegisterWindowClass(kDefaultClassName, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW,
                                 reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)))
            return false;
        cs.lpszClass = kDefaultClassName;
    }
    return true;
}

LRESULT CFrameWindow::OnCreate(WPARAM w, LPARAM l) { return DefaultProc(WM_CREATE, w, l) == -1 ? -1 : 0; }

void CFrameWindow::PostNcDestroy() {
    if (deletedFlag_) *deletedFlag_ = true;
    delete this;
}
