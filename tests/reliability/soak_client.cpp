// A foreign program for the soak test: over and over it makes a top-level
// window, opens and closes its window menu and destroys the window, timing
// each step, until the named event is set. Its figures go to the test under
// HKCU "Software\VelkTest\Soak\<process id>".
//
//   soak_client <stop event name> <longest step allowed, ms>
// Exit code: 0, 2 bad arguments, 3 no window, 10 a step took longer than
// allowed, 20 no window menu ever opened, 30 not stopped within the watchdog.
#include <windows.h>
#include <cwchar>
#include <string>

namespace {

constexpr wchar_t kClass[] = L"VelkSoakClient";
constexpr UINT_PTR kEndMenuTimer = 1;
constexpr DWORD kWatchdogMs = 180000;

bool g_menuOpen = false;
int g_menusOpened = 0;

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_INITMENUPOPUP:
        if (HIWORD(l)) {
            g_menuOpen = true;
            ++g_menusOpened;
        }
        break;
    case WM_ENTERIDLE:
        if (w == MSGF_MENU && g_menuOpen) ::EndMenu();
        break;
    case WM_TIMER:
        if (w == kEndMenuTimer) ::EndMenu();  // a menu loop that never idles
        return 0;
    case WM_SYSCOMMAND:
        if ((w & 0xFFF0) == SC_KEYMENU) {
            ::SetTimer(window, kEndMenuTimer, 200, nullptr);
            LRESULT result = ::DefWindowProcW(window, message, w, l);  // the whole menu loop
            ::KillTimer(window, kEndMenuTimer);
            g_menuOpen = false;
            return result;
        }
        break;
    default:
        break;
    }
    return ::DefWindowProcW(window, message, w, l);
}

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    HANDLE stop = ::OpenEventW(SYNCHRONIZE, FALSE, argv[1]);
    const DWORD allowedMs = std::wcstoul(argv[2], nullptr, 10);
    if (!stop || !allowedMs) return 2;
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    ::RegisterClassW(&wc);

    DWORD longest = 0, cycles = 0;
    const DWORD begun = ::GetTickCount();
    auto step = [&](auto&& fn) {
        const DWORD start = ::GetTickCount();
        fn();
        longest = std::max<DWORD>(longest, ::GetTickCount() - start);
    };
    int result = 0;
    while (::WaitForSingleObject(stop, 0) != WAIT_OBJECT_0) {
        if (::GetTickCount() - begun > kWatchdogMs) {
            result = 30;
            break;
        }
        HWND window = nullptr;
        step([&] {
            window = ::CreateWindowExW(0, kClass, L"soak client", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 200, 150,
                                       nullptr, nullptr, wc.hInstance, nullptr);
            Pump();
        });
        if (!window) {
            result = 3;
            break;
        }
        step([&] {
            ::PostMessageW(window, WM_SYSCOMMAND, SC_KEYMENU, L' ');
            Pump();
        });
        step([&] {
            ::DestroyWindow(window);
            Pump();
        });
        ++cycles;
    }
    const std::wstring key = L"Software\\VelkTest\\Soak\\" + std::to_wstring(::GetCurrentProcessId());
    ::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"LongestStepMs", REG_DWORD, &longest, sizeof(longest));
    ::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"Cycles", REG_DWORD, &cycles, sizeof(cycles));
    const DWORD menus = static_cast<DWORD>(g_menusOpened);
    ::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"MenusOpened", REG_DWORD, &menus, sizeof(menus));
    if (result) return result;
    if (longest > allowedMs) return 10;
    if (g_menusOpened == 0) return 20;
    return 0;
}
