// The display watch thread: a change under the display enumeration key
// reaches the window as UM_DISPLAYCHANGED, and shut-down ends the thread
// promptly.
#include "app/display_watch.h"
#include "display/program_messages.h"
#include "testing/harness.h"
#include "testing/support/tray_fixture.h"
#include <gtest/gtest.h>
#include <algorithm>

using namespace velk;
using namespace velk::test;

namespace {

constexpr wchar_t kTestKey[] = L"SYSTEM\\CurrentControlSet\\Enum\\DISPLAY\\VelkWatchTest";

// Pumps this thread's messages until UM_DISPLAYCHANGED arrives for window;
// calls poke between rounds.
bool WaitForDisplayChanged(HWND window, DWORD timeoutMs, const std::function<void()>& poke, MSG* got) {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < timeoutMs) {
        poke();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, window, 0, 0, PM_REMOVE)) {
            if (msg.message == UM_DISPLAYCHANGED) {
                *got = msg;
                return true;
            }
        }
    }
    return false;
}

struct DisplayWatch : ::testing::Test {
    void SetUp() override {
        window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        StopDisplayWatch();
        DeleteTree(HKEY_LOCAL_MACHINE, kTestKey);
        ::DestroyWindow(window);
    }
    HWND window = nullptr;
    DWORD serial = 0;
    void Poke() { SetDword(HKEY_LOCAL_MACHINE, kTestKey, L"Serial", ++serial); }
};

TEST_F(DisplayWatch, ChangeUnderTheKeyPostsDisplayChanged) {
    ASSERT_TRUE(StartDisplayWatch(window));
    EXPECT_TRUE(IsDisplayWatchStarted());
    MSG msg{};
    ASSERT_TRUE(WaitForDisplayChanged(window, 10000, [&] { Poke(); }, &msg));
    EXPECT_EQ(msg.wParam, 1u);
    EXPECT_EQ(msg.lParam, 0);
}

TEST_F(DisplayWatch, StopEndsTheThreadAtOnceAndAllowsARestart) {
    ASSERT_TRUE(StartDisplayWatch(window));
    ASSERT_TRUE(WaitUntil(5000, [] { return WatchEvent.load() != nullptr; }));
    DWORD start = ::GetTickCount();
    StopDisplayWatch();
    EXPECT_LT(::GetTickCount() - start, 2000u);
    EXPECT_FALSE(IsDisplayWatchStarted());
    EXPECT_EQ(WatchRunning.load(), 0);
    EXPECT_EQ(WatchEvent.load(), nullptr);  // closed once the thread had ended
    EXPECT_EQ(WatchStopEvent.load(), nullptr);

    // The woken thread posts one last report; drain it, then watch again.
    MSG msg;
    while (::PeekMessageW(&msg, window, 0, 0, PM_REMOVE)) {
    }
    ASSERT_TRUE(StartDisplayWatch(window));
    EXPECT_EQ(WatchRunning.load(), 1);
    EXPECT_TRUE(WaitForDisplayChanged(window, 10000, [&] { Poke(); }, &msg));
}

TEST_F(DisplayWatch, AStopRightAfterAKeyChangeIsNeverLost) {
    // The change wakes the thread, which registers again; the stop lands
    // anywhere in between, also just before the new registration.
    DWORD slowest = 0;
    for (int round = 0; round < 40; ++round) {
        ASSERT_TRUE(StartDisplayWatch(window));
        ASSERT_TRUE(WaitUntil(5000, [] { return WatchEvent.load() != nullptr; }));
        ::Sleep(static_cast<DWORD>(round % 4));
        Poke();
        ::Sleep(static_cast<DWORD>(round % 3));
        const DWORD start = ::GetTickCount();
        StopDisplayWatch();
        slowest = std::max(slowest, ::GetTickCount() - start);
        EXPECT_FALSE(IsDisplayWatchStarted());
        EXPECT_EQ(WatchEvent.load(), nullptr) << "the thread has not ended, round " << round;
    }
    EXPECT_LT(slowest, 1000u);
    MSG msg;
    while (::PeekMessageW(&msg, window, 0, 0, PM_REMOVE)) {
    }
}

TEST_F(DisplayWatch, StopWithoutAThreadDoesNothing) {
    StopDisplayWatch();
    EXPECT_FALSE(IsDisplayWatchStarted());
}

}  // namespace
