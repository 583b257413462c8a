// Gather and restore with real windows of this process over a fake second
// display, on the window-movement tests' fixture. Wine keeps a normal
// rectangle on its one real monitor, so the placements onto display 2 are
// checked as the program hands them to SetWindowPlacement through the seam.
#include "tests/taskbar/desktop/desktop_test_support.h"

#include "resources/resource.h"
#include "tests/app/movement/movement_test_support.h"

namespace velk::test {
namespace {

std::vector<std::pair<HWND, WINDOWPLACEMENT>> g_placements;
BOOL WINAPI RecordingSetWindowPlacement(HWND window, const WINDOWPLACEMENT* placement) {
    g_placements.emplace_back(window, *placement);
    return RealPlatform().SetWindowPlacement(window, placement);
}

bool SameRect(const RECT& a, const RECT& b) { return ::EqualRect(&a, &b) != FALSE; }

struct WindowPositionsTest : MovementTest {
    void SetUp() override {
        MovementTest::SetUp();
        ui.Create();
    }
    WINDOWPLACEMENT Placement(HWND w) {
        WINDOWPLACEMENT p{};
        p.length = sizeof(p);
        ::GetWindowPlacement(w, &p);
        return p;
    }
    PageHost ui;
};

TEST_F(WindowPositionsTest, GatherOntoDisplayOneAndRestoreKeepEachWindowsState) {
    UseDisplays({{1, {0, 0, 1024, 768}}, {2, {1024, 0, 2048, 768}}});
    struct Case {
        RECT rect;
        int show;
        UINT showCmd;
        bool gathered;
    };
    const Case cases[] = {{{1100, 100, 1500, 400}, SW_SHOWNOACTIVATE, SW_SHOWNORMAL, true},
                          {{1200, 150, 1600, 500}, SW_SHOWMAXIMIZED, SW_SHOWMAXIMIZED, true},
                          {{1300, 200, 1700, 600}, SW_SHOWMINNOACTIVE, SW_SHOWMINIMIZED, true},
                          {{100, 100, 400, 300}, SW_SHOWNOACTIVATE, SW_SHOWNORMAL, false}};
    std::vector<HWND> made;
    std::vector<WINDOWPLACEMENT> before;
    for (const Case& c : cases) {
        made.push_back(MakeWindow(c.rect));
        ::ShowWindow(made.back(), c.show);
        topology.PlaceWindow(made.back(), c.rect);  // a maximised window fills the one real monitor
        before.push_back(Placement(made.back()));
    }
    HWND doomed = MakeWindow({1150, 50, 1450, 350});
    ui.host.MoveAllowed = 0;

    ui.Click(IDC_APP_GATHER);
    EXPECT_EQ(ui.host.MoveAllowed, 0) << "put back as it was";
    EXPECT_TRUE(!ui.Enabled(IDC_APP_GATHER) && ui.Enabled(IDC_APP_RESTORE_WINDOWS));
    for (size_t i = 0; i < made.size(); ++i) {
        SCOPED_TRACE(i);
        const std::wstring key = L"AppPosition\\" + std::to_wstring(static_cast<int>(reinterpret_cast<intptr_t>(made[i])));
        RECT expected = before[i].rcNormalPosition;
        if (cases[i].gathered) ::OffsetRect(&expected, -1024, 0);
        EXPECT_EQ(Placement(made[i]).showCmd, cases[i].showCmd);
        EXPECT_TRUE(SameRect(Placement(made[i]).rcNormalPosition, expected));
        EXPECT_EQ(ProfileInt(key, L"ShowCmd"), cases[i].gathered ? std::optional<DWORD>(cases[i].showCmd) : std::nullopt);
        if (cases[i].gathered) {
            EXPECT_EQ(ProfileInt(key, L"left"), DWORD(before[i].rcNormalPosition.left));
        }
    }

    ::DestroyWindow(doomed);  // ends between Gather and Restore
    g_placements.clear();
    Platform().SetWindowPlacement = RecordingSetWindowPlacement;
    ui.Click(IDC_APP_RESTORE_WINDOWS);
    EXPECT_TRUE(ui.Enabled(IDC_APP_GATHER) && !ui.Enabled(IDC_APP_RESTORE_WINDOWS));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ProfileSection(L"AppPosition")));
    for (const auto& call : g_placements) EXPECT_NE(call.first, doomed);
    for (size_t i = 0; i < made.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Placement(made[i]).showCmd, cases[i].showCmd);
        std::vector<WINDOWPLACEMENT> calls;
        for (const auto& call : g_placements)
            if (call.first == made[i]) calls.push_back(call.second);
        // A maximised window is minimised first, then maximised again over
        // its normal rectangle on display 2.
        ASSERT_EQ(calls.size(), !cases[i].gathered ? 0u : cases[i].showCmd == SW_SHOWMAXIMIZED ? 2u : 1u);
        if (calls.empty()) continue;
        if (calls.size() == 2) {
            EXPECT_EQ(calls[0].showCmd, UINT(SW_SHOWMINIMIZED));
        }
        EXPECT_EQ(calls.back().length, 44u);
        EXPECT_EQ(calls.back().showCmd, cases[i].showCmd);
        EXPECT_TRUE(SameRect(calls.back().rcNormalPosition, before[i].rcNormalPosition));
        EXPECT_EQ(calls.back().flags, before[i].flags);
        EXPECT_EQ(calls.back().ptMinPosition.y, before[i].ptMinPosition.y);
    }
}

TEST_F(WindowPositionsTest, RestoreAfterADisplayChangePutsEveryGatheredWindowBack) {
    UseDisplays({{1, {0, 0, 1024, 768}}, {2, {1024, 0, 2048, 768}}});
    const RECT onTwo{1100, 100, 1500, 400};
    HWND w = MakeWindow(onTwo);
    ui.Click(IDC_APP_GATHER);
    // The display goes and comes back: the main dialog's display change
    // removes the bars, which clears the tracked-window table.
    UseDisplays({{1, {0, 0, 1024, 768}}});
    ui.page.DestroyExtraTaskbars();
    UseDisplays({{1, {0, 0, 1024, 768}}, {2, {1024, 0, 2048, 768}}});
    ASSERT_EQ(FindTrackedWindow(w), nullptr);
    g_placements.clear();
    Platform().SetWindowPlacement = RecordingSetWindowPlacement;
    ui.Click(IDC_APP_RESTORE_WINDOWS);
    ASSERT_EQ(g_placements.size(), 1u);
    EXPECT_EQ(g_placements[0].first, w);
    EXPECT_TRUE(SameRect(g_placements[0].second.rcNormalPosition, onTwo));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ProfileSection(L"AppPosition")));
}

TEST_F(WindowPositionsTest, WithOneDisplayGatherOnlySwapsTheButtons) {
    UseDisplays({{1, {0, 0, 1024, 768}}});
    HWND w = MakeWindow({100, 100, 400, 300});
    ui.Click(IDC_APP_GATHER);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ProfileSection(L"AppPosition")));
    EXPECT_TRUE(!ui.Enabled(IDC_APP_GATHER) && ui.Enabled(IDC_APP_RESTORE_WINDOWS));
    EXPECT_TRUE(SameRect(Placement(w).rcNormalPosition, RECT{100, 100, 400, 300}));
}

}  // namespace
}  // namespace velk::test
