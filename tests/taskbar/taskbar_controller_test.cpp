// The extra taskbar end to end: the main dialog in the test process with the
// real hook library, three fake displays behind the seam, the shell's AppBar
// side recorded, and real windows of the test process that appear, move
// between displays and go.
#include "app/main_dialog.h"
#include "app/velkmira_app.h"
#include "display/display_list.h"
#include "display/display_lookup.h"
#include "display/program_messages.h"
#include "resources/resource.h"
#include "taskbar/taskbar_control.h"
#include "taskbar/taskbar_window.h"
#include "testing/harness.h"
#include "tests/addon/addon_test_support.h"
#include "tests/display/fake_topology.h"
#include "tests/maindialog/tray_fixture.h"
#include "tests/taskbar/taskbar_test_support.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <memory>
#include <optional>
#include <vector>

namespace velk::test {
namespace {

constexpr UINT_PTR kApplyGuardTimer = 10;
const RECT kDisplay1{0, 0, 1024, 768};
const RECT kDisplay2{1024, 0, 2304, 1024};
const RECT kDisplay3{2304, 0, 3584, 1024};

// The user-interface thread's blocking waits end at once; a wait on a
// thread (the watch thread at shut-down) is real.
DWORD WINAPI NoBlockingWait(HANDLE handle, DWORD ms) {
    if (::GetThreadId(handle) != 0) return RealPlatform().WaitForSingleObject(handle, ms);
    return RealPlatform().WaitForSingleObject(handle, 0);
}

RECT Offset(RECT r, int dx, int dy) {
    ::OffsetRect(&r, dx, dy);
    return r;
}

int CountWindowsTitled(const wchar_t* title) {
    int n = 0;
    for (HWND w = ::FindWindowExW(nullptr, nullptr, nullptr, title); w; w = ::FindWindowExW(nullptr, w, nullptr, title))
        ++n;
    return n;
}

class ExtraTaskbar : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&controls);
        theApp.SetRegistryKey(L"VELK-Panomira");
        RegisterMainWindowClass();
        addon_test::SetLibraryPath(addon_test::SimulatedLibraryPath());
    }
    static void TearDownTestSuite() { addon_test::RemoveLibraryPath(); }

    void SetUp() override {
        ResetProfile();
        Platform().WaitForSingleObject = NoBlockingWait;
        FakeWindowsVersion(6, 1);
        topology.Add(ActiveDisplay(1, kDisplay1, true));
        topology.Add(ActiveDisplay(2, kDisplay2));
        topology.Add(ActiveDisplay(3, kDisplay3));
        monitorKey.emplace(MonitorEnumKey::ValuesFor(topology));
        tray = std::make_unique<FakeTray>();
        dialog = std::make_unique<CVELKMIRADlg>();
        ASSERT_TRUE(dialog->Create(nullptr));
        ASSERT_TRUE(dialog->IsInitialised());
        ASSERT_NE(dialog->HookLibrary(), nullptr);
        page = static_cast<CAppSettingProp*>(dialog->Page(3));
        ASSERT_NE(page->GetSafeHwnd(), nullptr);
        number2 = static_cast<int>(GetSystemNumberFromPoint({1500, 500}));
        number3 = static_cast<int>(GetSystemNumberFromPoint({3000, 500}));
        ASSERT_NE(number2, number3);
        EXPECT_EQ(page->Running, 0);
        EXPECT_TRUE(shell.calls.empty()) << "no bar while the option is off";
    }

    void TearDown() override {
        dialog.reset();
        EXPECT_TRUE(shell.registered.empty()) << "a bar is left registered with the shell";
        EXPECT_EQ(CountWindowsTitled(kExtraTaskbarTitle), 0);
        for (HWND w : windows) ::DestroyWindow(w);
        tray.reset();
        monitorKey.reset();
        MonitorEnumKey::Delete();
        ResetProfile();
    }

    HWND Make(const wchar_t* title, RECT rect) {
        HWND w = MakeWindow(title, rect);
        EXPECT_NE(w, nullptr);
        windows.push_back(w);
        return w;
    }
    // The option as the user sets it, then Apply.
    void ApplyOption(bool useTaskbar, bool onTop = false) {
        HWND p = page->GetSafeHwnd();
        ::CheckDlgButton(p, IDC_APP_USE_TASKBAR, useTaskbar ? BST_CHECKED : BST_UNCHECKED);
        ::CheckDlgButton(p, IDC_APP_ON_TOP, onTop ? BST_CHECKED : BST_UNCHECKED);
        page->UseTaskbar = useTaskbar ? 1 : 0;
        page->TaskbarOnTop = onTop ? 1 : 0;
        ::SendMessageW(dialog->GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(IDC_APPLY, BN_CLICKED), 0);
        ::SendMessageW(dialog->GetSafeHwnd(), WM_TIMER, kApplyGuardTimer, 0);
    }
    // The button slot standing for the window, or null.
    const CTaskBarButton* ButtonOf(HWND window) const {
        for (const CTaskBarButton& b : page->TaskButtons)
            if (b.Target == window) return &b;
        return nullptr;
    }
    HWND BarWindow(int number) const {
        CTaskbarEx* bar = page->ExtraTaskbarOf(number);
        return bar ? bar->Window : nullptr;
    }
    // The button's rectangle in its bar's client coordinates.
    static RECT RectOnBar(const CTaskBarButton& b) {
        RECT r = Wnd(b.GetSafeHwnd()).GetWindowRect();
        ::MapWindowPoints(nullptr, ::GetParent(b.GetSafeHwnd()), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    void ShellEvent(HWND window, LPARAM code) {
        ::SendMessageW(dialog->GetSafeHwnd(), UM_APPCREATEDESTROY, reinterpret_cast<WPARAM>(window), code);
    }

    PlatformOverride seam;  // first in, last out
    AppBarRecorder shell;
    FakeTopology topology;
    std::optional<MonitorEnumKey> monitorKey;
    std::unique_ptr<FakeTray> tray;
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

    // A bar along the bottom of each non-primary display, none on the primary one.
    ASSERT_EQ(page->Running, 1);
    EXPECT_EQ(page->ExtraTaskbarOf(1), nullptr);
    const HWND bar2 = BarWindow(number2), bar3 = BarWindow(number3);
    ASSERT_NE(bar2, nullptr);
    ASSERT_NE(bar3, nullptr);
    RECT r2 = Wnd(bar2).GetWindowRect();
    const RECT strip2{1024, 992, 2304, 1024};
    EXPECT_TRUE(::EqualRect(&r2, &strip2));
    EXPECT_EQ(shell.registered, (std::set<HWND>{bar2, bar3}));
    EXPECT_EQ(FindTrackedWindow(bar2), nullptr) << "the program's own bars are never tracked";
    EXPECT_EQ(::GetWindowLongW(bar2, GWL_EXSTYLE) & WS_EX_TOPMOST, 0) << "not on top: sent to the bottom";
    EXPECT_TRUE(::IsWindowEnabled(page->GetDlgItem(IDC_APP_ON_TOP)));
    EXPECT_EQ(::IsDlgButtonChecked(page->GetSafeHwnd(), IDC_APP_USE_TASKBAR), BST_CHECKED);

    // One button per window on the display, laid out left to right.
    const CTaskBarButton* a = ButtonOf(alpha);
    const CTaskBarButton* b = ButtonOf(beta);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(ButtonOf(gamma), nullptr) << "a window on the primary display has no button";
    EXPECT_EQ(::GetParent(a->GetSafeHwnd()), bar2);
    EXPECT_EQ(page->ExtraTaskbarOf(number2)->ButtonCount, 2);
    EXPECT_EQ(page->ExtraTaskbarOf(number3)->ButtonCount, 0);
    const CTaskBarButton* first = a->Position == 0 ? a : b;
    const CTaskBarButton* second = a->Position == 0 ? b : a;
    ASSERT_EQ(second->Position, 1);
    RECT onBar = RectOnBar(*second), expected = TaskButtonRect(1, 1280, 29);
    EXPECT_TRUE(::EqualRect(&onBar, &expected));

    // A window that appears is reported by the hook library's shell event and
    // gets its button then, without the refresh timer.
    page->KillTimer(CAppSettingProp::kTaskbarRefreshTimer);
    HWND delta = Make(L"Delta", {2400, 100, 2800, 400});
    ASSERT_TRUE(PumpUntil([&] { return ButtonOf(delta) != nullptr; }, 5000)) << "no shell event for a new window";
    EXPECT_EQ(::GetParent(ButtonOf(delta)->GetSafeHwnd()), bar3);

    // The first window moves from display 2 to display 3: its button goes to
    // the end of bar 3, and the one right of it on bar 2 comes back one place
    // further left.
    HWND moved = first->Target, stays = second->Target;
    ::SetWindowPos(moved, nullptr, 2500, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShellEvent(moved, 10003);
    ASSERT_NE(ButtonOf(moved), nullptr);
    EXPECT_EQ(::GetParent(ButtonOf(moved)->GetSafeHwnd()), bar3);
    EXPECT_EQ(ButtonOf(moved)->Position, 1);
    ASSERT_NE(ButtonOf(stays), nullptr);
    EXPECT_EQ(ButtonOf(stays)->Position, 0);
    onBar = RectOnBar(*ButtonOf(stays));
    expected = TaskButtonRect(0, 1280, 29);
    EXPECT_TRUE(::EqualRect(&onBar, &expected));
    EXPECT_EQ(page->ExtraTaskbarOf(number2)->ButtonCount, 1);
    EXPECT_EQ(page->ExtraTaskbarOf(number3)->ButtonCount, 2);

    // A window that goes takes its button along.
    ::DestroyWindow(delta);
    ASSERT_TRUE(PumpUntil([&] { return ButtonOf(delta) == nullptr; }, 5000)) << "no shell event for a closed window";
    EXPECT_EQ(ButtonOf(moved)->Position, 0);
    EXPECT_EQ(page->ExtraTaskbarOf(number3)->ButtonCount, 1);

    // The option off: every bar and button goes and the shell forgets the bars.
    const int removes = shell.Count(ABM_REMOVE);
    ApplyOption(false);
    EXPECT_EQ(page->Running, 0);
    EXPECT_EQ(page->ExtraTaskbarOf(number2), nullptr);
    EXPECT_EQ(page->ExtraTaskbarOf(number3), nullptr);
    EXPECT_EQ(shell.Count(ABM_REMOVE), removes + 2);
    EXPECT_TRUE(shell.registered.empty());
    EXPECT_EQ(CountWindowsTitled(kExtraTaskbarTitle), 0);
    EXPECT_EQ(page->FindFreeButtonSlot(), 0);
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
    const HWND bar2 = BarWindow(number2);
    ASSERT_NE(bar2, nullptr);
    EXPECT_EQ(page->ExtraTaskbarOf(number3 == number2 ? 0 : number3), nullptr);
    EXPECT_EQ(shell.registered, (std::set<HWND>{bar2}));
    EXPECT_EQ(CountWindowsTitled(kExtraTaskbarTitle), 1);
    EXPECT_EQ(ButtonOf(onThird), nullptr) << "its window now counts as on the primary display";
}

TEST_F(ExtraTaskbar, NothingIsShownFromWindows62On) {
    Make(L"On the second display", {1100, 100, 1500, 400});
    FakeWindowsVersion(6, 2);
    ApplyOption(true);
    EXPECT_EQ(page->UseTaskbar, 0);
    EXPECT_EQ(page->Running, 0);
    EXPECT_EQ(shell.Count(ABM_NEW), 0);
    for (int id : {IDC_APP_USE_TASKBAR, IDC_APP_ON_TOP, IDC_APP_SEPARATE_BUTTONS})
        EXPECT_FALSE(::IsWindowEnabled(page->GetDlgItem(id))) << id;
}

}  // namespace
}  // namespace velk::test
