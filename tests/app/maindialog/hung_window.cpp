// A window of a process of its own that takes no messages, as a hung
// program's: hung_window <title> <seconds>. The window is hidden, so that
// nothing has to be sent to it to take the activation away; after the
// seconds the process ends with 0.
#include <windows.h>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    HWND window = ::CreateWindowExW(0, L"STATIC", argv[1], WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
    if (!window) return 1;
    ::Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)) * 1000);
    ::DestroyWindow(window);
    return 0;
}
