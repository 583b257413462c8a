// Benchmark of the hook library (run by hand: hook_bench.exe [round trips]).
// 1. The three hook procedures called directly in this process, against a
//    procedure that only calls CallNextHookEx: nanoseconds added per call.
// 2. The real cross-process round trip: a window of a second process receives
//    WM_INITMENUPOPUP for its window menu; the send returns once the report has
//    been handled here. Median and 95th percentile over many round trips, beside
//    the same send only passed on by the hooks and with no hook of ours at all.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>
#include "bench/figure.h"
#include "hooklib/hook_core.h"
#include "display/program_messages.h"
#include "hooklib/tarnlet.h"

namespace {

using namespace velk::hooklib;

constexpr wchar_t kSinkClass[] = L"VelkHookBenchSink";
constexpr ULONG_PTR kTimesTag = 0x42454E43;  // WM_COPYDATA of the child's timings

double TicksPerNs() {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1e9;
}

long long Now() {
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return t.QuadPart;
}

// --- 1. Direct calls -------------------------------------------------------

// Under Wine, CallNextHookEx is a round trip to the server of several
// microseconds, which buries the nanoseconds this part measures. Calls of this
// program's own copy of the procedures (and of the pass-through) therefore go
// through a stand-in: it either forwards to the real function or answers 0 at
// once. The loaded Tarnlet.dll, used in part 2, is not affected.
using CallNextFn = LRESULT(WINAPI*)(HHOOK, int, WPARAM, LPARAM);
CallNextFn g_realCallNext = nullptr;  // null: the stand-in answers 0
LRESULT WINAPI CallNextStandIn(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
    return g_realCallNext ? g_realCallNext(hook, code, wParam, lParam) : 0;
}

}  // namespace

// The import slot that the calls of this program bind to.
extern "C" CallNextFn __imp_CallNextHookEx;
CallNextFn __imp_CallNextHookEx = CallNextStandIn;

namespace {

LRESULT CALLBACK PassThrough(int code, WPARAM wParam, LPARAM lParam) {
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void Drain() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
}

// Nanoseconds per call of one run; queued reports are drained between
// batches, outside the timing.
double NsPerCall(HOOKPROC proc, int code, WPARAM wParam, LPARAM lParam, int calls) {
    HOOKPROC volatile target = proc;
    constexpr int kBatch = 500;
    long long ticks = 0;
    for (int done = 0; done < calls; done += kBatch) {
        const long long start = Now();
        for (int i = 0; i < kBatch; ++i) target(code, wParam, lParam);
        ticks += Now() - start;
        Drain();
    }
    return static_cast<double>(ticks) / TicksPerNs() / calls;
}

struct Timing {
    double hook = 1e300;
    double base = 1e300;
};

// Best of several runs, procedure and pass-through measured side by side.
Timing Measure(HOOKPROC proc, int code, WPARAM wParam, LPARAM lParam, int calls) {
    Timing t;
    for (int run = 0; run < 5; ++run) {
        t.base = std::min(t.base, NsPerCall(PassThrough, code, wParam, lParam, calls));
        t.hook = std::min(t.hook, NsPerCall(proc, code, wParam, lParam, calls));
    }
    return t;
}

struct Case {
    const char* name;
    HOOKPROC proc;
    int code;
    WPARAM wParam;
    LPARAM lParam;
    bool reports;
};

void DirectCalls(HWND sink, HWND target) {
    AttachProcess(::GetModuleHandleW(nullptr));
    SharedRecord& shared = SharedData();
    shared.NotifyWindow = sink;
    shared.MenuPopupMessage = UM_MENUPOPUP;
    shared.MenuSelectedMessage = UM_MENUSELECTED;
    shared.WinMoveNextMessage = UM_WINMOVENEXT;
    shared.AppCreateDestroyMessage = UM_APPCREATEDESTROY;

    const HMENU systemMenu = ::GetSystemMenu(target, FALSE);
    CWPSTRUCT mouse{0, 0, WM_MOUSEMOVE, target};
    CWPSTRUCT toSink{0, 0, WM_INITMENUPOPUP, sink};
    CWPSTRUCT dropDown{MAKELPARAM(0, FALSE), reinterpret_cast<WPARAM>(systemMenu), WM_INITMENUPOPUP, target};
    CWPSTRUCT popup{MAKELPARAM(0, TRUE), reinterpret_cast<WPARAM>(systemMenu), WM_INITMENUPOPUP, target};
    CWPSTRUCT closed{0, MAKEWPARAM(0, 0xFFFF), WM_MENUSELECT, target};
    MSG timer{target, WM_TIMER, 1, 0, 0, {}};
    MSG close{target, WM_SYSCOMMAND, SC_CLOSE, 0, 0, {}};
    MSG ours{target, WM_SYSCOMMAND, SystemMenuCommandIds()[kCommandIdCount - 1], 0, 0, {}};
    auto p = [](const auto& s) { return reinterpret_cast<LPARAM>(&s); };

    const Case cases[] = {
        {"call-window-proc: WM_MOUSEMOVE (passed on)", CallWndProcHookProc, HC_ACTION, 0, p(mouse), false},
        {"call-window-proc: message of the notify window", CallWndProcHookProc, HC_ACTION, 0, p(toSink), false},
        {"call-window-proc: drop-down WM_INITMENUPOPUP", CallWndProcHookProc, HC_ACTION, 0, p(dropDown), false},
        {"call-window-proc: window menu opens (sent report)", CallWndProcHookProc, HC_ACTION, 0, p(popup), true},
        {"call-window-proc: menu closed (sent report)", CallWndProcHookProc, HC_ACTION, 0, p(closed), true},
        {"get-message: WM_TIMER (passed on)", GetMessageHookProc, HC_ACTION, PM_REMOVE, p(timer), false},
        {"get-message: SC_CLOSE (13 ids compared)", GetMessageHookProc, HC_ACTION, PM_REMOVE, p(close), false},
        {"get-message: our last id (posted report)", GetMessageHookProc, HC_ACTION, PM_REMOVE, p(ours), true},
        {"shell: negative code (passed on)", ShellHookProc, -1, 0, 0, false},
        {"shell: window created (posted report)", ShellHookProc, HSHELL_WINDOWCREATED,
         reinterpret_cast<WPARAM>(target), 0, true},
    };

    const auto real = reinterpret_cast<CallNextFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "CallNextHookEx")));
    std::printf("1. Hook procedures called directly; ns per call, best of 5 runs\n");
    std::printf("   %-52s %30s | %30s\n", "", "CallNextHookEx answering 0", "real CallNextHookEx");
    std::printf("   %-52s %9s %9s %10s | %9s %9s %10s\n", "case", "hook", "pass", "added", "hook", "pass", "added");
    for (const Case& c : cases) {
        g_realCallNext = nullptr;
        const Timing fast = Measure(c.proc, c.code, c.wParam, c.lParam, c.reports ? 5000 : 200000);
        g_realCallNext = real;
        const Timing full = Measure(c.proc, c.code, c.wParam, c.lParam, 2000);
        std::printf("   %-52s %9.1f %9.1f %10.1f | %9.1f %9.1f %10.1f\n", c.name, fast.hook, fast.base,
                    fast.hook - fast.base, full.hook, full.base, full.hook - full.base);
        std::fflush(stdout);
        char what[96];
        std::snprintf(what, sizeof(what), "hook procedure, %s: ns added per call", c.name);
        velk::bench::PrintFigure(what, c.reports ? "-" : "<= 25 ns", "%.1f ns", fast.hook - fast.base);
    }
    g_realCallNext = real;
    shared.NotifyWindow = nullptr;
}

// --- 2. Cross-process round trip ----------------------------------------------

struct SinkState {
    HWND childWindow = nullptr;
    int reports = 0;
    std::vector<double> roundTripsUs;
    std::vector<double> passedOnUs;
};
SinkState g_sink;

LRESULT CALLBACK SinkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == UM_MENUPOPUP) {
        if (reinterpret_cast<HWND>(lParam) == g_sink.childWindow) ++g_sink.reports;
        return 0;
    }
    if (message == WM_COPYDATA) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (data->dwData == kTimesTag) {
            const auto* values = static_cast<const double*>(data->lpData);
            const size_t count = data->cbData / sizeof(double) / 2;
            g_sink.roundTripsUs.assign(values, values + count);
            g_sink.passedOnUs.assign(values + count, values + 2 * count);
        }
        return TRUE;
    }
    if (message == WM_APP) {  // the child's window, before it starts
        g_sink.childWindow = reinterpret_cast<HWND>(wParam);
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND MakeWindow(const wchar_t* title) {
    return ::CreateWindowExW(0, kSinkClass, title, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
}

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, static_cast<size_t>(fraction * (values.size() - 1) + 0.5));
    return values[index];
}

std::wstring OwnFolder() {
    wchar_t path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, length);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1);
}

// In the second process: the timed sends.
int Child(HWND sink, int count) {
    HWND window = MakeWindow(L"hook bench child");
    if (!window) return 3;
    ::SendMessageW(sink, WM_APP, reinterpret_cast<WPARAM>(window), 0);
    const WPARAM menu = reinterpret_cast<WPARAM>(::GetSystemMenu(window, FALSE));
    const double perUs = TicksPerNs() * 1000.0;
    std::vector<double> times(2 * count);
    for (int i = -20; i < count; ++i) {  // 20 warm-up round trips
        long long start = Now();
        ::SendMessageW(window, WM_INITMENUPOPUP, menu, MAKELPARAM(0, TRUE));  // reported, waits for the sink
        const double reported = (Now() - start) / perUs;
        start = Now();
        ::SendMessageW(window, WM_INITMENUPOPUP, menu, MAKELPARAM(0, FALSE));  // only passed on
        const double passed = (Now() - start) / perUs;
        if (i >= 0) {
            times[i] = reported;
            times[count + i] = passed;
        }
    }
    COPYDATASTRUCT data{kTimesTag, static_cast<DWORD>(times.size() * sizeof(double)), times.data()};
    ::SendMessageW(sink, WM_COPYDATA, reinterpret_cast<WPARAM>(window), reinterpret_cast<LPARAM>(&data));
    ::DestroyWindow(window);
    return 0;
}

// Runs the timed sends in a second process while this one handles the reports;
// answers the child's exit code.
DWORD RunChild(HWND sink, int count) {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --child " +
                               std::to_wstring(reinterpret_cast<ULONG_PTR>(sink)) + L" " + std::to_wstring(count);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    DWORD exitCode = 1;
    if (::CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        // Handle the reports while the child runs.
        for (;;) {
            const DWORD wait = ::MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 120000, QS_ALLINPUT);
            if (wait != WAIT_OBJECT_0 + 1) break;
            Drain();
        }
        Drain();
        ::GetExitCodeProcess(pi.hProcess, &exitCode);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
    return exitCode;
}

int RoundTrips(HWND sink, int count) {
    // The same send with no hook of ours installed at all.
    const DWORD plainExitCode = RunChild(sink, count);
    const std::vector<double> unhookedUs = g_sink.roundTripsUs;
    g_sink = SinkState{};

    HMODULE library = ::LoadLibraryW((OwnFolder() + kLibraryFileName).c_str());
    if (!library) {
        std::printf("cannot load %ls\n", kLibraryFileName);
        return 1;
    }
    auto install = GetExport<HookInstallFn>(library, kHookInstallName);
    auto clear = GetExport<ClearHookFn>(library, kClearHookName);
    auto setPopup = GetExport<SetNotifyMessageFn>(library, kSetMenuPopupNotifyMessageName);
    UINT ids[kCommandIdCount];
    if (!install || !clear || !setPopup || !install(sink, ids) || !setPopup(UM_MENUPOPUP)) {
        std::printf("cannot install the hooks (held by another process?)\n");
        ::FreeLibrary(library);
        return 1;
    }
    const DWORD exitCode = RunChild(sink, count);
    clear(sink);  // hooks go before the library does
    ::FreeLibrary(library);

    std::printf("\n2. Cross-process window-menu round trip (%d round trips, child exit code %lu, %d reports)\n",
                count, exitCode, g_sink.reports);
    if (exitCode != 0 || plainExitCode != 0 || g_sink.roundTripsUs.empty() || unhookedUs.empty()) return 1;
    std::printf("   reported (send waits for our handling): median %8.1f us, 95th percentile %8.1f us\n",
                Percentile(g_sink.roundTripsUs, 0.5), Percentile(g_sink.roundTripsUs, 0.95));
    std::printf("   same send, only passed on by the hook:  median %8.1f us, 95th percentile %8.1f us\n",
                Percentile(g_sink.passedOnUs, 0.5), Percentile(g_sink.passedOnUs, 0.95));
    velk::bench::PrintFigure("system-menu round trip across processes, reported: median / p95", "-",
                             "%.1f / %.1f us", Percentile(g_sink.roundTripsUs, 0.5),
                             Percentile(g_sink.roundTripsUs, 0.95));
    std::printf("   same send with no hooks of ours installed: median %8.1f us, 95th percentile %8.1f us\n",
                Percentile(unhookedUs, 0.5), Percentile(unhookedUs, 0.95));
    velk::bench::PrintFigure("same send, only passed on by the hooks: median / p95", "-", "%.1f / %.1f us",
                             Percentile(g_sink.passedOnUs, 0.5), Percentile(g_sink.passedOnUs, 0.95));
    velk::bench::PrintFigure("same send without our hooks: median / p95", "-", "%.1f / %.1f us",
                             Percentile(unhookedUs, 0.5), Percentile(unhookedUs, 0.95));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = SinkProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kSinkClass;
    ::RegisterClassW(&wc);

    if (argc == 4 && std::wstring(argv[1]) == L"--child")
        return Child(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(std::wcstoull(argv[2], nullptr, 10))),
                     std::max(1, _wtoi(argv[3])));

    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const int count = argc > 1 ? std::max(200, _wtoi(argv[1])) : 500;
    HWND sink = MakeWindow(L"hook bench sink");
    HWND target = MakeWindow(L"hook bench target");
    if (!sink || !target) {
        std::printf("cannot create windows\n");
        return 1;
    }
    DirectCalls(sink, target);
    const int result = RoundTrips(sink, count);
    ::DestroyWindow(target);
    ::DestroyWindow(sink);
    return result;
}
