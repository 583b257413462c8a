#include "app/display_watch.h"
#include "display/program_messages.h"
#include "framework/handles.h"

std::atomic<uint8_t> WatchRunning{1};
std::atomic<HANDLE> WatchEvent{nullptr};
std::atomic<HANDLE> WatchStopEvent{nullptr};

namespace {

constexpr wchar_t kDisplayEnumKey[] = L"SYSTEM\\CurrentControlSet\\Enum\\DISPLAY";
constexpr DWORD kWatchFilter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_ATTRIBUTES | REG_NOTIFY_CHANGE_LAST_SET |
                               REG_NOTIFY_CHANGE_SECURITY;  // every kind of change (15)
// A registration the registry refuses is tried again after this pause, so a
// lasting refusal does not spin the processor.
constexpr DWORD kRetryPauseMs = 1000;
// The thread wakes at once on its stop event; the bound only keeps shut-down
// on the user-interface thread short should it not.
constexpr DWORD kStopWaitMs = 200;

velk::UniqueHandleObj g_thread;

// Waits for the registry's signal or the stop, whichever comes first; true
// when told to stop.
bool WaitForChangeOrStop(HANDLE change, HANDLE stop, DWORD timeoutMs) {
    if (!stop) {
        ::WaitForSingleObject(change, timeoutMs);
        return WatchRunning.load() != 1;
    }
    const HANDLE handles[2] = {stop, change};
    const DWORD woken = ::WaitForMultipleObjects(2, handles, FALSE, timeoutMs);
    return woken == WAIT_OBJECT_0 || woken == WAIT_FAILED || WatchRunning.load() != 1;
}

}  // namespace

DWORD WINAPI DisplayWatchThread(LPVOID dialogWindow) {
    HWND dialog = static_cast<HWND>(dialogWindow);
    // The registry resets the event it is given at each registration, so the
    // stop has an event of its own that nothing but shut-down touches: a stop
    // signalled at any moment, even just before a registration, is seen.
    HANDLE stop = WatchStopEvent.load();
    const velk::UniqueHandleObj event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event) return 0;
    WatchEvent.store(event.get());
    DWORD exitCode = 0;
    while (WatchRunning.load() == 1) {
        velk::UniqueKey key;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDisplayEnumKey, 0, KEY_NOTIFY, key.put()) != ERROR_SUCCESS) {
            exitCode = 0;
            break;
        }
        bool stopped = false;
        if (::RegNotifyChangeKeyValue(key.get(), TRUE, kWatchFilter, event.get(), TRUE) == ERROR_SUCCESS) {
            stopped = WaitForChangeOrStop(event.get(), stop, INFINITE);
            if (!stopped) ::PostMessageW(dialog, UM_DISPLAYCHANGED, 1, 0);
        } else {
            stopped = WaitForChangeOrStop(event.get(), stop, kRetryPauseMs);
        }
        // Closed here rather than by the owner: a failure to close ends the
        // watch with its code.
        const LONG closed = ::RegCloseKey(key.release());
        if (closed != ERROR_SUCCESS) {
            exitCode = static_cast<DWORD>(closed);
            break;
        }
        if (stopped) break;
    }
    // Only this thread and the registry use the notification event; its
    // owner closes it once nobody can find it any more.
    WatchEvent.store(nullptr);
    return exitCode;
}

namespace {
constexpr SIZE_T kWatchStackBytes = 64 * 1024;
}  // namespace

bool StartDisplayWatch(HWND dialogWindow) {
    if (g_thread) return true;
    WatchRunning.store(1);
    HANDLE stop = WatchStopEvent.load();
    if (!stop) {
        stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (!stop) return false;
        WatchStopEvent.store(stop);
    }
    ::ResetEvent(stop);
    // The thread only waits: a small stack, instead of the program's default
    // that some systems commit in full for every thread.
    g_thread.reset(::CreateThread(nullptr, kWatchStackBytes, DisplayWatchThread, dialogWindow,
                                  STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    return static_cast<bool>(g_thread);
}

void StopDisplayWatch() {
    WatchRunning.store(0);
    if (!g_thread) return;
    HANDLE stop = WatchStopEvent.exchange(nullptr);
    if (stop) ::SetEvent(stop);
    // An ended thread's stop event is closed; a thread still running keeps
    // its own (signalled, never reused: the next start makes a new one).
    if (::WaitForSingleObject(g_thread.get(), kStopWaitMs) == WAIT_OBJECT_0 && stop) ::CloseHandle(stop);
    g_thread.reset();
}

bool IsDisplayWatchStarted() noexcept { return static_cast<bool>(g_thread); }
