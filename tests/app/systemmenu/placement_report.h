// What the two-display program (two_display_program.cpp) tells a test: each
// window placement it sets through the platform seam, with the answer of
// the real call, sent as WM_COPYDATA to the window named in its environment.
#pragma once
#include <windows.h>

namespace velk::test::road {

// Environment variable holding the report window, in hex.
inline constexpr wchar_t kReportWindowVariable[] = L"VELK_PLACEMENT_REPORT";
// WM_COPYDATA dwData of a placement report.
inline constexpr ULONG_PTR kPlacementReport = 0x91AC;

struct PlacementReport {
    UINT64 window;              // the window placed
    WINDOWPLACEMENT placement;  // as the program asked for it
    BOOL answer;                // SetWindowPlacement's answer
};

// The program's two displays side by side on Wine's one 1024x768 display.
inline constexpr RECT kLeftDisplay{0, 0, 512, 768};
inline constexpr RECT kRightDisplay{512, 0, 1024, 768};

// The name under which the hook library registers the "next display" command.
inline constexpr wchar_t kNextCommandName[] = L"{F6E83FEA-7052-4692-A022-352F7569FFEA}";

}  // namespace velk::test::road
