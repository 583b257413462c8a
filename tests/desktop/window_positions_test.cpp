// Gather and restore with real windows of this process over a fake second
// display behind the platform seam. The windows belong to this process, so
// the real SetWindowPlacement moves them (Wine refuses it for another
// process's window).
#include "tests/desktop/desktop_test_support.h"

#include "display/display_list.h"
#include "resources/resource.h"
#include "taskbar/tracked_windows.h"
#include "tests/display/fake_topology.h"

namespace velk::test {
namespace {

constexpr RECT kDisplay1{0, 0, 1024, 768};
constexpr RECT kDisplay2{1024, 0, 2048, 768};

// SetWindowPlacement calls, recorded and passed on. Wine keeps a normal
// rectangle on the one real monitor, so placements onto the fake second
// display are checked as the program asked for them.
struct PlacementCall {
    HWND window;
    WINDOWPLACEMENT placement;
};
std::vector<PlacementCall> g_placements;
BOOL WINAPI RecordingSetWindowPlacement(HWND window, const WINDOWPLACEMENT* placement) {
    g_placements.push_back(PlacementCall{window, *placement});
    return RealPlatform().SetWindowPlacement(window, placement);
}

LRESULT CALLBACK PlainWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return ::DefWindowProcW(w, m, wp, lp); }

class WindowPositionsTest : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        WNDCLASSW wc{};
        wc.lpfnWndProc = PlainWindowProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VelkGatherTestWindow";
        ::RegisterClassW(&wc);
        SetCurrentDisplayList(&list);
    }
    void TearDown() override {
        for (HWND w : windows) ::DestroyWindow(w);
        SetCurrentDisplayList(nullptr);
        PageTest::TearDown();
    }
    void UseDisplays(std::initializer_list<RECT> rects) {
        list = DisplayList{};
        int slot = 0;
        for (const RECT& r : rects) {
            FakeDisplay& fake = topology.Add(ActiveDisplay(slot + 1, r, slot == 0));
            DisplayRecord& d = list.Records[slot];
            d = DisplayRecord{};
            d.Width = r.right - r.left;
            d.Height = r.bottom - r.top;
            d.left = r.left;
            d.top = r.top;
            d.right = r.right;
            d.bottom = r.bottom;
            d.Monitor = fake.monitor;
            d.DisplayNumber = d.SystemsDispNumber = static_cast<uint32_t>(slot + 1);
            d.Primary = slot == 0;
            ++slot;
        }
        list.Count = slot;
    }
    HWND MakeWindow(const wchar_t* title, RECT rect, int show) {
        HWND w = ::CreateWindowExW(0, L"VelkGatherTestWindow", title, WS_OVERLAPPEDWINDOW, rect.left, rect.top,
                                   rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
        EXPECT_NE(w, nullptr) << "window creation failed: " << ::GetLastError();
        if (!w) return nullptr;
        windows.push_back(w);
        ::ShowWindow(w, show);
        // Where the fake displays see it (a maximised window fills the one real monitor).
        topology.PlaceWindow(w, rect);
        return w;
    }
    static WINDOWPLACEMENT Placement(HWND w) {
        WINDOWPLACEMENT p{};
        p.length = sizeof(p);
        ::GetWindowPlacement(w, &p);
        return p;
    }
    static bool SameRect(const RECT& a, const RECT& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }

    FakeTopology topology;
    DisplayList list{};
    std::vector<HWND> windows;
};

TEST_F(WindowPositionsTest, GatherOntoDisplayOneAndRestoreKeepEachWindowsState) {
    UseDisplays({kDisplay1, kDisplay2});
    CreatePage();
    struct Case {
        const wchar_t* title;
        RECT rect;
        int show;
        UINT showCmd;
        bool gathered;
    };
    const Case cases[] = {
        {L"gather normal", {1100, 100, 1500, 400}, SW_SHOWNOACTIVATE, SW_SHOWNORMAL, true},
        {L"gather maximised", {1200, 150, 1600, 500}, SW_SHOWMAXIMIZED, SW_SHOWMAXIMIZED, true},
        {L"gather minimised", {1300, 200, 1700, 600}, SW_SHOWMINNOACTIVE, SW_SHOWMINIMIZED, true},
        {L"gather home", {100, 100, 400, 300}, SW_SHOWNOACTIVATE, SW_SHOWNORMAL, false},
    };
    std::vector<HWND> made;
    for (const Case& c : cases) made.push_back(MakeWindow(c.title, c.rect, c.show));
    HWND doomed = MakeWindow(L"gather doomed", {1150, 50, 1450, 350}, SW_SHOWNOACTIVATE);
    std::vector<WINDOWPLACEMENT> before;
    for (HWND w : made) before.push_back(Placement(w));
    host.MoveAllowed = 0;

    Click(IDC_APP_GATHER);
    EXPECT_EQ(host.MoveAllowed, 0) << "put back as it was";
    EXPECT_FALSE(Enabled(IDC_APP_GATHER));
    EXPECT_TRUE(Enabled(IDC_APP_RESTORE_WINDOWS));
    for (size_t i = 0; i < made.size(); ++i) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(cases[i].title)));
        const std::wstring key = ProfileSection(L"AppPosition") + L"\\" +
                                 std::to_wstring(static_cast<int>(reinterpret_cast<intptr_t>(made[i])));
        const WINDOWPLACEMENT now = Placement(made[i]);
        EXPECT_EQ(now.showCmd, cases[i].showCmd);
        if (!cases[i].gathered) {
            EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key));
            EXPECT_TRUE(SameRect(now.rcNormalPosition, before[i].rcNormalPosition));
            continue;
        }
        EXPECT_EQ(GetDword(HKEY_CURRENT_USER, key, L"ShowCmd"), cases[i].showCmd);
        EXPECT_EQ(GetDword(HKEY_CURRENT_USER, key, L"left"), static_cast<DWORD>(before[i].rcNormalPosition.left));
        RECT expected = before[i].rcNormalPosition;
        ::OffsetRect(&expected, -1024, 0);
        EXPECT_TRUE(SameRect(now.rcNormalPosition, expected)) << now.rcNormalPosition.left;
    }

    ::DestroyWindow(doomed);  // ends between Gather and Restore
    g_placements.clear();
    Platform().SetWindowPlacement = RecordingSetWindowPlacement;
    Click(IDC_APP_RESTORE_WINDOWS);
    EXPECT_TRUE(Enabled(IDC_APP_GATHER));
    EXPECT_FALSE(Enabled(IDC_APP_RESTORE_WINDOWS));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ProfileSection(L"AppPosition")));
    for (const PlacementCall& call : g_placements) EXPECT_NE(call.window, doomed);
    for (size_t i = 0; i < made.size(); ++i) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(cases[i].title)));
        EXPECT_EQ(Placement(made[i]).showCmd, cases[i].showCmd);
        std::vector<WINDOWPLACEMENT> calls;
        for (const PlacementCall& call : g_placements) {
            if (call.window == made[i]) calls.push_back(call.placement);
        }
        if (!cases[i].gathered) {
            EXPECT_TRUE(calls.empty());
            continue;
        }
        // A maximised window is minimised first, then maximised again over
        // its normal rectangle on display 2.
        ASSERT_EQ(calls.size(), cases[i].showCmd == SW_SHOWMAXIMIZED ? 2u : 1u);
        if (calls.size() == 2) {
            EXPECT_EQ(calls[0].showCmd, UINT(SW_SHOWMINIMIZED));
        }
        EXPECT_EQ(calls.back().showCmd, cases[i].showCmd);
        EXPECT_EQ(calls.back().length, 44u);
        EXPECT_TRUE(SameRect(calls.back().rcNormalPosition, before[i].rcNormalPosition));
        EXPECT_EQ(calls.back().flags, before[i].flags);
        EXPECT_EQ(calls.back().ptMaxPosition.x, before[i].ptMaxPosition.x);
        EXPECT_EQ(calls.back().ptMinPosition.y, before[i].ptMinPosition.y);
    }
}

TEST_F(WindowPositionsTest, WithOneDisplayGatherOnlySwapsTheButtons) {
    UseDisplays({kDisplay1});
    CreatePage();
    HWND w = MakeWindow(L"gather single", {100, 100, 400, 300}, SW_SHOWNOACTIVATE);
    Click(IDC_APP_GATHER);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ProfileSection(L"AppPosition")));
    EXPECT_FALSE(Enabled(IDC_APP_GATHER));
    EXPECT_TRUE(Enabled(IDC_APP_RESTORE_WINDOWS));
    EXPECT_TRUE(SameRect(Placement(w).rcNormalPosition, RECT{100, 100, 400, 300}));
}

}  // namespace
}  // namespace velk::test
