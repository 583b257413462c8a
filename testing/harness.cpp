#include "testing/harness.h"
#include <gtest/gtest.h>
#include <tlhelp32.h>
#include <algorithm>
#include <chrono>
#include <vector>

namespace velk::test {
namespace {

struct WindowSearch {
    const wchar_t* className;
    const wchar_t* title;
    DWORD pid;
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    if (search->pid) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(hwnd, &pid);
        if (pid != search->pid) return TRUE;
    }
    if (search->visibleOnly && !::IsWindowVisible(hwnd)) return TRUE;
    if (search->className) {
        wchar_t name[256] = {};
        ::GetClassNameW(hwnd, name, 256);
        if (::lstrcmpW(name, search->className) != 0) return TRUE;
    }
    if (search->title) {
        wchar_t title[512] = {};
        ::GetWindowTextW(hwnd, title, 512);
        if (::lstrcmpW(title, search->title) != 0) return TRUE;
    }
    search->found = hwnd;
    return FALSE;
}

HWND FindTopLevel(const wchar_t* className, const wchar_t* title, DWORD pid, bool visibleOnly) {
    WindowSearch search{className, title, pid, visibleOnly, nullptr};
    ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

template <class Pred>
bool PollUntil(DWORD timeoutMs, Pred pred) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (pred()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        ::Sleep(10);
    }
}

// Compares two icons by their pixels, so that icons of another process
// (loaded there from the same resource) are recognised too.
bool SameIcon(HICON a, HICON b) {
    if (a == b) return true;
    auto bits = [](HICON icon) {
        std::vector<BYTE> pixels;
        ICONINFO info{};
        if (!::GetIconInfo(icon, &info)) return pixels;
        UniqueBitmap color(info.hbmColor), mask(info.hbmMask);
        HBITMAP source = info.hbmColor ? info.hbmColor : info.hbmMask;
        BITMAP bm{};
        ::GetObjectW(source, sizeof(bm), &bm);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = bm.bmWidth;
        bi.bmiHeader.biHeight = bm.bmHeight;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        pixels.resize(static_cast<size_t>(bm.bmWidth) * bm.bmHeight * 4);
        WindowDc screen(nullptr);
        if (pixels.empty() ||
            !::GetDIBits(screen.get(), source, 0, bm.bmHeight, pixels.data(), &bi, DIB_RGB_COLORS))
            pixels.clear();
        return pixels;
    };
    auto pa = bits(a), pb = bits(b);
    return !pa.empty() && pa == pb;
}

LPCWSTR IconKind(HICON icon) {
    if (!icon) return nullptr;
    for (LPCWSTR kind : {IDI_EXCLAMATION, IDI_ERROR, IDI_INFORMATION, IDI_QUESTION}) {
        if (SameIcon(icon, ::LoadIconW(nullptr, kind))) return kind;
    }
    return nullptr;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
    auto* info = reinterpret_cast<DialogInfo*>(param);
    wchar_t cls[64] = {};
    ::GetClassNameW(child, cls, 64);
    LONG_PTR style = ::GetWindowLongPtrW(child, GWL_STYLE);
    if (::lstrcmpiW(cls, L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
        info->icon = IconKind(reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0)));
    } else if (::lstrcmpiW(cls, L"Button") == 0) {
        LONG_PTR type = style & BS_TYPEMASK;
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)
            info->buttonIds.push_back(static_cast<wchar_t>(::GetDlgCtrlID(child)));
    }
    return TRUE;
}

}  // namespace

std::wstring BinDir() {
    wchar_t path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, length);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1);
}

ChildProcess ChildProcess::Start(const std::wstring& exe, const std::wstring& args) {
    ChildProcess child;
    std::wstring path = exe.find_first_of(L"\\/:") == std::wstring::npos ? BinDir() + exe : exe;
    std::wstring commandLine = L"\"" + path + L"\"";
    if (!args.empty()) commandLine += L" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    // Under a heavily loaded Wine a process start now and then fails for a
    // moment; a few tries keep that from failing a test.
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::wstring mutableLine = commandLine;
        if (::CreateProcessW(path.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                             &pi)) {
            ::CloseHandle(pi.hThread);
            child.process_.reset(pi.hProcess);
            child.id_ = pi.dwProcessId;
            child.startError_ = 0;
            break;
        }
        child.startError_ = ::GetLastError();
        ::Sleep(250);
    }
    return child;
}

ChildProcess::~ChildProcess() {
    if (process_ && ExitCode() == STILL_ACTIVE) Terminate();
}

bool ChildProcess::Wait(DWORD milliseconds) const noexcept {
    return process_ && ::WaitForSingleObject(process_.get(), milliseconds) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode() const noexcept {
    DWORD code = STILL_ACTIVE;
    if (process_) ::GetExitCodeProcess(process_.get(), &code);
    return code;
}

void ChildProcess::Terminate() noexcept {
    if (!process_) return;
    ::TerminateProcess(process_.get(), 0xDEAD);
    ::WaitForSingleObject(process_.get(), 5000);
}

HWND WaitForWindow(const wchar_t* className, const wchar_t* title, DWORD timeoutMs, DWORD pid) {
    HWND found = nullptr;
    PollUntil(timeoutMs, [&] { return (found = FindTopLevel(className, title, pid, false)) != nullptr; });
    return found;
}

bool WaitForWindowGone(const wchar_t* className, const wchar_t* title, DWORD timeoutMs, DWORD pid) {
    return PollUntil(timeoutMs, [&] { return FindTopLevel(className, title, pid, false) == nullptr; });
}

DialogInfo ReadDialog(HWND dialog) {
    DialogInfo info;
    info.hwnd = dialog;
    wchar_t buffer[4096] = {};
    ::GetWindowTextW(dialog, buffer, 4096);
    info.title = buffer;
    buffer[0] = 0;
    ::GetDlgItemTextW(dialog, 0xFFFF, buffer, 4096);  // a message box's text control
    info.text = buffer;
    ::EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&info));
    return info;
}

std::optional<DialogInfo> WaitForDialog(DWORD pid, DWORD timeoutMs) {
    HWND found = nullptr;
    if (!PollUntil(timeoutMs, [&] { return (found = FindTopLevel(L"#32770", nullptr, pid, true)) != nullptr; }))
        return std::nullopt;
    return ReadDialog(found);
}

void PressDialogButton(HWND dialog, int id) {
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

MessageBoxCatcher::MessageBoxCatcher(int answer, DWORD timeoutMs) {
    watcher_ = std::thread([this, answer, timeoutMs] {
        DWORD pid = ::GetCurrentProcessId();
        HWND found = nullptr;
        PollUntil(timeoutMs, [&] {
            return stop_ || (found = FindTopLevel(L"#32770", nullptr, pid, true)) != nullptr;
        });
        if (!found) return;
        ::Sleep(50);  // let the box finish its initialisation
        caught_ = ReadDialog(found);
        PressDialogButton(found, answer);
    });
}

MessageBoxCatcher::~MessageBoxCatcher() {
    stop_ = true;
    if (watcher_.joinable()) watcher_.join();
}

std::optional<DialogInfo> MessageBoxCatcher::Result() {
    if (watcher_.joinable()) watcher_.join();
    return caught_;
}

void SetDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value) {
    ::RegSetKeyValueW(root, path.c_str(), name, REG_DWORD, &value, sizeof(value));
}

std::optional<DWORD> GetDword(HKEY root, const std::wstring& path, const wchar_t* name) {
    DWORD value = 0, size = sizeof(value);
    if (::RegGetValueW(root, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

void SetString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    ::RegSetKeyValueW(root, path.c_str(), name, REG_SZ, value.c_str(),
                      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::optional<std::wstring> GetString(HKEY root, const std::wstring& path, const wchar_t* name) {
    DWORD size = 0;
    if (::RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (::RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, text.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    text.resize(::lstrlenW(text.c_str()));
    return text;
}

DWORD GetValueType(HKEY root, const std::wstring& path, const wchar_t* name) {
    DWORD type = REG_NONE;
    if (::RegGetValueW(root, path.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, nullptr) !=
        ERROR_SUCCESS)
        return REG_NONE;
    return type;
}

bool KeyExists(HKEY root, const std::wstring& path) {
    UniqueKey key;
    return ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

void DeleteTree(HKEY root, const std::wstring& path) { ::RegDeleteTreeW(root, path.c_str()); }

std::wstring ProfileSection(const std::wstring& section) { return std::wstring(kProfileKey) + L"\\" + section; }

void ResetProfile() { DeleteTree(HKEY_CURRENT_USER, L"Software\\VELK-Panomira"); }

namespace {
DWORD g_fakeMajor = 6, g_fakeMinor = 1;

BOOL WINAPI FakeVerifyVersionInfo(LPOSVERSIONINFOEXW info, DWORD, DWORDLONG) {
    bool atLeast = g_fakeMajor > info->dwMajorVersion ||
                   (g_fakeMajor == info->dwMajorVersion && g_fakeMinor >= info->dwMinorVersion);
    if (!atLeast) ::SetLastError(ERROR_OLD_WIN_VERSION);
    return atLeast ? TRUE : FALSE;
}
}  // namespace

void FakeWindowsVersion(DWORD major, DWORD minor) {
    g_fakeMajor = major;
    g_fakeMinor = minor;
    Platform().VerifyVersionInfoW = FakeVerifyVersionInfo;
}

std::vector<DWORD>& RecordedWaits() {
    static std::vector<DWORD> waits;
    return waits;
}

std::function<void(DWORD)>& OnRecordedWait() {
    static std::function<void(DWORD)> observer;
    return observer;
}

namespace {
void RecordWait(DWORD ms) {
    RecordedWaits().push_back(ms);
    if (OnRecordedWait()) OnRecordedWait()(ms);
}

DWORD WINAPI RecordedWait(HANDLE handle, DWORD ms) {
    if (::GetThreadId(handle) != 0 || RealPlatform().WaitForSingleObject(handle, 0) == WAIT_OBJECT_0)
        return RealPlatform().WaitForSingleObject(handle, ms);
    RecordWait(ms);
    return WAIT_TIMEOUT;
}

VOID WINAPI RecordedSleep(DWORD ms) { RecordWait(ms); }
}  // namespace

void RecordBlockingWaits() {
    RecordedWaits().clear();
    OnRecordedWait() = nullptr;
    Platform().WaitForSingleObject = RecordedWait;
}

void RecordSleeps() { Platform().Sleep = RecordedSleep; }

std::string ToUtf8(const std::wstring& text) {
    int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                     nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr,
                              nullptr);
    return out;
}

void PrintUtf8(const std::wstring& text) {
    std::string utf8 = ToUtf8(text);
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

LRESULT SendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs) {
    DWORD_PTR answer = 0;
    if (::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, timeoutMs, &answer))
        return static_cast<LRESULT>(answer);
    ADD_FAILURE() << "message 0x" << std::hex << message << " got no answer within " << std::dec << timeoutMs << " ms";
    return 0;
}

bool WaitUntil(DWORD timeoutMs, const std::function<bool()>& pred) { return PollUntil(timeoutMs, pred); }

std::vector<DWORD> ThreadsOfThisProcess() {
    std::vector<DWORD> ids;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == ::GetCurrentProcessId()) ids.push_back(entry.th32ThreadID);
    ::CloseHandle(snapshot);
    return ids;
}

bool WaitForThreadsToEnd(const std::vector<DWORD>& earlier, DWORD timeoutMs) {
    return PollUntil(timeoutMs, [&] {
        for (DWORD id : ThreadsOfThisProcess())
            if (std::find(earlier.begin(), earlier.end(), id) == earlier.end()) return false;
        return true;
    });
}

AnswerProbe::AnswerProbe(HWND window, DWORD intervalMs)
    : window_(window), intervalMs_(intervalMs), thread_([this] { Run(); }) {}

AnswerProbe::AnswerProbe(const ChildProcess& process, const wchar_t* className, DWORD intervalMs)
    : window_(nullptr), intervalMs_(intervalMs), pid_(process.Id()), className_(className) {
    // The tick of the process's creation: the probe may start a little later.
    FILETIME created{}, exited{}, kernel{}, user{}, now{};
    ::GetSystemTimeAsFileTime(&now);
    startTick_ = ::GetTickCount();
    if (::GetProcessTimes(process.Handle(), &created, &exited, &kernel, &user)) {
        const auto ticks = [](const FILETIME& t) { return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
        if (ticks(now) > ticks(created)) startTick_ -= static_cast<DWORD>((ticks(now) - ticks(created)) / 10000);
    }
    thread_ = std::thread([this] { Run(); });
}

AnswerProbe::~AnswerProbe() {
    stop_ = true;
    thread_.join();
}

DWORD AnswerProbe::TakeLongest() {
    const int before = answers_;
    const DWORD end = ::GetTickCount() + 30000;
    while (answers_ < before + 2 && static_cast<LONG>(::GetTickCount() - end) < 0) ::Sleep(5);
    return longest_.exchange(0);
}

void AnswerProbe::Keep(DWORD took) {
    DWORD seen = longest_.load();
    while (took > seen && !longest_.compare_exchange_weak(seen, took)) {
    }
}

void AnswerProbe::Run() {
    while (!stop_) {
        if (!window_) {
            // Not there yet: the program has not answered since it started.
            window_ = WaitForWindow(className_, nullptr, 0, pid_);
            if (!window_) {
                Keep(::GetTickCount() - startTick_);
                ::Sleep(5);
                continue;
            }
        }
        const DWORD start = ::GetTickCount();
        DWORD_PTR ignored = 0;
        // A send that gets no answer at all counts as its whole time-out.
        if (::SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &ignored)) ++answers_;
        Keep(::GetTickCount() - start);
        ::Sleep(intervalMs_);
    }
}

}  // namespace velk::test
