// The display lookups over a table built from a fake topology with a display
// left of the primary one.
#include <gtest/gtest.h>

#include "display/display_list.h"
#include "display/display_lookup.h"
#include "tests/display/model/display_test_support.h"

namespace velk::test {
namespace {

const RECT kPrimary{0, 0, 1920, 1080};
const RECT kLeftOfPrimary{-1280, 100, 0, 1124};
const RECT kRightOfPrimary{1920, 0, 3840, 1080};

class DisplayLookup : public DisplayModelTest {
protected:
    void SetUp() override {
        DisplayModelTest::SetUp();
        UseWindows(6, 0);
        topology.Add(ActiveDisplay(1, kPrimary, true));
        topology.Add(ActiveDisplay(2, kLeftOfPrimary));
        topology.Add(ActiveDisplay(3, kRightOfPrimary));
        ASSERT_EQ(Build(), 3);
    }

    // A real window of ours, moved to `rect` in desktop coordinates.
    HWND MakeWindow(RECT rect) {
        HWND w = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"lookup", WS_POPUP, rect.left, rect.top,
                                 rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, nullptr, nullptr);
        EXPECT_NE(w, nullptr);
        window_.reset(w);
        return w;
    }

    UniqueWindow window_;
};

TEST_F(DisplayLookup, RectOfANumber) {
    RECT r{};
    ASSERT_TRUE(GetDisplayRect(2, r));
    EXPECT_EQ(r.left, kLeftOfPrimary.left);
    EXPECT_EQ(r.top, kLeftOfPrimary.top);
    EXPECT_EQ(r.right, kLeftOfPrimary.right);
    EXPECT_EQ(r.bottom, kLeftOfPrimary.bottom);
    ASSERT_TRUE(GetDisplayRect(3, r));
    EXPECT_EQ(r.left, kRightOfPrimary.left);
}

TEST_F(DisplayLookup, RectOfANumberNoSlotCarriesIsRefused) {
    const RECT sentinel{11, 22, 33, 44};
    RECT r = sentinel;
    // 0 would match every empty slot and 11 the slot below if the table were
    // looked at.
    list.Records[5].SystemsDispNumber = 11;
    for (uint32_t number : {0u, 11u, 4u, 10u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(GetDisplayRect(number, r)) << number;
        EXPECT_EQ(std::memcmp(&r, &sentinel, sizeof(r)), 0) << number;
    }
}

TEST_F(DisplayLookup, RectTakesTheLowestSlotWithTheNumber) {
    list.Records[7] = list.Records[1];
    list.Records[7].left = -9999;
    list.Records[0].SystemsDispNumber = 2;
    list.Records[0].left = 5;
    RECT r{};
    ASSERT_TRUE(GetDisplayRect(2, r));
    EXPECT_EQ(r.left, 5);
}

TEST_F(DisplayLookup, PointsGiveTheirDisplayOrThePrimaryOne) {
    EXPECT_EQ(GetSystemNumberFromPoint(POINT{100, 100}), 1u);
    EXPECT_EQ(GetSystemNumberFromPoint(POINT{-1, 500}), 2u);
    EXPECT_EQ(GetSystemNumberFromPoint(POINT{3839, 1079}), 3u);
    // Left of the leftmost display, above the left one, below all.
    EXPECT_EQ(GetSystemNumberFromPoint(POINT{-5000, 500}), 1u);
    EXPECT_EQ(GetSystemNumberFromPoint(POINT{-100, 50}), 1u);
    EXPECT_EQ(GetSystemNumberFromPoint(POINT{3000, 5000}), 1u);
}

TEST_F(DisplayLookup, DesktopPointsCountFromTheVirtualScreenCorner) {
    // The virtual screen starts at (-1280, 0): its corner lies left of the
    // primary display, above the left display's top.
    EXPECT_EQ(GetSystemNumberFromDesktopPoint(POINT{0, 100}), 2u);
    EXPECT_EQ(GetSystemNumberFromDesktopPoint(POINT{0, 0}), 1u);
    EXPECT_EQ(GetSystemNumberFromDesktopPoint(POINT{1280, 0}), 1u);
    EXPECT_EQ(GetSystemNumberFromDesktopPoint(POINT{1280 + 1920, 0}), 3u);

    // With the left display's top at 0 the corner itself lies on it.
    topology.displays()[1].rect = RECT{-1280, 0, 0, 1024};
    Build();
    EXPECT_EQ(GetSystemNumberFromDesktopPoint(POINT{0, 0}), 2u);
}

TEST_F(DisplayLookup, WindowsGiveTheirDisplay) {
    EXPECT_EQ(GetSystemNumberFromWindow(nullptr), 1u);

    HWND left = MakeWindow(RECT{-1000, 200, -400, 600});
    EXPECT_EQ(GetSystemNumberFromWindow(left), 2u);
    // Mostly on display 3.
    SetWindowPos(left, nullptr, 1800, 100, 800, 400, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(GetSystemNumberFromWindow(left), 3u);
    // Off every display.
    SetWindowPos(left, nullptr, 9000, 9000, 100, 100, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(GetSystemNumberFromWindow(left), 1u);

    HWND fake = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x5150));
    topology.PlaceWindow(fake, RECT{2000, 10, 2100, 110});
    EXPECT_EQ(GetSystemNumberFromWindow(fake), 3u);
}

TEST_F(DisplayLookup, SlotNumberedZeroGivesOneForWindowsButZeroForPoints) {
    list.Records[1].SystemsDispNumber = 0;
    HWND fake = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x5151));
    topology.PlaceWindow(fake, RECT{-800, 300, -700, 400});
    EXPECT_EQ(GetSystemNumberFromWindow(fake), 1u);
    EXPECT_EQ(GetSystemNumberFromPoint(POINT{-750, 350}), 0u);
}

TEST_F(DisplayLookup, HigherSlotWinsForTheSameMonitor) {
    list.Records[8] = list.Records[2];
    list.Records[8].SystemsDispNumber = 9;
    HWND fake = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x5152));
    topology.PlaceWindow(fake, RECT{2000, 10, 2100, 110});
    EXPECT_EQ(GetSystemNumberFromPoint(POINT{2000, 10}), 9u);
    EXPECT_EQ(GetSystemNumberFromWindow(fake), 9u);
}

TEST_F(DisplayLookup, EmptyTableAnswersDisplayOneAndNoRect) {
    topology.displays().clear();
    EXPECT_EQ(Build(), 0);
    RECT r{1, 2, 3, 4};
    for (uint32_t n = 1; n <= 10; ++n) EXPECT_FALSE(GetDisplayRect(n, r));
    EXPECT_EQ(r.left, 1);
    // No display: the monitor lookups answer null, which no empty slot may match.
    EXPECT_EQ(GetSystemNumberFromPoint(POINT{0, 0}), 1u);
    EXPECT_EQ(GetSystemNumberFromDesktopPoint(POINT{0, 0}), 1u);
    HWND fake = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x5153));
    EXPECT_EQ(GetSystemNumberFromWindow(fake), 1u);

    // The same with a topology whose monitors are real but unknown to the table.
    topology.Add(ActiveDisplay(1, kPrimary, true));
    EXPECT_EQ(GetSystemNumberFromPoint(POINT{0, 0}), 1u);

    SetCurrentDisplayList(nullptr);
    EXPECT_FALSE(GetDisplayRect(1, r));
    EXPECT_EQ(GetSystemNumberFromPoint(POINT{0, 0}), 1u);
    EXPECT_EQ(GetSystemNumberFromWindow(fake), 1u);
}

}  // namespace
}  // namespace velk::test
