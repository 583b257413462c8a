#include "tests/app/systemmenu/menu_client.h"

namespace velk::test::sysmenu {
namespace {

constexpr wchar_t kClientClass[] = L"VelkSysMenuClient";
constexpr UINT_PTR kChooseTimer = 1;    // fall-back for a menu loop that never idles
constexpr UINT_PTR kWatchdogTimer = 2;  // the client never outlives a broken test
constexpr UINT kChooseTimerMs = 100;
constexpr UINT kWatchdogMs = 30000;

struct ClientState {
    HWND report = nullptr;
    UINT command = 0;
    bool windowMenuOpen = false;  // between the window menu's WM_INITMENUPOPUP and the end of the menu loop
    bool windowMenuSeen = false;
    bool chosen = false;
    bool timedOut = false;
    UINT chosenReceived = 0;
};

thread_local ClientState* t_client = nullptr;

void Report(HWND window, DWORD phase) {
    ClientReport report{};
    report.phase = phase;
    ::GetWindowRect(window, &report.windowRect);
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (::GetWindowPlacement(window, &placement)) report.normalRect = placement.rcNormalPosition;
    report.chosenReceived = t_client->chosenReceived;
    HMENU menu = ::GetSystemMenu(window, FALSE);
    const int count = menu ? ::GetMenuItemCount(menu) : 0;
    for (int i = 0; i < count && i < kMaxReportedItems; ++i) {
        MenuItemRecord& item = report.items[report.itemCount++];
        item.id = ::GetMenuItemID(menu, i);
        ::GetMenuStringW(menu, static_cast<UINT>(i), item.text, kItemTextUnits, MF_BYPOSITION);
    }
    COPYDATASTRUCT data{phase, sizeof(report), &report};
    ::SendMessageW(t_client->report, WM_COPYDATA, reinterpret_cast<WPARAM>(window), reinterpret_cast<LPARAM>(&data));
}

// Chooses the command once the window menu is shown: the menu is ended and
// the command posted behind it, as a chosen window-menu item arrives.
void Choose(HWND window) {
    ClientState& s = *t_client;
    if (s.chosen || !s.windowMenuOpen) return;
    s.chosen = true;
    ::KillTimer(window, kChooseTimer);
    ::EndMenu();
    ::PostMessageW(window, WM_SYSCOMMAND, s.command, 0);
}

LRESULT CALLBACK ClientProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    ClientState& s = *t_client;
    switch (message) {
    case WM_INITMENUPOPUP:
        if (HIWORD(l) == TRUE) {
            // The hooks' report has been handled by now: the items must be here.
            s.windowMenuOpen = true;
            s.windowMenuSeen = true;
            Report(window, kOpen);
        }
        break;
    case WM_ENTERIDLE:
        if (w == MSGF_MENU) Choose(window);
        break;
    case WM_TIMER:
        if (w == kChooseTimer) Choose(window);
        if (w == kWatchdogTimer) {
            s.timedOut = true;
            ::PostQuitMessage(0);
        }
        return 0;
    case WM_SYSCOMMAND:
        if (w == s.command) {  // a command of the program's, not the window's own: nothing to do
            ++s.chosenReceived;
            return 0;
        }
        if ((w & 0xFFF0) == SC_KEYMENU) {
            LRESULT result = ::DefWindowProcW(window, message, w, l);  // the whole menu loop
            s.windowMenuOpen = false;
            Report(window, kClosed);
            return result;
        }
        if ((w & 0xFFF0) == SC_CLOSE) return 0;  // only the test ends the client
        break;
    case kFinish:
        Report(window, kFinal);
        ::PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(window, message, w, l);
}

}  // namespace

int RunMenuClient(HWND report, UINT command) {
    if (!report || !command) return kBadArguments;
    ClientState state;
    state.report = report;
    state.command = command;
    t_client = &state;

    WNDCLASSW wc{};
    wc.lpfnWndProc = ClientProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClientClass;
    ::RegisterClassW(&wc);  // already there when an earlier client ran on another thread
    const RECT& r = kClientWindowRect;
    HWND window = ::CreateWindowExW(0, kClientClass, L"system menu client", WS_OVERLAPPEDWINDOW, r.left, r.top,
                                    r.right - r.left, r.bottom - r.top, nullptr, nullptr, ::GetModuleHandleW(nullptr),
                                    nullptr);
    if (!window) {
        t_client = nullptr;
        return kNoWindow;
    }
    ::ShowWindow(window, SW_SHOWNORMAL);
    ::SendMessageW(report, kHello, reinterpret_cast<WPARAM>(window), static_cast<LPARAM>(::GetCurrentProcessId()));
    Report(window, kBefore);

    ::SetTimer(window, kChooseTimer, kChooseTimerMs, nullptr);
    ::SetTimer(window, kWatchdogTimer, kWatchdogMs, nullptr);
    // Alt+Space: the window menu opens through the window's own menu loop.
    ::PostMessageW(window, WM_SYSCOMMAND, SC_KEYMENU, L' ');
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    ::KillTimer(window, kWatchdogTimer);
    ::DestroyWindow(window);
    t_client = nullptr;

    if (state.timedOut) return kTimedOut;
    if (!state.windowMenuSeen) return kMenuNeverOpened;
    if (state.chosenReceived != 1) return kCommandNotDelivered;
    return kOk;
}

}  // namespace velk::test::sysmenu
