// The main dialog's timed steps as the windows' timers ask for them: every
// prescribed interval, read from the platform seam's timer entries, which
// hold the timers so that each is fired by hand; and start-up's retry of the
// add-on access object, one retry 10 s later, a second failure ending the
// program without a message.
#include "app/main_dialog.h"
#include "app/other_setting_page.h"
#include "app/setting_page.h"
#include "display/addon_access.h"
#include "display/program_messages.h"
#include "framework/platform.h"
#include "testing/harness.h"
#include "testing/support/addon_test_support.h"
#include "testing/support/fake_topology.h"
#include "testing/support/in_process_dialog.h"
#include "testing/support/timer_recorder.h"
#include "testing/support/tray_fixture.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>

using namespace velk;
using namespace velk::test;

// ---- Memory that runs out for the add-on access object.
//
// Start-up asks for the Windows version, builds the product-id list (one
// allocation of one id) and creates the add-on access object (the next
// allocation). While armed, the version query arms this thread's next two
// allocations: the list's goes through, the object's fails. The retry arms
// the object's allocation directly.
namespace {
enum class OutOfMemory { Off, AfterVersionQuery, ListSeen, NextObject };
thread_local OutOfMemory t_outOfMemory = OutOfMemory::Off;
thread_local bool t_failAtStartUp = false;
thread_local int t_failedObjects = 0;
constexpr std::size_t kAddOnObjectSize = sizeof(AddOnMonitor);
}  // namespace

void* operator new(std::size_t size) {
    switch (t_outOfMemory) {
    case OutOfMemory::Off:
        break;
    case OutOfMemory::AfterVersionQuery:
        t_outOfMemory = size == sizeof(uint32_t) ? OutOfMemory::ListSeen : OutOfMemory::Off;
        break;
    case OutOfMemory::ListSeen:
    case OutOfMemory::NextObject:
        t_outOfMemory = OutOfMemory::Off;
        if (size == kAddOnObjectSize) {
            t_failAtStartUp = false;  // start-up's one object, not a later one
            ++t_failedObjects;
            throw std::bad_alloc();
        }
        break;
    }
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"  // the replaced new takes its memory from malloc
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

decltype(&::VerifyVersionInfoW) g_versionQuery = nullptr;  // the entry the arming one passes to
BOOL WINAPI VersionQueryArmingOutOfMemory(LPOSVERSIONINFOEXW info, DWORD mask, DWORDLONG condition) {
    const BOOL answer = g_versionQuery(info, mask, condition);
    if (t_failAtStartUp) t_outOfMemory = OutOfMemory::AfterVersionQuery;
    return answer;
}

using Dlg = CVELKMIRADlg;
constexpr UINT kDisplays = 3;  // the delays of DisplayCount seconds last 3 s, unlike every fixed interval

class TimedSteps : public InProcessDialogTest {
protected:
    void SetUp() override {
        InProcessDialogTest::SetUp();
        for (UINT n = 1; n <= kDisplays; ++n)
            topology.Add(ActiveDisplay(static_cast<int>(n), {static_cast<LONG>(n - 1) * 1024, 0,
                                                              static_cast<LONG>(n) * 1024, 768},
                                       n == 1));
        monitorKey.emplace(MonitorEnumKey::ValuesFor(topology));
        tray = std::make_unique<FakeTray>();
        timers.emplace();
    }
    void TearDown() override {
        t_failAtStartUp = false;
        t_outOfMemory = OutOfMemory::Off;
        dialog.reset();
        timers.reset();
        tray.reset();
        monitorKey.reset();
        MonitorEnumKey::Delete();
        ResetProfile();
    }
    void Start() {
        dialog = std::make_unique<Dlg>();
        ASSERT_TRUE(dialog->Create(nullptr));
        hwnd = dialog->GetSafeHwnd();
    }
    LRESULT Send(UINT msg, WPARAM w = 0, LPARAM l = 0) { return ::SendMessageW(hwnd, msg, w, l); }
    std::optional<UINT> Running(UINT_PTR id) const { return timers->Running(hwnd, id); }
    HWND PageWindow(int index) const { return dialog->Page(index)->GetSafeHwnd(); }

    FakeTopology topology;
    std::optional<MonitorEnumKey> monitorKey;
    std::unique_ptr<FakeTray> tray;
    std::optional<TimerRecorder> timers;
    std::unique_ptr<Dlg> dialog;
    HWND hwnd = nullptr;
};

// Each step, in the order a run meets them, and the timer it must start with
// its interval. A timer that fired early, or one asked for with a wrong
// period, shows here as a wrong interval.
TEST_F(TimedSteps, EveryTimedStepAsksForItsPrescribedInterval) {
    constexpr uint32_t kLookedDisplay = 2;
    struct DisplayGoesAtTheEnd {
        ~DisplayGoesAtTheEnd() {
            if (addon_test::Sim::Loaded()) addon_test::Sim().RemoveDisplay(kLookedDisplay);
        }
    } displayGoes;
    Start();
    ASSERT_TRUE(dialog->IsInitialised());
    ASSERT_EQ(dialog->DisplayCount, static_cast<int>(kDisplays));
    HWND settingPage = PageWindow(0);
    HWND otherPage = PageWindow(4);
    struct Step {
        const char* what;
        std::function<void()> act;
        HWND window;  // null: the main dialog
        UINT_PTR timer;
        UINT ms;
    };
    const Step steps[] = {
        {"start-up: the add-on poll", [] {}, nullptr, Dlg::TIMER_ADDON_POLL, 5000},
        {"start-up: the Setting page's second look at the add-on displays", [] {}, settingPage,
         CSettingProp::kTimerAddOnLook, 5000},
        {"the second look lists a display: its state read after the library's settle time", [&] {
             addon_test::Sim().AddDisplay(kLookedDisplay, 2);
             timers->Fire(settingPage, CSettingProp::kTimerAddOnLook);
         }, settingPage, CSettingProp::kTimerAddOnStates, 100},
        {"a poll tick: its samples, a second apart", [&] { timers->Fire(hwnd, Dlg::TIMER_ADDON_POLL); }, nullptr,
         Dlg::TIMER_ADDON_SAMPLE, 1000},
        {"OK: the delayed Apply", [&] { Send(WM_COMMAND, IDOK); }, nullptr, Dlg::TIMER_REAPPLY, kDisplays * 1000},
        {"the delayed Apply: its guard", [&] { timers->Fire(hwnd, Dlg::TIMER_REAPPLY); }, nullptr,
         Dlg::TIMER_REAPPLY_GUARD, kDisplays * 1000},
        {"Apply: its own guard", [] {}, nullptr, Dlg::TIMER_APPLY_GUARD, kDisplays * 1000},
        {"Apply: the Other page's audio refresh", [] {}, otherPage, OtherSetting::kTimerAudioRefresh, 10000},
        {"a display change: its guard", [&] {
             timers->Fire(hwnd, Dlg::TIMER_REAPPLY_GUARD);
             timers->Fire(hwnd, Dlg::TIMER_APPLY_GUARD);
             Send(UM_DISPLAYCHANGED, 1, 0);
         }, nullptr, Dlg::TIMER_DISPLAYCHANGE_GUARD, 2000},
        {"a display change: the delayed Apply", [] {}, nullptr, Dlg::TIMER_REAPPLY, kDisplays * 1000},
        {"resume: the wait for the displays", [&] {
             timers->Fire(hwnd, Dlg::TIMER_DISPLAYCHANGE_GUARD);
             Send(WM_POWERBROADCAST, 0x12, 0);
         }, nullptr, Dlg::TIMER_RESUME_SETTLE, 10000},
        {"resume: the pause after the re-layout", [&] { timers->Fire(hwnd, Dlg::TIMER_RESUME_SETTLE); }, nullptr,
         Dlg::TIMER_RESUME_AFTER, 5000},
        {"\"SHELLSTATE\": the add-on poll again", [&] {
             timers->Fire(hwnd, Dlg::TIMER_RESUME_AFTER);
             timers->Fire(hwnd, Dlg::TIMER_REAPPLY);
             timers->Fire(hwnd, Dlg::TIMER_REAPPLY_GUARD);
             timers->Fire(hwnd, Dlg::TIMER_APPLY_GUARD);
             timers->Fire(hwnd, Dlg::TIMER_DISPLAYCHANGE_GUARD);
             Send(WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ShellState"));
         }, nullptr, Dlg::TIMER_ADDON_POLL, 5000},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        HWND window = step.window ? step.window : hwnd;
        const std::vector<UINT> asked = timers->Intervals(window, step.timer);
        ASSERT_FALSE(asked.empty()) << "the timer was never started";
        EXPECT_EQ(asked.back(), step.ms);
        EXPECT_EQ(timers->Running(window, step.timer), step.ms) << "the timer does not run";
    }
    // The resume started no delayed Apply of its own.
    EXPECT_EQ(timers->Intervals(hwnd, Dlg::TIMER_REAPPLY).size(), 2u);
}

// A shell that is not ready for the add and its retries: six retries, 5 s
// apart, then start-up goes on without the icon (its next call, the modify,
// finds the shell ready).
TEST_F(TimedSteps, TrayRetriesComeFiveSecondsApartAndStopAfterSix) {
    ShellNotReady::Arm(0, 7);
    Platform().Shell_NotifyIconW = ShellNotReady::NotifyIcon;
    Start();
    for (size_t retry = 1; retry <= 6; ++retry) {
        SCOPED_TRACE(retry);
        ASSERT_TRUE(dialog->IsStartUpPending());
        ASSERT_EQ(Running(Dlg::TIMER_TRAY_RETRY), 5000u);
        EXPECT_EQ(ShellNotReady::actions.size(), retry);
        timers->Fire(hwnd, Dlg::TIMER_TRAY_RETRY);
    }
    EXPECT_FALSE(dialog->IsStartUpPending());
    EXPECT_FALSE(Running(Dlg::TIMER_TRAY_RETRY).has_value());
    const std::vector<DWORD> expected{NIM_ADD, NIM_ADD, NIM_ADD, NIM_ADD, NIM_ADD, NIM_ADD, NIM_ADD, NIM_MODIFY};
    EXPECT_EQ(ShellNotReady::actions, expected) << "the add and exactly six retries, then start-up's modify";
    const std::vector<UINT> asked = timers->Intervals(hwnd, Dlg::TIMER_TRAY_RETRY);
    EXPECT_EQ(asked, std::vector<UINT>(asked.size(), 5000u));
    EXPECT_NE(dialog->HookLibrary(), nullptr);
}

// One modal run of start-up whose add-on access object could not be made,
// and what the run showed before and after its retry.
struct RetryRun {
    Dlg* dialog;
    TimerRecorder* timers;
    bool retrySucceeds;
    std::optional<UINT> retryAsked;
    bool hooksBeforeRetry = false;
    bool answered = false;
    bool fired = false;
    bool initialisedAfter = false;
    int ticks = 0;
};
RetryRun* g_seen = nullptr;

// Runs inside the modal loop: looks at the held retry, fires it (the object's
// memory running out again or not), and after a success closes the dialog as
// the program's end would.
void CALLBACK LookAndFireTheRetry(HWND, UINT, UINT_PTR, DWORD) {
    RetryRun& s = *g_seen;
    HWND dlg = s.dialog->GetSafeHwnd();
    if (!dlg) return;
    if (++s.ticks > 200) ::PostMessageW(dlg, WM_CLOSE, 0, 0);  // a watchdog for a broken run
    if (!s.fired) {
        s.retryAsked = s.timers->Running(dlg, Dlg::TIMER_ADDON_RETRY);
        s.hooksBeforeRetry = s.dialog->HookLibrary() != nullptr;
        DWORD_PTR result = 0;
        s.answered = ::SendMessageTimeoutW(dlg, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result) != 0;
        s.fired = true;
        t_outOfMemory = s.retrySucceeds ? OutOfMemory::Off : OutOfMemory::NextObject;
        s.timers->Fire(dlg, Dlg::TIMER_ADDON_RETRY);
        t_outOfMemory = OutOfMemory::Off;
        s.initialisedAfter = s.dialog->IsInitialised();
        if (s.retrySucceeds) ::PostMessageW(dlg, WM_CLOSE, 0, 0);
    }
}

// Start-up's add-on access object: when it cannot be made, start-up stops for
// 10 s (on a timer: the window answers) and tries once more; a second failure
// ends the modal run with no message, a success goes on with the tray icon.
TEST_F(TimedSteps, AddOnAccessIsRetriedOnceAfterTenSecondsAndASecondFailureEndsTheProgram) {
    g_versionQuery = Platform().VerifyVersionInfoW;
    Platform().VerifyVersionInfoW = VersionQueryArmingOutOfMemory;
    for (bool retrySucceeds : {false, true}) {
        SCOPED_TRACE(retrySucceeds ? "the retry succeeds" : "the retry fails too");
        t_failedObjects = 0;
        timers->Clear();
        tray->Clear();
        dialog = std::make_unique<Dlg>();
        RetryRun seen{dialog.get(), &*timers, retrySucceeds, std::nullopt};
        g_seen = &seen;
        const UINT_PTR clock = ::SetTimer(nullptr, 0, 50, LookAndFireTheRetry);
        ASSERT_NE(clock, 0u);
        t_failAtStartUp = true;
        MessageBoxCatcher box(IDOK, 3000);
        const INT_PTR result = dialog->DoModal();
        t_failAtStartUp = false;
        ::KillTimer(nullptr, clock);
        EXPECT_FALSE(box.Result().has_value()) << "a message was shown";

        ASSERT_TRUE(seen.fired) << "the modal run ended before the retry";
        EXPECT_EQ(seen.retryAsked, 10000u) << "the retry is due 10 s after the failure";
        EXPECT_FALSE(seen.hooksBeforeRetry) << "start-up went on without the add-on access object";
        EXPECT_TRUE(seen.answered);
        EXPECT_EQ(t_failedObjects, retrySucceeds ? 1 : 2);
        if (retrySucceeds) {
            EXPECT_TRUE(seen.initialisedAfter) << "start-up did not go on after the retry";
            EXPECT_EQ(result, IDCANCEL);
            EXPECT_FALSE(tray->Calls().empty()) << "no tray icon after the retry";
        } else {
            EXPECT_FALSE(seen.initialisedAfter);
            EXPECT_EQ(result, 1) << "a second failure ends the program";
            EXPECT_TRUE(tray->Calls().empty()) << "the tray icon was added without the add-on access object";
        }
        dialog.reset();
    }
}

}  // namespace
