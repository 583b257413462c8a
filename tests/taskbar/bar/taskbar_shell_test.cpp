// The controller against the shell: the Windows taskbar's tabs (recorded
// through the seam) after the shell restarts and after a round without a tab
// list, and a round over windows that are slow to give their icon.
#include "display/display_list.h"
#include "framework/app.h"
#include "resources/resource.h"
#include "taskbar/app_setting_page.h"
#include "taskbar/taskbar_button.h"
#include "testing/harness.h"
#include "testing/support/fake_topology.h"
#include "tests/taskbar/bar/taskbar_test_support.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace velk::test {
namespace {

using Calls = std::vector<TabListRecorder::Call>;

// The calls in the order of their window handles.
Calls Sorted(Calls calls) {
    std::sort(calls.begin(), calls.end(), [](const auto& a, const auto& b) { return a.window < b.window; });
    return calls;
}

// Display 1 (primary) and display 2 to its right, the page on a hidden host
// window with the extra taskbar on and "Show app buttons only extra taskbar"
// checked.
class TaskbarShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeWindowsVersion(6, 1);
        app.SetRegistryKey(L"VELK-Panomira");
        ResetProfile();
        UseDisplay(0, 1, {0, 0, 1024, 768});
        UseDisplay(1, 2, {1024, 0, 2048, 768});
        list.Count = 2;
        SetCurrentDisplayList(&list);
        host.reset(MakeWindow(L"Host", {0, 0, 100, 100}, 0, nullptr, false));
        ASSERT_TRUE(page.Create(host.get()));
    }
    void TearDown() override {
        ::DestroyWindow(page.GetSafeHwnd());
        SetCurrentDisplayList(nullptr);
        ResetProfile();
    }
    void UseDisplay(int slot, uint32_t number, RECT rect) {
        FakeDisplay& fake = topology.Add(ActiveDisplay(static_cast<int>(number), rect, slot == 0));
        DisplayRecord& r = list.Records[slot];
        PlaceRecord(r, rect);
        r.Monitor = fake.monitor;
        r.DisplayNumber = r.SystemsDispNumber = number;
        r.Ordinal = slot + 1;
        r.Primary = slot == 0;
    }
    void StartBars() {
        page.UseTaskbar = 1;
        page.SeparateButtons = 1;  // as applied: the first round already takes the tabs
        ::CheckDlgButton(page.GetSafeHwnd(), IDC_APP_SEPARATE_BUTTONS, BST_CHECKED);
        page.RefreshWindowTable();
        page.ApplyUseTaskbar();
        ASSERT_EQ(page.Running, 1);
    }
    void Tick() { ::SendMessageW(page.GetSafeHwnd(), WM_TIMER, CAppSettingProp::kTaskbarRefreshTimer, 0); }

    PlatformOverride seam;
    FakeTopology topology;
    AppBarRecorder shell;
    TabListRecorder tabs;
    DisplayList list{};
    CWinApp app{L"Velkmira"};
    UniqueWindow host;
    CAppSettingProp page;
};

TEST_F(TaskbarShellTest, AfterTheShellRestartsEveryTabThatMustGoIsDeletedAgain) {
    UniqueWindow onTwo(MakeWindow(L"On two", {1100, 100, 1500, 400}));
    UniqueWindow alsoOnTwo(MakeWindow(L"Also on two", {1200, 150, 1600, 450}));
    UniqueWindow onOne(MakeWindow(L"On one", {100, 100, 500, 400}));
    StartBars();
    const Calls deleted = Sorted({{onTwo.get(), false}, {alsoOnTwo.get(), false}});
    EXPECT_EQ(Sorted(tabs.calls), deleted) << "windows on display 2 leave the Windows taskbar";
    tabs.calls.clear();
    Tick();
    EXPECT_TRUE(tabs.calls.empty()) << "a tick changes only what changed";

    // The new shell shows every tab again: the round takes them once more.
    page.RegisterExtraTaskbarsAgain();
    EXPECT_EQ(Sorted(tabs.calls), deleted);
    tabs.calls.clear();
    Tick();
    EXPECT_TRUE(tabs.calls.empty());
    EXPECT_EQ(tabs.objects, tabs.released);
}

TEST_F(TaskbarShellTest, ARoundWithoutATabListIsMadeAgainOnTheNextTick) {
    UniqueWindow onTwo(MakeWindow(L"On two", {1100, 100, 1500, 400}));
    tabs.failures = 1;
    StartBars();
    EXPECT_TRUE(tabs.calls.empty()) << "the round had no tab list";
    Tick();
    EXPECT_EQ(tabs.calls, (Calls{{onTwo.get(), false}}));
    tabs.calls.clear();
    Tick();
    EXPECT_TRUE(tabs.calls.empty());

    // Stopping gives the tab back; a stop without a tab list keeps what is
    // still to give back for the next start.
    tabs.failures = 1;
    page.UseTaskbar = 0;
    page.ApplyUseTaskbar();
    EXPECT_TRUE(tabs.calls.empty());
    EXPECT_EQ(page.TabsDeleted.count(onTwo.get()), 1u);
}

// Windows of another thread that each take kSlowMs to answer WM_GETICON,
// giving the warning icon as their small icon.
constexpr DWORD kSlowMs = 400;
LRESULT CALLBACK SlowIconProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_GETICON) {
        ::Sleep(kSlowMs);
        return w == ICON_SMALL ? reinterpret_cast<LRESULT>(::LoadIconW(nullptr, IDI_WARNING)) : 0;
    }
    return ::DefWindowProcW(window, message, w, l);
}

TEST_F(TaskbarShellTest, ARoundOverSlowWindowsStaysWithinItsBoundAndTheIconsFollow) {
    constexpr int kSlow = 5;
    std::vector<HWND> slow(kSlow);
    std::atomic<bool> begin{false}, made{false}, stop{false};
    std::thread owner([&] {
        while (!begin) ::Sleep(1);
        WNDCLASSW wc{};
        wc.lpfnWndProc = SlowIconProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VelkSlowIconWindow";
        ::RegisterClassW(&wc);
        for (int i = 0; i < kSlow; ++i)
            slow[i] = ::CreateWindowExW(0, wc.lpszClassName, L"Slow", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 1100 + 20 * i,
                                        100, 300, 300, nullptr, nullptr, wc.hInstance, nullptr);
        made = true;
        MSG msg;
        while (!stop) {
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
        for (HWND w : slow) ::DestroyWindow(w);
    });
    StartBars();
    begin = true;  // the windows come now
    while (!made) ::Sleep(1);
    page.RefreshWindowTable();
    const DWORD start = ::GetTickCount();
    page.SyncTaskbarButtons();
    const DWORD took = ::GetTickCount() - start;
    EXPECT_LT(took, 250u) << "the round waited for the windows' icons";

    std::vector<const CTaskBarButton*> buttons;
    for (const CTaskBarButton& b : page.TaskButtons)
        for (HWND w : slow)
            if (b.Target == w) buttons.push_back(&b);
    ASSERT_EQ(buttons.size(), size_t(kSlow));
    EXPECT_EQ(PendingIconQuestions(), size_t(kSlow)) << "one question per window, however often asked";
    const HICON warning = ::LoadIconW(nullptr, IDI_WARNING);
    EXPECT_TRUE(PumpUntil(
        [&] {
            for (const CTaskBarButton* b : buttons)
                if (b->Icon != warning) return false;
            return PendingIconQuestions() == 0;
        },
        30000))
        << "every button shows its window's answer once it came";
    stop = true;
    owner.join();
}

}  // namespace
}  // namespace velk::test
