// The tracked-window table over real windows of the test process, with two
// fake displays behind the seam.
#include "taskbar/app_setting_page.h"
#include "tests/display/model/display_test_support.h"
#include "tests/taskbar/bar/taskbar_test_support.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velk::test {
namespace {

const RECT kOnPrimary{100, 100, 500, 400};
const RECT kOnSecond{1200, 100, 1600, 400};

class TrackedWindows : public DisplayModelTest {
protected:
    void SetUp() override {
        DisplayModelTest::SetUp();
        UseWindows(6, 0);
        topology.Add(ActiveDisplay(1, {0, 0, 1024, 768}, true));
        topology.Add(ActiveDisplay(2, {1024, 0, 2304, 1024}));
        ASSERT_EQ(Build(), 2);
    }
    void TearDown() override {
        for (HWND w : windows) ::DestroyWindow(w);
        DisplayModelTest::TearDown();
    }
    HWND Make(const std::wstring& title, RECT rect = kOnPrimary, DWORD exStyle = 0, HWND owner = nullptr,
              bool visible = true) {
        windows.push_back(MakeWindow(title.c_str(), rect, exStyle, owner, visible));
        EXPECT_NE(windows.back(), nullptr);
        return windows.back();
    }

    CAppSettingProp page;
    std::vector<HWND> windows;
};

TEST_F(TrackedWindows, OnlyWindowsAUserExpectsOnATaskbarAreTrackedWithTheirDisplay) {
    HWND plain = Make(L"Plain", kOnSecond);
    HWND owner = Make(L"Owner");
    const struct {
        const char* what;
        HWND window;
        bool tracked;
    } cases[] = {
        {"plain window", plain, true},
        {"owner", owner, true},
        {"tool window", Make(L"Tool", kOnPrimary, WS_EX_TOOLWINDOW), false},
        {"owned dialog", Make(L"Owned", kOnPrimary, 0, owner), false},
        {"owned dialog asking for a taskbar button", Make(L"Owned app", kOnPrimary, WS_EX_APPWINDOW, owner), true},
        {"invisible", Make(L"Hidden", kOnPrimary, 0, nullptr, false), false},
        {"untitled", Make(L""), false},
        {"Program Manager in mixed case", Make(L"pROGRAM mANAGER"), false},
        {"the extra taskbar's title in capitals", Make(L"VELKDORVIXTASKBAR", kOnSecond), false},
        {"a title longer than the buffer", Make(std::wstring(300, L'x')), true},
    };
    TrackedWindowTable[0] = TrackedWindow{plain, 2, 1};  // a mark from an earlier sync
    page.RefreshWindowTable();
    for (const auto& c : cases) EXPECT_EQ(FindTrackedWindow(c.window) != nullptr, c.tracked) << c.what;
    EXPECT_EQ(FindTrackedWindow(plain)->DisplayNumber, 2);
    EXPECT_EQ(FindTrackedWindow(owner)->DisplayNumber, 1);
    for (const TrackedWindow& e : TrackedWindowTable) EXPECT_EQ(e.HasButton, 0) << "a rebuild drops the marks";

    // Off every display, or on a slot numbered 0: display 1. Gone: untracked.
    ::SetWindowPos(plain, nullptr, 9000, 9000, 100, 100, SWP_NOZORDER | SWP_NOACTIVATE);
    page.RefreshWindowTable();
    EXPECT_EQ(FindTrackedWindow(plain)->DisplayNumber, 1);
    ::SetWindowPos(plain, nullptr, 1200, 100, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    list.Records[1].SystemsDispNumber = 0;
    page.RefreshWindowTable();
    EXPECT_EQ(FindTrackedWindow(plain)->DisplayNumber, 1);
    ::DestroyWindow(plain);
    page.RefreshWindowTable();
    EXPECT_EQ(FindTrackedWindow(plain), nullptr);
}

TEST_F(TrackedWindows, AtMost256WindowsTopOfTheZOrderFirst) {
    for (int i = 0; i < 300; ++i) Make(L"Many " + std::to_wstring(i));
    page.RefreshWindowTable();
    // New windows go to the top: the 256 newest fill the table, newest first.
    for (int i = 0; i < kTrackedWindowCount; ++i) ASSERT_EQ(TrackedWindowTable[i].Window, windows[299 - i]) << i;
    for (int i = 0; i < 44; ++i) EXPECT_EQ(FindTrackedWindow(windows[i]), nullptr) << i;
}

}  // namespace
}  // namespace velk::test
