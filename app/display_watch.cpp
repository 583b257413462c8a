#include "app/display_watch.h"
#include "display/program_messages.h"
#include "framework/handles.h"

std::atomic<uint8_t> WatchRunning{1};
std::atomic<HANDLE> WatchEvent{nullptr};

namespace {

constexpr wchar_t kDisplayEnumKey[] = L"SYSTEM\\CurrentControlSet\\Enum\\DISPLAY";
constexpr DWORD kWatchFilter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_ATTRIBUTES | REG_NOTIFY_CHANGE_LAST_SET |
                               REG_NOTIFY_CHANGE_SECURITY;  // 15
// A registration the registry refuses is tried again after this pause, so a
// lasting refusal does not spin the processor.
constexpr DWORD kRetryPauseMs = 1000;
constexpr DWORD kStopWaitMs = 10000;

velk::UniqueHandleObj g_thread;

}  // namespace

DWORD WINAPI DisplayWatchThread(LPVOID dialogWindow) {
    HWND dialog = static_cast<HWND>(dialogWindow);
    HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!event) return 0;
    WatchEvent.store(event);
    DWORD exitCode = 0;
    while (WatchRunning.load() == 1) {
        ::ResetEvent(event);
        // Shut-down may have signalled the event just before the reset: look
        // at the flag again, now that a later signal can no longer be lost.
        if (WatchRunning.load() != 1) break;
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDisplayEnumKey, 0, KEY_NOTIFY, &key) != ERROR_SUCCESS) {
            exitCode = 0;
            break;
        }
        if (::RegNotifyChangeKeyValue(key, TRUE, kWatchFilter, event, TRUE) == ERROR_SUCCESS) {
            ::WaitForSingleObject(event, INFINITE);
            ::PostMessageW(dialog, UM_DISPLAYCHANGED, 1, 0);
        } else {
            ::WaitForSingleObject(event, kRetryPauseMs);
        }
        LONG closed = ::RegCloseKey(key);
        if (closed != ERROR_SUCCESS) {
            exitCode = static_cast<DWORD>(closed);
            break;
        }
    }
    // The event stays open: shut-down may be signalling it at this very
    // moment, so StopDisplayWatch closes it once this thread has ended.
    return exitCode;
}

bool StartDisplayWatch(HWND dialogWindow) {
    if (g_thread) return true;
    WatchRunning.store(1);
    g_thread.reset(::CreateThread(nullptr, 0, DisplayWatchThread, dialogWindow, 0, nullptr));
    return static_cast<bool>(g_thread);
}

void StopDisplayWatch() {
    WatchRunning.store(0);
    if (!g_thread) return;
    // The thread may not have made its event yet; it then sees the flag and
    // ends by itself, so it is waited for in either case.
    if (HANDLE event = WatchEvent.load()) ::SetEvent(event);
    if (::WaitForSingleObject(g_thread.get(), kStopWaitMs) == WAIT_OBJECT_0) {
        // The thread is gone: nothing can use its event any more. (After a
        // time-out it is left open for the thread that still runs.)
        if (HANDLE event = WatchEvent.exchange(nullptr)) ::CloseHandle(event);
    }
    g_thread.reset();
}

bool IsDisplayWatchStarted() noexcept { return static_cast<bool>(g_thread); }
