// The main dialog inside the test process, driven by the messages it lives
// on: Apply and its guards, display changes, setting changes, the add-on poll
// against the simulated add-on library, resume from standby and the session
// end. Two fake displays stand behind the platform seam; the blocking waits of
// the user-interface thread go through the seam and are recorded, not waited.
#include "app/addon_poll.h"
#include "app/hotkey_page.h"
#include "app/main_dialog.h"
#include "app/velkmira_app.h"
#include "display/overlay.h"
#include "display/program_messages.h"
#include "framework/platform.h"
#include "resources/resource.h"
#include "testing/harness.h"
#include "testing/support/addon_test_support.h"
#include "testing/support/fake_topology.h"
#include "testing/support/in_process_dialog.h"
#include "testing/support/pump.h"
#include "testing/support/tray_fixture.h"
#include "tests/app/movement/hotkey_probe.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <memory>
#include <optional>
#include <vector>

using namespace velk;
using namespace velk::test;

namespace {

constexpr wchar_t kWatchedTestKey[] = L"SYSTEM\\CurrentControlSet\\Enum\\DISPLAY\\VelkEventsTest";

// Whether a timer of the window runs: KillTimer fails for one that does not.
// Stops the timer it finds.
bool TimerRan(HWND window, UINT_PTR id) { return ::KillTimer(window, id) != FALSE; }

std::wstring MonitorSection(int slot) { return ProfileSection(L"Monitor" + std::to_wstring(slot)); }
std::optional<DWORD> MonitorValue(int slot, const wchar_t* name) {
    return GetDword(HKEY_CURRENT_USER, MonitorSection(slot), name);
}
void DeleteMonitorSections() {
    for (int slot = 0; slot < 10; ++slot) DeleteTree(HKEY_CURRENT_USER, MonitorSection(slot));
}
bool AnyMonitorSection() {
    for (int slot = 0; slot < 10; ++slot)
        if (KeyExists(HKEY_CURRENT_USER, MonitorSection(slot))) return true;
    return false;
}

// Controls of the simulated add-on library that the dialog has loaded.
template <class Fn>
Fn SimControl(const char* name) {
    HMODULE module = ::GetModuleHandleW(L"AddOnApi.dll");
    FARPROC entry = module ? ::GetProcAddress(module, name) : nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(entry));
}

class DialogEvents : public InProcessDialogTest {
protected:
    void SetUp() override {
        InProcessDialogTest::SetUp();
        RecordSleeps();
        topology.Add(ActiveDisplay(1, {0, 0, 1024, 768}, true));
        topology.Add(ActiveDisplay(2, {1024, 0, 2304, 1024}));
        monitorKey.emplace(MonitorEnumKey::ValuesFor(topology));

        tray = std::make_unique<FakeTray>();
        dialog = std::make_unique<CVELKMIRADlg>();
        ASSERT_TRUE(dialog->Create(nullptr));
        hwnd = dialog->GetSafeHwnd();
        ASSERT_TRUE(dialog->IsInitialised());
        ASSERT_EQ(dialog->DisplayCount, 2);
        ASSERT_NE(::GetModuleHandleW(L"AddOnApi.dll"), nullptr) << "the simulated add-on library is not loaded";
        // Started by the start-up; the tests that poll tick it themselves.
        ASSERT_TRUE(TimerRan(hwnd, CVELKMIRADlg::TIMER_ADDON_POLL));
        PumpFor(50);
        DeleteMonitorSections();
        RecordedWaits().clear();
    }

    void TearDown() override {
        dialog.reset();
        tray.reset();
        for (uint32_t id : simDisplays) SimControl<AddOnSimRemoveDisplayFn>("AddOnSimRemoveDisplay")(id);
        DeleteTree(HKEY_LOCAL_MACHINE, kWatchedTestKey);
        monitorKey.reset();
        MonitorEnumKey::Delete();
        ResetProfile();
    }

    void AddSimDisplay(uint32_t id, int32_t executionState) {
        ASSERT_NE(SimControl<AddOnSimAddDisplayFn>("AddOnSimAddDisplay")(id, executionState), 0u);
        simDisplays.push_back(id);
    }

    LRESULT Send(UINT msg, WPARAM w = 0, LPARAM l = 0) { return ::SendMessageW(hwnd, msg, w, l); }
    // One tick of the add-on poll, its samples clocked by hand: before each
    // sample `beforeSample` runs. Answers the number of samples.
    int PollTick(const std::function<void()>& beforeSample = nullptr) {
        Send(WM_TIMER, CVELKMIRADlg::TIMER_ADDON_POLL, 0);
        int samples = 0;
        while (dialog->IsAddOnPollSampling() && samples < 10) {
            if (beforeSample) beforeSample();
            Send(WM_TIMER, CVELKMIRADlg::TIMER_ADDON_SAMPLE, 0);
            ++samples;
        }
        EXPECT_FALSE(TimerRan(hwnd, CVELKMIRADlg::TIMER_ADDON_SAMPLE)) << "the sample timer outlived its tick";
        return samples;
    }
    void Command(UINT id) { Send(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    void Open() { Send(UM_TRAYNOTIFY, 128, WM_LBUTTONDBLCLK); }
    void SettingChange(WPARAM flags, const wchar_t* section) {
        Send(WM_SETTINGCHANGE, flags, reinterpret_cast<LPARAM>(section));
    }
    bool ApplyEnabled() const { return ::IsWindowEnabled(dialog->ApplyButtonWindow()) != FALSE; }
    static bool HotkeysSaved() { return KeyExists(HKEY_CURRENT_USER, ProfileSection(L"HotkeyEntry")); }
    HWND OtherPage() const { return dialog->Page(4)->GetSafeHwnd(); }

    FakeTopology topology;
    std::optional<MonitorEnumKey> monitorKey;
    std::unique_ptr<FakeTray> tray;
    std::unique_ptr<CVELKMIRADlg> dialog;
    HWND hwnd = nullptr;
    std::vector<uint32_t> simDisplays;
};

// ---- Apply and its guards.

TEST_F(DialogEvents, OkAppliesTwoSecondsLaterAndTheGuardsHoldOffFurtherApplies) {
    Open();
    ASSERT_TRUE(::IsWindowVisible(hwnd));
    // The resize choice OK commits takes effect at the Apply.
    HWND settingPage = dialog->Page(0)->GetSafeHwnd();
    ::CheckRadioButton(settingPage, IDC_SET_RESIZE_FIXED, IDC_SET_RESIZE_SCALE, IDC_SET_RESIZE_FIXED);
    DeleteTree(HKEY_CURRENT_USER, ProfileSection(L"HotkeyEntry"));

    Command(IDOK);
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    EXPECT_TRUE(HotkeysSaved()) << "OK keeps what it applies at once";
    const DWORD okAt = ::GetTickCount();
    PumpFor(1500);
    EXPECT_FALSE(dialog->IsApplyRunning()) << "Apply came before the delay of two seconds";
    EXPECT_EQ(dialog->ResizeMode, 1);
    ASSERT_TRUE(PumpUntil([&] { return dialog->IsApplyRunning(); }, 2000));
    const DWORD delay = ::GetTickCount() - okAt;
    EXPECT_GE(delay, 1900u);
    EXPECT_LE(delay, 3400u);
    EXPECT_EQ(dialog->ResizeMode, 0);
    EXPECT_TRUE(dialog->IsReapplySuppressed());

    // Within the guard: a display change or add-on notification starts no
    // second delayed Apply; an OK is held till the guard ends.
    Open();
    Command(IDOK);
    EXPECT_FALSE(TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY));
    Send(UM_DISPLAYCHANGED, 1, 0);
    EXPECT_TRUE(AnyMonitorSection()) << "the display change itself is handled";
    EXPECT_FALSE(TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY));
    EXPECT_EQ(Send(UM_ADDONCALLBACK, 3, 0), 1);
    EXPECT_FALSE(TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY));
    DeleteTree(HKEY_CURRENT_USER, ProfileSection(L"HotkeyEntry"));
    const DWORD heldAt = ::GetTickCount();
    PumpFor(500);
    EXPECT_FALSE(HotkeysSaved()) << "a second Apply ran within the guard";

    // The guard ends DisplayCount seconds after the Apply, and the OK held
    // within it applies then; both guards end DisplayCount seconds later.
    ASSERT_TRUE(PumpUntil([&] { return HotkeysSaved(); }, 3000));
    EXPECT_GE(::GetTickCount() - heldAt, 1000u);
    ASSERT_TRUE(PumpUntil([&] { return !dialog->IsApplyRunning() && !dialog->IsReapplySuppressed(); }, 4500));
    Send(UM_ADDONCALLBACK, 3, 0);
    EXPECT_TRUE(TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY));
}

TEST_F(DialogEvents, PageChangesEnableAndDisableApply) {
    Open();
    EXPECT_FALSE(ApplyEnabled());
    Send(UM_PAGECHANGED, 0, 1);
    EXPECT_TRUE(ApplyEnabled());
    Send(UM_PAGECHANGED, 0, 0);
    EXPECT_FALSE(ApplyEnabled());
}

TEST_F(DialogEvents, ApplyRebuildsTheTableAppliesEveryPageAndStartsBothTimers) {
    Open();
    Send(UM_PAGECHANGED, 0, 1);
    topology.Add(ActiveDisplay(3, {2304, 0, 3328, 768}));
    monitorKey.reset();
    monitorKey.emplace(MonitorEnumKey::ValuesFor(topology));

    Command(IDC_APPLY);
    EXPECT_TRUE(dialog->IsApplyRunning());
    EXPECT_FALSE(ApplyEnabled());
    EXPECT_EQ(dialog->DisplayCount, 3);
    EXPECT_EQ(dialog->HighestNumber, 3);
    EXPECT_TRUE(HotkeysSaved());
    EXPECT_EQ(dialog->ResizeMode, 1);
    EXPECT_TRUE(TimerRan(OtherPage(), OtherSetting::kTimerAudioRefresh));
    EXPECT_TRUE(TimerRan(hwnd, CVELKMIRADlg::TIMER_APPLY_GUARD));
    EXPECT_FALSE(TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY)) << "Apply itself schedules no re-apply";
    // Nothing waited: the Setting page asks the add-on library once more
    // on its own timer when it reports no active DisplayLink display.
    EXPECT_TRUE(RecordedWaits().empty());
    EXPECT_TRUE(static_cast<CSettingProp*>(dialog->Page(0))->IsAddOnLookPending());

    Send(WM_TIMER, CVELKMIRADlg::TIMER_APPLY_GUARD, 0);
    EXPECT_FALSE(dialog->IsApplyRunning());
}

// Each pump of the vendor's library takes 200 ms of the user-interface
// thread: an Apply, a display change, Cancel's reload, the resume's re-layout
// and an add-on notification each pump it once, with no, one and two active
// add-on displays.
TEST_F(DialogEvents, EachHandlerPumpsTheAddOnLibraryOnce) {
    auto pumps = [] { return SimControl<AddOnSimCallCountFn>("AddOnSimCallCount")("dlPumpMessages"); };
    for (uint32_t displays = 0; displays <= 2; ++displays) {
        SCOPED_TRACE(displays);
        if (displays > 0) AddSimDisplay(displays, 2);
        int before = pumps();
        Command(IDC_APPLY);
        EXPECT_EQ(pumps(), before + 1) << "Apply";
        Send(WM_TIMER, CVELKMIRADlg::TIMER_APPLY_GUARD, 0);
        before = pumps();
        Send(UM_DISPLAYCHANGED, 1, 0);
        EXPECT_EQ(pumps(), before + 1) << "display change";
        Send(WM_TIMER, CVELKMIRADlg::TIMER_DISPLAYCHANGE_GUARD, 0);
        Open();
        before = pumps();
        Command(IDCANCEL);
        EXPECT_EQ(pumps(), before + 1) << "Cancel";
        Send(WM_POWERBROADCAST, 0x12, 0);
        before = pumps();
        Send(WM_TIMER, 6, 0);
        EXPECT_EQ(pumps(), before + 1) << "resume";
        Send(WM_TIMER, 7, 0);
        // Before 6.1 the table also looks its add-on displays up by number.
        FakeWindowsVersion(6, 0);
        before = pumps();
        Send(UM_ADDONCALLBACK, 3, 0);
        EXPECT_EQ(pumps(), before + 1) << "add-on notification";
        FakeWindowsVersion(6, 1);
        EXPECT_TRUE(TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY));
    }
}

TEST_F(DialogEvents, ApplyKeepsApplyEnabledOnlyOnTheWallpaperTabBeforeWindows51) {
    ::SendMessageW(dialog->TabWindow(), TCM_SETCURSEL, 1, 0);
    NMHDR header{dialog->TabWindow(), IDC_MAIN_TAB, static_cast<UINT>(TCN_SELCHANGE)};
    Send(WM_NOTIFY, IDC_MAIN_TAB, reinterpret_cast<LPARAM>(&header));
    ASSERT_EQ(dialog->CurrentTab, 1);

    Command(IDC_APPLY);
    EXPECT_FALSE(ApplyEnabled());
    Send(WM_TIMER, CVELKMIRADlg::TIMER_APPLY_GUARD, 0);

    FakeWindowsVersion(5, 0);
    Command(IDC_APPLY);
    EXPECT_TRUE(ApplyEnabled());
}

TEST_F(DialogEvents, HotkeyListFailureSkipsThePagesButStillSavesAndStartsTheTimers) {
    HWND hotkeyPage = dialog->Page(2)->GetSafeHwnd();
    ::DestroyWindow(::GetDlgItem(hotkeyPage, IDC_HK_LIST));
    DeleteTree(HKEY_CURRENT_USER, ProfileSection(L"HotkeyEntry"));
    Send(UM_PAGECHANGED, 0, 1);
    {
        MessageBoxCatcher box(IDOK);
        Command(IDC_APPLY);
        auto shown = box.Result();
        ASSERT_TRUE(shown.has_value());
        EXPECT_NE(shown->text.find(L"Error Number 1103."), std::wstring::npos) << std::string(
            shown->text.begin(), shown->text.end());
    }
    EXPECT_FALSE(HotkeysSaved());
    EXPECT_FALSE(ApplyEnabled());
    EXPECT_TRUE(TimerRan(OtherPage(), OtherSetting::kTimerAudioRefresh));
    EXPECT_TRUE(TimerRan(hwnd, CVELKMIRADlg::TIMER_APPLY_GUARD));
    EXPECT_TRUE(dialog->IsApplyRunning());
}

TEST_F(DialogEvents, ApplyAfterTheDefaultPromptSavesAndRegistersTheDefaults) {
    auto* page = static_cast<CHotkeyDialog*>(dialog->Page(2));
    const std::wstring section = ProfileSection(L"HotkeyEntry");
    SetDword(HKEY_CURRENT_USER, section, L"WIN_NEXT_MOD", HOTKEYF_CONTROL);
    SetDword(HKEY_CURRENT_USER, section, L"WIN_NEXT_KEY", VK_F7);
    page->ReloadHotkeys();
    const std::vector<std::pair<UINT, UINT>> probes{
        {MOD_SHIFT | MOD_ALT, VK_RIGHT}, {MOD_CONTROL, VK_F7}, {MOD_SHIFT | MOD_CONTROL, '2'}};
    ASSERT_EQ(HeldElsewhere(probes), 0b110u);
    {
        MessageBoxCatcher box(IDYES);
        ::SendMessageW(page->GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(IDC_HK_DEFAULT, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(page->GetSafeHwnd(), IDC_HK_DEFAULT)));
        ASSERT_TRUE(box.Result().has_value());
    }
    ASSERT_TRUE(page->IsResetShown());
    ASSERT_TRUE(ApplyEnabled());
    Command(IDC_APPLY);
    EXPECT_FALSE(page->IsResetPending());
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, section, L"WIN_NEXT_MOD"), 0x0Du);
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, section, L"WIN_NEXT_KEY"), static_cast<DWORD>(VK_RIGHT));
    for (const std::wstring& name : HotkeyValueNames())
        EXPECT_TRUE(GetDword(HKEY_CURRENT_USER, section, name.c_str()).has_value()) << ToUtf8(name);
    EXPECT_EQ(HeldElsewhere(probes), 0b101u);
}

// ---- Display changes.

TEST_F(DialogEvents, DisplayChangeRewritesEverySectionOnceWithinTwoSeconds) {
    SetDword(HKEY_CURRENT_USER, MonitorSection(5), L"Width", 1920);
    SetDword(HKEY_CURRENT_USER, MonitorSection(5), L"DisplayNumber", 6);
    ASSERT_TRUE(::PostMessageW(hwnd, UM_DISPLAYCHANGED, 1, 0));
    PumpFor(50);

    EXPECT_EQ(MonitorValue(0, L"DisplayNumber"), 1u);
    EXPECT_EQ(MonitorValue(0, L"Width"), 1024u);
    EXPECT_EQ(MonitorValue(1, L"DisplayNumber"), 2u);
    EXPECT_EQ(MonitorValue(1, L"left"), 1024u);
    EXPECT_EQ(MonitorValue(1, L"right"), 2304u);
    EXPECT_EQ(MonitorValue(1, L"Height"), 1024u);
    for (int slot = 2; slot < 10; ++slot) {
        EXPECT_EQ(MonitorValue(slot, L"DisplayNumber"), 0u) << slot;
        EXPECT_EQ(MonitorValue(slot, L"Width"), 0u) << slot;
        EXPECT_EQ(MonitorValue(slot, L"right"), 0u) << slot;
    }
    EXPECT_EQ(MonitorValue(9, L"DisplayMode"), 0u);
    EXPECT_TRUE(TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY)) << "the delayed Apply follows a display change";

    // A second change of the same burst is ignored.
    DeleteMonitorSections();
    topology.Add(ActiveDisplay(3, {2304, 0, 3328, 768}));
    monitorKey.reset();
    monitorKey.emplace(MonitorEnumKey::ValuesFor(topology));
    ::PostMessageW(hwnd, UM_DISPLAYCHANGED, 1, 0);
    PumpFor(1000);
    EXPECT_FALSE(AnyMonitorSection());
    EXPECT_FALSE(TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY));

    // Two seconds after the first one, changes count again.
    PumpFor(1500);
    ::PostMessageW(hwnd, UM_DISPLAYCHANGED, 1, 0);
    PumpFor(50);
    EXPECT_EQ(MonitorValue(2, L"DisplayNumber"), 3u);
    EXPECT_EQ(dialog->DisplayCount, 3);
}

// A burst gets one delayed Apply, even when the reapply guard has ended
// before the change held within the burst's guard period is replayed: the
// replay only moves an Apply still waiting. After the burst a change starts
// its own.
TEST_F(DialogEvents, BurstOfDisplayChangesGetsOneDelayedApply) {
    Send(UM_DISPLAYCHANGED, 1, 0);
    Send(UM_DISPLAYCHANGED, 1, 0);  // held
    Send(WM_TIMER, CVELKMIRADlg::TIMER_REAPPLY, 0);
    EXPECT_TRUE(dialog->IsReapplySuppressed());
    Send(WM_TIMER, CVELKMIRADlg::TIMER_REAPPLY_GUARD, 0);
    EXPECT_FALSE(dialog->IsReapplySuppressed());
    DeleteMonitorSections();
    Send(WM_TIMER, CVELKMIRADlg::TIMER_DISPLAYCHANGE_GUARD, 0);  // the replay
    EXPECT_TRUE(AnyMonitorSection()) << "the held change was rebuilt";
    EXPECT_FALSE(TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY)) << "a second delayed Apply for the same burst";

    // A held change replayed while the burst's Apply still waits moves it.
    Send(WM_TIMER, CVELKMIRADlg::TIMER_DISPLAYCHANGE_GUARD, 0);  // the burst ends
    Send(UM_DISPLAYCHANGED, 1, 0);
    EXPECT_TRUE(TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY)) << "a new burst gets its Apply";
    ::SetTimer(hwnd, CVELKMIRADlg::TIMER_REAPPLY, 60000, nullptr);
    Send(UM_DISPLAYCHANGED, 1, 0);
    Send(WM_TIMER, CVELKMIRADlg::TIMER_DISPLAYCHANGE_GUARD, 0);
    EXPECT_TRUE(TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY));
}

// A burst of changes under the watched key, the displays changing with each:
// the sections are written at most once per guard period, each time whole
// from the arrangement of that moment, and after the burst they show the
// last arrangement.
TEST_F(DialogEvents, BurstOfDisplayChangesWritesOncePerGuardPeriodAndTheLastArrangementWins) {
    std::vector<std::wstring> names = {L"\\\\.\\DISPLAY1", L"\\\\.\\DISPLAY2"};
    int current = 2;
    auto arrange = [&](int count) {
        for (const std::wstring& name : names) topology.Remove(name);
        names.clear();
        for (int n = 1; n <= count; ++n) {
            topology.Add(ActiveDisplay(n, {1024 * (n - 1), 0, 1024 * n, 768}, n == 1));
            names.push_back(topology.displays().back().deviceName);
        }
        monitorKey.reset();
        monitorKey.emplace(MonitorEnumKey::ValuesFor(topology));
        current = count;
    };
    // Each write seen: when, and whether it was the whole arrangement of that moment.
    struct Write {
        DWORD at;
        bool whole;
    };
    std::vector<Write> writes;
    // The wallpaper settings keep values in the same sections: a write of
    // the display table is told by the first display's number.
    auto collect = [&] {
        if (!MonitorValue(0, L"DisplayNumber").has_value()) return;
        bool whole = true;
        for (int slot = 0; slot < 10; ++slot) {
            const bool used = slot < current;
            whole = whole && MonitorValue(slot, L"DisplayNumber") == DWORD(used ? slot + 1 : 0) &&
                    MonitorValue(slot, L"left") == DWORD(used ? 1024 * slot : 0) &&
                    MonitorValue(slot, L"Width") == DWORD(used ? 1024 : 0);
        }
        writes.push_back({::GetTickCount(), whole});
        DeleteMonitorSections();
    };
    auto pumpAndCollect = [&](DWORD ms) {
        const DWORD end = ::GetTickCount() + ms;
        while (static_cast<LONG>(::GetTickCount() - end) < 0) {
            PumpFor(10);
            collect();
        }
    };

    constexpr int kChanges = 25;  // within about a second
    for (int change = 0; change < kChanges; ++change) {
        arrange(change == kChanges - 1 ? 3 : 1 + change % 2);
        SetDword(HKEY_LOCAL_MACHINE, kWatchedTestKey, L"Serial", ::GetTickCount() + change);
        pumpAndCollect(40);
    }
    pumpAndCollect(4500);  // the guard period of the burst's first change, and one more

    ASSERT_GE(writes.size(), 2u) << "the burst was not followed by one more write";
    EXPECT_LE(writes.size(), 3u);
    for (size_t i = 0; i < writes.size(); ++i) {
        EXPECT_TRUE(writes[i].whole) << "write " << i << " is not one whole arrangement";
        if (i > 0) {
            EXPECT_GE(writes[i].at - writes[i - 1].at, 1900u) << "two writes within one guard period";
        }
    }
    // The last arrangement, three displays, is what the program holds and wrote last.
    EXPECT_EQ(dialog->DisplayCount, 3);
    EXPECT_TRUE(writes.back().whole);
}

TEST_F(DialogEvents, WatchedKeyChangeReachesTheDialogThroughTheWatchThread) {
    SetDword(HKEY_LOCAL_MACHINE, kWatchedTestKey, L"Serial", 1);
    ASSERT_TRUE(PumpUntil([] { return MonitorValue(1, L"DisplayNumber").has_value(); }, 5000))
        << "no display change arrived from the watch thread";
    EXPECT_EQ(MonitorValue(1, L"DisplayNumber"), 2u);
    EXPECT_EQ(MonitorValue(7, L"DisplayNumber"), 0u);
}

TEST_F(DialogEvents, DisplayChangesAreIgnoredOnceTheSessionEnds) {
    EXPECT_EQ(Send(WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_TRUE(dialog->IsSessionEnding());
    ::PostMessageW(hwnd, UM_DISPLAYCHANGED, 1, 0);
    PumpFor(100);
    EXPECT_FALSE(AnyMonitorSection());
    EXPECT_FALSE(TimerRan(hwnd, CVELKMIRADlg::TIMER_DISPLAYCHANGE_GUARD));
}

// ---- Setting changes.

TEST_F(DialogEvents, ShellStateInAnyCaseRestartsTheAddOnPoll) {
    SettingChange(0, L"shellstate");
    EXPECT_TRUE(TimerRan(hwnd, CVELKMIRADlg::TIMER_ADDON_POLL));
    SettingChange(0, L"ShellState");
    EXPECT_TRUE(TimerRan(hwnd, CVELKMIRADlg::TIMER_ADDON_POLL));
    EXPECT_FALSE(TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY));
    EXPECT_FALSE(dialog->IsApplyRunning());
}

TEST_F(DialogEvents, WindowsSectionStartsTheDelayedApplyAndFlags24AppliesAtOnce) {
    SettingChange(0, L"Windows");
    EXPECT_TRUE(TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY));
    EXPECT_FALSE(dialog->IsApplyRunning());

    SettingChange(24, L"Control Panel\\Desktop");
    EXPECT_TRUE(dialog->IsApplyRunning());
    EXPECT_TRUE(HotkeysSaved());
    EXPECT_FALSE(TimerRan(hwnd, CVELKMIRADlg::TIMER_ADDON_POLL));

    // While that Apply runs, setting changes are ignored.
    SettingChange(0, L"Windows");
    SettingChange(0, L"shellstate");
    EXPECT_FALSE(TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY));
    EXPECT_FALSE(TimerRan(hwnd, CVELKMIRADlg::TIMER_ADDON_POLL));
}

TEST_F(DialogEvents, SettingChangesAreIgnoredWithinADisplayChange) {
    Send(UM_DISPLAYCHANGED, 1, 0);
    TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY);
    SettingChange(0, L"Windows");
    SettingChange(24, L"Desktop");
    EXPECT_FALSE(TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY));
    EXPECT_FALSE(dialog->IsApplyRunning());
    Send(WM_TIMER, CVELKMIRADlg::TIMER_DISPLAYCHANGE_GUARD, 0);
    SettingChange(0, L"Windows");
    EXPECT_TRUE(TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY));
}

TEST_F(DialogEvents, BeforeWindows51OnlyTheNonClientRefreshHappens) {
    FakeWindowsVersion(5, 0);
    SettingChange(0x2A, L"WindowMetrics");
    SettingChange(0, L"shellstate");
    SettingChange(0, L"Windows");
    SettingChange(24, L"Desktop");
    EXPECT_FALSE(TimerRan(hwnd, CVELKMIRADlg::TIMER_ADDON_POLL));
    EXPECT_FALSE(TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY));
    EXPECT_FALSE(dialog->IsApplyRunning());
}

// ---- The add-on poll against the simulated library.

TEST_F(DialogEvents, AddOnCountThatKeepsChangingCountsAsZeroAndOnlyTicks) {
    // Every one-second sample sees one more active display.
    uint32_t next = 0x5000;
    ::SetTimer(hwnd, CVELKMIRADlg::TIMER_ADDON_POLL, 5000, nullptr);
    EXPECT_EQ(PollTick([&] { AddSimDisplay(next++, 2); }), 6);
    EXPECT_EQ(dialog->AddOnPollTickCount(), 1);
    EXPECT_FALSE(AnyMonitorSection());
    EXPECT_TRUE(TimerRan(hwnd, CVELKMIRADlg::TIMER_ADDON_POLL)) << "an unsettled count does not stop the poll";
}

TEST_F(DialogEvents, AddOnPollStopsWhenAllSettledDisplaysAreReady) {
    AddSimDisplay(0x6001, 2);
    AddSimDisplay(0x6002, 2);
    ::SetTimer(hwnd, CVELKMIRADlg::TIMER_ADDON_POLL, 5000, nullptr);
    EXPECT_EQ(PollTick(), 2);  // samples 2, 2: settled at the second
    EXPECT_EQ(SimControl<AddOnSimCallCountFn>("AddOnSimCallCount")("wrong scope"), 0);
    EXPECT_FALSE(TimerRan(hwnd, CVELKMIRADlg::TIMER_ADDON_POLL));
    EXPECT_FALSE(AnyMonitorSection()) << "ready displays need no new layout";
}

TEST_F(DialogEvents, MoreDisplaysThanSettledAddOnDisplaysReLaysTheDesktopOnce) {
    AddSimDisplay(0x7001, 3);  // active, not yet ready
    ::SetTimer(hwnd, CVELKMIRADlg::TIMER_ADDON_POLL, 5000, nullptr);
    PollTick();
    EXPECT_FALSE(TimerRan(hwnd, CVELKMIRADlg::TIMER_ADDON_POLL));
    EXPECT_EQ(MonitorValue(1, L"DisplayNumber"), 2u);
    EXPECT_EQ(MonitorValue(4, L"DisplayNumber"), 0u);
}

TEST_F(DialogEvents, EveryRunOfTheAddOnPollEndsAfterSixTicks) {
    ::SetTimer(hwnd, CVELKMIRADlg::TIMER_ADDON_POLL, 5000, nullptr);
    for (int tick = 1; tick <= 5; ++tick) PollTick();
    EXPECT_TRUE(TimerRan(hwnd, CVELKMIRADlg::TIMER_ADDON_POLL));
    ::SetTimer(hwnd, CVELKMIRADlg::TIMER_ADDON_POLL, 5000, nullptr);
    PollTick();
    EXPECT_EQ(dialog->AddOnPollTickCount(), 6);
    EXPECT_FALSE(TimerRan(hwnd, CVELKMIRADlg::TIMER_ADDON_POLL));

    // Restarted after the sixth tick, with no add-on display ever ready.
    SettingChange(0, L"SHELLSTATE");
    EXPECT_EQ(dialog->AddOnPollTickCount(), 0);
    for (int tick = 1; tick <= 5; ++tick) PollTick();
    EXPECT_TRUE(TimerRan(hwnd, CVELKMIRADlg::TIMER_ADDON_POLL));
    ::SetTimer(hwnd, CVELKMIRADlg::TIMER_ADDON_POLL, 5000, nullptr);
    PollTick();
    EXPECT_FALSE(TimerRan(hwnd, CVELKMIRADlg::TIMER_ADDON_POLL)) << "the restarted run ends after six ticks too";
    const std::vector<DWORD>& waits = RecordedWaits();
    EXPECT_TRUE(std::find(waits.begin(), waits.end(), kAddOnSampleWaitMs) == waits.end())
        << "no blocking wait between samples";
}

TEST_F(DialogEvents, TheWindowAnswersWhileTheAddOnPollTakesItsSamples) {
    // Real waits and real timers: ticks one after another for four seconds,
    // while another thread measures how long the window takes to answer.
    Platform().WaitForSingleObject = RealPlatform().WaitForSingleObject;
    Platform().Sleep = RealPlatform().Sleep;
    uint32_t next = 0x8000;  // a count that never settles: six samples a tick
    std::atomic<bool> stop{false};
    std::atomic<DWORD> slowest{0};
    std::atomic<int> answered{0};
    std::atomic<bool> finished{false};
    std::thread prober([&] {
        while (!stop) {
            const DWORD start = ::GetTickCount();
            DWORD_PTR result = 0;
            if (::SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result)) ++answered;
            slowest = std::max<DWORD>(slowest, ::GetTickCount() - start);
            ::Sleep(20);
        }
        finished = true;
    });
    const DWORD end = ::GetTickCount() + 4000;
    while (static_cast<LONG>(::GetTickCount() - end) < 0) {
        if (!dialog->IsAddOnPollSampling()) Send(WM_TIMER, CVELKMIRADlg::TIMER_ADDON_POLL, 0);
        PumpFor(100);
        AddSimDisplay(next++, 2);
    }
    stop = true;
    ASSERT_TRUE(PumpUntil([&] { return finished.load(); }, 15000));  // its last send is answered too
    prober.join();
    EXPECT_GE(dialog->AddOnPollTickCount(), 1) << "the poll took its samples";
    EXPECT_GT(answered.load(), 20);
    EXPECT_LT(slowest.load(), 300u) << "the window did not answer for " << slowest.load() << " ms";
    ::KillTimer(hwnd, CVELKMIRADlg::TIMER_ADDON_SAMPLE);
}

TEST_F(DialogEvents, AddOnNotificationRebuildsTheTableAndSchedulesApply) {
    topology.Add(ActiveDisplay(3, {2304, 0, 3328, 768}));
    monitorKey.reset();
    monitorKey.emplace(MonitorEnumKey::ValuesFor(topology));
    EXPECT_EQ(Send(UM_ADDONCALLBACK, 1, 0), 1);
    EXPECT_EQ(dialog->DisplayCount, 2) << "event 1 changes nothing";
    EXPECT_FALSE(TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY));
    EXPECT_EQ(Send(UM_ADDONCALLBACK, 2, 0), 1);
    EXPECT_EQ(dialog->DisplayCount, 3);
    EXPECT_TRUE(TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY));
    EXPECT_FALSE(AnyMonitorSection());
}

// ---- Power, session and the other handlers.

// Resume: the display sections are rewritten on a timer 10 s after it, the
// pause after them is a second timer of 5 s; a display change meanwhile is
// held until the pause ends and then handled once; a second resume starts
// the 10 s again.
TEST_F(DialogEvents, ResumeRewritesTheSectionsOnItsTimersAndHoldsDisplayChangesTillItEnds) {
    Send(WM_POWERBROADCAST, 4 /* suspend */, 0);
    EXPECT_FALSE(dialog->IsResumePending());

    Send(WM_POWERBROADCAST, 0x12, 0);
    EXPECT_TRUE(RecordedWaits().empty()) << "resume waited";
    EXPECT_TRUE(dialog->IsResumePending());
    EXPECT_FALSE(AnyMonitorSection());
    Send(UM_DISPLAYCHANGED, 1, 0);
    EXPECT_FALSE(AnyMonitorSection()) << "a display change within the resume is held";
    Send(WM_POWERBROADCAST, 0x12, 0);  // restarts the 10 s
    EXPECT_TRUE(TimerRan(hwnd, CVELKMIRADlg::TIMER_RESUME_SETTLE));
    EXPECT_FALSE(TimerRan(hwnd, CVELKMIRADlg::TIMER_RESUME_AFTER));

    Send(WM_TIMER, CVELKMIRADlg::TIMER_RESUME_SETTLE, 0);
    EXPECT_EQ(MonitorValue(1, L"DisplayNumber"), 2u);
    EXPECT_EQ(MonitorValue(9, L"DisplayNumber"), 0u);
    EXPECT_FALSE(TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY)) << "resume itself starts no delayed Apply";
    EXPECT_TRUE(dialog->IsResumePending());
    EXPECT_TRUE(TimerRan(hwnd, CVELKMIRADlg::TIMER_RESUME_AFTER));

    DeleteMonitorSections();
    Send(WM_TIMER, CVELKMIRADlg::TIMER_RESUME_AFTER, 0);
    EXPECT_FALSE(dialog->IsResumePending());
    EXPECT_TRUE(AnyMonitorSection()) << "the held display change was handled at the end";
    EXPECT_TRUE(TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY));
    EXPECT_TRUE(TimerRan(hwnd, CVELKMIRADlg::TIMER_DISPLAYCHANGE_GUARD));
}

// What would start or run Apply while a resume waits (an add-on
// notification, a setting change, a delayed Apply falling due) is held and
// handled once, after the resume's re-layout, which registers the hotkeys of
// a display that came back meanwhile.
TEST_F(DialogEvents, ResumeHoldsWhatWouldApplyTillItsReLayoutAndRunsEachOnce) {
    struct Held {
        const char* name;
        std::function<void()> during;
        bool appliesAtEnd;  // else it only starts the delayed Apply at the end
    };
    auto addOnNotification = [this] { EXPECT_EQ(Send(UM_ADDONCALLBACK, 3, 0), 1); };
    auto dueApply = [this] { Send(WM_TIMER, CVELKMIRADlg::TIMER_REAPPLY, 0); };
    const Held cases[] = {
        {"add-on notification", addOnNotification, false},
        {"setting change", [this] { SettingChange(0, L"Windows"); }, false},
        {"due delayed Apply", dueApply, true},
        {"add-on notification and due delayed Apply",
         [&] {
             addOnNotification();
             dueApply();
         },
         true},
    };
    const std::vector<std::pair<UINT, UINT>> thirdDisplayKey{{MOD_SHIFT | MOD_CONTROL, '3'}};
    for (const Held& c : cases) {
        SCOPED_TRACE(c.name);
        Send(WM_POWERBROADCAST, 0x12, 0);
        DeleteTree(HKEY_CURRENT_USER, ProfileSection(L"HotkeyEntry"));
        topology.Add(ActiveDisplay(3, {2304, 0, 3328, 768}));
        monitorKey.reset();
        monitorKey.emplace(MonitorEnumKey::ValuesFor(topology));
        c.during();
        EXPECT_FALSE(dialog->IsApplyRunning()) << "Apply ran during the wait";
        EXPECT_FALSE(TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY)) << "a delayed Apply started during the wait";

        Send(WM_TIMER, CVELKMIRADlg::TIMER_RESUME_SETTLE, 0);
        EXPECT_EQ(MonitorValue(2, L"DisplayNumber"), 3u) << "the re-layout";
        EXPECT_EQ(HeldElsewhere(thirdDisplayKey), 1u) << "the display that came back has no hotkeys";
        EXPECT_FALSE(dialog->IsApplyRunning());
        EXPECT_FALSE(HotkeysSaved());

        Send(WM_TIMER, CVELKMIRADlg::TIMER_RESUME_AFTER, 0);
        EXPECT_EQ(dialog->IsApplyRunning(), c.appliesAtEnd);
        EXPECT_EQ(HotkeysSaved(), c.appliesAtEnd);
        // Once: no further delayed Apply follows an Apply that ran.
        EXPECT_EQ(TimerRan(hwnd, CVELKMIRADlg::TIMER_REAPPLY), !c.appliesAtEnd);
        Send(WM_TIMER, CVELKMIRADlg::TIMER_APPLY_GUARD, 0);
        Send(WM_TIMER, CVELKMIRADlg::TIMER_REAPPLY_GUARD, 0);
        topology.Remove(topology.displays().back().deviceName);
    }
}

TEST_F(DialogEvents, SystemMenuReportsAndOtherHandlersAreBound) {
    HWND target = ::CreateWindowExW(0, L"STATIC", L"target", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr,
                                    nullptr, nullptr, nullptr);
    ASSERT_NE(target, nullptr);
    HMENU menu = ::GetSystemMenu(target, FALSE);
    const int before = ::GetMenuItemCount(menu);
    EXPECT_EQ(Send(UM_MENUPOPUP, 0, reinterpret_cast<LPARAM>(target)), 1);
    EXPECT_GT(::GetMenuItemCount(menu), before);
    EXPECT_EQ(Send(UM_MENUSELECTED, 0, reinterpret_cast<LPARAM>(target)), 1);
    EXPECT_EQ(::GetMenuItemCount(menu), before);
    ::DestroyWindow(target);

    EXPECT_NE(Send(WM_QUERYDRAGICON), 0);
    EXPECT_EQ(Send(WM_DEVICECHANGE, 7, 0), TRUE);
    EXPECT_EQ(Send(UM_APPCREATEDESTROY, 0, 10001), 1);
}

TEST_F(DialogEvents, IdentifyRunsOnTimersKeepsTheHiddenDialogHiddenAndEndsWithTheDialog) {
    Command(IDC_IDENTIFY_DISPLAY);
    EXPECT_TRUE(IsIdentifyingDisplays()) << "the show goes on after the command returned";
    EXPECT_TRUE(RecordedWaits().empty()) << "no blocking wait";
    HWND frame = ::FindWindowW(kOverlayWindowClass, L"Frame");
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(::GetWindow(frame, GW_OWNER), hwnd);
    Command(IDC_IDENTIFY_DISPLAY);  // ignored while the show runs
    EXPECT_EQ(::FindWindowW(kOverlayWindowClass, L"Frame"), frame);
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    StopIdentifyDisplays();  // as its last step ends it
    // Afterwards only the settings command shows the window again.
    ::ShowWindow(hwnd, SW_SHOW);
    EXPECT_FALSE(::IsWindowVisible(hwnd));

    // Shut-down during a show ends it at once, with its windows.
    Command(IDC_IDENTIFY_DISPLAY);
    ASSERT_TRUE(IsIdentifyingDisplays());
    dialog.reset();
    EXPECT_FALSE(IsIdentifyingDisplays());
    EXPECT_EQ(::FindWindowW(kOverlayWindowClass, nullptr), nullptr);
}

}  // namespace
