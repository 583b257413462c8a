// The tracked-window table over real windows of the test process, with two
// fake displays behind the seam.
#include "display/display_list.h"
#include "taskbar/app_setting_page.h"
#include "taskbar/tracked_windows.h"
#include "tests/display/display_test_support.h"
#include "tests/taskbar/taskbar_test_support.h"
#include <gtest/gtest.h>
#include <memory>
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
        ClearTrackedWindowTable();
        DisplayModelTest::TearDown();
    }
    HWND Make(const wchar_t* title, RECT rect = kOnPrimary, DWORD exStyle = 0, HWND owner = nullptr,
              bool visible = true) {
        HWND w = MakeWindow(title, rect, exStyle, owner, visible);
        EXPECT_NE(w, nullptr);
        windows.push_back(w);
        return w;
    }
    static const TrackedWindow* Entry(HWND w) { return FindTrackedWindow(w); }

    std::unique_ptr<CAppSettingProp> page = std::make_unique<CAppSettingProp>();
    std::vector<HWND> windows;
};

TEST_F(TrackedWindows, OnlyWindowsAUserExpectsOnATaskbarAreTrackedWithTheirDisplay) {
    HWND plain = Make(L"Plain", kOnSecond);
    HWND owner = Make(L"Owner");
    struct Case {
        const char* what;
        HWND window;
        bool tracked;
    } cases[] = {
        {"plain window on display 2", plain, true},
        {"owner window", owner, true},
        {"tool window", Make(L"Tool", kOnPrimary, WS_EX_TOOLWINDOW), false},
        {"owned dialog", Make(L"Owned", kOnPrimary, 0, owner), false},
        {"owned dialog that asks for a taskbar button", Make(L"Owned app", kOnPrimary, WS_EX_APPWINDOW, owner), true},
        {"invisible window", Make(L"Hidden", kOnPrimary, 0, nullptr, false), false},
        {"untitled window", Make(L"", kOnPrimary), false},
        {"Program Manager in mixed case", Make(L"pROGRAM mANAGER"), false},
        {"the extra taskbar's title in capitals", Make(L"VELKDORVIXTASKBAR", kOnSecond), false},
        {"a title longer than the buffer", Make(std::wstring(300, L'x').c_str()), true},
    };
    // Marks of an earlier sync do not survive a rebuild.
    TrackedWindowTable[0] = TrackedWindow{plain, 2, 1};
    page->RefreshWindowTable();
    for (const Case& c : cases) EXPECT_EQ(Entry(c.window) != nullptr, c.tracked) << c.what;

    ASSERT_NE(Entry(plain), nullptr);
    EXPECT_EQ(Entry(plain)->DisplayNumber, 2);
    EXPECT_EQ(Entry(owner)->DisplayNumber, 1);
    for (const TrackedWindow& e : TrackedWindowTable) EXPECT_EQ(e.HasButton, 0);

    // Off every display, or on a display whose slot carries number 0: display 1.
    ::SetWindowPos(plain, nullptr, 9000, 9000, 100, 100, SWP_NOZORDER | SWP_NOACTIVATE);
    page->RefreshWindowTable();
    EXPECT_EQ(Entry(plain)->DisplayNumber, 1);
    ::SetWindowPos(plain, nullptr, 1200, 100, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    list.Records[1].SystemsDispNumber = 0;
    page->RefreshWindowTable();
    EXPECT_EQ(Entry(plain)->DisplayNumber, 1);

    // A window that is destroyed leaves the table at the next rebuild.
    ::DestroyWindow(plain);
    page->RefreshWindowTable();
    EXPECT_EQ(Entry(plain), nullptr);
}

TEST_F(TrackedWindows, AtMost256WindowsTopOfTheZOrderFirst) {
    std::vector<HWND> made;
    for (int i = 0; i < 300; ++i) made.push_back(Make((L"Many " + std::to_wstring(i)).c_str()));
    page->RefreshWindowTable();

    // New windows go to the top of the z-order: the newest are first, and the
    // 44 oldest find no entry.
    int ours = 0;
    for (const TrackedWindow& e : TrackedWindowTable) {
        ASSERT_NE(e.Window, nullptr) << "the table is not full";
        if (ours < 256 && e.Window == made[299 - ours]) ++ours;
    }
    EXPECT_EQ(ours, 256);
    for (int i = 0; i < 44; ++i) EXPECT_EQ(Entry(made[i]), nullptr) << i;
}

}  // namespace
}  // namespace velk::test
