// The hook library's state, exports and hook procedures. The hook procedures
// run on the threads of every program the hooks reach: they allocate nothing,
// take no lock, throw nothing and touch only what a just-destroyed window
// cannot make fault (Win32 calls that fail cleanly on a stale handle).
#include "hooklib/hook_core.h"

#if defined(_MSC_VER)
#pragma section(".SHARDAT", read, write, shared)
#define VELK_SHARED_SECTION __declspec(allocate(".SHARDAT"))
#else
#define VELK_SHARED_SECTION __attribute__((section(".SHARDAT"), shared))
#endif

namespace velk::hooklib {
namespace {

// Explicitly initialised so that it is emitted into its own section instead of
// uninitialised data; zero when the first process maps the library.
VELK_SHARED_SECTION constinit SharedRecord HookSharedData{};

// Per process: Windows registers the same number for the same name in every
// process of a desktop, so every process that maps the library holds the same ids.
constexpr const wchar_t* kCommandIdNames[kCommandIdCount] = {
    L"{F6E83FEA-7052-4692-A022-352F7569FFEA}", L"{DB84AE52-50A5-4443-9F27-803D03D68779}",
    L"{377285A4-1804-45b0-843A-96CFFA7DA2C4}", L"{7C97690A-332A-4266-BD5B-BEB69AA7B525}",
    L"{723CEB25-294F-4572-9CBE-6A1CEA5AD7FF}", L"{2E43294A-95E0-47bf-B234-F70617A06733}",
    L"{2901E667-306E-47bc-B7A2-07D7AB864451}", L"{4710C6D5-EE5A-4cdc-B2CE-27834A0F1DE6}",
    L"{A26E043C-37CA-44e8-9CF8-769B56859C17}", L"{A2F37296-8594-4BF0-86AA-B222E22479F0}",
    L"{A697FFAD-EB93-4171-BDDC-01367F2D0798}", L"{CAF94FD8-CFF5-4D8B-BAEA-35AD06D53B64}",
    L"{AFADA8CF-7555-47f7-A894-8D58F57764CC}",
};
UINT CommandIds[kCommandIdCount] = {};

// This process's own module handle. The shared record's copy is whatever the
// last attaching process wrote, which is only right for us while the library
// sits at the same address everywhere; the hooks are set with our own.
HMODULE OwnModule = nullptr;

constexpr auto kRelaxed = std::memory_order_relaxed;

// Reports that make the hooked thread wait: bounded, so a busy or hung main
// program cannot freeze the program whose menu is opening.
void SendReport(HWND notify, UINT message, HWND window) noexcept {
    if (!notify) return;
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(notify, message, 0, reinterpret_cast<LPARAM>(window), SMTO_ABORTIFHUNG,
                          kReportSendTimeoutMs, &ignored);
}

// Posting to a null window would drop the report into the hooked thread's own
// queue, so nothing is posted while no notify window is stored.
void PostReport(HWND notify, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (!notify) return;
    ::PostMessageW(notify, message, wParam, lParam);
}

}  // namespace

SharedRecord& SharedData() noexcept { return HookSharedData; }

const UINT* SystemMenuCommandIds() noexcept { return CommandIds; }

void AttachProcess(HMODULE module) noexcept {
    OwnModule = module;
    HookSharedData.Module.store(module);
    for (int i = 0; i < kCommandIdCount; ++i) CommandIds[i] = ::RegisterWindowMessageW(kCommandIdNames[i]);
}

LRESULT CALLBACK CallWndProcHookProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
    if (code >= 0) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        const HWND notify = HookSharedData.NotifyWindow.load(kRelaxed);
        if (sent->hwnd != notify) {
            switch (sent->message) {
            case WM_MENUSELECT:
                // Closing notification of the window's menu: lParam 0, flags 0xFFFF.
                if (sent->lParam == 0 && HIWORD(sent->wParam) == 0xFFFF) {
                    ::GetSystemMenu(sent->hwnd, FALSE);
                    SendReport(notify, HookSharedData.MenuSelectedMessage.load(kRelaxed), sent->hwnd);
                }
                break;
            case WM_INITMENUPOPUP:
                // Only the window menu (high word of lParam 1), before it is shown.
                if (HIWORD(sent->lParam) == 1 && ::IsMenu(reinterpret_cast<HMENU>(sent->wParam)))
                    SendReport(notify, HookSharedData.MenuPopupMessage.load(kRelaxed), sent->hwnd);
                break;
            case WM_CAPTURECHANGED:
                // Gives the window its own copy of the system menu before the
                // menu loop shows it.
                ::GetSystemMenu(sent->hwnd, FALSE);
                break;
            default:
                break;
            }
        }
    }
    return ::CallNextHookEx(HookSharedData.CallWndProcHook.load(kRelaxed), code, wParam, lParam);
}

LRESULT CALLBACK GetMessageHookProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
    if (code >= 0) {
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        const HWND notify = HookSharedData.NotifyWindow.load(kRelaxed);
        if (msg->message == WM_SYSCOMMAND && msg->hwnd != notify && notify) {
            const UINT command = LOWORD(msg->wParam);
            for (int i = 0; i < kCommandIdCount; ++i) {
                if (CommandIds[i] != 0 && CommandIds[i] == command) {
                    PostReport(notify, HookSharedData.WinMoveNextMessage.load(kRelaxed), msg->wParam,
                               reinterpret_cast<LPARAM>(msg->hwnd));
                    return 0;
                }
            }
        }
    }
    return ::CallNextHookEx(HookSharedData.GetMessageHook.load(kRelaxed), code, wParam, lParam);
}

LRESULT CALLBACK ShellHookProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
    if (code >= 0) {
        LPARAM event = code;
        switch (code) {
        case HSHELL_WINDOWCREATED: event = kShellWindowCreated; break;
        case HSHELL_WINDOWDESTROYED: event = kShellWindowDestroyed; break;
        case HSHELL_REDRAW: event = kShellRedraw; break;
        default: break;
        }
        PostReport(HookSharedData.NotifyWindow.load(kRelaxed), HookSharedData.AppCreateDestroyMessage.load(kRelaxed),
                   wParam, event);
    }
    // Every code goes on to the shell hooks set before ours: other programs
    // rely on them.
    return ::CallNextHookEx(HookSharedData.ShellHook.load(kRelaxed), code, wParam, lParam);
}

uint64_t OwnerToken(HANDLE process, DWORD processId) noexcept {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return (static_cast<uint64_t>(processId) << 32) | created.dwLowDateTime;
}

bool IsOwnerAlive(uint64_t owner) noexcept {
    const DWORD processId = static_cast<DWORD>(owner >> 32);
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, processId);
    // Windows before 6.0 knows only the full query right.
    if (!process && ::GetLastError() == ERROR_ACCESS_DENIED)
        process = ::OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, processId);
    if (!process) return ::GetLastError() == ERROR_ACCESS_DENIED;
    const bool alive = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT && OwnerToken(process, processId) == owner;
    ::CloseHandle(process);
    return alive;
}

}  // namespace velk::hooklib

using velk::hooklib::HookSharedData;

namespace {

BOOL SetNotifyMessage(std::atomic<UINT>& field, UINT message) noexcept {
    if (message == 0) return FALSE;
    field.store(message);
    return TRUE;
}

}  // namespace

extern "C" BOOL WINAPI HookInstall(HWND notifyWindow, UINT* commandIds) {
    using namespace velk::hooklib;
    if (!commandIds || !::IsWindow(notifyWindow)) return FALSE;
    const uint64_t self = OwnerToken(::GetCurrentProcess(), ::GetCurrentProcessId());
    if (self == 0) return FALSE;
    // The record is claimed with one compare-exchange, so of two installs at
    // the same moment exactly one goes on. A held claim is only taken over
    // when its process no longer runs (ended without ClearHook, as a crash
    // ends it): window handles cannot tell, they belong to one desktop.
    uint64_t owner = 0;
    if (!HookSharedData.Owner.compare_exchange_strong(owner, self)) {
        if (owner == self || IsOwnerAlive(owner)) return FALSE;
        if (!HookSharedData.Owner.compare_exchange_strong(owner, self)) return FALSE;
        // Hooks the dead owner left (Wine may keep them) go first; handles
        // already gone just fail.
        HookSharedData.NotifyWindow.store(nullptr);
        ::UnhookWindowsHookEx(HookSharedData.CallWndProcHook.load());
        ::UnhookWindowsHookEx(HookSharedData.GetMessageHook.load());
        ::UnhookWindowsHookEx(HookSharedData.ShellHook.load());
    }

    for (int i = 0; i < kCommandIdCount; ++i) commandIds[i] = CommandIds[i];

    const HHOOK callWndProc = ::SetWindowsHookExW(WH_CALLWNDPROC, CallWndProcHookProc, OwnModule, 0);
    HookSharedData.CallWndProcHook.store(callWndProc);
    const HHOOK getMessage =
        callWndProc ? ::SetWindowsHookExW(WH_GETMESSAGE, GetMessageHookProc, OwnModule, 0) : nullptr;
    HookSharedData.GetMessageHook.store(getMessage);
    if (!getMessage) {
        if (callWndProc) ::UnhookWindowsHookEx(callWndProc);  // leave nothing half installed
        HookSharedData.Owner.store(0);
        return FALSE;
    }
    HookSharedData.ShellHook.store(::SetWindowsHookExW(WH_SHELL, ShellHookProc, OwnModule, 0));
    HookSharedData.NotifyWindow.store(notifyWindow);
    return TRUE;
}

extern "C" BOOL WINAPI ClearHook(HWND notifyWindow) {
    using namespace velk::hooklib;
    if (!notifyWindow || notifyWindow != HookSharedData.NotifyWindow.load()) return FALSE;
    // Every handle is read while the claim is still held: once it is
    // released, an install from another process may store its own handles
    // here, and those must not be unhooked by this call.
    const HHOOK getMessage = HookSharedData.GetMessageHook.load();
    const HHOOK callWndProc = HookSharedData.CallWndProcHook.load();
    const HHOOK shell = HookSharedData.ShellHook.load();
    ::UnhookWindowsHookEx(getMessage);
    if (!::UnhookWindowsHookEx(callWndProc)) return FALSE;
    const BOOL shellRemoved = ::UnhookWindowsHookEx(shell);
    HookSharedData.NotifyWindow.store(nullptr);
    HookSharedData.Owner.store(0);
    return shellRemoved ? TRUE : FALSE;
}

extern "C" BOOL WINAPI SetWinMoveNextNotifyMessage(UINT message) {
    return SetNotifyMessage(HookSharedData.WinMoveNextMessage, message);
}

extern "C" BOOL WINAPI SetMenuPopupNotifyMessage(UINT message) {
    return SetNotifyMessage(HookSharedData.MenuPopupMessage, message);
}

extern "C" BOOL WINAPI SetMenuSelectedNotifyMessage(UINT message) {
    return SetNotifyMessage(HookSharedData.MenuSelectedMessage, message);
}

extern "C" BOOL WINAPI SetAppCreateDestroyNotifyMessage(UINT message) {
    return SetNotifyMessage(HookSharedData.AppCreateDestroyMessage, message);
}
