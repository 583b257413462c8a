// A shell hook of "another program", set before Tarnlet's: it reports every
// shell code it receives to the test's notify window, so the test sees
// whether Tarnlet's shell hook passed the code on. Like Tarnlet it carries no
// runtime, since Windows maps it into every hooked process.
#include <windows.h>
#include <atomic>
#include "tests/hooklib/hook_client_protocol.h"

namespace {

struct SpyRecord {
    std::atomic<HWND> notify;
    std::atomic<HHOOK> hook;
};
__attribute__((section(".SPYDAT"), shared)) constinit SpyRecord g_spy{};
HMODULE g_module = nullptr;

LRESULT CALLBACK SpyShellProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0) {
        if (HWND notify = g_spy.notify.load()) ::PostMessageW(notify, velk::test::hookclient::kSpyShell, wParam, code);
    }
    return ::CallNextHookEx(g_spy.hook.load(), code, wParam, lParam);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI SpyInstall(HWND notify) {
    g_spy.notify.store(notify);
    HHOOK hook = ::SetWindowsHookExW(WH_SHELL, SpyShellProc, g_module, 0);
    g_spy.hook.store(hook);
    return hook != nullptr;
}

extern "C" __declspec(dllexport) BOOL WINAPI SpyRemove() {
    g_spy.notify.store(nullptr);
    return ::UnhookWindowsHookEx(g_spy.hook.load());
}
