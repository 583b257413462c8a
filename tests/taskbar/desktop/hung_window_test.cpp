// A window whose thread does not answer: the taskbar button's click, the
// window hotkey, Gather and Restore each return at once, and the window ends
// where they sent it, in their order, once it answers again.
#include "tests/taskbar/desktop/desktop_test_support.h"

#include "app/system_menu_items.h"
#include "resources/resource.h"
#include "display/foreign_window.h"
#include "display/window_movement.h"
#include "taskbar/taskbar_button.h"
#include "taskbar/taskbar_control.h"
#include "testing/support/tray_fixture.h"
#include "tests/app/movement/movement_test_support.h"
#include <atomic>
#include <algorithm>
#include <memory>
#include <mutex>
#include <span>
#include <thread>

namespace velk::test {
namespace {

constexpr DWORD kHangMs = 5000;

std::mutex g_lock;
std::vector<std::pair<HWND, WINDOWPLACEMENT>> g_placements;
BOOL WINAPI RecordingSetWindowPlacement(HWND window, const WINDOWPLACEMENT* placement) {
    {
        std::lock_guard<std::mutex> hold(g_lock);
        g_placements.emplace_back(window, *placement);
    }
    return RealPlatform().SetWindowPlacement(window, placement);
}
std::vector<WINDOWPLACEMENT> PlacementsOf(HWND window) {
    std::lock_guard<std::mutex> hold(g_lock);
    std::vector<WINDOWPLACEMENT> of;
    for (const auto& call : g_placements)
        if (call.first == window) of.push_back(call.second);
    return of;
}

// A window on a thread of its own that answers no message for kHangMs after
// it was made, then runs its messages until the object goes.
class HungWindow {
public:
    explicit HungWindow(RECT rect) {
        thread_ = std::thread([this, rect] {
            window_ = ::CreateWindowExW(0, TestWindowClass(), L"Hung window", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                        rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, nullptr,
                                        nullptr, ::GetModuleHandleW(nullptr), nullptr);
            made_ = true;
            ::Sleep(kHangMs);
            answering_ = true;
            MSG msg;
            while (!stop_) {
                while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
                ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            }
            ::DestroyWindow(window_);
        });
        while (!made_) ::Sleep(1);
    }
    ~HungWindow() {
        stop_ = true;
        thread_.join();
    }
    HWND hwnd() const { return window_; }
    bool Answering() const { return answering_; }

private:
    std::thread thread_;
    HWND window_ = nullptr;
    std::atomic<bool> made_{false}, answering_{false}, stop_{false};
};

struct HungWindowTest : MovementTest {
    void SetUp() override {
        MovementTest::SetUp();
        ui.Create();
        g_placements.clear();
        Platform().SetWindowPlacement = RecordingSetWindowPlacement;
    }
    // Runs fn and answers how long it took.
    template <class Fn>
    DWORD Took(Fn fn) {
        const DWORD start = ::GetTickCount();
        fn();
        return ::GetTickCount() - start;
    }
    PageHost ui;
};

TEST_F(HungWindowTest, ClickHotkeyGatherAndRestoreReturnAtOnceAndTheWindowEndsWhereTheyPutIt) {
    UseDisplays({{1, {0, 0, 1024, 768}}, {2, {1024, 0, 2048, 768}}});
    const RECT onTwo{1100, 100, 1500, 400};
    HungWindow hung(onTwo);
    HWND w = hung.hwnd();
    ASSERT_NE(w, nullptr);
    topology.PlaceWindow(w, onTwo);
    EXPECT_FALSE(WindowAnswers(w));

    // Gather takes it to display 1, Restore puts it back.
    EXPECT_LT(Took([&] { ui.Click(IDC_APP_GATHER); }), 1000u);
    EXPECT_LT(Took([&] { ui.Click(IDC_APP_RESTORE_WINDOWS); }), 1000u);
    // Its button, while it counts as active: minimised.
    CTaskBarButton button;
    button.Serial = 3;
    ASSERT_TRUE(button.Create(L"B1", 0x5000004B, TaskButtonRect(0, 1024, 29), ui.host.GetSafeHwnd(), 4134));
    button.Target = w;
    TaskButtonStateTable[3].Active = 1;
    EXPECT_LT(Took([&] { ::SendMessageW(button.GetSafeHwnd(), UM_TASKBUTTONCLICK, 3, 0); }), 1000u);
    // The hotkey for display 1 with the window in front.
    foreground = w;
    EXPECT_LT(Took([&] { OnHotKey(state, ui.host.GetSafeHwnd(), 258, 0); }), 1000u);
    EXPECT_FALSE(hung.Answering()) << "every step came back before the window answered";
    EXPECT_TRUE(HasWaitingWindowChanges(w));

    // Once it answers: only the newest change, which built on the ones
    // before it (minimised by the click, then sent to display 1).
    ASSERT_TRUE(WaitUntil(kHangMs + 20000, [&] { return !HasWaitingWindowChanges(w); }));
    const std::vector<WINDOWPLACEMENT> calls = PlacementsOf(w);
    ASSERT_EQ(calls.size(), 1u);
    const RECT onOne{76, 100, 476, 400};
    EXPECT_TRUE(::EqualRect(&calls[0].rcNormalPosition, &onOne));
    EXPECT_EQ(calls[0].showCmd, UINT(SW_MINIMIZE));
    WINDOWPLACEMENT now{};
    now.length = sizeof(now);
    ::GetWindowPlacement(w, &now);
    EXPECT_TRUE(::EqualRect(&now.rcNormalPosition, &onOne));
    button.DestroyWindowNow();
}

TEST_F(HungWindowTest, TwoNextPressesEndTwoDisplaysOnOnceTheWindowAnswers) {
    UseDisplays({{1, {0, 0, 1024, 768}}, {2, {1024, 0, 2048, 768}}, {3, {2048, 0, 3072, 768}}});
    const RECT onOne{100, 100, 500, 400};
    HungWindow hung(onOne);
    HWND w = hung.hwnd();
    ASSERT_NE(w, nullptr);
    topology.PlaceWindow(w, onOne);
    foreground = w;
    state.ResizeMode = 0;
    EXPECT_LT(Took([&] { OnHotKey(state, ui.host.GetSafeHwnd(), 256, 0); }), 1000u);
    EXPECT_EQ(DisplayNumberOfWindow(w), 2u) << "our own reads see where the waiting move leaves it";
    EXPECT_LT(Took([&] { OnHotKey(state, ui.host.GetSafeHwnd(), 256, 0); }), 1000u);
    EXPECT_EQ(DisplayNumberOfWindow(w), 3u);
    EXPECT_FALSE(hung.Answering());

    ASSERT_TRUE(WaitUntil(kHangMs + 20000, [&] { return !HasWaitingWindowChanges(w); }));
    const std::vector<WINDOWPLACEMENT> calls = PlacementsOf(w);
    ASSERT_EQ(calls.size(), 1u) << "a window that did not answer gets the newest move only";
    const RECT onThree{2148, 100, 2548, 400};
    EXPECT_TRUE(::EqualRect(&calls[0].rcNormalPosition, &onThree))
        << calls[0].rcNormalPosition.left << "," << calls[0].rcNormalPosition.top;
    EXPECT_EQ(WindowWorkerCount(), 0u);
}

TEST_F(HungWindowTest, WorkersStayBoundedWithManyHungWindowsAndAllEnd) {
    constexpr int kWindows = 10;
    std::vector<std::unique_ptr<HungWindow>> hung;
    for (int i = 0; i < kWindows; ++i) hung.push_back(std::make_unique<HungWindow>(RECT{10 * i, 10, 10 * i + 300, 300}));
    // Two changes for each: only the second is ever made.
    const auto placementAt = [](LONG left, UINT show) {
        WINDOWPLACEMENT p{};
        p.length = sizeof(p);
        p.showCmd = show;
        p.rcNormalPosition = RECT{left, 20, left + 300, 320};
        return p;
    };
    for (int i = 0; i < kWindows; ++i) {
        const WINDOWPLACEMENT first = placementAt(5, SW_SHOWNORMAL), second = placementAt(40 + i, SW_SHOWNORMAL);
        EXPECT_TRUE(SetWindowPlacementsWithoutWaiting(hung[i]->hwnd(), std::span(&first, 1)));
        EXPECT_TRUE(SetWindowPlacementsWithoutWaiting(hung[i]->hwnd(), std::span(&second, 1)));
        EXPECT_LE(WindowWorkerCount(), kMaxWindowWorkers);
    }
    EXPECT_EQ(WindowWorkerCount(), kMaxWindowWorkers);
    size_t most = 0;
    ASSERT_TRUE(WaitUntil(kHangMs + 30000, [&] {
        most = std::max(most, WindowWorkerCount());
        for (const auto& h : hung)
            if (HasWaitingWindowChanges(h->hwnd())) return false;
        return WindowWorkerCount() == 0;
    }));
    EXPECT_LE(most, kMaxWindowWorkers);
    for (int i = 0; i < kWindows; ++i) {
        const std::vector<WINDOWPLACEMENT> calls = PlacementsOf(hung[i]->hwnd());
        ASSERT_EQ(calls.size(), 1u) << "window " << i;
        EXPECT_EQ(calls[0].rcNormalPosition.left, 40 + i);
    }
}

}  // namespace
}  // namespace velk::test
