// The window base: binds an HWND to its C++ object and forwards every message
// to the virtual WindowProc, which dispatches through OnMessage (the class's
// message table) before the explicit default processing.
//
// Binding: windows of our own classes at WM_NCCREATE (GWLP_USERDATA, `this`
// passed as the creation parameter); existing windows (controls, dialogs) by
// subclassing with SetWindowSubclass. Unbound at WM_NCDESTROY.
#pragma once
#include "framework/wnd.h"
#include <windows.h>

namespace velk {

class CWnd : public Wnd {
public:
    CWnd() noexcept = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    // Registers (once) a window class of ours whose procedure binds objects.
    static bool RegisterWindowClass(const wchar_t* className, UINT style = CS_HREDRAW | CS_VREDRAW,
                                    HBRUSH background = nullptr, HICON icon = nullptr,
                                    HCURSOR cursor = ::LoadCursorW(nullptr, IDC_ARROW));
    // Creates a window of a class registered with RegisterWindowClass.
    bool CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y,
                  int width, int height, HWND parent, HMENU menuOrId = nullptr);
    // Binds this object to an existing window (a control or a dialog).
    bool SubclassWindow(HWND hwnd);
    bool SubclassDlgItem(int id, HWND parent) { return SubclassWindow(::GetDlgItem(parent, id)); }
    BOOL DestroyWindowNow() noexcept { return hwnd_ ? ::DestroyWindow(hwnd_) : FALSE; }

    // The object bound to a window, or null.
    static CWnd* FromHandle(HWND hwnd) noexcept;

protected:
    virtual LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l);
    // The class's own handling; true when the message was handled.
    virtual bool OnMessage(UINT msg, WPARAM w, LPARAM l, LRESULT& result);
    // The processing the window would get without this object.
    LRESULT DefaultProc(UINT msg, WPARAM w, LPARAM l) noexcept;
    // Called after WM_NCDESTROY, once the object is unbound.
    virtual void PostNcDestroy() {}

private:
    static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
    static LRESULT CALLBACK StaticSubclassProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l, UINT_PTR id,
                                               DWORD_PTR data);
    LRESULT Route(UINT msg, WPARAM w, LPARAM l);
    void Unbind() noexcept;

    bool subclassed_ = false;
};

}  // namespace velk
