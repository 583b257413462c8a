#include "tests/taskbar/taskbar_test_support.h"
#include "framework/platform.h"

namespace velk::test {
namespace {

AppBarRecorder* g_recorder = nullptr;

UINT_PTR WINAPI RecordAppBarMessage(DWORD message, PAPPBARDATA data) {
    AppBarRecorder* r = g_recorder;
    if (!r || !data) return 0;
    r->calls.push_back({message, data->hWnd, data->cbSize, data->uCallbackMessage, data->uEdge, data->rc});
    if (message == ABM_NEW) r->registered.insert(data->hWnd);
    if (message == ABM_REMOVE) r->registered.erase(data->hWnd);
    if (message == ABM_QUERYPOS) {
        data->rc.top -= r->reservedBottom;
        data->rc.bottom -= r->reservedBottom;
    }
    return 1;
}

LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) { return ::DefWindowProcW(hwnd, msg, w, l); }

}  // namespace

AppBarRecorder::AppBarRecorder() {
    g_recorder = this;
    Platform().SHAppBarMessage = RecordAppBarMessage;
}

AppBarRecorder::~AppBarRecorder() { g_recorder = nullptr; }

AppBarRecorder* AppBarRecorder::Current() { return g_recorder; }

int AppBarRecorder::Count(DWORD message) const {
    int n = 0;
    for (const AppBarCall& c : calls) n += c.message == message;
    return n;
}

HWND MakeWindow(const wchar_t* title, RECT rect, DWORD exStyle, HWND owner, bool visible) {
    static const wchar_t kClass[] = L"VelkTaskbarTestWindow";
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!::GetClassInfoExW(::GetModuleHandleW(nullptr), kClass, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hIconSm = ::LoadIconW(nullptr, IDI_INFORMATION);
        wc.lpszClassName = kClass;
        ::RegisterClassExW(&wc);
    }
    HWND hwnd = ::CreateWindowExW(exStyle, kClass, title, WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), rect.left,
                                  rect.top, rect.right - rect.left, rect.bottom - rect.top, owner, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
    return hwnd;
}

void PumpFor(DWORD ms) {
    const DWORD end = ::GetTickCount() + ms;
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (static_cast<LONG>(::GetTickCount() - end) < 0);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD end = ::GetTickCount() + timeoutMs;
    while (!done()) {
        if (static_cast<LONG>(::GetTickCount() - end) >= 0) return false;
        PumpFor(20);
    }
    return true;
}

}  // namespace velk::test
