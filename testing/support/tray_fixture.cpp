#include "testing/support/tray_fixture.h"
#include "framework/platform.h"
#include "app/velkmira_app.h"
#include "framework/handles.h"
#include "hooklib/tarnlet.h"
#include "resources/resource.h"
#include "testing/harness.h"
#include <shellapi.h>
#include <chrono>

namespace velk::test {
namespace {

// The record Wine 8's Shell_NotifyIconW sends with WM_COPYDATA: a fixed
// header, then the icon's mask bits and colour bits.
struct WineNotifyData {
    LONG hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    WCHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    WCHAR szInfo[256];
    UINT uTimeoutOrVersion;
    WCHAR szInfoTitle[64];
    DWORD dwInfoFlags;
    GUID guidItem;
    UINT width;
    UINT height;
    UINT planes;
    UINT bpp;
};

LONG BitsSize(UINT width, UINT height, UINT planes, UINT bpp) {
    return static_cast<LONG>((planes * width * height * bpp + 15) / 16 * 2);
}

}  // namespace

WindowThread::WindowThread() {
    std::unique_lock lock(mutex_);
    thread_ = std::thread([this] { Loop(); });
    ready_.wait(lock, [this] { return threadId_ != 0; });
}

WindowThread::~WindowThread() {
    ::PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
}

void WindowThread::Loop() {
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // make the queue
    {
        std::lock_guard lock(mutex_);
        threadId_ = ::GetCurrentThreadId();
    }
    ready_.notify_all();
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!msg.hwnd && msg.message == WM_APP) {
            (*reinterpret_cast<std::function<void()>*>(msg.lParam))();
            ::SetEvent(reinterpret_cast<HANDLE>(msg.wParam));
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

void WindowThread::Run(const std::function<void()>& fn) {
    UniqueHandleObj done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ::PostThreadMessageW(threadId_, WM_APP, reinterpret_cast<WPARAM>(done.get()), reinterpret_cast<LPARAM>(&fn));
    ::WaitForSingleObject(done.get(), INFINITE);
}

FakeTray::FakeTray() {
    thread_.Run([this] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = L"Shell_TrayWnd";
        ::RegisterClassW(&wc);
        hwnd_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"Shell_TrayWnd", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    });
}

FakeTray::~FakeTray() {
    thread_.Run([this] {
        ::DestroyWindow(hwnd_);
        ::UnregisterClassW(L"Shell_TrayWnd", nullptr);
    });
}

std::vector<TrayCall> FakeTray::Calls() {
    std::lock_guard lock(mutex_);
    return calls_;
}

bool FakeTray::WaitForCalls(size_t count, DWORD timeoutMs) {
    return WaitUntil(timeoutMs, [&] { return Calls().size() >= count; });
}

void FakeTray::Clear() {
    std::lock_guard lock(mutex_);
    calls_.clear();
}

LRESULT CALLBACK FakeTray::Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<FakeTray*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && msg == WM_COPYDATA) {
        const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(l);
        if (!cds || cds->cbData < sizeof(WineNotifyData)) return FALSE;
        const auto* data = static_cast<const WineNotifyData*>(cds->lpData);
        TrayCall call;
        call.action = static_cast<DWORD>(cds->dwData);
        call.window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(data->hWnd));
        call.id = data->uID;
        call.flags = data->uFlags;
        call.callbackMessage = data->uCallbackMessage;
        call.tip.assign(data->szTip, ::wcsnlen(data->szTip, 128));
        if (data->width && data->height) {
            // Colour icons: 1-bit mask of the same size, then the colour bits.
            LONG mask = BitsSize(data->width, data->height, 1, 1);
            LONG color = data->bpp == 1 ? 0 : BitsSize(data->width, data->height, data->planes, data->bpp);
            call.iconWidth = data->width;
            call.iconHeight = data->height;
            call.payloadSizeMatched = cds->cbData == sizeof(WineNotifyData) + mask + color;
            if (call.payloadSizeMatched) {
                const BYTE* bits = static_cast<const BYTE*>(cds->lpData) + sizeof(WineNotifyData) + mask;
                call.iconColorBits.assign(bits, bits + color);
            }
        }
        HWND sender = reinterpret_cast<HWND>(w);
        call.instancePropertySet = ::GetPropW(sender, kInstanceProperty) != nullptr;
        call.applyEnabled = ::IsWindowEnabled(::GetDlgItem(sender, IDC_APPLY)) != FALSE;
        std::lock_guard lock(self->mutex_);
        self->calls_.push_back(std::move(call));
        return TRUE;
    }
    return ::DefWindowProcW(hwnd, msg, w, l);
}

TitledWindow::TitledWindow(const std::wstring& title) {
    thread_.Run([this, &title] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = L"VelkTestTitledWindow";
        ::RegisterClassW(&wc);
        hwnd_ = ::CreateWindowExW(0, L"VelkTestTitledWindow", title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                  200, 100, nullptr, nullptr, nullptr, nullptr);
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    });
}

TitledWindow::~TitledWindow() {
    thread_.Run([this] {
        if (::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
    });
}

LRESULT CALLBACK TitledWindow::Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<TitledWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && msg == WM_CLOSE) self->closeReceived_ = true;
    return ::DefWindowProcW(hwnd, msg, w, l);
}

std::vector<BYTE> IconColorBits(UINT iconId) {
    std::vector<BYTE> bits;
    HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId));
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon, &info)) return bits;
    UniqueBitmap color(info.hbmColor), mask(info.hbmMask);
    BITMAP bm{};
    if (!color || !::GetObjectW(color.get(), sizeof(bm), &bm)) return bits;
    bits.resize(static_cast<size_t>(BitsSize(bm.bmWidth, bm.bmHeight, bm.bmPlanes, bm.bmBitsPixel)));
    ::GetBitmapBits(color.get(), static_cast<LONG>(bits.size()), bits.data());
    return bits;
}

ScratchFolder::ScratchFolder() {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    static int serial = 0;
    path_ = std::wstring(temp) + L"velk_maindialog_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
            std::to_wstring(++serial) + L"\\";
    ::CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
    WIN32_FIND_DATAW found{};
    UniqueFind find(::FindFirstFileW((path_ + L"*").c_str(), &found));
    if (find) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ::DeleteFileW((path_ + found.cFileName).c_str());
        } while (::FindNextFileW(find.get(), &found));
    }
    find.reset();
    ::RemoveDirectoryW(path_.c_str());
}

bool ScratchFolder::CopyFromBin(const std::wstring& binName, const std::wstring& asName) const {
    return ::CopyFileW((BinDir() + binName).c_str(), (path_ + asName).c_str(), FALSE) != FALSE;
}

HookHolder::HookHolder()
    : library_(::LoadLibraryW((BinDir() + hooklib::kLibraryFileName).c_str())),
      window_(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {}

HookHolder::~HookHolder() {
    Release();
    ::DestroyWindow(window_);
}

bool HookHolder::Install() {
    auto install = hooklib::GetExport<hooklib::HookInstallFn>(library_, hooklib::kHookInstallName);
    UINT ids[hooklib::kCommandIdCount] = {};
    installed_ = install && install(window_, ids);
    return installed_;
}

void HookHolder::Release() {
    auto clear = hooklib::GetExport<hooklib::ClearHookFn>(library_, hooklib::kClearHookName);
    if (installed_ && clear) clear(window_);
    installed_ = false;
}

bool HooksAreFree() {
    HookHolder holder;
    return holder.Install();
}

namespace {
int g_notReadyFrom = 0, g_notReadyCalls = 0;
}  // namespace

std::vector<DWORD> ShellNotReady::actions;

void ShellNotReady::Arm(int first, int count) {
    actions.clear();
    g_notReadyFrom = first;
    g_notReadyCalls = count;
}

BOOL WINAPI ShellNotReady::NotifyIcon(DWORD action, PNOTIFYICONDATAW data) {
    const int call = static_cast<int>(actions.size());
    actions.push_back(action);
    if (call >= g_notReadyFrom && call < g_notReadyFrom + g_notReadyCalls) {
        ::SetLastError(ERROR_TIMEOUT);
        return FALSE;
    }
    return RealPlatform().Shell_NotifyIconW(action, data);
}

}  // namespace velk::test
