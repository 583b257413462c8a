#include "testing/support/addon_test_support.h"

#include "display/program_messages.h"
#include "framework/platform.h"
#include "testing/harness.h"

#include <mutex>

namespace addon_test {
namespace {

std::mutex g_traceLock;
std::wstring g_wideTrace;
std::string g_narrowTrace;

constexpr DWORD kPrintException = 0x40010006;      // DBG_PRINTEXCEPTION_C
constexpr DWORD kPrintWideException = 0x4001000A;  // DBG_PRINTEXCEPTION_WIDE_C

DWORD WINAPI FakeGetTickCount() { return FakeClock::now; }
void WINAPI FakeSleep(DWORD milliseconds) {
    FakeClock::sleeps.push_back(milliseconds);
    FakeClock::now += milliseconds;
}
DWORD WINAPI FakeWait(HANDLE handle, DWORD milliseconds) {
    DWORD result = velk::RealPlatform().WaitForSingleObject(handle, 0);
    if (result != WAIT_TIMEOUT || milliseconds == 0) return result;
    FakeClock::waits.push_back(milliseconds);
    FakeClock::now += milliseconds;
    return WAIT_TIMEOUT;
}

}  // namespace

int Sim::Variable(const wchar_t* name) {
    std::wstring text = Text(name);
    return text.empty() ? 0 : std::stoi(text);
}

std::wstring Sim::Text(const wchar_t* name) {
    wchar_t buffer[32] = {};
    DWORD length = ::GetEnvironmentVariableW(name, buffer, 32);
    return length > 0 && length < 32 ? std::wstring(buffer, length) : std::wstring();
}

void FakeClock::Install(DWORD start) {
    now = start;
    sleeps.clear();
    waits.clear();
    velk::Platform().GetTickCount = FakeGetTickCount;
    velk::Platform().Sleep = FakeSleep;
    velk::Platform().WaitForSingleObject = FakeWait;
}

TraceRecorder::TraceRecorder() {
    Clear();
    handler_ = ::AddVectoredExceptionHandler(1, OnException);
}

TraceRecorder::~TraceRecorder() {
    if (handler_) ::RemoveVectoredExceptionHandler(handler_);
}

LONG CALLBACK TraceRecorder::OnException(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->NumberParameters < 2) return EXCEPTION_CONTINUE_SEARCH;
    const auto length = static_cast<size_t>(record->ExceptionInformation[0]);
    if (record->ExceptionCode == kPrintWideException) {
        std::lock_guard<std::mutex> lock(g_traceLock);
        const auto* text = reinterpret_cast<const wchar_t*>(record->ExceptionInformation[1]);
        if (text && length > 0) g_wideTrace.append(text, length - 1);  // the length counts the terminator
    } else if (record->ExceptionCode == kPrintException) {
        std::lock_guard<std::mutex> lock(g_traceLock);
        const auto* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        if (text && length > 0) g_narrowTrace.append(text, length - 1);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

std::wstring TraceRecorder::Text() {
    std::lock_guard<std::mutex> lock(g_traceLock);
    // A wide trace is also passed on as a narrow one: take the wide text when
    // there is one. The traces are ASCII.
    if (!g_wideTrace.empty()) return g_wideTrace;
    return std::wstring(g_narrowTrace.begin(), g_narrowTrace.end());
}

void TraceRecorder::Clear() {
    std::lock_guard<std::mutex> lock(g_traceLock);
    g_wideTrace.clear();
    g_narrowTrace.clear();
}

int TraceRecorder::Count(const std::wstring& piece) {
    std::wstring text = Text();
    int count = 0;
    for (size_t at = text.find(piece); at != std::wstring::npos; at = text.find(piece, at + piece.size())) ++count;
    return count;
}

CallbackWindow::CallbackWindow() {
    static const wchar_t kClass[] = L"VelkAddOnTestWindow";
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    ::RegisterClassW(&wc);  // fails harmlessly when already registered
    hwnd_ = ::CreateWindowExW(0, kClass, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, this);
    if (!hwnd_) throw std::runtime_error("no test window");
}

CallbackWindow::~CallbackWindow() {
    if (hwnd_) ::DestroyWindow(hwnd_);
}

LRESULT CALLBACK CallbackWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<CallbackWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && message == UM_ADDONCALLBACK) {
        self->received.push_back({wParam, lParam, (::InSendMessageEx(nullptr) & ISMEX_SEND) != 0});
        if (self->onCallback) self->onCallback();
        return 1;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

std::wstring SimulatedLibraryPath() { return velk::test::BinDir() + L"AddOnApi.dll"; }

void SetLibraryPath(const std::wstring& path) {
    velk::test::SetString(HKEY_LOCAL_MACHINE, kCoreKey, kPathValue, path);
}

void RemoveLibraryPath() { velk::test::DeleteTree(HKEY_LOCAL_MACHINE, kVendorKey); }

LRESULT ListedAddOnDisplays(HWND list, DWORD waitMs) {
    DWORD_PTR count = 0, length = 0;
    if (!::SendMessageTimeoutW(list, CB_GETCOUNT, 0, 0, SMTO_NORMAL, waitMs, &count)) return -1;
    if (count != 1) return static_cast<LRESULT>(count);
    if (!::SendMessageTimeoutW(list, CB_GETLBTEXTLEN, 0, 0, SMTO_NORMAL, waitMs, &length)) return -1;
    return length > 1 ? 1 : 0;
}

}  // namespace addon_test
