#include "framework/window.h"
#include "framework/dialog.h"
#include <commctrl.h>
#include <cstring>
#include <exception>

namespace velk {
namespace {
constexpr UINT_PTR kSubclassId = 0x56454C4B;  // one subclass of ours per window

// The first handler failure of the thread, kept without allocating: it is
// noted inside our window procedures, under the system's frames.
struct HandlerFailureRecord {
    bool failed = false;
    char what[256] = {};
};
thread_local HandlerFailureRecord t_failure;

// The common controls' subclass functions, looked up by name, else by their
// ordinals 410 to 413: the system's common controls of Windows XP (without a
// manifest) export them by ordinal only, and some import libraries lack
// GetWindowSubclass.
template <typename Fn>
Fn SubclassFn(const char* name, WORD ordinal) noexcept {
    HMODULE comctl = ::GetModuleHandleW(L"comctl32.dll");
    if (!comctl) return nullptr;
    FARPROC found = ::GetProcAddress(comctl, name);
    if (!found) found = ::GetProcAddress(comctl, MAKEINTRESOURCEA(ordinal));
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(found));
}

using SetWindowSubclassFn = BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR);
using GetWindowSubclassFn = BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR*);
using RemoveWindowSubclassFn = BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR);
using DefSubclassProcFn = LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM);

struct SubclassApi {
    SetWindowSubclassFn set = SubclassFn<SetWindowSubclassFn>("SetWindowSubclass", 410);
    GetWindowSubclassFn get = SubclassFn<GetWindowSubclassFn>("GetWindowSubclass", 411);
    RemoveWindowSubclassFn remove = SubclassFn<RemoveWindowSubclassFn>("RemoveWindowSubclass", 412);
    DefSubclassProcFn def = SubclassFn<DefSubclassProcFn>("DefSubclassProc", 413);
};

const SubclassApi& Subclassing() noexcept {
    static const SubclassApi api;
    return api;
}

// The reference data of our subclass of a window; false when it has none.
bool SubclassData(HWND hwnd, UINT_PTR id, SUBCLASSPROC proc, DWORD_PTR& data) noexcept {
    const auto get = Subclassing().get;
    return get && get(hwnd, proc, id, &data);
}

// The next procedure of a subclassed window (the function is there whenever
// the subclass could be set).
LRESULT DefSubclass(HWND hwnd, UINT msg, WPARAM w, LPARAM l) noexcept {
    const auto def = Subclassing().def;
    return def ? def(hwnd, msg, w, l) : ::DefWindowProcW(hwnd, msg, w, l);
}
}  // namespace

thread_local CWnd::ModalRun* CWnd::modalRuns_ = nullptr;

std::wstring Wnd::GetWindowText() const {
    int length = ::GetWindowTextLengthW(hwnd_);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    int got = ::GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

CWnd::~CWnd() {
    // An object that dies before its window leaves the window unbound.
    if (hwnd_ && ::IsWindow(hwnd_) && FromHandle(hwnd_) == this) Unbind();
}

bool CWnd::RegisterWindowClass(const wchar_t* className, UINT style, HBRUSH background, HICON icon,
                               HCURSOR cursor) {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSW existing{};
    if (::GetClassInfoW(instance, className, &existing)) return true;
    WNDCLASSW wc{};
    wc.style = style;
    wc.lpfnWndProc = StaticWindowProc;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    return ::RegisterClassW(&wc) != 0;
}

bool CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menuOrId) {
    HWND hwnd = ::CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, menuOrId,
                                  ::GetModuleHandleW(nullptr), this);
    return hwnd != nullptr;
}

bool CWnd::SubclassWindow(HWND hwnd) {
    if (!hwnd || hwnd_ || FromHandle(hwnd)) return false;
    const auto set = Subclassing().set;
    if (!set || !set(hwnd, StaticSubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) return false;
    hwnd_ = hwnd;
    binding_ = Binding::Subclass;
    return true;
}

void CWnd::BindDialog(HWND hwnd) noexcept {
    hwnd_ = hwnd;
    binding_ = Binding::Dialog;
    ::SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(this));
}

CWnd* CWnd::FromHandle(HWND hwnd) noexcept {
    if (!hwnd) return nullptr;
    if (::GetClassLongPtrW(hwnd, GCLP_WNDPROC) == reinterpret_cast<ULONG_PTR>(&StaticWindowProc))
        return reinterpret_cast<CWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (CDialog* dialog = CDialog::FromDialog(hwnd)) return dialog;
    DWORD_PTR data = 0;
    if (SubclassData(hwnd, kSubclassId, StaticSubclassProc, data)) return reinterpret_cast<CWnd*>(data);
    return nullptr;
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM w, LPARAM l) {
    LRESULT result = 0;
    if (OnMessage(msg, w, l, result)) return result;
    return DefaultProc(msg, w, l);
}

bool CWnd::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT CWnd::DefaultProc(UINT msg, WPARAM w, LPARAM l) noexcept {
    switch (binding_) {
    case Binding::Subclass:
        return DefSubclass(hwnd_, msg, w, l);
    case Binding::Dialog: {
        // The dialog class's processing first calls the dialog procedure;
        // that one call must leave the message to the class.
        defaultCall_ = true;
        const LRESULT result = ::DefDlgProcW(hwnd_, msg, w, l);
        defaultCall_ = false;
        return result;
    }
    default:
        return ::DefWindowProcW(hwnd_, msg, w, l);
    }
}

bool CWnd::TakeDefaultCall() noexcept {
    if (!defaultCall_) return false;
    defaultCall_ = false;
    return true;
}

void CWnd::Unbind() noexcept {
    switch (binding_) {
    case Binding::OwnClass:
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        break;
    case Binding::Dialog:
        ::SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
        break;
    case Binding::Subclass:
        if (const auto remove = Subclassing().remove) remove(hwnd_, StaticSubclassProc, kSubclassId);
        break;
    case Binding::None:
        break;
    }
    hwnd_ = nullptr;
    binding_ = Binding::None;
    defaultCall_ = false;
}

LRESULT CWnd::Route(UINT msg, WPARAM w, LPARAM l, bool& failed) noexcept {
    LRESULT result = 0;
    try {
        result = WindowProc(msg, w, l);
    } catch (...) {
        NoteHandlerFailure();
        failed = true;
        result = msg == WM_CREATE ? -1 : 0;
    }
    if (msg == WM_NCDESTROY) {
        Unbind();
        try {
            PostNcDestroy();
        } catch (...) {
            NoteHandlerFailure();
            failed = true;
        }
    }
    return result;
}

void CWnd::NoteHandlerFailure() noexcept {
    if (!t_failure.failed) {
        t_failure.failed = true;
        const char* what = "unknown exception";
        try {
            throw;
        } catch (const std::exception& e) {
            what = e.what();
        } catch (...) {
        }
        std::strncpy(t_failure.what, what ? what : "", sizeof(t_failure.what) - 1);
        t_failure.what[sizeof(t_failure.what) - 1] = '\0';
    }
    for (ModalRun* run = modalRuns_; run; run = run->outer_) {
        if (run->dialog_.hwnd_) ::EndDialog(run->dialog_.hwnd_, -1);
    }
}

CWnd::ModalRun::ModalRun(CWnd& dialog) noexcept : dialog_(dialog), outer_(modalRuns_) { modalRuns_ = this; }

CWnd::ModalRun::~ModalRun() { modalRuns_ = outer_; }

std::optional<std::string> TakeHandlerFailure() {
    if (!t_failure.failed) return std::nullopt;
    std::string what = t_failure.what;
    t_failure = HandlerFailureRecord{};
    return what;
}

LRESULT CALLBACK CWnd::StaticWindowProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) noexcept {
    auto* self = reinterpret_cast<CWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self && msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(l);
        self = static_cast<CWnd*>(cs->lpCreateParams);
        if (self) {
            self->hwnd_ = hwnd;
            self->binding_ = Binding::OwnClass;
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    }
    if (!self) return ::DefWindowProcW(hwnd, msg, w, l);
    bool failed = false;
    return self->Route(msg, w, l, failed);
}

LRESULT CALLBACK CWnd::StaticSubclassProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l, UINT_PTR,
                                          DWORD_PTR data) noexcept {
    auto* self = reinterpret_cast<CWnd*>(data);
    if (!self || self->hwnd_ != hwnd) return DefSubclass(hwnd, msg, w, l);
    bool failed = false;
    return self->Route(msg, w, l, failed);
}

}  // namespace velk
