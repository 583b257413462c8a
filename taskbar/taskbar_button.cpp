#include "taskbar/taskbar_button.h"
#include "display/shared_functions.h"
#include "framework/handles.h"
#include "framework/platform.h"
#include "display/foreign_window.h"
#include "taskbar/visual_styles.h"
#include <cwchar>
#include <iterator>
#include <map>
#include <optional>

TaskButtonState TaskButtonStateTable[kTaskButtonCount] = {};

namespace {

constexpr int kTitleUnits = 32;

TaskButtonState* StateOf(int serial) noexcept {
    return serial >= 0 && serial < kTaskButtonCount ? &TaskButtonStateTable[serial] : nullptr;
}

// The window's placement, or the one a change still waiting for the window
// leaves it in, so that a click builds on what was asked before.
WINDOWPLACEMENT PlacementOf(HWND window) noexcept {
    if (const std::optional<WINDOWPLACEMENT> queued = QueuedWindowPlacement(window)) return *queued;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    velk::Platform().GetWindowPlacement(window, &placement);
    return placement;
}

RECT WorkAreaOf(HWND window) noexcept {
    RECT work{};
    GetMonitorWorkAreaOfWindow(window, &work);
    return work;
}

// A point font of tenths of a point for the device context.
HFONT CreatePointFont(int tenths, const wchar_t* face, HDC dc) noexcept {
    LOGFONTW font{};
    font.lfCharSet = DEFAULT_CHARSET;
    std::wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    POINT size{0, ::MulDiv(::GetDeviceCaps(dc, LOGPIXELSY), tenths, 720)};
    POINT origin{0, 0};
    ::DPtoLP(dc, &size, 1);
    ::DPtoLP(dc, &origin, 1);
    font.lfHeight = -std::abs(size.y - origin.y);
    return ::CreateFontIndirectW(&font);
}

}  // namespace

namespace {

// The icon questions on their way, by question id; this thread only (the
// answers come back through its own messages).
struct IconQuestion {
    HWND window;
    HWND button;
    int kind;  // index into kIconKinds of the message on its way
};
constexpr WPARAM kIconKinds[] = {ICON_SMALL, ICON_SMALL2, ICON_BIG};
std::map<ULONG_PTR, IconQuestion> g_iconQuestions;
ULONG_PTR g_lastIconQuestion = 0;

HICON ClassIconOf(HWND window) noexcept {
    if (auto small = reinterpret_cast<HICON>(::GetClassLongPtrW(window, GCLP_HICONSM))) return small;
    return reinterpret_cast<HICON>(::GetClassLongPtrW(window, GCLP_HICON));
}

void CALLBACK IconAnswered(HWND, UINT, ULONG_PTR id, LRESULT answer);

// SendMessageCallbackW, looked up at run time: the oldest systems the
// program runs on do not all export it.
using SendWithCallback = BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM, SENDASYNCPROC, ULONG_PTR);
SendWithCallback SendMessageCallbackCall() noexcept {
    static const auto call = reinterpret_cast<SendWithCallback>(
        reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SendMessageCallbackW")));
    return call;
}

// Sends the question's next message; a window that cannot take it (gone)
// ends the question with its class's icon.
void AskNext(ULONG_PTR id) {
    auto it = g_iconQuestions.find(id);
    if (it == g_iconQuestions.end()) return;
    const HWND window = it->second.window;
    const WPARAM kind = kIconKinds[it->second.kind];
    // A window of this thread answers inside the call (and the answer is
    // handled there); another's answer comes with this thread's messages.
    // Without the function the class's icons stand for the window's.
    const SendWithCallback send = SendMessageCallbackCall();
    if (!send || !send(window, WM_GETICON, kind, 0, IconAnswered, id)) IconAnswered(window, 0, id, 0);
}

void CALLBACK IconAnswered(HWND, UINT, ULONG_PTR id, LRESULT answer) {
    auto it = g_iconQuestions.find(id);
    if (it == g_iconQuestions.end()) return;
    if (answer == 0 && it->second.kind + 1 < static_cast<int>(std::size(kIconKinds))) {
        ++it->second.kind;
        AskNext(id);
        return;
    }
    const IconQuestion done = it->second;
    g_iconQuestions.erase(it);
    const HICON icon = answer ? reinterpret_cast<HICON>(answer) : ClassIconOf(done.window);
    if (::IsWindow(done.button))
        ::SendMessageW(done.button, UM_TASKBUTTONICON, reinterpret_cast<WPARAM>(done.window),
                       reinterpret_cast<LPARAM>(icon));
}

}  // namespace

HICON GetWindowIconHandle(HWND window, HWND button) {
    // A window that went while asked never answers: its question goes.
    std::erase_if(g_iconQuestions, [](const auto& q) { return !::IsWindow(q.second.window); });
    const HICON known = ClassIconOf(window);
    for (auto& [id, question] : g_iconQuestions) {
        if (question.window == window) {
            question.button = button;
            return known;
        }
    }
    if (!window) return known;
    const ULONG_PTR id = ++g_lastIconQuestion;
    g_iconQuestions[id] = IconQuestion{window, button, 0};
    AskNext(id);
    return known;
}

size_t PendingIconQuestions() noexcept { return g_iconQuestions.size(); }

int DrawThemeBackgroundDynamic(HANDLE theme, HDC dc, int state, const RECT& rect) {
    return DrawThemeBackgroundCall(theme, dc, 1, state, rect) ? 1 : 0;
}

CTaskBarButton::CTaskBarButton() noexcept {
    SmallIconWidth = velk::Platform().GetSystemMetrics(SM_CXSMICON);
    SmallIconHeight = velk::Platform().GetSystemMetrics(SM_CYSMICON);
}

std::span<const velk::MessageEntry<CTaskBarButton>> CTaskBarButton::MessageTable() {
    using velk::on;
    static constexpr velk::MessageEntry<CTaskBarButton> table[] = {
        on(WM_TIMER, &CTaskBarButton::OnTimer),
        on(WM_LBUTTONDOWN, &CTaskBarButton::OnLButtonDown),
        // The class's double clicks are second presses, so the button never
        // takes the capture or a pushed state of its own.
        on(WM_LBUTTONDBLCLK, &CTaskBarButton::OnLButtonDown),
        on(UM_TASKBUTTONCLICK, &CTaskBarButton::OnTaskButtonClick),
        on(UM_TASKBUTTONICON, &CTaskBarButton::OnTaskButtonIcon),
        on(WM_RBUTTONDOWN, &CTaskBarButton::OnRButtonDown),
        on(WM_MOUSEMOVE, &CTaskBarButton::OnMouseMove),
        on(WM_MOUSELEAVE, &CTaskBarButton::OnMouseLeave),
    };
    return table;
}

bool CTaskBarButton::Create(const wchar_t* text, DWORD style, const RECT& rect, HWND parent, UINT id) {
    HWND window = ::CreateWindowExW(0, L"BUTTON", text, style, rect.left, rect.top, rect.right - rect.left,
                                    rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                    ::GetModuleHandleW(nullptr), nullptr);
    if (!window) return false;
    if (!SubclassWindow(window)) {
        ::DestroyWindow(window);
        return false;
    }
    // What the window's creation does for the button: its state starts
    // afresh, its size is kept and the title timer runs.
    if (TaskButtonState* state = StateOf(Serial)) *state = TaskButtonState{};
    CreatedWidth = rect.right - rect.left;
    CreatedHeight = rect.bottom - rect.top;
    Hover = 0;
    SetTimer(kTitleTimer, kTitleTimerMs);
    return true;
}

void CTaskBarButton::ApplySkin(const TaskbarSkin& skin) noexcept {
    NormalBitmap = skin.NormalBitmap;
    HotBitmap = skin.HotBitmap;
    ActiveBitmap = skin.ActiveBitmap;
    ActiveHotBitmap = skin.ActiveHotBitmap;
    InactiveTextColour = skin.InactiveTextColour;
    ActiveTextColour = skin.ActiveTextColour;
    FontSize = skin.FontSize;
}

LRESULT CTaskBarButton::OnTimer(WPARAM w, LPARAM l) {
    if (w == kTitleTimer) {
        wchar_t title[kTitleUnits] = {};
        wchar_t shown[kTitleUnits] = {};
        // The target's own copy of its text: no message that a hung target
        // would hold up.
        ::InternalGetWindowText(Target, title, kTitleUnits);
        ::GetWindowTextW(hwnd_, shown, kTitleUnits);
        if (std::wcscmp(title, shown) != 0) {
            // The icon shown stays until the window's answer replaces it.
            const HICON known = GetWindowIconHandle(Target, hwnd_);
            if (!Icon) Icon = known;
            ::SetWindowTextW(hwnd_, title);
            SendMessage(BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(Icon));
            Title = title;
            ::InvalidateRect(hwnd_, nullptr, FALSE);
        }
        if (TaskButtonState* state = StateOf(Serial)) {
            const int32_t active = velk::Platform().GetForegroundWindow() == Target ? 1 : 0;
            if (active != state->Active) {
                state->Active = active;
                ::InvalidateRect(hwnd_, nullptr, FALSE);
            }
        }
    }
    return DefaultProc(WM_TIMER, w, l);
}

LRESULT CTaskBarButton::OnLButtonDown(WPARAM, LPARAM) {
    // No capture and no pushed state of the button's own: the click is handled
    // once the mouse message is done.
    PostMessage(UM_TASKBUTTONCLICK, static_cast<WPARAM>(Serial), 0);
    return 0;
}

LRESULT CTaskBarButton::OnTaskButtonClick(WPARAM w, LPARAM) {
    TaskButtonState* state = StateOf(static_cast<int>(w));
    // A window that went since the last refresh is left alone.
    if (state && Target && ::IsWindow(Target)) {
        if (state->Active == 1) {
            if (::IsIconic(Target)) {
                RestoreWindowAnimated(Target, state->KeptShowCmd);
                ::SetForegroundWindow(Target);
            } else {
                WINDOWPLACEMENT placement = PlacementOf(Target);
                const UINT before = placement.showCmd;
                RECT from = before == SW_SHOWMAXIMIZED ? WorkAreaOf(Target) : placement.rcNormalPosition;
                RECT to = GetWindowRect();
                ::DrawAnimatedRects(Target, IDANI_CAPTION, &from, &to);
                placement.showCmd = SW_MINIMIZE;
                SetWindowPlacementsWithoutWaiting(Target, std::span(&placement, 1));
                state->KeptShowCmd = static_cast<int32_t>(before);
            }
            state->Active = 0;
        } else if (state->Active == 0) {
            if (::IsIconic(Target)) RestoreWindowAnimated(Target, state->KeptShowCmd);
            ::SetForegroundWindow(Target);
            state->Active = 1;
        }
    }
    ::InvalidateRect(hwnd_, nullptr, TRUE);
    return 0;
}

LRESULT CTaskBarButton::OnTaskButtonIcon(WPARAM w, LPARAM l) {
    // An answer for a window the button no longer stands for is dropped.
    if (!Target || reinterpret_cast<HWND>(w) != Target) return 0;
    Icon = reinterpret_cast<HICON>(l);
    SendMessage(BM_SETIMAGE, IMAGE_ICON, l);
    ::InvalidateRect(hwnd_, nullptr, FALSE);
    return 0;
}

int CTaskBarButton::RestoreWindowAnimated(HWND window, int cmd) {
    WINDOWPLACEMENT placement = PlacementOf(window);
    const int before = static_cast<int>(placement.showCmd);
    const RECT button = GetWindowRect();
    RECT from{}, to{};
    switch (cmd) {
    case 0:
    case SW_SHOWNORMAL:
        from = button;
        to = placement.rcNormalPosition;
        break;
    case SW_SHOWMAXIMIZED:
        from = button;
        to = WorkAreaOf(window);
        break;
    case SW_MINIMIZE:
        from = placement.showCmd == SW_SHOWMAXIMIZED ? WorkAreaOf(window) : placement.rcNormalPosition;
        to = button;
        break;
    default:
        break;
    }
    ::DrawAnimatedRects(window, IDANI_CAPTION, &from, &to);
    placement.showCmd = cmd == 0 ? SW_SHOWNORMAL : static_cast<UINT>(cmd);
    SetWindowPlacementsWithoutWaiting(window, std::span(&placement, 1));
    return before;
}

LRESULT CTaskBarButton::OnRButtonDown(WPARAM w, LPARAM l) {
    POINT point{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
    ::ClientToScreen(hwnd_, &point);
    ::SetForegroundWindow(Target);
    // 0x0313: the window opens its system menu at the point.
    ::PostMessageW(Target, 0x0313, 0, MAKELPARAM(point.x & 0xFFFF, point.y & 0xFFFF));
    return DefaultProc(WM_RBUTTONDOWN, w, l);
}

LRESULT CTaskBarButton::OnMouseMove(WPARAM w, LPARAM l) {
    POINT point{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
    ::ClientToScreen(hwnd_, &point);
    const RECT window = GetWindowRect();
    const uint8_t hover = ::PtInRect(&window, point) ? 1 : 0;
    if (hover != Hover) {
        Hover = hover;
        ::InvalidateRect(hwnd_, nullptr, TRUE);
        if (hover) {
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd_, 0};
            ::TrackMouseEvent(&track);
        }
    }
    return DefaultProc(WM_MOUSEMOVE, w, l);
}

LRESULT CTaskBarButton::OnMouseLeave(WPARAM, LPARAM) {
    Hover = 0;
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    return 0;
}

void CTaskBarButton::StretchSkinBitmap(HBITMAP bitmap, HDC dc) const {
    BITMAP info{};
    if (!bitmap || !::GetObjectW(bitmap, sizeof(info), &info)) return;
    velk::UniqueMemoryDc memory(::CreateCompatibleDC(dc));
    if (!memory) return;
    velk::SelectObjectScope select(memory.get(), bitmap);
    ::StretchBlt(dc, 0, 0, CreatedWidth, CreatedHeight, memory.get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
}

void CTaskBarButton::DrawItem(const DRAWITEMSTRUCT* item) {
    if (!item || !item->hDC) return;
    HDC dc = item->hDC;
    const RECT r = GetClientRect();
    const int x = r.left + SmallIconWidth / 2;
    const int y = (r.bottom - SmallIconHeight - r.top) / 2;
    RECT text{x + SmallIconWidth + 4, r.top, r.right - 10, r.bottom};

    const TaskButtonState* state = StateOf(Serial);
    const bool active = state && state->Active == 1;
    const bool hover = Hover != 0;
    ThemeHandle theme = OpenThemeDataDynamic(hwnd_, L"BUTTON");
    velk::UniqueBitmap skin;
    if (theme) {
        // A skin face when the skin has one, else the style's push button.
        uint32_t id = 0;
        COLORREF colour = 0;
        if (!active) {
            id = hover ? HotBitmap : NormalBitmap;
            colour = InactiveTextColour;
        } else if (NormalBitmap) {
            id = hover ? ActiveHotBitmap : ActiveBitmap;
            colour = ActiveTextColour;
        }
        if (id) skin.reset(::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id)));
        if (skin) {
            ::SetTextColor(dc, colour);
            StretchSkinBitmap(skin.get(), dc);
        } else {
            DrawThemeBackgroundDynamic(theme, dc, active ? 3 : (hover ? 2 : 1), r);
        }
    } else {
        UINT face = DFCS_BUTTONPUSH;
        if (active) face |= DFCS_PUSHED;
        if (hover) face |= DFCS_HOT;
        RECT frame = r;
        ::DrawFrameControl(dc, &frame, DFC_BUTTON, face);
    }

    ::SetBkMode(dc, TRANSPARENT);
    velk::UniqueFont font(CreatePointFont(FontSize * 10,
                                          IsWindowsAtLeast(6, 0) ? L"\u30E1\u30A4\u30EA\u30AA" : L"MS UI Gothic", dc));
    {
        velk::SelectObjectScope select(dc, font.get());
        ::DrawTextW(dc, Title.c_str(), -1, &text, DT_VCENTER | DT_SINGLELINE);
    }
    if (Icon) ::DrawIconEx(dc, x, y, Icon, SmallIconWidth, SmallIconHeight, 0, nullptr, DI_NORMAL);
    CloseThemeDataDynamic(theme);
}
