// Hotkeys from end to end: keys injected with SendInput reach the program as a
// process, which moves the foreground window and the mouse pointer. The
// program over two fake displays moves between them; the real Velkmira.exe,
// with Wine's one display, puts the pointer on that display's centre.
#include "tests/app/systemmenu/program_road.h"
#include "testing/support/pump.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <vector>

namespace velk::test::road {
namespace {

constexpr DWORD kInputWaitMs = 15000;  // a loaded machine delivers input late

// Presses the keys in order and lets them go in reverse order.
void Press(const std::vector<WORD>& keys) {
    auto key = [](WORD vk, DWORD up) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.dwFlags = up | ((vk == VK_RIGHT || vk == VK_LEFT) ? KEYEVENTF_EXTENDEDKEY : 0);
        return in;
    };
    std::vector<INPUT> inputs;
    for (WORD k : keys) inputs.push_back(key(k, 0));
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) inputs.push_back(key(*it, KEYEVENTF_KEYUP));
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool PointerReaches(POINT want) {
    return PumpUntil([want] {
        POINT at{};
        return ::GetCursorPos(&at) && at.x == want.x && at.y == want.y;
    }, kInputWaitMs);
}

struct PointerStep {
    std::vector<WORD> keys;
    POINT want;
};

void ExpectPointerSteps(const std::vector<PointerStep>& steps) {
    for (const PointerStep& step : steps) {
        SCOPED_TRACE(testing::Message() << "to (" << step.want.x << "," << step.want.y << ")");
        Press(step.keys);
        POINT at{};
        ::GetCursorPos(&at);
        EXPECT_TRUE(PointerReaches(step.want)) << "the pointer is at (" << at.x << "," << at.y << ")";
    }
}

using HotkeyRoad = ProgramRoad;

// Wine 8 refuses SetWindowPlacement on a window of another process: there the
// move is checked as the placement the program asks for; where the call is
// honoured the window itself must be on display 2.
TEST_F(HotkeyRoad, KeysMoveTheForegroundWindowAndThePointerBetweenTheDisplays) {
    HWND window = ::CreateWindowExW(0, L"STATIC", L"hotkey target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 200,
                                    150, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    ::SetForegroundWindow(window);
    ASSERT_TRUE(PumpUntil([window] { return ::GetForegroundWindow() == window; }, kInputWaitMs));

    Press({VK_SHIFT, VK_MENU, VK_RIGHT});  // the window to the next display
    ASSERT_TRUE(WaitForPlacements(1)) << "the program did not move the foreground window";
    const PlacementReport placed = Placements().front();
    EXPECT_EQ(placed.window, reinterpret_cast<UINT64>(window));
    const RECT& r = placed.placement.rcNormalPosition;
    EXPECT_EQ(r.left, 552);
    EXPECT_EQ(r.top, 40);
    EXPECT_EQ(r.right, 752);
    EXPECT_EQ(r.bottom, 190);
    if (placed.answer) {
        EXPECT_TRUE(PumpUntil([window] {
            RECT now{};
            return ::GetWindowRect(window, &now) && now.left == 552 && now.top == 40;
        }, kInputWaitMs));
    }

    // The pointer: to display 2, next wraps to display 1, previous wraps back.
    ::SetCursorPos(10, 10);
    ExpectPointerSteps({
        {{VK_SHIFT, VK_CONTROL, '2'}, {768, 384}},
        {{VK_SHIFT, VK_CONTROL, VK_RIGHT}, {256, 384}},
        {{VK_SHIFT, VK_CONTROL, VK_LEFT}, {768, 384}},
        {{VK_SHIFT, VK_CONTROL, '1'}, {256, 384}},
    });
    ::DestroyWindow(window);
}

class RealProgramHotkeys : public ProgramRoad {
protected:
    void SetUp() override {
        programName = L"Velkmira.exe";
        ProgramRoad::SetUp();
    }
};

TEST_F(RealProgramHotkeys, PointerKeysPutThePointerOnTheDisplaysCentre) {
    ::SetCursorPos(10, 10);
    ExpectPointerSteps({{{VK_SHIFT, VK_CONTROL, '1'}, {512, 384}}});
    ::SetCursorPos(1000, 700);
    ExpectPointerSteps({{{VK_SHIFT, VK_CONTROL, VK_RIGHT}, {512, 384}}});  // next from the only display is itself
}

}  // namespace
}  // namespace velk::test::road
