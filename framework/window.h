// The window base: binds an HWND to its C++ object and forwards every message
// to the virtual WindowProc, which dispatches through OnMessage (the class's
// message table) before the explicit default processing.
//
// One binding per kind of window, undone at WM_NCDESTROY:
// - windows of our own classes at WM_NCCREATE (GWLP_USERDATA, `this` passed
//   as the creation parameter);
// - dialogs at WM_INITDIALOG (DWLP_USER), see CDialog;
// - existing windows (controls) through SetWindowSubclass's reference data.
//
// Handlers may throw; the exception stops at our window, subclass and dialog
// procedures, so that none crosses the system's frames. The first failure of
// a thread is kept until TakeHandlerFailure takes it, and every modal dialog
// of ours running on the thread is ended (CDialog::DoModal then answers -1).
#pragma once
#include "framework/wnd.h"
#include <windows.h>
#include <optional>
#include <string>

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
    // Binds this object to an existing window (a control) by subclassing it;
    // false when the window is already bound to an object of ours.
    bool SubclassWindow(HWND hwnd);
    bool SubclassDlgItem(int id, HWND parent) { return SubclassWindow(::GetDlgItem(parent, id)); }
    BOOL DestroyWindowNow() noexcept { return hwnd_ ? ::DestroyWindow(hwnd_) : FALSE; }

    // The object bound to a window, read through the binding of its kind; null
    // when none is.
    static CWnd* FromHandle(HWND hwnd) noexcept;

protected:
    virtual LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l);
    // The class's own handling; true when the message was handled.
    virtual bool OnMessage(UINT msg, WPARAM w, LPARAM l, LRESULT& result);
    // The processing the window would get without this object.
    LRESULT DefaultProc(UINT msg, WPARAM w, LPARAM l) noexcept;
    // Called after WM_NCDESTROY, once the object is unbound.
    virtual void PostNcDestroy() {}

    // Binds a dialog at WM_INITDIALOG (DWLP_USER).
    void BindDialog(HWND hwnd) noexcept;
    // One message through WindowProc; unbinds at WM_NCDESTROY. A handler's
    // exception ends here: it is kept, the modal runs end, failed is set and
    // the answer is 0 (-1 for WM_CREATE, so that the creation fails).
    LRESULT Route(UINT msg, WPARAM w, LPARAM l, bool& failed) noexcept;
    // True once for the dialog procedure's call made by DefaultProc itself,
    // which leaves the message to the dialog class's processing.
    bool TakeDefaultCall() noexcept;

    // A modal run of a dialog of ours on this thread, for the life of the
    // object; a handler's failure ends every run that is going on.
    class ModalRun {
    public:
        explicit ModalRun(CWnd& dialog) noexcept;
        ~ModalRun();
        ModalRun(const ModalRun&) = delete;
        ModalRun& operator=(const ModalRun&) = delete;

    private:
        friend class CWnd;
        CWnd& dialog_;
        ModalRun* outer_;
    };

private:
    // A bound window is set only by its binding (creation, subclassing,
    // WM_INITDIALOG), never by pointing the object at another window.
    using Wnd::Attach;

    enum class Binding { None, OwnClass, Dialog, Subclass };

    static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) noexcept;
    static LRESULT CALLBACK StaticSubclassProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l, UINT_PTR id,
                                               DWORD_PTR data) noexcept;
    // Keeps the exception being handled and ends the thread's modal runs.
    static void NoteHandlerFailure() noexcept;
    void Unbind() noexcept;

    // The innermost modal run of a dialog of ours on this thread.
    static thread_local ModalRun* modalRuns_;

    Binding binding_ = Binding::None;
    bool defaultCall_ = false;
};

// What the first handler that threw on this thread since the last take said
// (the exception's what(), or a fixed text for other exceptions); nothing when
// no handler threw.
std::optional<std::string> TakeHandlerFailure();

}  // namespace velk
