// Helper process of the hook tests: a program of another process that the
// test's global hooks reach. It makes windows and drives the messages the
// hooks watch; the test process checks what the hooks report.
//
//   hook_client <scenario> <notify window, hex> [arguments]
//   menu                        window menu opened and closed, and lookalikes
//   syscommand <13 ids, hex>    WM_SYSCOMMAND with our ids and ordinary commands
//   shell                       a top-level window created, an app command, destroyed
//   install                     a second HookInstall, foreign ClearHook, a zero setter
//   timeout <ms>                window menu opened while the notify window does not answer
//   hold                        installs the hooks itself, replaces its window and waits to be ended
//   race <rounds>               HookInstall against another racer, round by round
#include <windows.h>
#include <cwchar>
#include <string>
#include <vector>
#include "display/program_messages.h"
#include "hooklib/tarnlet.h"
#include "tests/hooklib/hook_client_protocol.h"

namespace {

using namespace velk::test::hookclient;

std::vector<std::pair<WPARAM, LPARAM>> g_sysCommands;  // WM_SYSCOMMANDs our window received

LRESULT CALLBACK ClientProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SYSCOMMAND) {  // recorded, never acted upon (SC_CLOSE would end us)
        g_sysCommands.emplace_back(wParam, lParam);
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND MakeWindow(const wchar_t* title) {
    return ::CreateWindowExW(0, kClientClass, title, WS_OVERLAPPEDWINDOW, 10, 10, 200, 120, nullptr, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
}

void PumpPending() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
}

std::wstring LibraryPath() {
    wchar_t path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, length);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1) + velk::hooklib::kLibraryFileName;
}

void OpenWindowMenu(HWND window) {
    ::SendMessageW(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(::GetSystemMenu(window, FALSE)),
                   MAKELPARAM(0, TRUE));
}

int Menu(HWND window) {
    OpenWindowMenu(window);  // reported
    HMENU dropDown = ::CreatePopupMenu();
    ::AppendMenuW(dropDown, MF_STRING, 100, L"Item");
    // A drop-down menu that is not the window menu, and a window-menu flag
    // with something that is no menu: not reported.
    ::SendMessageW(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(dropDown), MAKELPARAM(0, FALSE));
    ::SendMessageW(window, WM_INITMENUPOPUP, 0x7FF0, MAKELPARAM(0, TRUE));
    ::SendMessageW(window, WM_CAPTURECHANGED, 0, 0);  // not reported
    // Item selections and a close flag with a menu still named: not reported.
    ::SendMessageW(window, WM_MENUSELECT, MAKEWPARAM(100, MF_STRING), reinterpret_cast<LPARAM>(dropDown));
    ::SendMessageW(window, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), reinterpret_cast<LPARAM>(dropDown));
    ::SendMessageW(window, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);  // the menu closed: reported
    ::DestroyMenu(dropDown);
    return kOk;
}

int SysCommand(HWND window, int argc, wchar_t** argv) {
    if (argc != 3 + velk::hooklib::kCommandIdCount) return kBadArguments;
    std::vector<WPARAM> sent;
    for (int i = 0; i < velk::hooklib::kCommandIdCount; ++i) sent.push_back(std::wcstoul(argv[3 + i], nullptr, 16));
    sent.push_back(sent[0] | 0x00010000);  // the id with high bits set
    sent.push_back(SC_CLOSE);
    sent.push_back(SC_MOVE);
    for (WPARAM wParam : sent) ::PostMessageW(window, WM_SYSCOMMAND, wParam, MAKELPARAM(5, 7));
    PumpPending();  // the get-message hook sees each as it is taken from the queue
    // The window still gets every command, reported or not.
    if (g_sysCommands.size() != sent.size()) return kSysCommandsNotDelivered;
    for (size_t i = 0; i < sent.size(); ++i)
        if (g_sysCommands[i].first != sent[i]) return kSysCommandsNotDelivered;
    return kOk;
}

int Shell(HWND notify) {
    HWND other = MakeWindow(L"hook client shell");
    if (!other) return kNoWindow;
    ::SendMessageW(notify, kWindow, reinterpret_cast<WPARAM>(other), 0);
    // DefWindowProc hands an app command of a top-level window to the shell hooks.
    ::SendMessageW(other, WM_APPCOMMAND, reinterpret_cast<WPARAM>(other),
                   MAKELPARAM(0, FAPPCOMMAND_KEY | APPCOMMAND_VOLUME_MUTE));
    ::DestroyWindow(other);
    return kOk;
}

int Install(HWND window) {
    HMODULE library = ::LoadLibraryW(LibraryPath().c_str());
    if (!library) return kNoLibrary;
    auto install = velk::hooklib::GetExport<velk::hooklib::HookInstallFn>(library, "HookInstall");
    auto clear = velk::hooklib::GetExport<velk::hooklib::ClearHookFn>(library, "ClearHook");
    auto setPopup = velk::hooklib::GetExport<velk::hooklib::SetNotifyMessageFn>(library, "SetMenuPopupNotifyMessage");
    int result = kOk;
    UINT ids[velk::hooklib::kCommandIdCount];
    for (UINT& id : ids) id = 0xA5A5A5A5;
    if (install(window, ids) != 0) result = kSecondInstallAccepted;
    for (UINT id : ids)
        if (id != 0xA5A5A5A5 && result == kOk) result = kArrayWritten;
    if (result == kOk && clear(nullptr) != 0) result = kClearNullAccepted;
    if (result == kOk && clear(window) != 0) result = kClearForeignAccepted;
    if (result == kOk && setPopup(0) != 0) result = kZeroMessageAccepted;
    ::FreeLibrary(library);
    // The hooks are still the test's: this is reported with its message.
    OpenWindowMenu(window);
    return result;
}

int Timeout(HWND window, int argc, wchar_t** argv) {
    if (argc != 4) return kBadArguments;
    const ULONGLONG limit = std::wcstoul(argv[3], nullptr, 10);
    const ULONGLONG start = ::GetTickCount64();
    OpenWindowMenu(window);
    return ::GetTickCount64() - start <= limit ? kOk : kSendTooSlow;
}

int Hold(HWND window) {
    HMODULE library = ::LoadLibraryW(LibraryPath().c_str());
    if (!library) return kNoLibrary;
    auto install = velk::hooklib::GetExport<velk::hooklib::HookInstallFn>(library, "HookInstall");
    UINT ids[velk::hooklib::kCommandIdCount] = {};
    if (!install(window, ids)) return kOwnInstallFailed;
    // The notify window goes, as a program's window may (or it may live on a
    // desktop where the test's handle means nothing): the owner still runs.
    ::ShowWindow(window, SW_HIDE);
    ::DestroyWindow(window);
    window = MakeWindow(L"hook client holding");
    if (!window) return kNoWindow;
    // Ended from outside, without ClearHook, as a crashed program would be.
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    return kOk;
}

int Race(HWND notify, HWND window, int argc, wchar_t** argv) {
    if (argc != 4) return kBadArguments;
    const int rounds = static_cast<int>(std::wcstoul(argv[3], nullptr, 10));
    HANDLE go = ::OpenSemaphoreW(SYNCHRONIZE | SEMAPHORE_MODIFY_STATE, FALSE, kRaceGo);
    HANDLE clear = ::OpenSemaphoreW(SYNCHRONIZE | SEMAPHORE_MODIFY_STATE, FALSE, kRaceClear);
    HMODULE library = ::LoadLibraryW(LibraryPath().c_str());
    if (!go || !clear || !library) return kNoLibrary;
    auto install = velk::hooklib::GetExport<velk::hooklib::HookInstallFn>(library, "HookInstall");
    auto clearHook = velk::hooklib::GetExport<velk::hooklib::ClearHookFn>(library, "ClearHook");
    int result = kOk;
    for (int round = 0; round < rounds && result == kOk; ++round) {
        if (::WaitForSingleObject(go, 20000) != WAIT_OBJECT_0) return kRaceStalled;
        UINT ids[velk::hooklib::kCommandIdCount] = {};
        const BOOL won = install(window, ids);
        ::SendMessageW(notify, kRaceResult, static_cast<WPARAM>(round), won ? 1 : 0);
        if (::WaitForSingleObject(clear, 20000) != WAIT_OBJECT_0) return kRaceStalled;
        if (won && !clearHook(window)) result = kWinnerCouldNotClear;
        ::SendMessageW(notify, kRaceCleared, static_cast<WPARAM>(round), 0);
    }
    ::FreeLibrary(library);  // no hooks of ours are left
    return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return kBadArguments;
    const std::wstring scenario = argv[1];
    HWND notify = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(std::wcstoull(argv[2], nullptr, 16)));

    WNDCLASSW wc{};
    wc.lpfnWndProc = ClientProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kClientClass;
    ::RegisterClassW(&wc);
    HWND window = MakeWindow(L"hook client");
    if (!window) return kNoWindow;
    ::SendMessageW(notify, kHello, reinterpret_cast<WPARAM>(window), static_cast<LPARAM>(::GetCurrentProcessId()));

    int result = kBadArguments;
    if (scenario == L"menu") result = Menu(window);
    else if (scenario == L"syscommand") result = SysCommand(window, argc, argv);
    else if (scenario == L"shell") result = Shell(notify);
    else if (scenario == L"install") result = Install(window);
    else if (scenario == L"timeout") result = Timeout(window, argc, argv);
    else if (scenario == L"hold") result = Hold(window);
    else if (scenario == L"race") result = Race(notify, window, argc, argv);

    ::PostMessageW(notify, kDone, reinterpret_cast<WPARAM>(window), 0);
    ::DestroyWindow(window);
    return result;
}
