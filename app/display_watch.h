// The display watch thread: waits for registry changes under the display
// enumeration key and tells the main dialog with UM_DISPLAYCHANGED.
#pragma once
#include <windows.h>
#include <atomic>
#include <cstdint>

// 1 while the thread should go on watching; cleared only at shut-down.
extern std::atomic<uint8_t> WatchRunning;
// The registry's change event (manual reset); made and closed by the thread,
// null while no thread watches.
extern std::atomic<HANDLE> WatchEvent;
// The stop event (manual reset) that StartDisplayWatch makes before the
// thread and StopDisplayWatch signals and closes; the registry never sees it.
extern std::atomic<HANDLE> WatchStopEvent;

// The thread body; the argument is the dialog window to post to. Ends with 0
// when the key cannot be opened or when told to stop, or with the error of a
// failed key close.
DWORD WINAPI DisplayWatchThread(LPVOID dialogWindow);

// Starts DisplayWatchThread for the window; false when no thread could be made.
bool StartDisplayWatch(HWND dialogWindow);
// Clears WatchRunning, signals the stop event and waits for the thread at
// most 10 s, then lets go of its handle. Safe to call when no thread runs.
void StopDisplayWatch();
// True while a started thread has not been stopped.
bool IsDisplayWatchStarted() noexcept;
