#include "tests/taskbar/taskbar_test_support.h"
#include "framework/platform.h"

namespace velk::test {
namespace {

AppBarRecorder* g_shell = nullptr;

UINT_PTR WINAPI RecordAppBarMessage(DWORD message, PAPPBARDATA data) {
    g_shell->calls.push_back({message, data->hWnd, data->cbSize, data->uCallbackMessage, data->uEdge});
    if (message == ABM_NEW) g_shell->registered.insert(data->hWnd);
    if (message == ABM_REMOVE) g_shell->registered.erase(data->hWnd);
    if (message == ABM_QUERYPOS) ::OffsetRect(&data->rc, 0, -g_shell->reservedBottom);
    return 1;
}

}  // namespace

AppBarRecorder::AppBarRecorder() {
    g_shell = this;
    Platform().SHAppBarMessage = RecordAppBarMessage;
}

AppBarRecorder::~AppBarRecorder() { g_shell = nullptr; }

int AppBarRecorder::Count(DWORD message) const {
    int n = 0;
    for (const Call& c : calls) n += c.message == message;
    return n;
}

HWND MakeWindow(const wchar_t* title, RECT rect, DWORD exStyle, HWND owner, bool visible) {
    static const ATOM kClass = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hIconSm = ::LoadIconW(nullptr, IDI_INFORMATION);
        wc.lpszClassName = L"VelkTaskbarTestWindow";
        return ::RegisterClassExW(&wc);
    }();
    return ::CreateWindowExW(exStyle, MAKEINTATOM(kClass), title, WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0),
                             rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, owner, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD end = ::GetTickCount() + timeoutMs;
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        if (done()) return true;
        if (static_cast<LONG>(::GetTickCount() - end) >= 0) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

}  // namespace velk::test
