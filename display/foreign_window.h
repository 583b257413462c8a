// Changes to other programs' windows that never wait for those programs. A
// window whose thread answers a short check is changed at once; otherwise
// the change is kept for the window and a worker thread makes it once the
// window answers again. Only the newest change kept for a window is made (it
// carries the window's whole wanted state), so the window ends where it was
// last sent. Each waiting window has at most one worker, and at most
// kMaxWindowWorkers run at a time; a worker ends when the window has nothing
// left to make and answers, or is gone.
#pragma once
#include <windows.h>
#include <cstddef>
#include <functional>
#include <optional>
#include <span>

// How long a window's thread may take to answer the check.
inline constexpr UINT kWindowAnswerMs = 50;
// Most worker threads at a time; further waiting windows are served as
// workers come free.
inline constexpr size_t kMaxWindowWorkers = 4;
// How often a worker asks its window again.
inline constexpr DWORD kWindowRetryMs = 100;

// True when the window belongs to this thread, or its thread answers within
// kWindowAnswerMs (and is not hung).
bool WindowAnswers(HWND window) noexcept;

// Runs change for the window: now when the window answers and nothing is
// still kept for it, else later on a worker in place of whatever was kept
// before. `leaves`, when given, is the placement the change leaves the
// window in (what QueuedWindowPlacement then answers). Answers what change
// answered, or true when it was kept.
bool ChangeWindowWithoutWaiting(HWND window, std::function<bool()> change,
                                const WINDOWPLACEMENT* leaves = nullptr);

// The placements in turn (through the platform seam), without waiting for
// the window: true when the last one was set, or kept.
bool SetWindowPlacementsWithoutWaiting(HWND window, std::span<const WINDOWPLACEMENT> placements);

// True while a change for the window waits for it or is being made.
bool HasWaitingWindowChanges(HWND window) noexcept;
// The placement the window will have once its waiting change is made, when
// that change said so; nothing when no change waits or it did not say.
std::optional<WINDOWPLACEMENT> QueuedWindowPlacement(HWND window) noexcept;
// Worker threads running now.
size_t WindowWorkerCount() noexcept;
