// How a test drives the desktop_sim program: messages sent to its top-level
// window ("Progman", "Program Manager", or the class given with --class).
#pragma once
#include <windows.h>

namespace velk::test::desktop_sim {

// Answers 1 once the icons are in place.
inline constexpr UINT kReady = WM_APP + 0;
// wParam: item index. Answers MAKELRESULT(x, y) read in the program's own
// process, or -1 when the item does not exist.
inline constexpr UINT kGetPosition = WM_APP + 1;
// wParam: item index, lParam: MAKELPARAM(x, y). Answers 1 when moved.
inline constexpr UINT kSetPosition = WM_APP + 2;
// wParam: after this many more LVM_GETITEMPOSITION requests from outside,
// lParam: keep only this many items (the rest are deleted).
inline constexpr UINT kShrinkAfterReads = WM_APP + 3;
// Answers how many LVM_SETITEMPOSITION requests came from outside since the
// last time it was asked.
inline constexpr UINT kTakeSetPositionCount = WM_APP + 4;
// wParam: after this many more LVM_GETITEMPOSITION requests from outside,
// the list view stops answering for lParam ms inside the next one (the
// request in hand times out at the sender). Answers 1.
inline constexpr UINT kStallAfterReads = WM_APP + 5;
// Posted: the program stops answering for wParam ms as soon as it takes
// the message.
inline constexpr UINT kStallNow = WM_APP + 6;
// Answers how many stalls have begun since the last time it was asked.
inline constexpr UINT kTakeStallCount = WM_APP + 7;
// WM_COPYDATA with this dwData: adds an icon whose text is the UTF-16 data
// (no terminator needed); answers its index.
inline constexpr ULONG_PTR kAddIcon = 1;

// Where the program puts icon i after the list view's first paint.
inline POINT InitialPosition(int i) { return POINT{20 + 100 * (i % 8), 20 + 90 * (i / 8)}; }

}  // namespace velk::test::desktop_sim
