#include "tests/taskbar/bar/taskbar_test_support.h"
#include "framework/platform.h"
#include <shobjidl.h>

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

TabListRecorder* g_tabs = nullptr;

// The recording tab list: one reference, released once.
class RecordingTabList final : public ITaskbarList {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_ITaskbarList) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) {
            if (g_tabs) ++g_tabs->released;
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE HrInit() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE AddTab(HWND window) override { return Record(window, true); }
    HRESULT STDMETHODCALLTYPE DeleteTab(HWND window) override { return Record(window, false); }
    HRESULT STDMETHODCALLTYPE ActivateTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) override { return S_OK; }

private:
    HRESULT Record(HWND window, bool shown) {
        if (g_tabs) g_tabs->calls.push_back({window, shown});
        return S_OK;
    }
    ULONG refs_ = 1;
};

HRESULT WINAPI RecordTabList(REFCLSID cls, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* out) {
    if (cls != CLSID_TaskbarList) return RealPlatform().CoCreateInstance(cls, outer, context, iid, out);
    if (g_tabs->failures > 0) {
        --g_tabs->failures;
        *out = nullptr;
        return REGDB_E_CLASSNOTREG;
    }
    auto* list = new RecordingTabList();
    ++g_tabs->objects;
    const HRESULT hr = list->QueryInterface(iid, out);
    list->Release();
    return hr;
}

}  // namespace

TabListRecorder::TabListRecorder() {
    g_tabs = this;
    Platform().CoCreateInstance = RecordTabList;
}

TabListRecorder::~TabListRecorder() { g_tabs = nullptr; }

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

}  // namespace velk::test
