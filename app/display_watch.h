// The display watch thread: waits for registry changes under the display
// enumeration key and tells the main dialog with UM_DISPLAYCHANGED.
#pragma once
#include <windows.h>
#include <atomic>
#include <cstdint>

// 1 while the thread should go on watching; cleared only at shut-down.
extern std::atomic<uint8_t> WatchRunning;
// The thread's wake-up event (manual reset); made by the thread, closed by
// StopDisplayWatch once the thread has ended.
extern std::atomic<HANDLE> WatchEvent;

// The thread body; the argument is the dialog window to post to. Ends with 0
// when the key cannot be opened or when told to stop, or with the error of a
// failed key close.
DWORD WINAPI DisplayWatchThread(LPVOID dialogWindow);

// Starts DisplayWatchThread for the window; false when no thread could be made.
bool StartDisplayWatch(HWND dialogWindow);
// Clears WatchRunning, wakes the thread and waits for it at most 10 s, then
// lets go of its handle. Safe to call when no thread runs.
void StopDisplayWatch();
// True while a started thread has not been stopped.
bool IsDisplayWatchStarted() noexcept;
