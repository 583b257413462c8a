// Desktop icon positions against a real list view in another process
// (desktop_sim): save, move, restore, duplicates, nested names, the layout
// check, auto-arrange, the backup, and damaged input of every kind.
#include "tests/desktop/desktop_test_support.h"

#include "resources/resource.h"
#include "framework/strings.h"
#include "testing/desktopsim/desktop_sim_protocol.h"
#include "testing/desktopsim/desktop_windows.h"
#include <algorithm>

namespace velk::test {
namespace {

using desktop_sim::InitialPosition;

constexpr wchar_t kSaved[] = L"IconPosition";
constexpr wchar_t kBackup[] = L"IconPositionBackup";

class DesktopIconsTest : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        CreatePage();
    }
    static std::wstring Key(const wchar_t* section, const std::wstring& name) {
        return ProfileSection(section) + L"\\" + name;
    }
    static POINT Saved(const wchar_t* section, const std::wstring& name) {
        const auto x = GetDword(HKEY_CURRENT_USER, Key(section, name), L"x");
        const auto y = GetDword(HKEY_CURRENT_USER, Key(section, name), L"y");
        return POINT{x ? static_cast<LONG>(*x) : -1, y ? static_cast<LONG>(*y) : -1};
    }
};

::testing::AssertionResult Same(POINT a, POINT b) {
    if (a.x == b.x && a.y == b.y) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ") is not (" << b.x << ", " << b.y << ")";
}

// Icons 3 and 4 share a text; icon 5 holds a backslash.
const std::vector<std::wstring> kIcons = {L"Alpha", L"Beta", L"Gamma", L"Twin", L"Twin", L"Tools\\Editor"};

TEST_F(DesktopIconsTest, SaveMoveRestorePutsEveryIconBackAndKeepsABackup) {
    DesktopSim sim(kIcons);
    ASSERT_TRUE(sim.Ready());
    Click(IDC_APP_SAVE_ICONS);
    EXPECT_EQ(Int(kSaved, L"IconSaveFlag"), 1u);
    EXPECT_TRUE(Enabled(IDC_APP_RESTORE_ICONS));
    EXPECT_TRUE(Enabled(IDC_APP_RESTORE_AT_START));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ProfileSection(kBackup)));

    // The save runs from the last index down: the higher Twin takes the plain subkey.
    EXPECT_TRUE(Same(Saved(kSaved, L"Alpha"), InitialPosition(0)));
    EXPECT_TRUE(Same(Saved(kSaved, L"Twin"), InitialPosition(4)));
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, Key(kSaved, L"Twin"), L"Index"), 4u);
    EXPECT_TRUE(Same(Saved(kSaved, L"Twin_S"), InitialPosition(3)));
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, Key(kSaved, L"Twin_S"), L"Index"), 3u);
    // A backslash makes a nested subkey that names the icon by its whole text.
    EXPECT_TRUE(Same(Saved(kSaved, L"Tools\\Editor"), InitialPosition(5)));
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, Key(kSaved, L"Tools\\Editor"), L"Tools\\Editor"), L"Tools\\Editor");
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, Key(kSaved, L"Alpha"), L"MonitorNumber"), 1u);

    std::vector<POINT> moved;
    for (int i = 0; i < static_cast<int>(kIcons.size()); ++i) {
        moved.push_back(POINT{600 + 20 * i, 500 - 30 * i});
        ASSERT_TRUE(sim.Move(i, moved.back()));
    }
    MessageBoxCatcher none(IDNO, 1500);
    Click(IDC_APP_RESTORE_ICONS);
    EXPECT_FALSE(none.Result().has_value()) << "a complete restore asks nothing";

    for (int i : {0, 1, 2, 5}) EXPECT_TRUE(Same(sim.Position(i), InitialPosition(i))) << "icon " << i;
    // The two Twins may trade places: either saved position is right for either.
    const POINT t3 = sim.Position(3), t4 = sim.Position(4);
    EXPECT_TRUE((Same(t3, InitialPosition(3)) && Same(t4, InitialPosition(4))) ||
                (Same(t3, InitialPosition(4)) && Same(t4, InitialPosition(3))));
    // The backup holds the positions from before the restore.
    EXPECT_TRUE(Same(Saved(kBackup, L"Alpha"), moved[0]));
    EXPECT_TRUE(Same(Saved(kBackup, L"Tools\\Editor"), moved[5]));
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, Key(kSaved, L"Alpha"), L"AlreadyRestore"), 0u);
    EXPECT_EQ(page.IconAccess(), nullptr);

    // A second restore still backs up exactly the positions before it.
    ASSERT_TRUE(sim.Move(0, POINT{700, 40}));
    Click(IDC_APP_RESTORE_ICONS);
    EXPECT_TRUE(Same(Saved(kBackup, L"Alpha"), POINT{700, 40}));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Key(kBackup, L"Alpha_S")));
}

TEST_F(DesktopIconsTest, AnIconAddedAfterTheSaveRefusesTheRestoreAndAsks) {
    struct Case {
        int answer;
        bool newcomerSavedAfter;
    };
    for (const Case c : {Case{IDNO, false}, Case{IDYES, true}}) {
        SCOPED_TRACE(c.answer == IDYES ? "yes" : "no");
        DesktopSim sim({L"Alpha", L"Beta"});
        ASSERT_TRUE(sim.Ready());
        Click(IDC_APP_SAVE_ICONS);
        ASSERT_EQ(sim.Add(L"Newcomer"), 2);
        ASSERT_TRUE(sim.Move(0, POINT{500, 300}));
        EXPECT_EQ(page.CheckIconLayout(kSaved), 1) << "the newcomer's -1 display number never fits";

        MessageBoxCatcher catcher(c.answer);
        Click(IDC_APP_RESTORE_ICONS);
        const auto box = catcher.Result();
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->text, LoadResString(IDS_ICON_RESTORE_FAILED));
        EXPECT_EQ(box->icon, IDI_EXCLAMATION);
        EXPECT_TRUE(box->HasButton(IDYES) && box->HasButton(IDNO));
        EXPECT_TRUE(Same(sim.Position(0), POINT{500, 300})) << "a refused restore moves nothing";
        EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, Key(kSaved, L"Newcomer")), c.newcomerSavedAfter);
        EXPECT_TRUE(Same(Saved(kSaved, L"Alpha"), c.newcomerSavedAfter ? POINT{500, 300} : InitialPosition(0)));
    }
}

TEST_F(DesktopIconsTest, AutoArrangeIsQuestionedBeforeAnyIconMoves) {
    DesktopSim sim({L"Alpha", L"Beta", L"Gamma"}, L"--autoarrange");
    ASSERT_TRUE(sim.Ready());
    const POINT before = sim.Position(0);
    page.SaveIconPositions(kSaved);
    // The saved place differs from where the icon is now.
    SetDword(HKEY_CURRENT_USER, Key(kSaved, L"Alpha"), L"x", static_cast<DWORD>(before.x + 300));
    {
        MessageBoxCatcher catcher(IDNO);
        EXPECT_EQ(page.RestoreIconPositions(kSaved), -10);
        const auto box = catcher.Result();
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->text, LoadResString(IDS_ASK_UNCHECK_AUTO_ARRANGE));
        EXPECT_TRUE(box->HasButton(IDYES) && box->HasButton(IDNO));
    }
    EXPECT_TRUE(::GetWindowLongPtrW(sim.List(), GWL_STYLE) & LVS_AUTOARRANGE);
    EXPECT_TRUE(Same(sim.Position(0), before));
    {
        MessageBoxCatcher catcher(IDYES);
        EXPECT_EQ(page.RestoreIconPositions(kSaved), 0);
        EXPECT_TRUE(catcher.Result().has_value());
    }
    EXPECT_FALSE(::GetWindowLongPtrW(sim.List(), GWL_STYLE) & LVS_AUTOARRANGE);
    EXPECT_TRUE(Same(sim.Position(0), POINT{before.x + 300, before.y}));
}

int WINAPI HugeVirtualScreen(int index) {
    if (index == SM_CXVIRTUALSCREEN || index == SM_CYVIRTUALSCREEN) return 60000;
    return ::GetSystemMetrics(index);
}

TEST_F(DesktopIconsTest, HandEditedPositionsNeitherCrashNorLeaveTheListViewsRange) {
    DesktopSim sim({L"Alpha", L"Beta", L"Gamma", L"Delta"});
    ASSERT_TRUE(sim.Ready());
    page.SaveIconPositions(kSaved);
    // Thousands of stray subkeys cost nothing but their deletion.
    for (int i = 0; i < 1500; ++i) SetDword(HKEY_CURRENT_USER, Key(kSaved, L"stray" + std::to_wstring(i)), L"x", 1);
    // Alpha: x of the wrong type reads as missing (not moved). Beta: no y at all.
    SetString(HKEY_CURRENT_USER, Key(kSaved, L"Alpha"), L"x", L"123");
    DeleteTree(HKEY_CURRENT_USER, Key(kSaved, L"Beta"));
    SetDword(HKEY_CURRENT_USER, Key(kSaved, L"Beta"), L"x", 300);
    SetDword(HKEY_CURRENT_USER, Key(kSaved, L"Beta"), L"MonitorNumber", 1);
    // Gamma: far beyond the list view (the faked virtual screen lets it pass the check).
    SetDword(HKEY_CURRENT_USER, Key(kSaved, L"Gamma"), L"x", 50000);
    SetDword(HKEY_CURRENT_USER, Key(kSaved, L"Gamma"), L"y", 40000);
    Platform().GetSystemMetrics = HugeVirtualScreen;
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(sim.Move(i, POINT{400 + 10 * i, 400}));

    const int misplaced = page.RestoreIconPositions(kSaved);
    EXPECT_EQ(misplaced, 1) << "only Gamma cannot reach its saved place";
    EXPECT_TRUE(Same(sim.Position(0), POINT{400, 400}));
    EXPECT_TRUE(Same(sim.Position(1), POINT{410, 400}));
    const RECT client = [&] { RECT r{}; ::GetClientRect(sim.List(), &r); return r; }();
    const POINT gamma = sim.Position(2);
    EXPECT_GE(gamma.x, 0);
    EXPECT_LT(gamma.x, client.right);
    EXPECT_LT(gamma.y, client.bottom);
    EXPECT_TRUE(Same(sim.Position(3), InitialPosition(3)));

    // With the real (small) virtual screen the same section is refused outright.
    Platform().GetSystemMetrics = RealPlatform().GetSystemMetrics;
    EXPECT_EQ(page.RestoreIconPositions(kSaved), -20);
    page.OnBnClickedSaveIcons();
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Key(kSaved, L"stray7")));
}

TEST_F(DesktopIconsTest, ReadsSurviveShrinkingListsLongTextsAndLeakNothing) {
    const std::wstring longText(300, L'L');
    DesktopSim sim({L"Alpha", longText, L"Gamma", L"Delta", L"Epsilon"});
    ASSERT_TRUE(sim.Ready());
    DesktopIconAccess access;
    page.FindDesktopListView(access);
    ASSERT_EQ(access.ListView, sim.List());

    DesktopIconItem item;
    ASSERT_TRUE(page.ReadDesktopIconItem(access, 1, item));
    EXPECT_EQ(item.text, longText.substr(0, kIconTextUnits - 1)) << "cut at the buffer, never past it";
    EXPECT_TRUE(Same(POINT{item.x, item.y}, InitialPosition(1)));

    const int regionsBefore = sim.CommittedRegions();
    for (int round = 0; round < 40; ++round) {
        DesktopIconItem missing{L"kept", 7, 8, 9};
        EXPECT_FALSE(page.ReadDesktopIconItem(access, 99, missing));
        EXPECT_EQ(missing.text, L"kept");
        EXPECT_TRUE(page.ReadDesktopIconItem(access, round % 5, item));
    }
    EXPECT_LE(sim.CommittedRegions(), regionsBefore) << "every remote block is released";

    // The list loses icons while the save walks it: the lost ones are skipped.
    sim.ShrinkAfterReads(2, 2);
    page.SaveIconPositions(kSaved);
    for (const wchar_t* name : {L"Epsilon", L"Delta", L"Alpha"}) EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Key(kSaved, name))) << name;
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Key(kSaved, L"Gamma")));
}

// The shell's folder view found by the enumeration, also when it comes up
// only during the waits; without any, eleven waits and then nothing.
TEST_F(DesktopIconsTest, FolderViewSearchFallsBackToEnumerationAndWaitsForALateShell) {
    {
        DesktopSim sim({L"Alpha"}, L"", L"VelkOtherShell");
        ASSERT_TRUE(sim.Ready());
        DesktopIconAccess access;
        page.FindDesktopListView(access);
        EXPECT_EQ(access.ListView, sim.List());
        EXPECT_EQ(access.List.GetSafeHwnd(), sim.List());
    }
    static int sleeps;
    static std::unique_ptr<DesktopWindows> late;
    sleeps = 0;
    Platform().Sleep = [](DWORD ms) {
        EXPECT_EQ(ms, 1000u);
        if (++sleeps == 3 && !late) {
            DesktopWindowsOptions options;
            options.topClass = L"VelkLateShell";
            late = std::make_unique<DesktopWindows>(options);
        }
    };
    DesktopIconAccess access;
    page.FindDesktopListView(access);
    ASSERT_TRUE(late);
    EXPECT_EQ(access.ListView, late->List());
    EXPECT_EQ(sleeps, 3);
    late.reset();

    sleeps = 0;
    Platform().Sleep = [](DWORD) { ++sleeps; };
    DesktopIconAccess none;
    page.FindDesktopListView(none);
    EXPECT_EQ(none.ListView, nullptr);
    EXPECT_EQ(sleeps, 11);
}

}  // namespace
}  // namespace velk::test
