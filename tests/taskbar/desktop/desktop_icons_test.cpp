// Desktop icon positions against a real list view in another process
// (desktop_sim): save, move, restore, duplicates, nested names, the layout
// check, auto-arrange, the backup, and damaged input of every kind.
#include "tests/taskbar/desktop/desktop_test_support.h"

#include <cstring>

#include "display/program_messages.h"
#include "framework/strings.h"
#include "resources/resource.h"
#include "taskbar/desktop_icon_sets.h"
#include "testing/desktopsim/desktop_sim_protocol.h"
#include "testing/desktopsim/desktop_windows.h"

namespace velk::test {
namespace {

using desktop_sim::InitialPosition;
constexpr wchar_t kSaved[] = L"IconPosition";
constexpr wchar_t kBackup[] = L"IconPositionBackup";

std::wstring Key(const wchar_t* section, const std::wstring& name) { return ProfileSection(section) + L"\\" + name; }
POINT Saved(const wchar_t* section, const std::wstring& name) {
    const auto x = GetDword(HKEY_CURRENT_USER, Key(section, name), L"x");
    const auto y = GetDword(HKEY_CURRENT_USER, Key(section, name), L"y");
    return POINT{x ? static_cast<LONG>(*x) : -1, y ? static_cast<LONG>(*y) : -1};
}

struct DesktopIconsTest : ::testing::Test {
    void SetUp() override { ui.Create(); }
    // A button pressed, and its icon task waited for.
    void Press(int id) {
        ui.Click(id);
        FinishIconJob(page);
    }
    PlatformOverride platform;
    PageHost ui;
    CAppSettingProp& page = ui.page;
};

TEST_F(DesktopIconsTest, SaveMoveRestorePutsEveryIconBackAndKeepsABackup) {
    // Icons 3 and 4 share a text; icon 5 holds a backslash.
    DesktopSim sim({L"Alpha", L"Beta", L"Gamma", L"Twin", L"Twin", L"Tools\\Editor"});
    ASSERT_TRUE(sim.Ready());
    Press(IDC_APP_SAVE_ICONS);
    EXPECT_EQ(ProfileInt(kSaved, L"IconSaveFlag"), 1u);
    EXPECT_TRUE(ui.Enabled(IDC_APP_RESTORE_ICONS) && ui.Enabled(IDC_APP_RESTORE_AT_START));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ProfileSection(kBackup)));
    // The save runs from the last index down: the higher Twin takes the plain subkey.
    EXPECT_TRUE(Same(Saved(kSaved, L"Alpha"), InitialPosition(0)));
    EXPECT_TRUE(Same(Saved(kSaved, L"Twin"), InitialPosition(4)));
    EXPECT_TRUE(Same(Saved(kSaved, L"Twin_S"), InitialPosition(3)));
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, Key(kSaved, L"Twin_S"), L"Index"), 3u);
    EXPECT_TRUE(Same(Saved(kSaved, L"Tools\\Editor"), InitialPosition(5)));
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, Key(kSaved, L"Tools\\Editor"), L"Tools\\Editor"), L"Tools\\Editor");
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, Key(kSaved, L"Alpha"), L"MonitorNumber"), 1u);

    for (int i = 0; i < 6; ++i) ASSERT_TRUE(sim.Move(i, POINT{600 + 20 * i, 500 - 30 * i}));
    MessageBoxCatcher none(IDNO, 1500);
    Press(IDC_APP_RESTORE_ICONS);
    EXPECT_FALSE(none.Result().has_value()) << "a complete restore asks nothing";
    for (int i : {0, 1, 2, 5}) EXPECT_TRUE(Same(sim.Position(i), InitialPosition(i))) << "icon " << i;
    // The Twins may trade places: either saved position is right for either.
    EXPECT_TRUE((Same(sim.Position(3), InitialPosition(3)) && Same(sim.Position(4), InitialPosition(4))) ||
                (Same(sim.Position(3), InitialPosition(4)) && Same(sim.Position(4), InitialPosition(3))));
    EXPECT_TRUE(Same(Saved(kBackup, L"Alpha"), POINT{600, 500})) << "the backup holds the places before";
    EXPECT_TRUE(Same(Saved(kBackup, L"Tools\\Editor"), POINT{700, 350}));
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, Key(kSaved, L"Alpha"), L"AlreadyRestore"), 0u);

    // A second restore backs up exactly the places before it, not into "_S" subkeys.
    ASSERT_TRUE(sim.Move(0, POINT{700, 40}));
    Press(IDC_APP_RESTORE_ICONS);
    EXPECT_TRUE(Same(Saved(kBackup, L"Alpha"), POINT{700, 40}));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Key(kBackup, L"Alpha_S")));
}

TEST_F(DesktopIconsTest, NamesThatMeetTheDuplicateSchemeOrAreTooLongForAKeyRestore) {
    const std::wstring longText(258, L'L');
    DesktopSim sim({L"Twin", L"Twin", L"Twin_S", longText, L"Colon:"});
    ASSERT_TRUE(sim.Ready());
    Press(IDC_APP_SAVE_ICONS);
    EXPECT_TRUE(Same(Saved(kSaved, L"Twin_S:"), InitialPosition(2))) << "its own key, not the second Twin's";
    EXPECT_TRUE(Same(Saved(kSaved, L"Colon::"), InitialPosition(4)));
    const std::wstring shortened = IconKeyName(longText);
    EXPECT_LE(shortened.size(), 253u);
    EXPECT_EQ(shortened, IconKeyName(longText)) << "the same in every run";
    EXPECT_NE(shortened, IconKeyName(std::wstring(257, L'L')));
    EXPECT_TRUE(Same(Saved(kSaved, shortened), InitialPosition(3)));

    for (int i = 0; i < 5; ++i) ASSERT_TRUE(sim.Move(i, POINT{600 + 20 * i, 500 - 30 * i}));
    MessageBoxCatcher none(IDNO, 1500);
    Press(IDC_APP_RESTORE_ICONS);
    EXPECT_FALSE(none.Result().has_value()) << "a complete restore asks nothing";
    for (int i : {2, 3, 4}) EXPECT_TRUE(Same(sim.Position(i), InitialPosition(i))) << "icon " << i;
    EXPECT_TRUE((Same(sim.Position(0), InitialPosition(0)) && Same(sim.Position(1), InitialPosition(1))) ||
                (Same(sim.Position(0), InitialPosition(1)) && Same(sim.Position(1), InitialPosition(0))));
}

TEST_F(DesktopIconsTest, AnIconAddedAfterTheSaveRefusesTheRestoreAndAsks) {
    for (const int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDYES ? "yes" : "no");
        DesktopSim sim({L"Alpha", L"Beta"});
        ASSERT_TRUE(sim.Ready());
        Press(IDC_APP_SAVE_ICONS);
        ASSERT_EQ(sim.Add(L"Newcomer"), 2);
        ASSERT_TRUE(sim.Move(0, POINT{500, 300}));
        EXPECT_EQ(RunIconJob(page, page.CheckIconLayout(kSaved)), 1) << "the newcomer's -1 display number never fits";
        MessageBoxCatcher catcher(answer);
        Press(IDC_APP_RESTORE_ICONS);
        const auto box = catcher.Result();
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->text, LoadResString(IDS_ICON_RESTORE_FAILED));
        EXPECT_TRUE(box->icon == IDI_EXCLAMATION && box->HasButton(IDYES) && box->HasButton(IDNO));
        EXPECT_TRUE(Same(sim.Position(0), POINT{500, 300})) << "a refused restore moves nothing";
        // Yes makes the present places the saved set.
        EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, Key(kSaved, L"Newcomer")), answer == IDYES);
        EXPECT_TRUE(Same(Saved(kSaved, L"Alpha"), answer == IDYES ? POINT{500, 300} : InitialPosition(0)));
    }
}

TEST_F(DesktopIconsTest, AutoArrangeIsQuestionedBeforeAnyIconMoves) {
    DesktopSim sim({L"Alpha", L"Beta", L"Gamma"}, L"--autoarrange");
    ASSERT_TRUE(sim.Ready());
    const POINT before = sim.Position(0);
    RunIconJob(page, page.SaveIconPositions(kSaved));
    SetDword(HKEY_CURRENT_USER, Key(kSaved, L"Alpha"), L"x", static_cast<DWORD>(before.x + 300));
    for (const int answer : {IDNO, IDYES}) {
        MessageBoxCatcher catcher(answer);
        EXPECT_EQ(RunIconJob(page, page.RestoreIconPositions(kSaved)), answer == IDNO ? -10 : 0);
        const auto box = catcher.Result();
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->text, LoadResString(IDS_ASK_UNCHECK_AUTO_ARRANGE));
        EXPECT_EQ((::GetWindowLongPtrW(sim.List(), GWL_STYLE) & LVS_AUTOARRANGE) != 0, answer == IDNO);
        EXPECT_TRUE(Same(sim.Position(0), answer == IDNO ? before : POINT{before.x + 300, before.y}));
    }
}

int WINAPI HugeVirtualScreen(int index) {
    return index == SM_CXVIRTUALSCREEN || index == SM_CYVIRTUALSCREEN ? 60000 : ::GetSystemMetrics(index);
}

TEST_F(DesktopIconsTest, HandEditedPositionsNeitherCrashNorLeaveTheListViewsRange) {
    DesktopSim sim({L"Alpha", L"Beta", L"Gamma", L"Delta"});
    ASSERT_TRUE(sim.Ready());
    RunIconJob(page, page.SaveIconPositions(kSaved));
    for (int i = 0; i < 1500; ++i) SetDword(HKEY_CURRENT_USER, Key(kSaved, L"stray" + std::to_wstring(i)), L"x", 1);
    SetString(HKEY_CURRENT_USER, Key(kSaved, L"Alpha"), L"x", L"123");  // wrong type: reads as missing
    DeleteTree(HKEY_CURRENT_USER, Key(kSaved, L"Beta"));                   // no y at all
    SetDword(HKEY_CURRENT_USER, Key(kSaved, L"Beta"), L"x", 300);
    SetDword(HKEY_CURRENT_USER, Key(kSaved, L"Beta"), L"MonitorNumber", 1);
    SetDword(HKEY_CURRENT_USER, Key(kSaved, L"Gamma"), L"x", 50000);  // far beyond the list view
    SetDword(HKEY_CURRENT_USER, Key(kSaved, L"Gamma"), L"y", 40000);
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(sim.Move(i, POINT{400 + 10 * i, 400}));
    // A huge virtual screen lets Gamma pass the layout check.
    Platform().GetSystemMetrics = HugeVirtualScreen;
    sim.TakeSetPositionCount();
    EXPECT_EQ(RunIconJob(page, page.RestoreIconPositions(kSaved)), 1) << "only Gamma cannot reach its saved place";
    EXPECT_EQ(sim.TakeSetPositionCount(), 4) << "Gamma and Delta placed twice: the second pass moved nothing";
    EXPECT_TRUE(Same(sim.Position(0), POINT{400, 400}));
    EXPECT_TRUE(Same(sim.Position(1), POINT{410, 400}));
    EXPECT_TRUE(Same(sim.Position(3), InitialPosition(3)));
    RECT client{};
    ::GetClientRect(sim.List(), &client);
    const POINT gamma = sim.Position(2);
    EXPECT_TRUE(gamma.x >= 0 && gamma.x < client.right && gamma.y < client.bottom) << gamma.x << "," << gamma.y;

    Platform().GetSystemMetrics = RealPlatform().GetSystemMetrics;
    EXPECT_EQ(RunIconJob(page, page.RestoreIconPositions(kSaved)), -20) << "beyond the real virtual screen";
    page.OnBnClickedSaveIcons();
    FinishIconJob(page);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Key(kSaved, L"stray7")));
}

TEST_F(DesktopIconsTest, ReadsSurviveShrinkingListsLongTextsAndLeakNothing) {
    const std::wstring longText(300, L'L');
    DesktopSim sim({L"Alpha", longText, L"Gamma", L"Delta", L"Epsilon"});
    ASSERT_TRUE(sim.Ready());
    DesktopIconAccess access;
    RunIconJob(page, page.FindDesktopListView(access));
    ASSERT_EQ(access.ListView, sim.List());
    DesktopIconItem item;
    ASSERT_TRUE(page.ReadDesktopIconItem(access, 1, item));
    EXPECT_EQ(item.text, longText.substr(0, kIconTextUnits - 1)) << "cut at the buffer, never past it";
    EXPECT_TRUE(Same(POINT{item.x, item.y}, InitialPosition(1)));

    const int regions = sim.CommittedRegions();
    for (int round = 0; round < 40; ++round) {
        DesktopIconItem missing{L"kept", 7, 8, 9};
        EXPECT_FALSE(page.ReadDesktopIconItem(access, 99, missing));
        EXPECT_EQ(missing.text, L"kept");
        EXPECT_TRUE(page.ReadDesktopIconItem(access, round % 5, item));
    }
    EXPECT_LE(sim.CommittedRegions(), regions) << "every remote block is released";

    // Two icons vanish while the save walks the list: the lost one is skipped.
    sim.ShrinkAfterReads(2, 2);
    RunIconJob(page, page.SaveIconPositions(kSaved));
    for (const wchar_t* name : {L"Epsilon", L"Delta", L"Alpha"}) EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Key(kSaved, name))) << name;
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Key(kSaved, L"Gamma")));
}

TEST_F(DesktopIconsTest, FolderViewSearchFallsBackToEnumerationAndLooksAgainInStepsForALateShell) {
    {
        // The desktop's view under "WorkerW"; above it in z-order another
        // program's window with a folder view of its own, which is not taken.
        DesktopSim sim({L"Alpha"}, L"", L"WorkerW");
        ASSERT_TRUE(sim.Ready());
        DesktopWindows other(DesktopWindowsOptions{L"VelkOtherProgram"});
        ASSERT_NE(other.List(), nullptr);
        DesktopIconAccess access;
        RunIconJob(page, page.FindDesktopListView(access));
        EXPECT_TRUE(access.ListView == sim.List() && access.List.GetSafeHwnd() == sim.List());
    }
    // No shell yet: the search hands the thread back and looks again at each
    // of its 11 steps (1 s apart, stepped here by hand); a shell that comes
    // up meanwhile is found at the next one, by the page's own timer.
    auto step = [&] { ::SendMessageW(page.GetSafeHwnd(), WM_TIMER, CAppSettingProp::kTimerIconSteps, 0); };
    for (const bool comesUp : {true, false}) {
        SCOPED_TRACE(comesUp ? "comes up" : "none");
        DesktopIconAccess access;
        ASSERT_TRUE(page.StartIconJob(page.FindDesktopListView(access)));
        for (int i = 0; i < (comesUp ? 2 : 10); ++i) {
            EXPECT_TRUE(page.IconJobRunning() && access.ListView == nullptr) << "step " << i;
            step();
        }
        EXPECT_TRUE(page.IconJobRunning());
        std::unique_ptr<DesktopWindows> late;
        if (comesUp) {
            late = std::make_unique<DesktopWindows>(DesktopWindowsOptions{L"WorkerW"});
            EXPECT_TRUE(FinishIconJob(page, 15000).has_value());
        } else {
            step();  // the eleventh look, the last
        }
        EXPECT_FALSE(page.IconJobRunning());
        EXPECT_EQ(access.ListView, late ? late->List() : nullptr);
    }
}

DWORD WINAPI RunningClock() {
    static DWORD now = 0;
    return now += 1000;  // every step point finds its time used up
}

TEST_F(DesktopIconsTest, ARestoreRunsInStepsIgnoresNewRequestsAndEndsWithThePage) {
    DesktopSim sim({L"Alpha", L"Beta", L"Twin", L"Twin"});
    ASSERT_TRUE(sim.Ready());
    Press(IDC_APP_SAVE_ICONS);
    auto moveAll = [&] {
        for (int i = 0; i < 4; ++i) ASSERT_TRUE(sim.Move(i, POINT{600 + 20 * i, 500 - 30 * i}));
    };
    moveAll();
    Platform().GetTickCount = RunningClock;
    auto step = [&] { ::SendMessageW(page.GetSafeHwnd(), WM_TIMER, CAppSettingProp::kTimerIconSteps, 0); };

    // Each click hands the thread back at once; the page goes on step by step.
    ui.Click(IDC_APP_RESTORE_ICONS);
    int steps = 0;
    for (; page.IconJobRunning() && steps < 500; ++steps) {
        EXPECT_EQ(::SendMessageW(page.GetSafeHwnd(), UM_ICONJOBRUNNING, 0, 0), 1);
        if (steps == 12) {
            // Half-way: neither a second Restore nor a Save starts anything.
            ASSERT_TRUE(sim.Move(0, POINT{640, 90}));
            ui.Click(IDC_APP_RESTORE_ICONS);
            ui.Click(IDC_APP_SAVE_ICONS);
        }
        step();
    }
    EXPECT_GT(steps, 20) << "a step per icon read: backup, layout check and two passes";
    EXPECT_EQ(::SendMessageW(page.GetSafeHwnd(), UM_ICONJOBRUNNING, 0, 0), 0);
    EXPECT_EQ(page.IconJobResult(), 0);
    for (int i : {0, 1}) EXPECT_TRUE(Same(sim.Position(i), InitialPosition(i))) << "icon " << i;
    EXPECT_TRUE(Same(Saved(kSaved, L"Alpha"), InitialPosition(0))) << "the Save was ignored";
    EXPECT_TRUE(Same(Saved(kBackup, L"Alpha"), POINT{600, 500})) << "the backup is of before the first request";
    EXPECT_EQ(page.IconAccess(), nullptr);

    // The page destroyed half-way (as at shut-down): the task ends at once,
    // and its blocks in the shell's process go with the process handle.
    moveAll();
    const int regions = sim.CommittedRegions();
    DWORD handles = 0, handlesAfter = 0;
    ASSERT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &handles));
    ui.Click(IDC_APP_RESTORE_ICONS);
    // The backup done and swapped in, the layout check under way.
    auto checking = [&] {
        return page.IconAccess() && page.IconAccess()->Remote &&
               !KeyExists(HKEY_CURRENT_USER, ProfileSection(IconSetAside(kBackup)));
    };
    for (int i = 0; i < 40 && !checking(); ++i) step();
    ASSERT_TRUE(page.IconJobRunning());
    ASSERT_NE(page.IconAccess(), nullptr);
    ASSERT_NE(page.IconAccess()->Remote, nullptr);
    EXPECT_GT(sim.CommittedRegions(), regions);
    ::DestroyWindow(page.GetSafeHwnd());
    EXPECT_FALSE(page.IconJobRunning());
    EXPECT_EQ(page.IconAccess(), nullptr);
    EXPECT_LE(sim.CommittedRegions(), regions);
    ASSERT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &handlesAfter));
    EXPECT_LE(handlesAfter, handles) << "the shell's process handle is closed";
    EXPECT_TRUE(Same(sim.Position(0), POINT{600, 500})) << "nothing goes on after the page";
}

TEST(DesktopIconLayout, TheItemRecordTakesTheShellProcessorKind) {
    struct Case {
        bool selfIs64, selfWow64, targetWow64;
        ItemLayout expected;
    };
    const Case cases[] = {
        {true, false, false, ItemLayout::Bits64},   // 64-bit program, 64-bit shell
        {true, false, true, ItemLayout::Bits32},    // 64-bit program, 32-bit shell
        {false, true, false, ItemLayout::Bits64},   // 32-bit program on 64-bit Windows
        {false, true, true, ItemLayout::Bits32},    // both 32-bit on 64-bit Windows
        {false, false, false, ItemLayout::Bits32},  // 32-bit Windows
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseItemLayout(c.selfIs64, c.selfWow64, c.targetWow64), c.expected)
            << c.selfIs64 << c.selfWow64 << c.targetWow64;
    // This process and the stand-in (both this build's kind) share this build's layout.
    EXPECT_EQ(ItemLayoutOfProcess(::GetCurrentProcess()), sizeof(void*) == 8 ? ItemLayout::Bits64 : ItemLayout::Bits32);

    // Text pointer and capacity where each kind's list view reads them.
    const uint64_t text = 0x12345678;
    const std::vector<BYTE> r32 = TextRequestRecord(ItemLayout::Bits32, text, 261);
    const std::vector<BYTE> r64 = TextRequestRecord(ItemLayout::Bits64, text, 261);
    ASSERT_EQ(r32.size(), 60u);
    ASSERT_EQ(r64.size(), 88u);
    auto at = [](const std::vector<BYTE>& r, size_t offset, size_t size) {
        uint64_t v = 0;
        std::memcpy(&v, r.data() + offset, size);
        return v;
    };
    EXPECT_EQ(at(r32, 0, 4), uint64_t(LVIF_TEXT));
    EXPECT_EQ(at(r32, 20, 4), text);
    EXPECT_EQ(at(r32, 24, 4), 261u);
    EXPECT_EQ(at(r64, 0, 4), uint64_t(LVIF_TEXT));
    EXPECT_EQ(at(r64, 24, 8), text);
    EXPECT_EQ(at(r64, 32, 4), 261u);
}

}  // namespace
}  // namespace velk::test
