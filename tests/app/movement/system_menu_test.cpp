// System-menu items, window moves and the pointer and window hotkeys over
// fake display topologies, with real windows of this process.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/system_menu_items.h"
#include "display/display_list.h"
#include "tests/app/movement/movement_test_support.h"

namespace velk::test {
namespace {

// Real windows are moved between small fake displays that all lie on Wine's
// one real display, which keeps normal rectangles on itself.
const RECT kDisplay1{0, 0, 320, 240};
const RECT kDisplay2{320, 0, 640, 240};
const RECT kDisplay3{640, 0, 960, 240};
const RECT kWindowOn1{10, 10, 210, 160};
const RECT kWindowOn2{330, 10, 530, 160};

// Recorded placements for the moves between full-size fake displays.
WINDOWPLACEMENT g_placement{};
std::vector<UINT> g_showCmds;
bool g_refuseSet = false;
BOOL WINAPI FakeGetWindowPlacement(HWND, WINDOWPLACEMENT* placement) {
    *placement = g_placement;
    return TRUE;
}
BOOL WINAPI FakeSetWindowPlacement(HWND, const WINDOWPLACEMENT* placement) {
    g_showCmds.push_back(placement->showCmd);
    if (g_refuseSet) return FALSE;
    g_placement = *placement;
    return TRUE;
}

::testing::AssertionResult RectIs(const RECT& actual, const RECT& expected) {
    if (::EqualRect(&actual, &expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << actual.left << ", " << actual.top << ", " << actual.right << ", "
                                         << actual.bottom << ")";
}

struct MenuItem {
    UINT id;
    std::wstring text;
};

std::vector<MenuItem> SystemMenuItems(HWND window) {
    std::vector<MenuItem> items;
    HMENU menu = ::GetSystemMenu(window, FALSE);
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[128] = {};
        ::GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        items.push_back({::GetMenuItemID(menu, i), text});
    }
    return items;
}

class SystemMenuTest : public MovementTest {
protected:
    // Our items in the window's system menu: the texts of those whose id is
    // one of the twelve menu command ids, in menu order.
    std::vector<std::wstring> OurItems(HWND window) const {
        std::vector<std::wstring> texts;
        for (const MenuItem& item : SystemMenuItems(window)) {
            for (int i = 0; i < kMenuCommandCount; ++i) {
                if (item.id == state.CommandIds[i]) texts.push_back(item.text);
            }
        }
        return texts;
    }
    void Popup(HWND window) { OnMenuPopupNotify(state, nullptr, 0, reinterpret_cast<LPARAM>(window)); }
    void Closed(HWND window) { OnMenuSelectedNotify(state, nullptr, 0, reinterpret_cast<LPARAM>(window)); }
    void Choose(HWND window, int commandIndex) {
        OnWinMoveNextNotify(state, nullptr, state.CommandIds[commandIndex], reinterpret_cast<LPARAM>(window));
    }
};

using Texts = std::vector<std::wstring>;

TEST_F(SystemMenuTest, OneDisplayOrMoreThanTenGetNoItems) {
    UseDisplays({{1, kDisplay1}});
    HWND w = MakeWindow(kWindowOn1);
    const size_t before = SystemMenuItems(w).size();
    Popup(w);
    EXPECT_EQ(SystemMenuItems(w).size(), before);
    EXPECT_EQ(state.MoveAllowed, 0);

    // A count above ten (a build that met more devices than slots).
    UseDisplays({{1, kDisplay1}, {2, kDisplay2}, {3, kDisplay3}}, 11);
    Popup(w);
    EXPECT_EQ(SystemMenuItems(w).size(), before);
    EXPECT_EQ(state.MoveAllowed, 0);
}

TEST_F(SystemMenuTest, TwoDisplaysOfferOnlyTheOtherDirection) {
    UseDisplays({{1, kDisplay1}, {2, kDisplay2}});
    HWND on1 = MakeWindow(kWindowOn1);
    HWND on2 = MakeWindow(kWindowOn2);
    Popup(on1);
    EXPECT_EQ(OurItems(on1), (Texts{L"Move Window to Next display"}));
    EXPECT_EQ(state.MoveAllowed, 1);
    Popup(on2);
    EXPECT_EQ(OurItems(on2), (Texts{L"Move Window to previous display"}));
}

TEST_F(SystemMenuTest, ThreeDisplaysOfferNextPreviousAndTheOthers) {
    UseDisplays({{1, kDisplay1}, {2, kDisplay2}, {3, kDisplay3}});
    HWND w = MakeWindow(kWindowOn2);
    const size_t before = SystemMenuItems(w).size();
    Popup(w);
    const Texts expected{L"Move Window to Next display", L"Move Window to previous display", L"Display1", L"Display3"};
    EXPECT_EQ(OurItems(w), expected);
    // Opening the same menu again adds nothing twice.
    Popup(w);
    EXPECT_EQ(OurItems(w), expected);
    // After it closes every one of the twelve ids is gone; the menu's own items stay.
    Closed(w);
    EXPECT_TRUE(OurItems(w).empty());
    EXPECT_EQ(SystemMenuItems(w).size(), before);
    EXPECT_EQ(state.MoveAllowed, 1);  // closing without a choice leaves it
}

TEST_F(SystemMenuTest, BeforeSixOneTheBuildCountChoosesTheItems) {
    // Two active displays and one inactive output: before Windows 6.1 the
    // build counts three devices, and the menu offers what three displays
    // get; from 6.1 on the two displays in the table count.
    const struct {
        DWORD major, minor;
        Texts expected;
    } cases[] = {
        {5, 1, {L"Move Window to Next display", L"Move Window to previous display", L"Display2"}},
        {6, 0, {L"Move Window to Next display", L"Move Window to previous display", L"Display2"}},
        {6, 1, {L"Move Window to Next display"}},
    };
    for (const auto& c : cases) {
        FakeWindowsVersion(c.major, c.minor);
        UseDisplays({{1, kDisplay1}, {2, kDisplay2}}, 3);
        HWND w = MakeWindow(kWindowOn1);
        Popup(w);
        EXPECT_EQ(OurItems(w), c.expected) << c.major << "." << c.minor;
        EXPECT_EQ(state.MoveAllowed, 1);
        state.MoveAllowed = 0;
    }
}

TEST_F(SystemMenuTest, NumberedItemsAboveFourNeedTheHighestNumber) {
    // Displays 1, 2, 3, 5 in slots 0..3: slot 3 (display 5) sits at k = 4 and
    // is offered; nothing for k = 5..10 since no slot is filled there.
    UseDisplays({{1, kDisplay1}, {2, kDisplay2}, {3, kDisplay3}, {5, {960, 0, 1020, 240}}});
    HWND w = MakeWindow(kWindowOn1);
    Popup(w);
    EXPECT_EQ(OurItems(w), (Texts{L"Move Window to Next display", L"Move Window to previous display", L"Display2",
                                  L"Display3", L"Display5"}));
}

TEST_F(SystemMenuTest, SlotsOutOfNumberOrderOfferExactlyTheOtherDisplaysByNumber) {
    // From Windows 6.1 on the numbers come from the monitors: adapters in the
    // order \\.\DISPLAY2, \\.\DISPLAY1 give displays 2 and 1 in slots 0 and 2
    // and a build count of 1.
    FakeWindowsVersion(6, 1);
    topology.Add(ActiveDisplay(2, kDisplay1, true));
    topology.Add(ActiveDisplay(1, kDisplay2));
    std::optional<MonitorEnumKey> key(std::in_place, MonitorEnumKey::ValuesFor(topology));
    uint32_t highest = 0;
    int32_t count = 0;
    BuildDisplayList(&highest, &count);
    ASSERT_EQ(CurrentSlotNumbers(), (std::array<uint32_t, 10>{2, 0, 1, 0, 0, 0, 0, 0, 0, 0}));
    ASSERT_EQ(count, 1);
    HWND onDisplay1 = MakeWindow(kWindowOn2);
    Popup(onDisplay1);
    EXPECT_EQ(OurItems(onDisplay1), (Texts{L"Move Window to Next display"}));
    EXPECT_EQ(state.MoveAllowed, 1);

    // A third adapter: slots hold 2, 3, 1. A window on display 1 is offered 2
    // and 3, in that order, each under its own slot's command.
    topology.Add(ActiveDisplay(3, kDisplay3));
    key.reset();
    key.emplace(MonitorEnumKey::ValuesFor(topology));
    BuildDisplayList(&highest, &count);
    ASSERT_EQ(CurrentSlotNumbers(), (std::array<uint32_t, 10>{2, 3, 1, 0, 0, 0, 0, 0, 0, 0}));
    Closed(onDisplay1);
    Popup(onDisplay1);
    EXPECT_EQ(OurItems(onDisplay1), (Texts{L"Move Window to Next display", L"Move Window to previous display",
                                          L"Display2", L"Display3"}));
    HMENU menu = ::GetSystemMenu(onDisplay1, FALSE);
    EXPECT_NE(::GetMenuState(menu, state.CommandIds[kCommandFirstSlot + 0], MF_BYCOMMAND), UINT(-1));
    EXPECT_NE(::GetMenuState(menu, state.CommandIds[kCommandFirstSlot + 1], MF_BYCOMMAND), UINT(-1));
    EXPECT_EQ(::GetMenuState(menu, state.CommandIds[kCommandFirstSlot + 2], MF_BYCOMMAND), UINT(-1));
    state.ResizeMode = 0;
    Choose(onDisplay1, kCommandFirstSlot + 1);  // "Display3"
    EXPECT_EQ(NormalRect(onDisplay1).left, 650);

    EXPECT_EQ(OtherDisplaySlots(std::array<uint32_t, 10>{0, 7, 0, 3, 5, 0, 0, 0, 0, 1}, 5),
              (std::vector<int>{9, 3, 1}));
}

TEST_F(SystemMenuTest, ChosenItemMovesTheWindowOnce) {
    UseDisplays({{1, kDisplay1}, {2, kDisplay2}, {3, kDisplay3}});
    state.ResizeMode = 0;
    HWND w = MakeWindow(kWindowOn1);
    // No menu opened: the move is not allowed.
    Choose(w, kCommandNext);
    EXPECT_EQ(NormalRect(w).left, 10);

    Popup(w);
    Choose(w, kCommandFirstSlot + 2);  // display in slot 2: display 3
    EXPECT_EQ(NormalRect(w).left, 650);
    EXPECT_EQ(NormalRect(w).right, 850);
    EXPECT_EQ(state.MoveAllowed, 0);
    // A second command without a new menu does nothing.
    Choose(w, kCommandPrevious);
    EXPECT_EQ(NormalRect(w).left, 650);
}

TEST_F(SystemMenuTest, NextAndPreviousWrapAndSkipGaps) {
    UseDisplays({{1, kDisplay1}, {2, kDisplay2}, {4, kDisplay3}});
    state.ResizeMode = 0;
    HWND w = MakeWindow(kWindowOn2);
    state.MoveAllowed = 1;
    Choose(w, kCommandNext);  // 2 -> 4
    EXPECT_EQ(NormalRect(w).left, 650);
    state.MoveAllowed = 1;
    Choose(w, kCommandNext);  // 4 -> 1 (wrap)
    EXPECT_EQ(NormalRect(w).left, 10);
    state.MoveAllowed = 1;
    Choose(w, kCommandPrevious);  // 1 -> 4 (wrap)
    EXPECT_EQ(NormalRect(w).left, 650);
    state.MoveAllowed = 1;
    Choose(w, kCommandPrevious);  // 4 -> 2
    EXPECT_EQ(NormalRect(w).left, 330);
}

TEST_F(SystemMenuTest, ToolHiddenAndDesktopWindowsAreNotMoved) {
    UseDisplays({{1, kDisplay1}, {2, kDisplay2}});
    HWND tool = MakeWindow(kWindowOn1, WS_OVERLAPPEDWINDOW, WS_EX_TOOLWINDOW);
    HWND hidden = MakeWindow(kWindowOn1);
    ::ShowWindow(hidden, SW_HIDE);
    for (HWND w : {tool, hidden}) {
        state.MoveAllowed = 1;
        Choose(w, kCommandNext);
        EXPECT_EQ(NormalRect(w).left, 10);
        EXPECT_EQ(state.MoveAllowed, 1);
    }
    state.MoveAllowed = 1;
    Choose(::GetDesktopWindow(), kCommandNext);
    EXPECT_EQ(state.MoveAllowed, 1);
    // The numbered window hotkeys move any foreground window, tool windows too.
    foreground = tool;
    OnHotKey(state, nullptr, 259, 0);  // display 2
    EXPECT_EQ(NormalRect(tool).left, 330);
    // The next/previous hotkeys keep the filter.
    OnHotKey(state, nullptr, 257, 0);
    EXPECT_EQ(NormalRect(tool).left, 330);
}

class PlacementTest : public SystemMenuTest {
protected:
    void SetUp() override {
        SystemMenuTest::SetUp();
        velk::Platform().GetWindowPlacement = FakeGetWindowPlacement;
        velk::Platform().SetWindowPlacement = FakeSetWindowPlacement;
        g_placement = WINDOWPLACEMENT{};
        g_placement.length = sizeof(g_placement);
        g_placement.showCmd = SW_SHOWNORMAL;
        g_placement.rcNormalPosition = RECT{100, 100, 900, 700};
        g_showCmds.clear();
        g_refuseSet = false;
        UseDisplays({{1, {0, 0, 1920, 1080}}, {2, {1920, 0, 3200, 1024}}});
        state.MoveAllowed = 1;
    }
    static RECT Placed() { return g_placement.rcNormalPosition; }
};

TEST_F(PlacementTest, TranslateKeepsTheSize) {
    HWND w = MakeWindow(kWindowOn1);
    EXPECT_TRUE(MoveWindowToDisplay(state, w, 0, 1, 2));
    EXPECT_EQ(Placed().left, 2020);
    EXPECT_EQ(Placed().top, 100);
    EXPECT_EQ(Placed().right, 2820);
    EXPECT_EQ(Placed().bottom, 700);
    EXPECT_EQ(state.MoveAllowed, 0);
}

TEST_F(PlacementTest, ScaleOfAWindowWithASizingBorder) {
    HWND w = MakeWindow(kWindowOn1);
    EXPECT_TRUE(MoveWindowToDisplay(state, w, 1, 1, 2));
    EXPECT_EQ(Placed().left, 1986);
    EXPECT_EQ(Placed().top, 94);
    EXPECT_EQ(Placed().right, 2520);
    EXPECT_EQ(Placed().bottom, 663);
    // Without a sizing border the resize setting does not scale.
    HWND fixedSize = MakeWindow(kWindowOn1, WS_POPUP | WS_CAPTION | WS_SYSMENU);
    g_placement.rcNormalPosition = RECT{100, 100, 900, 700};
    state.MoveAllowed = 1;
    EXPECT_TRUE(MoveWindowToDisplay(state, fixedSize, 1, 1, 2));
    EXPECT_EQ(Placed().left, 2020);
    EXPECT_EQ(Placed().right, 2820);
}

TEST_F(PlacementTest, MaximisedIsMinimisedThenMaximisedWithTheNewRectangle) {
    HWND w = MakeWindow(kWindowOn1);
    g_placement.showCmd = SW_SHOWMAXIMIZED;
    EXPECT_TRUE(MoveWindowToDisplay(state, w, 0, 1, 2));
    EXPECT_EQ(g_showCmds, (std::vector<UINT>{SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED}));
    EXPECT_EQ(Placed().left, 2020);
    EXPECT_EQ(g_placement.showCmd, static_cast<UINT>(SW_SHOWMAXIMIZED));
}

TEST_F(PlacementTest, TranslatedWindowLandsWhollyOnTheTargetsWorkArea) {
    // A third display beyond the target, and a taskbar on the target.
    UseDisplays({{1, {0, 0, 1920, 1080}}, {2, {1920, 0, 3200, 1024}}, {3, {3200, 0, 4480, 1024}}});
    // The work area of the fake displays at a slot's rectangle (the fixture's
    // first layout lies under this one).
    const auto setWork = [&](int slot, RECT work) {
        const DisplayRecord& r = list.Records[slot];
        const RECT rect{r.left, r.top, r.right, r.bottom};
        for (FakeDisplay& d : topology.displays()) {
            if (::EqualRect(&d.rect, &rect)) d.work = work;
        }
    };
    setWork(1, {1920, 0, 3200, 984});
    HWND w = MakeWindow(kWindowOn1);
    g_placement.showCmd = SW_SHOWMAXIMIZED;
    g_placement.rcNormalPosition = RECT{1100, 400, 1900, 1000};
    state.MoveAllowed = 1;
    EXPECT_TRUE(MoveWindowToDisplay(state, w, 0, 1, 2));
    EXPECT_TRUE(RectIs(Placed(), {2400, 384, 3200, 984}));
    // Maximised again by Windows on the display holding the new rectangle: display 2.
    EXPECT_EQ(g_showCmds, (std::vector<UINT>{SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED}));

    // The normal rectangle is in workspace coordinates: with the primary
    // display's taskbar at the top, (100, 440) there is (100, 480) on the
    // desktop, and the window must end 40 pixels higher than the raw numbers say.
    setWork(0, {0, 40, 1920, 1080});
    setWork(1, {});
    g_placement.showCmd = SW_SHOWNORMAL;
    g_placement.rcNormalPosition = RECT{100, 440, 900, 1040};
    state.MoveAllowed = 1;
    EXPECT_TRUE(MoveWindowToDisplay(state, w, 0, 1, 2));
    EXPECT_TRUE(RectIs(Placed(), {2020, 384, 2820, 984}));
    // A tool window's rectangle is in desktop coordinates.
    HWND tool = MakeWindow(kWindowOn1, WS_OVERLAPPEDWINDOW, WS_EX_TOOLWINDOW);
    g_placement.rcNormalPosition = RECT{100, 480, 900, 1080};
    state.MoveAllowed = 1;
    EXPECT_TRUE(MoveWindowToDisplay(state, tool, 0, 1, 2));
    EXPECT_TRUE(RectIs(Placed(), {2020, 424, 2820, 1024}));
}

TEST_F(PlacementTest, RefusedPlacementKeepsTheGateOpen) {
    HWND w = MakeWindow(kWindowOn1);
    g_refuseSet = true;
    EXPECT_FALSE(MoveWindowToDisplay(state, w, 0, 1, 2));
    EXPECT_EQ(state.MoveAllowed, 1);
}

TEST_F(SystemMenuTest, MoveFailsWithoutTargetAndKeepsTheGate) {
    UseDisplays({{1, kDisplay1}, {2, kDisplay2}});
    HWND w = MakeWindow(kWindowOn1);
    state.MoveAllowed = 1;
    EXPECT_FALSE(MoveWindowToDisplay(state, w, 0, 1, 3));
    EXPECT_FALSE(MoveWindowToDisplay(state, w, 0, 1, 0));
    EXPECT_EQ(state.MoveAllowed, 1);
    EXPECT_EQ(NormalRect(w).left, 10);
    state.MoveAllowed = 0;
    EXPECT_FALSE(MoveWindowToDisplay(state, w, 0, 1, 2));
}

TEST_F(SystemMenuTest, ScaleFromAZeroSizedDisplayDoesNotDivideByZero) {
    UseDisplays({{1, {0, 0, 0, 0}}, {2, kDisplay2}});
    HWND w = MakeWindow(kWindowOn1);
    state.MoveAllowed = 1;
    EXPECT_TRUE(MoveWindowToDisplay(state, w, 1, 1, 2));
    EXPECT_EQ(NormalRect(w).left, 330);
    EXPECT_EQ(NormalRect(w).right, 530);
}

TEST_F(SystemMenuTest, MaximisedWindowEndsMaximisedOnTheTarget) {
    UseDisplays({{1, kDisplay1}, {2, kDisplay2}});
    HWND w = MakeWindow(kWindowOn1);
    ::ShowWindow(w, SW_MAXIMIZE);
    ASSERT_EQ(ShowCmd(w), static_cast<UINT>(SW_SHOWMAXIMIZED));
    state.MoveAllowed = 1;
    EXPECT_TRUE(MoveWindowToDisplay(state, w, 0, 1, 2));
    EXPECT_EQ(ShowCmd(w), static_cast<UINT>(SW_SHOWMAXIMIZED));
    EXPECT_TRUE(::IsZoomed(w));
    EXPECT_EQ(NormalRect(w).left, 330);
    EXPECT_EQ(NormalRect(w).top, 10);

    // A minimised window keeps its state and gets only the new rectangle.
    HWND m = MakeWindow(kWindowOn1);
    ::ShowWindow(m, SW_MINIMIZE);
    state.MoveAllowed = 1;
    EXPECT_TRUE(MoveWindowToDisplay(state, m, 0, 1, 2));
    EXPECT_TRUE(::IsIconic(m));
    EXPECT_EQ(NormalRect(m).left, 330);
}

TEST_F(SystemMenuTest, SpanCommandCoversTheDisplays) {
    // Small displays, so that the span fits the largest size Wine lets a
    // window take on its one real display.
    UseDisplays({{1, {0, 0, 500, 400}}, {2, {500, 0, 1000, 400}}});
    HWND w = MakeWindow({10, 10, 300, 200});
    ::ShowWindow(w, SW_MAXIMIZE);
    Choose(w, kCommandSpan);
    EXPECT_FALSE(::IsZoomed(w));
    RECT r{};
    ::GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 1000);
    EXPECT_EQ(r.bottom, 400);
    EXPECT_EQ(state.MoveAllowed, 0);  // neither needed nor changed
    EXPECT_TRUE(IsPointOnAnyDisplay(1000, 400));
    EXPECT_FALSE(IsPointOnAnyDisplay(1001, 0));
}

TEST_F(SystemMenuTest, PointerHotkeysPutThePointerOnTheDisplayCentre) {
    UseDisplays({{1, {0, 0, 1920, 1080}}, {2, {-1920, 0, 0, 1080}}});
    pointer = POINT{500, 500};
    EXPECT_EQ(MoveMousePointer(271), 1);  // display 2
    EXPECT_EQ(pointer.x, -960);
    EXPECT_EQ(pointer.y, 540);
    // A display that is not attached: the pointer stays.
    EXPECT_EQ(MoveMousePointer(272), 0);
    EXPECT_EQ(MoveMousePointer(279), 0);
    EXPECT_EQ(pointer.x, -960);
    EXPECT_EQ(setCursorCalls, 1);
    // Next from display 2 wraps to display 1, through the hotkey handler.
    OnHotKey(state, nullptr, 268, 0);
    EXPECT_EQ(pointer.x, 960);
    EXPECT_EQ(pointer.y, 540);
    OnHotKey(state, nullptr, 269, 0);
    EXPECT_EQ(pointer.x, -960);
}

TEST_F(SystemMenuTest, PointerStaysForAZeroSizedDisplay) {
    UseDisplays({{1, kDisplay1}, {2, {320, 0, 320, 240}}});
    pointer = POINT{5, 5};
    EXPECT_EQ(MoveMousePointer(271), 0);
    EXPECT_EQ(setCursorCalls, 0);
}

TEST_F(SystemMenuTest, WindowHotkeysMoveTheForegroundWindow) {
    UseDisplays({{1, kDisplay1}, {2, kDisplay2}, {3, kDisplay3}});
    state.ResizeMode = 0;
    // No foreground window: nothing, and the gate stays shut.
    OnHotKey(state, nullptr, 256, 0);
    EXPECT_EQ(state.MoveAllowed, 0);
    HWND w = MakeWindow(kWindowOn1);
    foreground = w;
    OnHotKey(state, nullptr, 256, 0);  // next: 1 -> 2
    EXPECT_EQ(NormalRect(w).left, 330);
    OnHotKey(state, nullptr, 260, 0);  // display 3
    EXPECT_EQ(NormalRect(w).left, 650);
    OnHotKey(state, nullptr, 257, 0);  // previous: 3 -> 2
    EXPECT_EQ(NormalRect(w).left, 330);
    OnHotKey(state, nullptr, 255, 0);  // not ours
    OnHotKey(state, nullptr, 280, 0);
    EXPECT_EQ(NormalRect(w).left, 330);
    EXPECT_EQ(state.MoveAllowed, 0);
}

}  // namespace
}  // namespace velk::test
