// Shared fixture of the window-movement and hotkey tests: a display table
// filled from a fake topology behind the seam, the pointer and foreground
// window faked, and real top-level windows of this process to move.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_dialog_state.h"
#include "display/window_movement.h"
#include "display/display_list.h"
#include "testing/harness.h"
#include "testing/support/fake_topology.h"

namespace velk::test {

// A display for the table: its number (1..10) and desktop rectangle.
struct TestDisplay {
    uint32_t number;
    RECT rect;
};

class MovementTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Puts the displays into the fake topology and into slots 0.. of the
    // table in the order given; Count is the number of displays unless given.
    void UseDisplays(const std::vector<TestDisplay>& displays, int count = -1);

    // A visible, resizable top-level window of this process at rect.
    HWND MakeWindow(RECT rect, DWORD style = WS_OVERLAPPEDWINDOW, DWORD exStyle = 0);
    static RECT NormalRect(HWND window);
    static UINT ShowCmd(HWND window);

    PlatformOverride platform;
    FakeTopology topology;
    DisplayList list{};
    MainDialogState state{};
    velk::PlatformApi savedPlatform{};
    uint32_t savedHighest = 0;
    uint32_t savedLowest = 0;
    std::vector<HWND> windows;

public:
    // The fake pointer, the SetCursorPos calls and the fake foreground window.
    static POINT pointer;
    static int setCursorCalls;
    static HWND foreground;
};

// A window class of the tests' own whose procedure does the default.
const wchar_t* TestWindowClass();

}  // namespace velk::test
