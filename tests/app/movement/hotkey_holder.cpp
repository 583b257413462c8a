// Holds one system-wide hotkey from a process of its own until its window is
// closed: hotkey_holder <MOD_* flags> <virtual key>. Exit code 0 after a
// clean close, 2 when the hotkey could not be registered. The window takes
// its title "VelkHotkeyHolder", which the test waits for, only once the
// hotkey is held, so that finding the window means the hotkey is taken.
//
// hotkey_holder probe <MOD_* flags> <virtual key> [...]: tries each pair in
// turn and gives it back at once; the exit code has bit i set when pair i was
// already held by another program (0x1000 on bad arguments).
#include <windows.h>
#include <cwchar>

namespace {

int Probe(int argc, wchar_t** argv) {
    if (argc < 4 || argc % 2 != 0 || argc > 2 + 2 * 12) return 0x1000;
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
    if (!window) return 0x1000;
    int held = 0;
    for (int i = 2, bit = 0; i + 1 < argc; i += 2, ++bit) {
        const UINT modifiers = static_cast<UINT>(std::wcstoul(argv[i], nullptr, 0));
        const UINT key = static_cast<UINT>(std::wcstoul(argv[i + 1], nullptr, 0));
        if (::RegisterHotKey(window, 1, modifiers, key)) ::UnregisterHotKey(window, 1);
        else held |= 1 << bit;
    }
    ::DestroyWindow(window);
    return held;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 2 && std::wcscmp(argv[1], L"probe") == 0) return Probe(argc, argv);
    if (argc < 3) return 1;
    const UINT modifiers = static_cast<UINT>(std::wcstoul(argv[1], nullptr, 0));
    const UINT key = static_cast<UINT>(std::wcstoul(argv[2], nullptr, 0));
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
    if (!window) return 3;
    if (!::RegisterHotKey(window, 1, modifiers, key)) {
        ::DestroyWindow(window);
        return 2;
    }
    ::SetWindowTextW(window, L"VelkHotkeyHolder");
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_CLOSE) break;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
        if (!::IsWindow(window)) break;
    }
    ::UnregisterHotKey(window, 1);
    return 0;
}
