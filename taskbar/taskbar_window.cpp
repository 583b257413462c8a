#include "taskbar/taskbar_window.h"
#include "display/shared_functions.h"
#include "framework/handles.h"
#include "framework/platform.h"
#include "taskbar/taskbar_button.h"
#include "taskbar/tracked_windows.h"
#include "taskbar/visual_styles.h"

ExtraTaskbarRecord ExtraTaskbarTable[kExtraTaskbarRecordCount] = {};
int32_t ExtraTaskbarHeight = 0;

namespace {

constexpr wchar_t kBarClassName[] = L"VelkDorvixTaskBarWindow";
constexpr DWORD kBarExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;  // 0x08000088
constexpr DWORD kBarStyle = WS_POPUP | WS_CLIPCHILDREN;                             // 0x82000000

APPBARDATA AppBarData(HWND bar) noexcept {
    APPBARDATA data{};
    data.cbSize = sizeof(APPBARDATA);
    data.hWnd = bar;
    return data;
}

// Gives the rectangle the thickness w or h at the edge.
void FitToEdge(UINT edge, RECT& rc, int w, int h) noexcept {
    switch (edge) {
    case ABE_LEFT: rc.right = rc.left + w; break;
    case ABE_TOP: rc.bottom = rc.top + h; break;
    case ABE_RIGHT: rc.left = rc.right - w; break;
    case ABE_BOTTOM: rc.top = rc.bottom - h; break;
    default: break;
    }
}

}  // namespace

ExtraTaskbarRecord& ExtraTaskbarRecordOf(HWND bar) noexcept {
    for (ExtraTaskbarRecord& record : ExtraTaskbarTable)
        if (record.Window == bar) return record;
    return ExtraTaskbarTable[0];
}

CTaskbarEx::~CTaskbarEx() {
    // The object never outlives its bar's registration with the shell.
    if (GetSafeHwnd()) RemoveTaskbarWindow(*this);
    UnregisterAppBar();
}

std::span<const velk::MessageEntry<CTaskbarEx>> CTaskbarEx::MessageTable() {
    using velk::on;
    static constexpr velk::MessageEntry<CTaskbarEx> table[] = {
        on(WM_CREATE, &CTaskbarEx::OnCreate),
        on(WM_DESTROY, &CTaskbarEx::OnDestroy),
        on(WM_WINDOWPOSCHANGED, &CTaskbarEx::OnWindowPosChanged),
        on(WM_GETMINMAXINFO, &CTaskbarEx::OnGetMinMaxInfo),
        on(WM_NCHITTEST, &CTaskbarEx::OnNcHitTest),
        on(WM_PAINT, &CTaskbarEx::OnPaint),
        on(WM_DRAWITEM, &CTaskbarEx::OnDrawItem),
    };
    return table;
}

void CTaskbarEx::UnregisterAppBar() noexcept {
    if (!Registered) return;
    Registered = false;
    APPBARDATA data = AppBarData(RegisteredWindow);
    velk::Platform().SHAppBarMessage(ABM_REMOVE, &data);
}

LRESULT CTaskbarEx::OnCreate(WPARAM w, LPARAM l) {
    if (DefaultProc(WM_CREATE, w, l) == -1) return -1;
    APPBARDATA data = AppBarData(hwnd_);
    data.uCallbackMessage = UM_APPBARNOTIFY;
    velk::Platform().SHAppBarMessage(ABM_NEW, &data);
    Registered = true;
    RegisteredWindow = hwnd_;
    return 0;
}

void CTaskbarEx::RegisterAgain() {
    if (!hwnd_) return;
    APPBARDATA data = AppBarData(hwnd_);
    data.uCallbackMessage = UM_APPBARNOTIFY;
    velk::Platform().SHAppBarMessage(ABM_NEW, &data);
    Registered = true;
    RegisteredWindow = hwnd_;
    const ExtraTaskbarRecord& record = ExtraTaskbarRecordOf(hwnd_);
    SetAppBarPos(static_cast<UINT>(record.Edge), data, record.BarWidth, record.BarHeight);
}

LRESULT CTaskbarEx::OnDestroy(WPARAM w, LPARAM l) {
    // However the window goes, nothing stays registered with the shell.
    UnregisterAppBar();
    return DefaultProc(WM_DESTROY, w, l);
}

LRESULT CTaskbarEx::OnWindowPosChanged(WPARAM w, LPARAM l) {
    LRESULT result = DefaultProc(WM_WINDOWPOSCHANGED, w, l);
    APPBARDATA data = AppBarData(hwnd_);
    velk::Platform().SHAppBarMessage(ABM_WINDOWPOSCHANGED, &data);
    ::InvalidateRect(hwnd_, nullptr, TRUE);
    return result;
}

LRESULT CTaskbarEx::OnGetMinMaxInfo(WPARAM w, LPARAM l) {
    auto* info = reinterpret_cast<MINMAXINFO*>(l);
    if (info) {
        info->ptMinTrackSize.x = ExtraTaskbarHeight;
        info->ptMinTrackSize.y = ExtraTaskbarHeight;
    }
    return DefaultProc(WM_GETMINMAXINFO, w, l);
}

LRESULT CTaskbarEx::OnNcHitTest(WPARAM w, LPARAM l) {
    POINT point{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
    ::ScreenToClient(hwnd_, &point);
    if (ExtraTaskbarRecordOf(hwnd_).Edge == ABE_BOTTOM && point.y < 4) return HTTOP;
    return DefaultProc(WM_NCHITTEST, w, l);
}

LRESULT CTaskbarEx::OnPaint(WPARAM, LPARAM) {
    velk::PaintDc paint(hwnd_);
    RECT client = GetClientRect();
    // The taskbar class's background part for the bar's edge.
    static constexpr int kPartByEdge[] = {4, 3, 2, 1};  // left, top, right, bottom
    const int edge = ExtraTaskbarRecordOf(hwnd_).Edge;
    bool drawn = false;
    if (ThemeHandle theme = OpenThemeDataDynamic(hwnd_, L"Taskbar")) {
        const int part = edge >= 0 && edge <= 3 ? kPartByEdge[edge] : 1;
        drawn = DrawThemeBackgroundCall(theme, paint.get(), part, 0, client);
        CloseThemeDataDynamic(theme);
    }
    if (!drawn) ::DrawFrameControl(paint.get(), &client, DFC_BUTTON, DFCS_BUTTONPUSH);
    return 0;
}

LRESULT CTaskbarEx::OnDrawItem(WPARAM w, LPARAM l) {
    // Owner drawing goes back to the button that asked for it.
    auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(l);
    if (item && item->CtlType == ODT_BUTTON) {
        if (auto* button = dynamic_cast<CTaskBarButton*>(velk::CWnd::FromHandle(item->hwndItem))) {
            button->DrawItem(item);
            return TRUE;
        }
    }
    return DefaultProc(WM_DRAWITEM, w, l);
}

void QueryAppBarPos(UINT edge, APPBARDATA& data, int width, int height) {
    data.uEdge = edge;
    const ExtraTaskbarRecord& record = ExtraTaskbarRecordOf(data.hWnd);
    data.rc = RECT{record.left, record.bottom - ExtraTaskbarHeight, record.right, record.bottom};
    FitToEdge(edge, data.rc, width, height);
    velk::Platform().SHAppBarMessage(ABM_QUERYPOS, &data);
    // The shell may have moved the rectangle; the bar keeps its thickness.
    FitToEdge(edge, data.rc, width, height);
}

void SetAppBarPos(UINT edge, APPBARDATA& data, int width, int height) {
    QueryAppBarPos(edge, data, width, height);
    velk::Platform().SHAppBarMessage(ABM_SETPOS, &data);
    const RECT& rc = data.rc;
    ::MoveWindow(data.hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
}

void SizeAppBar(HWND bar) {
    RECT window{};
    ::GetWindowRect(bar, &window);
    ExtraTaskbarRecord& record = ExtraTaskbarRecordOf(bar);
    APPBARDATA data = AppBarData(bar);
    SetAppBarPos(static_cast<UINT>(record.Edge), data, window.right - window.left, window.bottom - window.top);
    if (record.Edge == ABE_TOP || record.Edge == ABE_BOTTOM) record.BarHeight = data.rc.bottom - data.rc.top;
    else record.BarWidth = data.rc.right - data.rc.left;
}

void SetAppBarEdge(HWND bar, UINT edge) {
    ExtraTaskbarRecord& record = ExtraTaskbarRecordOf(bar);
    record.Edge = static_cast<int32_t>(edge);
    APPBARDATA data = AppBarData(bar);
    SetAppBarPos(edge, data, record.BarWidth, record.BarHeight);
}

void DockAppBarBottom(HWND bar) {
    if (ExtraTaskbarRecordOf(bar).Edge != ABE_BOTTOM) SetAppBarEdge(bar, ABE_BOTTOM);
}

HWND CreateTaskbarWindow(CTaskbarEx* bar, int n, int left, int top, int right, int bottom) {
    if (!bar || n < 1 || n >= kExtraTaskbarRecordCount) return nullptr;
    ExtraTaskbarRecord& record = ExtraTaskbarTable[n];
    // A bar still standing for this number goes first, with its registration.
    if (HWND old = record.Window) {
        auto* oldBar = dynamic_cast<CTaskbarEx*>(velk::CWnd::FromHandle(old));
        if (oldBar) {
            RemoveTaskbarWindow(*oldBar);
        } else {
            ::SendMessageW(old, WM_CLOSE, 0, 0);
            APPBARDATA data = AppBarData(old);
            velk::Platform().SHAppBarMessage(ABM_REMOVE, &data);
        }
        record.Window = nullptr;
    }
    ExtraTaskbarHeight = IsWindowsAtLeast(6, 0) ? 32 : 30;
    velk::CWnd::RegisterWindowClass(kBarClassName, 0, nullptr, nullptr, nullptr);

    record.DisplayNumber = n;
    record.left = left;
    record.top = top;
    record.right = right;
    record.bottom = bottom;
    record.Width = right - left;
    record.Height = bottom - top;
    record.BarWidth = ExtraTaskbarHeight;
    record.BarHeight = ExtraTaskbarHeight;

    bar->Desktop = ::GetDesktopWindow();
    if (!bar->CreateEx(kBarExStyle, kBarClassName, kExtraTaskbarTitle, kBarStyle, left, top, record.Width,
                       ExtraTaskbarHeight, bar->Desktop))
        return nullptr;
    HWND window = bar->GetSafeHwnd();
    bar->Window = window;
    record.Window = window;
    const RECT created = bar->GetWindowRect();
    record.BarWidth = created.right - created.left;
    record.BarHeight = ExtraTaskbarHeight;
    // At the first creation for this number the edge is still ABE_LEFT: the
    // bar is placed once as the display's bottom strip, then docked.
    SizeAppBar(window);
    ::ShowWindow(window, SW_SHOWNORMAL);
    DockAppBarBottom(window);
    return window;
}

void RemoveTaskbarWindow(CTaskbarEx& bar) noexcept {
    HWND window = bar.Window ? bar.Window : bar.GetSafeHwnd();
    if (window && ::IsWindow(window)) ::SendMessageW(window, WM_CLOSE, 0, 0);
    bar.UnregisterAppBar();
    // A window that refused to close is destroyed, so no bar is left behind.
    if (bar.GetSafeHwnd()) bar.DestroyWindowNow();
    if (window) {
        ExtraTaskbarRecord& record = ExtraTaskbarRecordOf(window);
        if (record.Window == window) record.Window = nullptr;
    }
    bar.Window = nullptr;
}
