#include "framework/window.h"
#include "framework/app.h"
#include <commctrl.h>

namespace velk {
namespace {
constexpr UINT_PTR kSubclassId = 0x56454C4B;  // one subclass of ours per window
const wchar_t kObjectProp[] = L"VelkWindowObject";
}  // namespace

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
    if (!hwnd || hwnd_) return false;
    if (!::SetWindowSubclass(hwnd, StaticSubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    hwnd_ = hwnd;
    subclassed_ = true;
    ::SetPropW(hwnd, kObjectProp, this);
    return true;
}

CWnd* CWnd::FromHandle(HWND hwnd) noexcept {
    return hwnd ? static_cast<CWnd*>(::GetPropW(hwnd, kObjectProp)) : nullptr;
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM w, LPARAM l) {
    LRESULT result = 0;
    if (OnMessage(msg, w, l, result)) return result;
    return DefaultProc(msg, w, l);
}

bool CWnd::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT CWnd::DefaultProc(UINT msg, WPARAM w, LPARAM l) noexcept {
    return subclassed_ ? ::DefSubclassProc(hwnd_, msg, w, l) : ::DefWindowProcW(hwnd_, msg, w, l);
}

void CWnd::Unbind() noexcept {
    if (subclassed_) ::RemoveWindowSubclass(hwnd_, StaticSubclassProc, kSubclassId);
    else ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::RemovePropW(hwnd_, kObjectProp);
    hwnd_ = nullptr;
    subclassed_ = false;
}

LRESULT CWnd::Route(UINT msg, WPARAM w, LPARAM l) {
    LRESULT result = WindowProc(msg, w, l);
    if (msg == WM_NCDESTROY) {
        Unbind();
        PostNcDestroy();
    }
    return result;
}

LRESULT CALLBACK CWnd::StaticWindowProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<CWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self && msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(l);
        self = static_cast<CWnd*>(cs->lpCreateParams);
        if (self) {
            self->hwnd_ = hwnd;
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            ::SetPropW(hwnd, kObjectProp, self);
        }
    }
    if (!self) return ::DefWindowProcW(hwnd, msg, w, l);
    return self->Route(msg, w, l);
}

LRESULT CALLBACK CWnd::StaticSubclassProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<CWnd*>(data);
    if (!self || self->hwnd_ != hwnd) return ::DefSubclassProc(hwnd, msg, w, l);
    return self->Route(msg, w, l);
}

}  // namespace velk
