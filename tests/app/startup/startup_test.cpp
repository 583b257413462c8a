// Start-up: the single-instance rule seen from a second start, the running
// program's life, and the error-number message.
#include "app/velkmira_app.h"
#include "display/program_messages.h"
#include "testing/harness.h"
#include "testing/support/pump.h"
#include <gtest/gtest.h>
#include <utility>
#include <vector>

using namespace velk;
using namespace velk::test;

namespace {

// A stand-in for a running instance's main window: it carries the instance
// property and records the tray notifications it receives.
class FakeInstanceWindow {
public:
    FakeInstanceWindow() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = L"VelkFakeInstance";
        ::RegisterClassW(&wc);
        hwnd_ = ::CreateWindowExW(0, L"VelkFakeInstance", L"Velkmira", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr,
                                  nullptr, nullptr, nullptr);
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        ::SetPropW(hwnd_, kInstanceProperty, reinterpret_cast<HANDLE>(1));
    }
    ~FakeInstanceWindow() {
        ::RemovePropW(hwnd_, kInstanceProperty);
        ::DestroyWindow(hwnd_);
    }
    HWND hwnd() const { return hwnd_; }
    std::vector<std::pair<WPARAM, LPARAM>> received;
    bool iconicAtSecond = false;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
        auto* self = reinterpret_cast<FakeInstanceWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && msg == UM_TRAYNOTIFY) {
            self->received.emplace_back(w, l);
            if (self->received.size() == 2) self->iconicAtSecond = ::IsIconic(hwnd) != FALSE;
            return 0;
        }
        return ::DefWindowProcW(hwnd, msg, w, l);
    }
    HWND hwnd_;
};

// Runs a second start while this thread keeps answering sent messages.
DWORD RunSecondStart() {
    ChildProcess second = ChildProcess::Start(L"Velkmira.exe");
    EXPECT_TRUE(second.Started());
    if (PumpUntil([&] { return second.Wait(0); }, 20000)) return second.ExitCode();
    return STILL_ACTIVE;
}

// Holds the single-instance mutex as a running instance would.
class InstanceMutex {
public:
    InstanceMutex() : mutex_(::CreateMutexW(nullptr, TRUE, kInstanceMutexName)) {}
    bool HeldByUs() const { return mutex_ && ::GetLastError() != ERROR_ALREADY_EXISTS; }

private:
    UniqueHandleObj mutex_;
};

TEST(SecondStart, OpensTheRunningInstanceAndEnds) {
    InstanceMutex mutex;
    ASSERT_TRUE(mutex.HeldByUs()) << "another instance is running";
    FakeInstanceWindow running;
    ::ShowWindow(running.hwnd(), SW_MINIMIZE);
    ASSERT_TRUE(::IsIconic(running.hwnd()));

    EXPECT_EQ(RunSecondStart(), 0u);
    ASSERT_EQ(running.received.size(), 2u);
    EXPECT_EQ(running.received[0], std::make_pair(WPARAM(0), LPARAM(WM_LBUTTONDBLCLK)));
    EXPECT_EQ(running.received[1], std::make_pair(WPARAM(256), LPARAM(0)));
    EXPECT_FALSE(running.iconicAtSecond);  // restored between the two
    EXPECT_FALSE(::IsIconic(running.hwnd()));
}

TEST(SecondStart, ErrorWindowMetFirstStopsTheSearch) {
    InstanceMutex mutex;
    ASSERT_TRUE(mutex.HeldByUs());
    FakeInstanceWindow running;
    // Created later, so it is met first in the z-order.
    HWND error = ::CreateWindowExW(0, L"STATIC", kErrorWindowTitle, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   nullptr, nullptr);
    ::SetWindowPos(error, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(RunSecondStart(), 0u);
    EXPECT_TRUE(running.received.empty());
    ::DestroyWindow(error);
}

TEST(SecondStart, OnlyTheExactErrorTitleStopsTheSearch) {
    InstanceMutex mutex;
    ASSERT_TRUE(mutex.HeldByUs());
    FakeInstanceWindow running;
    // Differs only by a soft hyphen, which a locale-aware comparison ignores.
    HWND nearly = ::CreateWindowExW(0, L"STATIC", L"Velkmira\u00ADError", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                    nullptr, nullptr);
    ::SetWindowPos(nearly, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(RunSecondStart(), 0u);
    EXPECT_EQ(running.received.size(), 2u);
    ::DestroyWindow(nearly);
}

TEST(SecondStart, NoMarkedWindowEndsWithoutEffect) {
    InstanceMutex mutex;
    ASSERT_TRUE(mutex.HeldByUs());
    EXPECT_EQ(RunSecondStart(), 0u);
}

// ... and its request is not lost: it is handled once the instance answers.
TEST(SecondStart, AnInstanceThatDoesNotAnswerInTimeDoesNotHoldItUpAndGetsTheRequestLater) {
    InstanceMutex mutex;
    ASSERT_TRUE(mutex.HeldByUs());
    FakeInstanceWindow running;  // this thread handles no message while the second start runs
    const ULONGLONG start = ::GetTickCount64();
    ChildProcess second = ChildProcess::Start(L"Velkmira.exe");
    ASSERT_TRUE(second.Started());
    ASSERT_TRUE(second.Wait(kSecondStartSendTimeoutMs + 7000)) << "the second start still waits";
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_GE(::GetTickCount64() - start, kSecondStartSendTimeoutMs - 200);  // it did wait for an answer
    // Handled now, late: the request the second start could not wait for.
    RunPendingMessages();
    const std::vector<std::pair<WPARAM, LPARAM>> expected{{0, WM_LBUTTONDBLCLK}, {256, 0}};
    EXPECT_EQ(running.received, expected);
}

TEST(Program, RunsAsASingleInstanceThatASecondStartFinds) {
    ResetProfile();
    ChildProcess first = ChildProcess::Start(L"Velkmira.exe");
    ASSERT_TRUE(first.Started());
    HWND main = WaitForWindow(kMainWindowClass, nullptr, 20000, first.Id());
    ASSERT_NE(main, nullptr) << "the main dialog did not appear";
    // The marker comes last in start-up; wait for it.
    for (int i = 0; i < 200 && !::GetPropW(main, kInstanceProperty); ++i) ::Sleep(50);
    EXPECT_NE(::GetPropW(main, kInstanceProperty), nullptr);
    EXPECT_FALSE(::IsWindowVisible(main));

    ChildProcess second = ChildProcess::Start(L"Velkmira.exe");
    ASSERT_TRUE(second.Wait(20000));
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_EQ(first.ExitCode(), DWORD(STILL_ACTIVE));
    EXPECT_TRUE(::IsWindowVisible(main));  // the settings window opened

    ::PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(first.Wait(20000));
    EXPECT_EQ(first.ExitCode(), 0u);
}

TEST(ShowErrorNumber, ShowsTheNumberWithAnExclamation) {
    MessageBoxCatcher catcher(IDOK);
    ShowErrorNumber(1030);
    auto box = catcher.Result();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"An unexpected error occurred. Error Number 1030.");
    EXPECT_EQ(box->icon, IDI_EXCLAMATION);
    EXPECT_TRUE(box->HasButton(IDOK));
    EXPECT_FALSE(box->HasButton(IDCANCEL));
}

}  // namespace
