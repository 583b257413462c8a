// The extra taskbar end to end: the main dialog in the test process with the
// real hook library, three fake displays behind the seam, the shell's AppBar
// side recorded, and real windows that appear, move between displays and go.
#include "app/main_dialog.h"
#include "app/velkmira_app.h"
#include "display/display_lookup.h"
#include "display/program_messages.h"
#include "resources/resource.h"
#include "taskbar/taskbar_control.h"
#include "taskbar/taskbar_window.h"
#include "testing/harness.h"
#include "testing/support/addon_test_support.h"
#include "testing/support/fake_topology.h"
#include "testing/support/in_process_dialog.h"
#include "testing/support/tray_fixture.h"
#include "tests/taskbar/bar/taskbar_test_support.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace velk::test {
namespace {

int CountBarWindows() {
    int n = 0;
    for (HWND w = nullptr; (w = ::FindWindowExW(nullptr, w, nullptr, kExtraTaskbarTitle)) != nullptr;) ++n;
    return n;
}

class ExtraTaskbar : public InProcessDialogTest {
protected:
    void SetUp() override {
        InProcessDialogTest::SetUp();
        topology.Add(ActiveDisplay(1, {0, 0, 1024, 768}, true));
        topology.Add(ActiveDisplay(2, {1024, 0, 2304, 1024}));
        topology.Add(ActiveDisplay(3, {2304, 0, 3584, 1024}));
        monitorKey.emplace(MonitorEnumKey::ValuesFor(topology));
        dialog = std::make_unique<CVELKMIRADlg>();
        ASSERT_TRUE(dialog->Create(nullptr));
        ASSERT_NE(dialog->HookLibrary(), nullptr);
        page = static_cast<CAppSettingProp*>(dialog->Page(3));
        ASSERT_NE(page->GetSafeHwnd(), nullptr);
        number2 = static_cast<int>(GetSystemNumberFromPoint({1500, 500}));
        number3 = static_cast<int>(GetSystemNumberFromPoint({3000, 500}));
        EXPECT_TRUE(shell.calls.empty()) << "no bar while the option is off";
    }
    void TearDown() override {
        dialog.reset();
        EXPECT_TRUE(shell.registered.empty()) << "a bar is left registered with the shell";
        EXPECT_EQ(CountBarWindows(), 0);
        for (HWND w : windows) ::DestroyWindow(w);
        monitorKey.reset();
        MonitorEnumKey::Delete();
        ResetProfile();
    }

    HWND Make(const wchar_t* title, RECT rect) { return windows.emplace_back(MakeWindow(title, rect)); }
    // The options as the user sets them, then Apply.
    void ApplyOption(bool useTaskbar, bool onTop = false) {
        ::CheckDlgButton(page->GetSafeHwnd(), IDC_APP_USE_TASKBAR, useTaskbar ? BST_CHECKED : BST_UNCHECKED);
        ::CheckDlgButton(page->GetSafeHwnd(), IDC_APP_ON_TOP, onTop ? BST_CHECKED : BST_UNCHECKED);
        page->UseTaskbar = useTaskbar;
        page->TaskbarOnTop = onTop;
        ::SendMessageW(dialog->GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(IDC_APPLY, BN_CLICKED), 0);
        ::SendMessageW(dialog->GetSafeHwnd(), WM_TIMER, 10, 0);  // the Apply guard ends
    }
    const CTaskBarButton* ButtonOf(HWND window) const {
        for (const CTaskBarButton& b : page->TaskButtons)
            if (b.Target == window) return &b;
        return nullptr;
    }
    HWND BarWindow(int number) const {
        CTaskbarEx* bar = page->ExtraTaskbarOf(number);
        return bar ? bar->Window : nullptr;
    }
    int Count(int number) const { return page->ExtraTaskbarOf(number)->ButtonCount; }
    // Where the window's button lies: its bar, its position and its left edge on the bar.
    void ExpectButton(HWND window, HWND bar, int position) {
        const CTaskBarButton* b = ButtonOf(window);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(::GetParent(b->GetSafeHwnd()), bar);
        EXPECT_EQ(b->Position, position);
        RECT r = Wnd(b->GetSafeHwnd()).GetWindowRect();
        EXPECT_EQ(r.left - Wnd(bar).GetWindowRect().left, TaskButtonRect(position, 1280, 29).left);
    }

    AppBarRecorder shell;
    FakeTopology topology;
    std::optional<MonitorEnumKey> monitorKey;
    FakeTray tray;
    std::unique_ptr<CVELKMIRADlg> dialog;
    CAppSettingProp* page = nullptr;
    std::vector<HWND> windows;
    int number2 = 0, number3 = 0;
};

TEST_F(ExtraTaskbar, BarsPerNonPrimaryDisplayButtonsFollowTheirWindowsAndGoWithTheOption) {
    HWND alpha = Make(L"Alpha", {1100, 100, 1500, 400});
    HWND beta = Make(L"Beta", {1200, 150, 1600, 450});
    HWND gamma = Make(L"Gamma", {100, 100, 500, 400});
    ApplyOption(true);

    ASSERT_EQ(page->Running, 1);
    EXPECT_EQ(page->ExtraTaskbarOf(1), nullptr);
    const HWND bar2 = BarWindow(number2), bar3 = BarWindow(number3);
    ASSERT_TRUE(bar2 && bar3);
    RECT r2 = Wnd(bar2).GetWindowRect(), strip2{1024, 992, 2304, 1024};
    EXPECT_TRUE(::EqualRect(&r2, &strip2));
    EXPECT_EQ(shell.registered, (std::set<HWND>{bar2, bar3}));
    EXPECT_EQ(::GetWindowLongW(bar2, GWL_EXSTYLE) & WS_EX_TOPMOST, 0) << "not on top: sent to the bottom";
    EXPECT_EQ(FindTrackedWindow(bar2), nullptr) << "the program's own bars are never tracked";

    // One button per window on the display, in table (z-) order.
    EXPECT_EQ(ButtonOf(gamma), nullptr) << "a window on the primary display has no button";
    EXPECT_EQ(Count(number2), 2);
    ExpectButton(beta, bar2, 0);
    ExpectButton(alpha, bar2, 1);

    // A new window is reported by the hook library's shell event, without the timer.
    page->KillTimer(CAppSettingProp::kTaskbarRefreshTimer);
    HWND delta = Make(L"Delta", {2400, 100, 2800, 400});
    ASSERT_TRUE(PumpUntil([&] { return ButtonOf(delta) != nullptr; }, 5000)) << "no shell event for a new window";
    ExpectButton(delta, bar3, 0);

    // Beta moves to display 3: its button goes to the end of bar 3, and the
    // button right of it on bar 2 is created again one place further left.
    ::SetWindowPos(beta, nullptr, 2500, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageW(dialog->GetSafeHwnd(), UM_APPCREATEDESTROY, reinterpret_cast<WPARAM>(beta), 10003);
    ExpectButton(beta, bar3, 1);
    ExpectButton(alpha, bar2, 0);
    EXPECT_EQ(Count(number2), 1);
    EXPECT_EQ(Count(number3), 2);

    // A window that goes takes its button along.
    ::DestroyWindow(delta);
    ASSERT_TRUE(PumpUntil([&] { return ButtonOf(delta) == nullptr; }, 5000)) << "no shell event for a closed window";
    ExpectButton(beta, bar3, 0);

    // The option off: every bar and button goes and the shell forgets the bars.
    ApplyOption(false);
    EXPECT_EQ(page->Running, 0);
    EXPECT_TRUE(shell.registered.empty());
    EXPECT_EQ(CountBarWindows(), 0);
    for (const CTaskBarButton& button : page->TaskButtons) EXPECT_EQ(button.Target, nullptr);
    EXPECT_FALSE(::IsWindowEnabled(page->GetDlgItem(IDC_APP_ON_TOP)));
}

TEST_F(ExtraTaskbar, DisplayThatLeavesTakesItsBarAlong) {
    HWND onThird = Make(L"On the third display", {2400, 100, 2800, 400});
    ApplyOption(true, true);
    const HWND bar3 = BarWindow(number3);
    ASSERT_NE(bar3, nullptr);
    ASSERT_NE(ButtonOf(onThird), nullptr);
    EXPECT_NE(::GetWindowLongW(bar3, GWL_EXSTYLE) & WS_EX_TOPMOST, 0) << "on top";

    topology.Remove(L"\\\\.\\DISPLAY3");
    monitorKey.reset();
    monitorKey.emplace(MonitorEnumKey::ValuesFor(topology));
    ::SendMessageW(dialog->GetSafeHwnd(), UM_DISPLAYCHANGED, 1, 0);

    EXPECT_FALSE(::IsWindow(bar3));
    ASSERT_NE(BarWindow(number2), nullptr);
    EXPECT_EQ(shell.registered, (std::set<HWND>{BarWindow(number2)}));
    EXPECT_EQ(CountBarWindows(), 1);
    EXPECT_EQ(ButtonOf(onThird), nullptr) << "its window now counts as on the primary display";
}

TEST_F(ExtraTaskbar, CancelAndTheCloseBoxDropAnUnappliedUntickAndTheBarsFollowWindowsAgain) {
    ApplyOption(true);
    page->KillTimer(CAppSettingProp::kTaskbarRefreshTimer);
    HWND main = dialog->GetSafeHwnd();
    const std::pair<UINT, WPARAM> closes[] = {{WM_COMMAND, IDCANCEL}, {WM_SYSCOMMAND, SC_CLOSE}};
    for (auto [message, wParam] : closes) {
        SCOPED_TRACE(message);
        ::SendMessageW(page->GetDlgItem(IDC_APP_USE_TASKBAR), BM_CLICK, 0, 0);
        ::SendMessageW(page->GetDlgItem(IDC_APP_RESTORE_AT_START), BM_CLICK, 0, 0);
        ASSERT_EQ(page->UseTaskbar, 1) << "the bars follow the flag only once it is applied";
        ::SendMessageW(main, message, wParam, 0);
        EXPECT_EQ(::IsDlgButtonChecked(page->GetSafeHwnd(), IDC_APP_USE_TASKBAR), BST_CHECKED);
        EXPECT_EQ(::IsDlgButtonChecked(page->GetSafeHwnd(), IDC_APP_RESTORE_AT_START), BST_UNCHECKED);
        EXPECT_TRUE(::IsWindowEnabled(page->GetDlgItem(IDC_APP_ON_TOP)));
        EXPECT_EQ(page->Running, 1);
        // A new window gets its button, a closed one loses it.
        HWND fresh = Make(L"Fresh", {1100, 100, 1500, 400});
        ::SendMessageW(main, UM_APPCREATEDESTROY, reinterpret_cast<WPARAM>(fresh), 10001);
        EXPECT_NE(ButtonOf(fresh), nullptr);
        ::DestroyWindow(fresh);
        ::SendMessageW(main, UM_APPCREATEDESTROY, reinterpret_cast<WPARAM>(fresh), 10002);
        EXPECT_EQ(ButtonOf(fresh), nullptr);
    }
}

TEST_F(ExtraTaskbar, AfterTheShellRestartsTheTrayIconAndEveryBarAreThereAgain) {
    ApplyOption(true);
    const HWND bar2 = BarWindow(number2), bar3 = BarWindow(number3);
    ASSERT_TRUE(bar2 && bar3);
    tray.Clear();
    shell.calls.clear();
    ::PostMessageW(HWND_BROADCAST, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !tray.Calls().empty() && shell.Count(ABM_SETPOS) == 2; }, 10000));
    const TrayCall added = tray.Calls().front();
    EXPECT_EQ(added.action, DWORD(NIM_ADD));
    EXPECT_EQ(added.window, dialog->GetSafeHwnd());
    EXPECT_EQ(added.tip, L"Korvane Panomira");
    EXPECT_EQ(shell.Count(ABM_NEW), 2);
    for (const AppBarRecorder::Call& call : shell.calls) {
        EXPECT_TRUE(call.window == bar2 || call.window == bar3);
        if (call.message == ABM_SETPOS) {
            EXPECT_EQ(call.edge, UINT(ABE_BOTTOM));
        }
    }
    EXPECT_EQ(shell.registered, (std::set<HWND>{bar2, bar3}));
    RECT r2 = Wnd(bar2).GetWindowRect(), strip2{1024, 992, 2304, 1024};
    EXPECT_TRUE(::EqualRect(&r2, &strip2));
}

TEST_F(ExtraTaskbar, WindowsTaskbarTabsAreCalledOnlyForWindowsWhoseWantedTabChanged) {
    TabListRecorder tabs;
    HWND away = Make(L"Away", {1100, 100, 1500, 400});
    HWND home = Make(L"Home", {100, 100, 500, 400});
    HWND main = dialog->GetSafeHwnd();
    using Calls = std::vector<TabListRecorder::Call>;
    // The calls for the test's windows since the last look; every round's
    // object is released.
    auto take = [&] {
        Calls of;
        for (const auto& c : tabs.calls)
            if (c.window != main) of.push_back(c);
        tabs.calls.clear();
        EXPECT_EQ(tabs.objects, tabs.released);
        return of;
    };
    auto sorted = [](Calls c) {
        std::sort(c.begin(), c.end(), [](auto& a, auto& b) { return a.window < b.window; });
        return c;
    };
    auto separate = [&](bool on) {
        ::CheckDlgButton(page->GetSafeHwnd(), IDC_APP_SEPARATE_BUTTONS, on ? BST_CHECKED : BST_UNCHECKED);
    };
    auto tick = [&] { ::SendMessageW(page->GetSafeHwnd(), WM_TIMER, CAppSettingProp::kTaskbarRefreshTimer, 0); };
    auto moveTo = [&](HWND w, int x) {
        ::SetWindowPos(w, nullptr, x, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::SendMessageW(main, UM_APPCREATEDESTROY, reinterpret_cast<WPARAM>(w), 10003);
    };

    ApplyOption(true);
    EXPECT_EQ(take(), Calls{}) << "separate off: every window keeps the tab Windows gave it";
    separate(true);
    ApplyOption(true);
    EXPECT_EQ(take(), (Calls{{away, false}})) << "only the window on another display loses its tab";
    tabs.objects = tabs.released = 0;
    tick();
    tick();
    EXPECT_EQ(tabs.calls.size(), 0u) << "an unchanged tick calls nothing";
    EXPECT_EQ(tabs.objects, 0);
    moveTo(away, 200);
    EXPECT_EQ(take(), (Calls{{away, true}}));
    // Two windows change in one round: one object for both.
    tabs.objects = tabs.released = 0;
    ::SetWindowPos(away, nullptr, 1100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    moveTo(home, 2500);
    EXPECT_EQ(sorted(take()), sorted({{away, false}, {home, false}}));
    EXPECT_EQ(tabs.objects, 1) << "one object per round";
    separate(false);
    ApplyOption(true);
    const Calls both = sorted({{away, true}, {home, true}});
    EXPECT_EQ(sorted(take()), both) << "the option off gives the tabs back";
    separate(true);
    ApplyOption(true);
    EXPECT_EQ(take().size(), 2u);
    ApplyOption(false);
    EXPECT_EQ(sorted(take()), both) << "the bars going give the tabs back";
}

TEST_F(ExtraTaskbar, NothingIsShownFromWindows62On) {
    Make(L"On the second display", {1100, 100, 1500, 400});
    FakeWindowsVersion(6, 2);
    ApplyOption(true);
    EXPECT_EQ(page->UseTaskbar, 0);
    EXPECT_EQ(shell.Count(ABM_NEW), 0);
    for (int id : {IDC_APP_USE_TASKBAR, IDC_APP_ON_TOP, IDC_APP_SEPARATE_BUTTONS})
        EXPECT_FALSE(::IsWindowEnabled(page->GetDlgItem(id))) << id;
}

}  // namespace
}  // namespace velk::test
