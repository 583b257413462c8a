// The show: which displays get windows, in which order, how they look, how
// long the thread waits, and that nothing of it is left afterwards.
#include "tests/display/overlay/overlay_test_support.h"

#include <memory>
#include <optional>
#include <tuple>

namespace velk::test {
namespace {

UINT_PTR g_lastRealTimer = 0;
UINT_PTR WINAPI RealTimerNoted(HWND hwnd, UINT_PTR id, UINT ms, TIMERPROC proc) {
    return g_lastRealTimer = RealPlatform().SetTimer(hwnd, id, ms, proc);
}

std::tuple<LONG, LONG, LONG, LONG> Corners(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

bool HasUpdate(HWND hwnd) {
    RECT r{};
    return ::GetUpdateRect(hwnd, &r, FALSE) != FALSE;
}

// Rectangles of the frames shown at the per-display waits, in order.
std::vector<std::tuple<LONG, LONG, LONG, LONG>> FrameRects(const std::vector<RecordedWait>& waits) {
    std::vector<std::tuple<LONG, LONG, LONG, LONG>> rects;
    for (const auto& wait : waits)
        for (const auto& w : wait.windows)
            if (w.title == L"Frame") rects.push_back(Corners(w.rect));
    return rects;
}

TEST_F(OverlayTest, EachDisplayGetsAFrameAndATextWindowInNumberOrder) {
    TestOwnerWindow owner;
    ASSERT_NE(owner.hwnd(), nullptr);
    SetSlot(0, 2, {1024, 0, 2304, 1024});
    SetSlot(1, 1, {0, 0, 1024, 768});
    SetSlot(2, 3, {-800, -600, 0, 0});

    EXPECT_EQ(Identify(owner.hwnd()), 1);

    EXPECT_EQ(WaitTimes(), (std::vector<DWORD>{750, 750, 750, 3000}));
    const RECT expected[] = {{0, 0, 1024, 768}, {1024, 0, 2304, 1024}, {-800, -600, 0, 0}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const RecordedWait& wait = waits[static_cast<size_t>(i)];
        EXPECT_TRUE(wait.threadTimer);
        ASSERT_EQ(wait.windows.size(), 2u);  // one display at a time
        const OverlayWindow& frame = wait.windows[0];
        const OverlayWindow& text = wait.windows[1];
        EXPECT_EQ(frame.title, L"Frame");
        EXPECT_EQ(text.title, L"Text");
        EXPECT_EQ(Corners(frame.rect), Corners(expected[i]));
        EXPECT_EQ(Corners(text.rect), Corners(expected[i]));

        // The frame: a visible layered popup at alpha 1, owned by the caller's window.
        EXPECT_EQ(frame.style & (WS_POPUP | WS_VISIBLE | WS_CHILD | WS_CAPTION | WS_THICKFRAME),
                  WS_POPUP | WS_VISIBLE);
        EXPECT_EQ(frame.exStyle, WS_EX_LAYERED);
        EXPECT_EQ(frame.owner, owner.hwnd());
        EXPECT_TRUE(frame.layered);
        EXPECT_EQ(frame.layeredFlags, static_cast<DWORD>(LWA_ALPHA));
        EXPECT_EQ(frame.alpha, 1);

        // The text window: layered, click-through, black keyed out, owned by the frame.
        EXPECT_EQ(text.style & (WS_POPUP | WS_VISIBLE | WS_CHILD | WS_CAPTION | WS_THICKFRAME),
                  WS_POPUP | WS_VISIBLE);
        EXPECT_EQ(text.exStyle, WS_EX_LAYERED | WS_EX_TRANSPARENT);
        EXPECT_EQ(text.owner, frame.hwnd);
        EXPECT_TRUE(text.layered);
        EXPECT_EQ(text.layeredFlags, static_cast<DWORD>(LWA_COLORKEY));
        EXPECT_EQ(text.key, RGB(0, 0, 0));

        // Both were painted before the thread went to sleep.
        EXPECT_FALSE(frame.updatePending);
        EXPECT_FALSE(text.updatePending);
    }
    EXPECT_TRUE(waits[3].threadTimer);
    EXPECT_TRUE(waits[3].windows.empty());
    EXPECT_TRUE(OverlayWindowsOfThisThread().empty());
    EXPECT_EQ(::FindWindowW(kOverlayWindowClass, nullptr), nullptr);

    // Their class: style 0, no cursor, brush or icon.
    WNDCLASSW wc{};
    ASSERT_TRUE(::GetClassInfoW(::GetModuleHandleW(nullptr), kOverlayWindowClass, &wc));
    EXPECT_EQ(wc.style, 0u);
    EXPECT_EQ(wc.hCursor, nullptr);
    EXPECT_EQ(wc.hbrBackground, nullptr);
    EXPECT_EQ(wc.hIcon, nullptr);
}

TEST_F(OverlayTest, SharedNumbersShowInSlotOrderAndOnlyNumbersOneToTenShow) {
    SetSlot(4, 1, {0, 0, 640, 480});
    SetSlot(1, 1, {640, 0, 1280, 480});
    SetSlot(2, 11, {0, 480, 640, 960});
    SetSlot(3, 0, {640, 480, 1280, 960});  // an empty slot with a rectangle
    SetSlot(6, 10, {1280, 0, 1920, 480});
    SetSlot(7, 0xFFFFFFFFu, {1280, 480, 1920, 960});
    SetSlot(9, 2, {-640, 0, 0, 480});

    EXPECT_EQ(Identify(nullptr), 1);

    EXPECT_EQ(WaitTimes(), (std::vector<DWORD>{750, 750, 750, 750, 3000}));
    using R = std::tuple<LONG, LONG, LONG, LONG>;
    EXPECT_EQ(FrameRects(waits), (std::vector<R>{R{640, 0, 1280, 480}, R{0, 0, 640, 480}, R{-640, 0, 0, 480},
                                                  R{1280, 0, 1920, 480}}));
    for (const auto& wait : waits) EXPECT_LE(wait.windows.size(), 2u);
    EXPECT_TRUE(OverlayWindowsOfThisThread().empty());
}

TEST_F(OverlayTest, WithoutDisplaysTheShowOnlyWaitsAndRepaints) {
    TestOwnerWindow owner;
    for (bool withTable : {true, false}) {
        SCOPED_TRACE(withTable);
        waits.clear();
        SetCurrentDisplayList(withTable ? &list : nullptr);
        ::UpdateWindow(owner.hwnd());
        ASSERT_FALSE(HasUpdate(owner.hwnd()));
        bool repaintedBeforeWait = true;
        duringWait = [&](RecordedWait&) { repaintedBeforeWait = HasUpdate(owner.hwnd()); };

        EXPECT_EQ(Identify(owner.hwnd()), 1);

        EXPECT_EQ(WaitTimes(), (std::vector<DWORD>{3000}));
        EXPECT_FALSE(repaintedBeforeWait);
        EXPECT_TRUE(HasUpdate(owner.hwnd()));  // every window repaints after the wait
    }
}

TEST_F(OverlayTest, BeforeWindowsSixTheNumbersAreDrawnOnTheScreenAndStayUntilTheRepaint) {
    TestOwnerWindow owner;
    FakeWindowsVersion(5, 1);
    SetSlot(0, 2, {1024, 0, 2048, 768});
    SetSlot(1, 1, {0, 0, 1024, 768});
    ::UpdateWindow(owner.hwnd());
    std::vector<bool> repainted;
    duringWait = [&](RecordedWait&) { repainted.push_back(HasUpdate(owner.hwnd())); };

    EXPECT_EQ(Identify(owner.hwnd()), 1);

    EXPECT_EQ(WaitTimes(), (std::vector<DWORD>{375, 375, 3000}));
    for (const auto& wait : waits) {
        EXPECT_TRUE(wait.threadTimer);
        EXPECT_TRUE(wait.windows.empty());  // no windows: straight onto the screen
    }
    EXPECT_EQ(repainted, (std::vector<bool>{false, false, false}));
    EXPECT_TRUE(HasUpdate(owner.hwnd()));
}

TEST_F(OverlayTest, WindowsSixIsTheFirstVersionWithWindows) {
    SetSlot(0, 1, {0, 0, 1024, 768});
    FakeWindowsVersion(6, 0);
    Identify(nullptr);
    FakeWindowsVersion(5, 2);
    Identify(nullptr);
    EXPECT_EQ(WaitTimes(), (std::vector<DWORD>{750, 3000, 375, 3000}));
}

TEST_F(OverlayTest, TheNumberIsPaintedOnTheTextWindowOverABlackFrame) {
    SetSlot(0, 7, {0, 0, 400, 300});
    std::optional<Pixels> textPixels;
    std::optional<Pixels> framePixels;
    duringWait = [&](RecordedWait& wait) {
        if (wait.windows.size() != 2) return;
        HDC text = ::GetDC(wait.windows[1].hwnd);
        textPixels = Pixels::Read(text, 400, 300);
        ::ReleaseDC(wait.windows[1].hwnd, text);
        HDC frame = ::GetDC(wait.windows[0].hwnd);
        framePixels = Pixels::Read(frame, 400, 300);
        ::ReleaseDC(wait.windows[0].hwnd, frame);
    };

    Identify(nullptr);

    ASSERT_TRUE(textPixels && framePixels);
    EXPECT_EQ(framePixels->Count(RGB(0, 0, 0)), 400 * 300);
    EXPECT_GT(textPixels->Count(kNumber), 1000);
    EXPECT_GT(textPixels->Count(kShadow), 100);
    EXPECT_EQ(textPixels->At(0, 0), kKey);
    EXPECT_EQ(textPixels->At(399, 299), kKey);
    EXPECT_EQ(textPixels->At(0, 299), kKey);
    EXPECT_GT(textPixels->Count(kKey), 400 * 300 / 2);
}

TEST_F(OverlayTest, NothingIsLeftBehind) {
    for (int slot = 0; slot < kDisplaySlots; ++slot)
        SetSlot(slot, static_cast<uint32_t>(slot + 1), {slot * 200, 0, slot * 200 + 200, 150});
    Identify(nullptr);  // first use: classes, font caches
    ForgetWaits();

    const long allocations = LiveAllocations();
    const int gdiSlots = FreeGdiSlots();
    Identify(nullptr);
    const int gdiSlotsAfter = FreeGdiSlots();
    const size_t waitCount = waits.size();
    ForgetWaits();
    const long allocationsAfter = LiveAllocations();

    EXPECT_EQ(waitCount, 11u);
    EXPECT_EQ(gdiSlotsAfter, gdiSlots);
    EXPECT_EQ(allocationsAfter, allocations);  // every frame object deleted with its window
    EXPECT_EQ(::FindWindowW(kOverlayWindowClass, nullptr), nullptr);
}

// When the overlay's class is not ours, no frame can bind: nothing is shown
// and nothing waited for but the end.
TEST_F(OverlayTest, DisplaysWhoseWindowsCannotBeMadeAreSkipped) {
    SetSlot(0, 1, {0, 0, 640, 480});
    SetSlot(1, 2, {640, 0, 1280, 480});
    Identify(nullptr);  // registers the class, if no test did yet
    ForgetWaits();
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    ASSERT_TRUE(::UnregisterClassW(kOverlayWindowClass, instance));
    WNDCLASSW foreign{};
    foreign.lpfnWndProc = ::DefWindowProcW;
    foreign.hInstance = instance;
    foreign.lpszClassName = kOverlayWindowClass;
    ASSERT_TRUE(::RegisterClassW(&foreign));
    const long allocations = LiveAllocations();

    EXPECT_EQ(Identify(nullptr), 1);

    EXPECT_EQ(WaitTimes(), (std::vector<DWORD>{3000}));
    EXPECT_EQ(::FindWindowW(kOverlayWindowClass, nullptr), nullptr);
    ForgetWaits();
    EXPECT_EQ(LiveAllocations(), allocations);
    ASSERT_TRUE(::UnregisterClassW(kOverlayWindowClass, instance));  // the next show registers its own again
}

// Wine's one display, as the display table's build lists it.
TEST_F(OverlayTest, WinesOwnDisplayIsCoveredOnce) {
    int32_t count = 0;
    uint32_t highest = 0;
    ASSERT_GE(BuildDisplayList(&highest, &count), 1);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info));

    Identify(nullptr);

    EXPECT_EQ(WaitTimes(), (std::vector<DWORD>{750, 3000}));
    EXPECT_EQ(FrameRects(waits), (std::vector<std::tuple<LONG, LONG, LONG, LONG>>{Corners(info.rcMonitor)}));
}


// What happens to a show that runs when, after its first display, a second
// Identify comes, the show is stopped (the main dialog's shut-down), or its
// owner window goes: the first is ignored and the show ends as usual; the
// others end it at once, with nothing left and the screen repainted.
TEST_F(OverlayTest, ASecondIdentifyIsIgnoredAndAStopOrTheOwnersEndEndsTheShow) {
    enum class Event { SecondIdentify, Stop, OwnerDestroyed };
    struct Case {
        Event event;
        std::vector<DWORD> intervals;  // all the show armed
        int framesShown;
    };
    const Case cases[] = {
        {Event::SecondIdentify, {750, 750, 3000}, 2},
        {Event::Stop, {750}, 1},
        {Event::OwnerDestroyed, {750}, 1},
    };
    SetSlot(0, 1, {0, 0, 640, 480});
    SetSlot(1, 2, {640, 0, 1280, 480});
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.event));
        ForgetWaits();
        auto owner = std::make_unique<TestOwnerWindow>();
        int finished = 0;
        ASSERT_EQ(IdentifyDisplays(owner->hwnd(), [&] { ++finished; }), 1);
        ASSERT_TRUE(IsIdentifyingDisplays());
        ASSERT_EQ(OverlayWindowsOfThisThread().size(), 2u);
        ::UpdateWindow(owner->hwnd());
        int secondFinished = 0;
        switch (c.event) {
            case Event::SecondIdentify:
                EXPECT_EQ(IdentifyDisplays(owner->hwnd(), [&] { ++secondFinished; }), 0);
                EXPECT_EQ(OverlayWindowsOfThisThread().size(), 2u);
                break;
            case Event::Stop:
                StopIdentifyDisplays();
                EXPECT_TRUE(HasUpdate(owner->hwnd())) << "the screen repaints at once";
                break;
            case Event::OwnerDestroyed:
                owner.reset();
                break;
        }
        while (FireTimer()) {
        }
        EXPECT_FALSE(IsIdentifyingDisplays());
        EXPECT_EQ(WaitTimes(), c.intervals);
        EXPECT_EQ(static_cast<int>(FrameRects(waits).size()), c.framesShown);
        EXPECT_EQ(finished, 1);
        EXPECT_EQ(secondFinished, 0);
        EXPECT_TRUE(armed.empty());
        EXPECT_TRUE(OverlayWindowsOfThisThread().empty());
    }
}

// With the real timers: the call returns at once with the first display's
// windows up, the thread handles its messages meanwhile, and a stop leaves
// no window and no timer.
TEST_F(OverlayTest, TheShowRunsOnRealTimersWhileTheThreadHandlesMessages) {
    Platform().SetTimer = RealTimerNoted;
    Platform().KillTimer = RealPlatform().KillTimer;
    SetSlot(0, 1, {0, 0, 640, 480});
    TestOwnerWindow owner;
    const DWORD start = ::GetTickCount();
    ASSERT_EQ(IdentifyDisplays(owner.hwnd()), 1);
    EXPECT_LT(::GetTickCount() - start, 500u);
    const UINT_PTR timer = g_lastRealTimer;
    ASSERT_NE(timer, 0u);
    EXPECT_EQ(OverlayWindowsOfThisThread().size(), 2u);
    EXPECT_TRUE(::PostMessageW(owner.hwnd(), WM_NULL, 0, 0));
    MSG msg{};
    int handled = 0;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::DispatchMessageW(&msg);
        ++handled;
    }
    EXPECT_GT(handled, 0);
    EXPECT_TRUE(IsIdentifyingDisplays()) << "750 ms have not passed";

    StopIdentifyDisplays();
    EXPECT_FALSE(::KillTimer(nullptr, timer)) << "the timer went with the show";
    EXPECT_TRUE(OverlayWindowsOfThisThread().empty());
}

}  // namespace
}  // namespace velk::test
