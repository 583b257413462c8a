// Start-up time and idle memory of the real Velkmira.exe, beside a bare
// program that only makes a window (what any program costs under this
// system). Start-up: from the process start to the instance property on the
// main window, without the add-on library, with a stand-in notification area
// so the tray icon is taken at once. Memory: private bytes and working set
// after start-up, read with GetProcessMemoryInfo (committed private regions
// where the system leaves that figure at 0). The bare program is measured
// alone, with the system libraries and hooks Velkmira.exe sets, with the
// threads the idle program has or leaves behind (the system's floor for it),
// and linked with a 1 MB main stack reservation instead of the toolchain's
// 2 MB (the same source, built as program_bench_stack1m.exe). The threads
// alive at the memory reading are listed on the console.
//
//   program_bench.exe [starts]       (default 10; the first is not counted)
//   program_bench.exe --bare         the bare program itself
//   program_bench.exe --bare-floor   the bare program with the idle threads
#include "app/velkmira_app.h"
#include "bench/figure.h"
#include "hooklib/tarnlet.h"
#include "testing/addonsim/addonsim_control.h"
#include "testing/harness.h"
#include "testing/support/addon_test_support.h"
#include "testing/support/tray_fixture.h"
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace velk::test;

namespace {

constexpr wchar_t kBareClass[] = L"VelkBenchBare";
constexpr DWORD kStartLimitMs = 60000;
constexpr DWORD kIdleMs = 3000;  // after start-up, before the memory is read

// The display queries the program's start-up makes, by the platform's calls
// alone: adapters and their monitors, the current modes, the display
// configuration with its names.
void QueryDisplaysAsTheProgramDoes() {
    for (DWORD i = 0;; ++i) {
        DISPLAY_DEVICEW device{};
        device.cb = sizeof(device);
        if (!::EnumDisplayDevicesW(nullptr, i, &device, 0)) break;
        DISPLAY_DEVICEW monitor{};
        monitor.cb = sizeof(monitor);
        ::EnumDisplayDevicesW(device.DeviceName, 0, &monitor, 0);
        DEVMODEW mode{};
        mode.dmSize = sizeof(mode);
        ::EnumDisplaySettingsW(device.DeviceName, ENUM_CURRENT_SETTINGS, &mode);
    }
    UINT32 pathCount = 0, modeCount = 0;
    if (::GetDisplayConfigBufferSizes(QDC_ONLY_ACTIVE_PATHS, &pathCount, &modeCount) != ERROR_SUCCESS) return;
    std::vector<DISPLAYCONFIG_PATH_INFO> paths(pathCount);
    std::vector<DISPLAYCONFIG_MODE_INFO> modes(modeCount);
    if (::QueryDisplayConfig(QDC_ONLY_ACTIVE_PATHS, &pathCount, paths.data(), &modeCount, modes.data(), nullptr) !=
        ERROR_SUCCESS)
        return;
    for (UINT32 i = 0; i < pathCount; ++i) {
        DISPLAYCONFIG_TARGET_DEVICE_NAME target{};
        target.header = {DISPLAYCONFIG_DEVICE_INFO_GET_TARGET_NAME, sizeof(target), paths[i].targetInfo.adapterId,
                         paths[i].targetInfo.id};
        ::DisplayConfigGetDeviceInfo(&target.header);
        DISPLAYCONFIG_SOURCE_DEVICE_NAME source{};
        source.header = {DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME, sizeof(source), paths[i].sourceInfo.adapterId,
                         paths[i].sourceInfo.id};
        ::DisplayConfigGetDeviceInfo(&source.header);
    }
}

// The bare program's stand-ins for the idle program's threads.
constexpr SIZE_T kWatchStackBytes = 64 * 1024;    // as the display watch asks
constexpr SIZE_T kWorkerStackBytes = 512 * 1024;  // as the recompose worker asks

DWORD WINAPI WaitForEver(LPVOID event) {
    ::WaitForSingleObject(static_cast<HANDLE>(event), INFINITE);
    return 0;
}

DWORD WINAPI EndAtOnce(LPVOID) { return 0; }

// One thread that waits until the program ends, started like the display
// watch, and one that has run and ended, started like the recompose worker.
struct IdleThreads {
    HANDLE stop = nullptr;
    HANDLE waiter = nullptr;

    bool Start() {
        stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        waiter = stop ? ::CreateThread(nullptr, kWatchStackBytes, WaitForEver, stop,
                                       STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr)
                      : nullptr;
        HANDLE ended =
            ::CreateThread(nullptr, kWorkerStackBytes, EndAtOnce, nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (!waiter || !ended) return false;
        const bool done = ::WaitForSingleObject(ended, 10000) == WAIT_OBJECT_0;
        ::CloseHandle(ended);
        return done;
    }
    ~IdleThreads() {
        if (waiter) {
            ::SetEvent(stop);
            ::WaitForSingleObject(waiter, 10000);
            ::CloseHandle(waiter);
        }
        if (stop) ::CloseHandle(stop);
    }
};

int RunBare(bool queryDisplays, bool hooks, bool idleThreads = false) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) WINAPI -> LRESULT {
        if (m == WM_DESTROY) ::PostQuitMessage(0);
        return ::DefWindowProcW(w, m, wp, lp);
    };
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kBareClass;
    ::RegisterClassW(&wc);
    HWND window = ::CreateWindowExW(0, kBareClass, L"", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                                    wc.hInstance, nullptr);
    if (!window) return 1;
    if (hooks) {
        // The system libraries Velkmira.exe loads, started as it starts them.
        for (const wchar_t* name : {L"comctl32.dll", L"riched20.dll", L"gdiplus.dll", L"shell32.dll", L"ole32.dll",
                                    L"oleaut32.dll", L"uxtheme.dll", L"usp10.dll", L"setupapi.dll", L"msimg32.dll",
                                    L"version.dll", L"shlwapi.dll"})
            ::LoadLibraryW(name);
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&controls);
    }
    // The system hooks of the program's library, as the program sets them.
    using namespace velk::hooklib;
    HMODULE library = hooks ? ::LoadLibraryW((BinDir() + kLibraryFileName).c_str()) : nullptr;
    UINT ids[kCommandIdCount] = {};
    if (hooks) {
        auto install = library ? GetExport<HookInstallFn>(library, kHookInstallName) : nullptr;
        if (!install || !install(window, ids)) return 2;
    }
    if (queryDisplays) QueryDisplaysAsTheProgramDoes();
    IdleThreads threads;
    if (idleThreads && !threads.Start()) return 3;
    ::SetPropW(window, kInstanceProperty, reinterpret_cast<HANDLE>(1));
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    if (library && GetExport<ClearHookFn>(library, kClearHookName)(window)) ::FreeLibrary(library);
    return 0;
}

double NowMs() {
    LARGE_INTEGER count, frequency;
    ::QueryPerformanceCounter(&count);
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Committed private memory of a process, region by region: Wine leaves
// PrivateUsage of another process at 0.
SIZE_T PrivateCommitted(HANDLE process) {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (BYTE* address = nullptr;
         ::VirtualQueryEx(process, address, &region, sizeof(region)) == sizeof(region);
         address = static_cast<BYTE*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        if (region.RegionSize == 0) break;
    }
    return total;
}

// Where a thread of another process started: "module+offset", or the bare
// address outside every module.
std::string StartPlace(HANDLE process, DWORD threadId) {
    using QueryThread = LONG(WINAPI*)(HANDLE, THREADINFOCLASS, PVOID, ULONG, PULONG);
    static const auto query = reinterpret_cast<QueryThread>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationThread")));
    HANDLE thread = ::OpenThread(THREAD_QUERY_INFORMATION, FALSE, threadId);
    if (!thread || !query) return "?";
    ULONG_PTR start = 0;
    constexpr auto kStartAddress = static_cast<THREADINFOCLASS>(9);  // the thread's own start routine
    const LONG status = query(thread, kStartAddress, &start, sizeof(start), nullptr);
    ::CloseHandle(thread);
    if (status < 0) return "?";
    HMODULE modules[512];
    DWORD bytes = 0;
    char text[MAX_PATH + 32] = {};
    if (::EnumProcessModulesEx(process, modules, sizeof(modules), &bytes, LIST_MODULES_ALL)) {
        for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i) {
            MODULEINFO info{};
            if (!::GetModuleInformation(process, modules[i], &info, sizeof(info))) continue;
            const auto base = reinterpret_cast<ULONG_PTR>(info.lpBaseOfDll);
            if (start < base || start >= base + info.SizeOfImage) continue;
            char name[MAX_PATH] = {};
            ::GetModuleBaseNameA(process, modules[i], name, MAX_PATH);
            std::snprintf(text, sizeof(text), "%s+0x%llx", name, static_cast<unsigned long long>(start - base));
            return text;
        }
    }
    std::snprintf(text, sizeof(text), "0x%llx", static_cast<unsigned long long>(start));
    return text;
}

// The threads a process has now, each with where it started.
std::vector<std::string> ListThreads(HANDLE process, DWORD processId) {
    std::vector<std::string> threads;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return threads;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == processId) threads.push_back(StartPlace(process, entry.th32ThreadID));
    }
    ::CloseHandle(snapshot);
    return threads;
}

struct Sample {
    bool ok = false;
    double startMs = 0;
    double privateMb = 0;
    double workingSetMb = 0;
    std::vector<std::string> threads;  // alive at the memory reading
};

// One start: the time to the instance property, the memory after a while,
// then WM_CLOSE and exit code 0.
Sample RunOnce(const std::wstring& exe, const std::wstring& args, const wchar_t* windowClass, bool measureMemory) {
    Sample sample;
    const double start = NowMs();
    ChildProcess process = ChildProcess::Start(exe, args);
    if (!process.Started()) return sample;
    HWND window = nullptr;
    while (NowMs() - start < kStartLimitMs) {
        if (!window) window = WaitForWindow(windowClass, nullptr, 0, process.Id());
        if (window && ::GetPropW(window, kInstanceProperty)) break;
        if (process.ExitCode() != STILL_ACTIVE) return sample;
        ::Sleep(1);
    }
    sample.startMs = NowMs() - start;
    if (!window || !::GetPropW(window, kInstanceProperty)) return sample;
    if (measureMemory) {
        ::Sleep(kIdleMs);
        PROCESS_MEMORY_COUNTERS_EX counters{};
        counters.cb = sizeof(counters);
        if (::GetProcessMemoryInfo(process.Handle(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                   sizeof(counters))) {
            const SIZE_T privateBytes = counters.PrivateUsage ? counters.PrivateUsage : PrivateCommitted(process.Handle());
            sample.privateMb = static_cast<double>(privateBytes) / (1024.0 * 1024.0);
            sample.workingSetMb = static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
        }
        sample.threads = ListThreads(process.Handle(), process.Id());
    }
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    sample.ok = process.Wait(20000) && process.ExitCode() == 0;
    return sample;
}

// The main stack reservation a program is linked with (0 when unread).
ULONGLONG StackReservation(const std::wstring& exe) {
    HANDLE file = ::CreateFileW(exe.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    std::vector<BYTE> head(4096);
    DWORD read = 0;
    const BOOL ok = ::ReadFile(file, head.data(), static_cast<DWORD>(head.size()), &read, nullptr);
    ::CloseHandle(file);
    if (!ok || read < sizeof(IMAGE_DOS_HEADER)) return 0;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(head.data());
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew < 0 ||
        static_cast<DWORD>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS) > read)
        return 0;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(head.data() + dos->e_lfanew);
    return nt->Signature == IMAGE_NT_SIGNATURE ? nt->OptionalHeader.SizeOfStackReserve : 0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wstring(argv[1]) == L"--bare") return RunBare(false, false);
    if (argc == 2 && std::wstring(argv[1]) == L"--bare-hooks") return RunBare(true, true);
    if (argc == 2 && std::wstring(argv[1]) == L"--bare-floor") return RunBare(false, false, true);
    const int starts = argc > 1 ? std::max(3, _wtoi(argv[1])) : 10;

    // Without the add-on library: the start then has no prescribed wait.
    ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\DisplayLink\\Core", L"AddOnApiFileLocation");
    ResetProfile();
    FakeTray tray;
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);

    struct Subject {
        const char* name;
        std::wstring exe, args;
        const wchar_t* windowClass;
        bool simulatedAddOn;  // the simulated add-on library with one active display
        std::vector<double> startMs;
        Sample memory;
    } subjects[] = {
        {"Velkmira.exe", L"Velkmira.exe", L"", kMainWindowClass, false, {}, {}},
        {"Velkmira + sim", L"Velkmira.exe", L"", kMainWindowClass, true, {}, {}},
        {"bare program", self, L"--bare", kBareClass, false, {}, {}},
        {"bare + libs", self, L"--bare-hooks", kBareClass, false, {}, {}},
        {"bare + threads", self, L"--bare-floor", kBareClass, false, {}, {}},
        {"bare, 1MB stack", BinDir() + L"program_bench_stack1m.exe", L"--bare", kBareClass, false, {}, {}},
        {"bare+thr, 1MB", BinDir() + L"program_bench_stack1m.exe", L"--bare-floor", kBareClass, false, {}, {}},
    };
    int failures = 0;
    // The subjects take turns, so a change in the machine's load falls on all.
    for (int run = 0; run < starts; ++run) {
        for (Subject& subject : subjects) {
            const bool last = run == starts - 1;
            if (subject.simulatedAddOn) {
                addon_test::SetLibraryPath(addon_test::SimulatedLibraryPath());
                ::SetEnvironmentVariableW(kAddOnSimDisplaysVariable, L"7");
            }
            Sample sample = RunOnce(subject.exe, subject.args, subject.windowClass, last);
            if (subject.simulatedAddOn) {
                ::SetEnvironmentVariableW(kAddOnSimDisplaysVariable, nullptr);
                addon_test::RemoveLibraryPath();
            }
            if (!sample.ok) {
                std::printf("%s: start %d failed or did not end with exit code 0\n", subject.name, run);
                ++failures;
                continue;
            }
            if (run > 0) subject.startMs.push_back(sample.startMs);  // the first warms the caches
            if (last) subject.memory = sample;
        }
    }
    for (const Subject& subject : subjects) {
        std::printf("%-14s start-up median %7.1f ms (min %.1f, max %.1f) over %zu starts; private %.2f MB, "
                    "working set %.2f MB\n",
                    subject.name, Median(subject.startMs),
                    subject.startMs.empty() ? 0 : *std::min_element(subject.startMs.begin(), subject.startMs.end()),
                    subject.startMs.empty() ? 0 : *std::max_element(subject.startMs.begin(), subject.startMs.end()),
                    subject.startMs.size(), subject.memory.privateMb, subject.memory.workingSetMb);
        std::printf("%-14s %zu threads at the memory reading:", subject.name, subject.memory.threads.size());
        for (const std::string& place : subject.memory.threads) std::printf(" %s", place.c_str());
        std::printf("\n");
    }
    const Subject& program = subjects[0];
    const Subject& simulated = subjects[1];
    const Subject& bare = subjects[2];
    const Subject& withLibraries = subjects[3];
    const Subject& bare1m = subjects[5];
    // The floor with the main stack the program is linked with.
    const ULONGLONG programStack = StackReservation(BinDir() + L"Velkmira.exe");
    const ULONGLONG bareStack = StackReservation(self);
    const ULONGLONG bare1mStack = StackReservation(bare1m.exe);
    const Subject& floor = programStack == bare1mStack ? subjects[6] : subjects[4];
    std::printf("main stack reservations: Velkmira.exe %llu KB, bare program %llu KB, its 1 MB build %llu KB; "
                "floor taken: %s\n",
                programStack / 1024, bareStack / 1024, bare1mStack / 1024, floor.name);
    if (programStack != bareStack && programStack != bare1mStack) {
        std::printf("no bare build has Velkmira.exe's main stack reservation\n");
        ++failures;
    }
    using velk::bench::PrintFigure;
    PrintFigure("start-up of Velkmira.exe to the instance property, no add-on library (median)", "-", "%.0f ms",
                Median(program.startMs));
    PrintFigure("start-up of Velkmira.exe with the simulated add-on library and one add-on display (median)", "-",
                "%.0f ms", Median(simulated.startMs));
    PrintFigure("start-up of a bare program to its window (median)", "-", "%.0f ms", Median(bare.startMs));
    PrintFigure("start-up of a bare program with the same system libraries, hooks and display queries (median)",
                "-", "%.0f ms", Median(withLibraries.startMs));
    // Nothing waits at start-up any more, with the library or without (the
    // Setting page's second look at an empty add-on list runs on a timer).
    PrintFigure("start-up without the add-on library minus with the simulated one", "-", "%.0f ms",
                Median(program.startMs) - Median(simulated.startMs));
    // At most ours: what the system libraries and hooks cost is counted in.
    PrintFigure("start-up, ours at most (with the simulated add-on library, minus the bare program)", "<= 500 ms",
                "%.0f ms", Median(simulated.startMs) - Median(bare.startMs));
    PrintFigure("idle Velkmira.exe, private bytes", "<= 8 MB", "%.2f MB", program.memory.privateMb);
    PrintFigure("idle Velkmira.exe, working set", "-", "%.2f MB", program.memory.workingSetMb);
    PrintFigure("idle bare program, private bytes / working set", "-", "%.2f / %.2f MB", bare.memory.privateMb,
                bare.memory.workingSetMb);
    PrintFigure("idle bare program with libraries and hooks, private bytes / working set", "-", "%.2f / %.2f MB",
                withLibraries.memory.privateMb, withLibraries.memory.workingSetMb);
    PrintFigure("idle bare program linked with a 1 MB main stack reservation, private bytes / working set", "-",
                "%.2f / %.2f MB", bare1m.memory.privateMb, bare1m.memory.workingSetMb);
    PrintFigure("idle floor: bare program with the idle program's threads (one waiting, one ended) and main stack, "
                "private bytes / working set",
                "-", "%.2f / %.2f MB", floor.memory.privateMb, floor.memory.workingSetMb);
    PrintFigure("idle Velkmira.exe minus that floor, private bytes", "-", "%.2f MB",
                program.memory.privateMb - floor.memory.privateMb);
    ResetProfile();
    return failures;
}
