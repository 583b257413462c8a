// Changes to other programs' windows that never wait for those programs. A
// window whose thread answers a short check is changed at once; otherwise
// the change is handed to a thread that waits for that window and makes its
// changes in the order they were asked for, so the window still ends where
// it was sent once it answers again.
#pragma once
#include <windows.h>
#include <functional>
#include <span>

// How long a window's thread may take to answer the check.
inline constexpr UINT kWindowAnswerMs = 50;

// True when the window belongs to this thread, or its thread answers within
// kWindowAnswerMs (and is not hung).
bool WindowAnswers(HWND window) noexcept;

// Runs change for the window: now when the window answers and nothing is
// still waiting for it, else later on the window's waiting thread. Answers
// what change answered, or true when it was handed on.
bool ChangeWindowWithoutWaiting(HWND window, std::function<bool()> change);

// The placements in turn (through the platform seam), without waiting for
// the window: true when the last one was set, or handed on.
bool SetWindowPlacementsWithoutWaiting(HWND window, std::span<const WINDOWPLACEMENT> placements);

// True while changes for the window wait for it to answer.
bool HasWaitingWindowChanges(HWND window) noexcept;
