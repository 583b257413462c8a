// Whole icon sets and a shell that stops answering: an end at any step of a
// save or a restore keeps a whole saved set and a whole backup, a set left
// aside is taken in or dropped at the next start, and a list view that does
// not answer for seconds never holds the page's thread.
#include "tests/taskbar/desktop/desktop_test_support.h"

#include <algorithm>
#include <array>

#include "display/program_messages.h"
#include "framework/strings.h"
#include "resources/resource.h"
#include "taskbar/desktop_icon_sets.h"
#include "testing/desktopsim/desktop_sim_protocol.h"

namespace velk::test {
namespace {

constexpr wchar_t kSaved[] = L"IconPosition";
constexpr wchar_t kBackup[] = L"IconPositionBackup";
const std::vector<std::wstring> kIcons = {L"Alpha", L"Beta", L"Twin", L"Twin"};
// The subkey each icon is saved under (the save runs from the last index down).
const wchar_t* const kKeys[] = {L"Alpha", L"Beta", L"Twin_S", L"Twin"};

using Layout = std::array<POINT, 4>;
Layout Spread(int x, int y, int dx, int dy) {
    Layout layout{};
    for (int i = 0; i < 4; ++i) layout[static_cast<size_t>(i)] = POINT{x + dx * i, y + dy * i};
    return layout;
}
const Layout kOld = Spread(20, 20, 100, 0);
const Layout kBackupLayout = Spread(600, 500, 20, -30);
const Layout kNew = Spread(300, 400, 40, 0);
const Layout kElsewhere = Spread(150, 600, 110, 10);

std::wstring Key(const wchar_t* section, const std::wstring& name) { return ProfileSection(section) + L"\\" + name; }

bool Holds(const wchar_t* section, const Layout& layout) {
    for (size_t i = 0; i < 4; ++i) {
        const std::wstring key = Key(section, kKeys[i]);
        if (GetDword(HKEY_CURRENT_USER, key, L"x") != DWORD(layout[i].x) ||
            GetDword(HKEY_CURRENT_USER, key, L"y") != DWORD(layout[i].y) ||
            GetDword(HKEY_CURRENT_USER, key, L"ExistCheck") != 1u)
            return false;
    }
    return true;
}

// Which of the layouts the section holds whole: its index; -1 when the
// section is absent; -2 when it is partial or mixed.
int Holding(const wchar_t* section, const std::vector<Layout>& layouts) {
    if (!KeyExists(HKEY_CURRENT_USER, ProfileSection(section))) return -1;
    for (size_t k = 0; k < layouts.size(); ++k)
        if (Holds(section, layouts[k])) return static_cast<int>(k);
    return -2;
}

DWORD WINAPI RunningClock() {
    static DWORD now = 0;
    return now += 1000;  // every step point finds its time used up
}

struct IconSetsTest : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(sim.Ready());
        ui.Create();
    }
    void Place(const Layout& layout) {
        for (int i = 0; i < 4; ++i) ASSERT_TRUE(sim.Move(i, layout[static_cast<size_t>(i)]));
    }
    ::testing::AssertionResult IconsAt(const Layout& layout) {
        // The twins may trade places: either saved position is right for either.
        Layout at{};
        for (int i = 0; i < 4; ++i) at[static_cast<size_t>(i)] = sim.Position(i);
        const bool twins = (Same(at[2], layout[2]) && Same(at[3], layout[3])) ||
                           (Same(at[2], layout[3]) && Same(at[3], layout[2]));
        if (Same(at[0], layout[0]) && Same(at[1], layout[1]) && twins) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "icon 0 at " << at[0].x << "," << at[0].y;
    }
    std::optional<int> Press(int id) {
        ui.Click(id);
        return FinishIconJob(page);
    }
    // The saved set at kOld, the backup at kBackupLayout, the icons at kOld.
    void MakeOldSets() {
        Place(kOld);
        ASSERT_EQ(Press(IDC_APP_SAVE_ICONS), 0);
        Place(kBackupLayout);
        ASSERT_EQ(Press(IDC_APP_RESTORE_ICONS), 0);
        ASSERT_TRUE(Holds(kSaved, kOld) && Holds(kBackup, kBackupLayout));
    }
    // Starts the button's task with every step point yielding, lets `steps`
    // steps run and ends the page as Exit does; false when the task ended first.
    bool EndAfterSteps(int id, int steps) {
        Platform().GetTickCount = RunningClock;
        ui.Click(id);
        for (int i = 0; i < steps && page.IconJobRunning(); ++i)
            ::SendMessageW(page.GetSafeHwnd(), WM_TIMER, CAppSettingProp::kTimerIconSteps, 0);
        const bool ended = page.IconJobRunning();
        ::DestroyWindow(page.GetSafeHwnd());
        Platform().GetTickCount = RealPlatform().GetTickCount;
        return ended;
    }
    // The next start: the page made afresh finds whole sets and nothing aside.
    void NextStart() {
        ui.Create();
        EXPECT_TRUE(ui.Enabled(IDC_APP_RESTORE_ICONS) && ui.Enabled(IDC_APP_RESTORE_AT_START));
        EXPECT_EQ(ProfileInt(kSaved, L"IconSaveFlag"), 1u);
        for (const wchar_t* section : {kSaved, kBackup})
            EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ProfileSection(IconSetAside(section))));
    }
    // ... and restores the icons from elsewhere to the saved set.
    void NextStartRestores(const Layout& saved) {
        NextStart();
        Place(kElsewhere);
        EXPECT_EQ(Press(IDC_APP_RESTORE_ICONS), 0);
        EXPECT_TRUE(IconsAt(saved));
    }

    PlatformOverride platform;
    DesktopSim sim{kIcons};
    PageHost ui;
    CAppSettingProp& page = ui.page;
};

TEST_F(IconSetsTest, AnEndAtAnyStepOfASaveOrARestoreKeepsWholeSetsForTheNextStart) {
    for (const int button : {IDC_APP_SAVE_ICONS, IDC_APP_RESTORE_ICONS}) {
        const bool save = button == IDC_APP_SAVE_ICONS;
        bool ended = true;
        for (int steps = 0; ended; ++steps) {
            SCOPED_TRACE(std::string(save ? "save" : "restore") + " ended after step " + std::to_string(steps));
            MessageBoxCatcher unexpected(IDNO, 120000);  // a box would fail the restores below
            ASSERT_NO_FATAL_FAILURE(MakeOldSets());
            Place(kNew);
            ended = EndAfterSteps(button, steps);
            // Right after the end: the saved set whole with its flag, or the
            // new set complete aside (the swap under way).
            const std::wstring aside = IconSetAside(save ? kSaved : kBackup);
            const bool pending = GetDword(HKEY_CURRENT_USER, ProfileSection(aside), kIconSetCompleteValue) == 1u &&
                                 Holds(aside.c_str(), kNew);
            EXPECT_TRUE(pending || (Holding(kSaved, {kOld, kNew}) >= 0 && ProfileInt(kSaved, L"IconSaveFlag") == 1u));
            if (!save) EXPECT_TRUE(pending || Holding(kBackup, {kBackupLayout, kNew}) >= 0);
            NextStart();
            const int set = Holding(kSaved, {kOld, kNew});
            const int backup = Holding(kBackup, {kBackupLayout, kNew});
            if (save) {
                // The old set with its backup, or the new one without a backup.
                EXPECT_TRUE((set == 0 && backup == 0) || (set == 1 && backup == -1)) << set << " " << backup;
            } else {
                // The saved set stays; the backup is the old one or the places before.
                EXPECT_EQ(set, 0);
                EXPECT_TRUE(backup == 0 || backup == 1) << backup;
            }
            if (!ended || pending) EXPECT_EQ(save ? set : backup, 1) << "a complete new set is kept";
            NextStartRestores(set == 1 ? kNew : kOld);
        }
    }
}

TEST_F(IconSetsTest, TheNextStartFinishesASwapOrDropsAHalfWrittenSet) {
    enum class Left { CompleteAsideTargetCut, CompleteAside, HalfWrittenAside, SwappedUnfinished };
    struct Case {
        const char* name;
        const wchar_t* section;
        Left left;
    };
    const Case cases[] = {
        {"saved set complete aside, its copy in place cut short", kSaved, Left::CompleteAsideTargetCut},
        {"saved set complete aside, old set in place", kSaved, Left::CompleteAside},
        {"saved set half written aside", kSaved, Left::HalfWrittenAside},
        {"saved set swapped in, not finished", kSaved, Left::SwappedUnfinished},
        {"backup complete aside, its copy in place cut short", kBackup, Left::CompleteAsideTargetCut},
        {"backup half written aside", kBackup, Left::HalfWrittenAside},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageBoxCatcher unexpected(IDNO, 120000);
        ASSERT_NO_FATAL_FAILURE(MakeOldSets());
        ::DestroyWindow(page.GetSafeHwnd());
        // The new set written aside as a save writes it, then left as an end leaves it.
        Place(kNew);
        const std::wstring aside = IconSetAside(c.section);
        const std::wstring section = ProfileSection(c.section);
        ASSERT_EQ(RunIconJob(page, page.SaveIconPositions(aside)), 0);
        if (c.left == Left::HalfWrittenAside) DeleteTree(HKEY_CURRENT_USER, Key(aside.c_str(), L"Beta"));
        else SetDword(HKEY_CURRENT_USER, ProfileSection(aside), kIconSetCompleteValue, 1);
        if (c.left == Left::CompleteAsideTargetCut) {
            DeleteTree(HKEY_CURRENT_USER, section);
            SetDword(HKEY_CURRENT_USER, Key(c.section, L"Alpha"), L"x", 1);
            SetDword(HKEY_CURRENT_USER, section, kIconSetCompleteValue, 1);
        }
        if (c.left == Left::SwappedUnfinished) {
            // Copied whole and marked, the set aside half deleted, no flag yet.
            DropBackupForNewSet();
            ASSERT_TRUE(StartSwap(c.section));
            for (const std::wstring& part : IconSetParts(c.section)) ASSERT_TRUE(CopyIconSetPart(c.section, part));
            SetDword(HKEY_CURRENT_USER, section, kIconSetCompleteValue, 1);
            UniqueKey key;
            ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, ProfileSection(aside).c_str(), 0, KEY_WRITE, key.put()),
                      ERROR_SUCCESS);
            ::RegDeleteValueW(key.get(), kIconSetCompleteValue);
            DeleteTree(HKEY_CURRENT_USER, Key(aside.c_str(), L"Alpha"));
            ASSERT_FALSE(ProfileInt(kSaved, L"IconSaveFlag").has_value());
        }
        const bool taken = c.left != Left::HalfWrittenAside;
        const bool saved = c.section == std::wstring(kSaved);
        ui.Create();
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ProfileSection(aside))) << "cleaned up";
        EXPECT_EQ(Holding(c.section, {kOld, kBackupLayout, kNew}), taken ? 2 : saved ? 0 : 1);
        EXPECT_EQ(GetValueType(HKEY_CURRENT_USER, section, kIconSetCompleteValue), DWORD(REG_NONE));
        if (saved) {
            EXPECT_EQ(ProfileInt(kSaved, L"IconSaveFlag"), 1u);
            EXPECT_EQ(Holding(kBackup, {kBackupLayout}), taken ? -1 : 0) << "a new saved set leaves no backup";
        }
        NextStartRestores(saved && taken ? kNew : kOld);
    }
}

TEST_F(IconSetsTest, RestoreMarksLeftByAnEndedRestoreDoNotSendIconsAstray) {
    MessageBoxCatcher unexpected(IDNO, 120000);
    ASSERT_NO_FATAL_FAILURE(MakeOldSets());
    // Only Alpha is out of place, and its plain subkey still carries a mark.
    SetDword(HKEY_CURRENT_USER, Key(kSaved, L"Alpha"), L"AlreadyRestore", 1);
    ASSERT_TRUE(sim.Move(0, POINT{700, 300}));
    EXPECT_EQ(Press(IDC_APP_RESTORE_ICONS), 0);
    EXPECT_TRUE(IconsAt(kOld));
}

// Pumps this thread's messages until the page's icon task ends, timing
// every handler; the longest one.
DWORD LongestHandlerUntilDone(CAppSettingProp& page, DWORD limitMs) {
    DWORD longest = 0;
    for (const DWORD start = ::GetTickCount(); page.IconJobRunning() && ::GetTickCount() - start < limitMs;) {
        MSG msg;
        if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            continue;
        }
        const DWORD before = ::GetTickCount();
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
        longest = std::max(longest, ::GetTickCount() - before);
    }
    EXPECT_FALSE(page.IconJobRunning()) << "the icon task did not end";
    return longest;
}

TEST_F(IconSetsTest, AShellThatStopsAnsweringNeverHoldsThePageAndTheTaskFinishesWhenItAnswers) {
    constexpr DWORD kStallMs = 3000;
    constexpr DWORD kHandlerLimitMs = 300;
    enum class Start { Save, Restore, RestoreAtStart };
    struct Case {
        const char* name;
        Start start;
        bool before;  // stalled before the task starts, else inside a read half-way
    };
    const Case cases[] = {
        {"save, stalled before", Start::Save, true},
        {"save, stalled half-way", Start::Save, false},
        {"restore, stalled before", Start::Restore, true},
        {"restore, stalled half-way", Start::Restore, false},
        {"restore at start, stalled before", Start::RestoreAtStart, true},
        {"restore at start, stalled half-way", Start::RestoreAtStart, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageBoxCatcher unexpected(IDNO, 120000);
        ASSERT_NO_FATAL_FAILURE(MakeOldSets());
        Place(kNew);
        sim.TakeStallCount();
        if (c.before) ASSERT_TRUE(sim.StallNow(kStallMs));
        else sim.StallAfterReads(c.start == Start::Save ? 1 : 9, kStallMs);  // the restore's: in its first pass

        const DWORD began = ::GetTickCount();
        if (c.start == Start::RestoreAtStart)
            ::SendMessageW(page.GetSafeHwnd(), WM_TIMER, CAppSettingProp::kTimerRestoreIcons, 0);
        else
            ui.Click(c.start == Start::Save ? IDC_APP_SAVE_ICONS : IDC_APP_RESTORE_ICONS);
        const DWORD first = ::GetTickCount() - began;
        const DWORD longest = LongestHandlerUntilDone(page, 60000);
        EXPECT_LT(first, kHandlerLimitMs) << "the handler that started the task";
        EXPECT_LT(longest, kHandlerLimitMs);
        EXPECT_EQ(sim.TakeStallCount(), 1) << "the stall came while the task ran";
        EXPECT_GE(::GetTickCount() - began, kStallMs - 500) << "the task waited for the shell";
        // The result as with a shell that answers at once.
        EXPECT_EQ(page.IconJobResult(), 0);
        if (c.start == Start::Save) {
            EXPECT_TRUE(Holds(kSaved, kNew));
            EXPECT_EQ(Holding(kBackup, {}), -1);
        } else {
            EXPECT_TRUE(IconsAt(kOld));
            EXPECT_TRUE(Holds(kBackup, kNew));
        }
    }
}

TEST_F(IconSetsTest, AShellThatNeverAnswersEndsTheTaskAndKeepsTheSets) {
    // The patience (eleven looks) stepped by hand while the shell sleeps.
    auto step = [&] { ::SendMessageW(page.GetSafeHwnd(), WM_TIMER, CAppSettingProp::kTimerIconSteps, 0); };
    for (const int button : {IDC_APP_SAVE_ICONS, IDC_APP_RESTORE_ICONS}) {
        SCOPED_TRACE(button == IDC_APP_SAVE_ICONS ? "save" : "restore");
        ASSERT_NO_FATAL_FAILURE(MakeOldSets());
        Place(kNew);
        sim.StallAfterReads(1, 5000);
        MessageBoxCatcher box(IDNO, 30000);
        ui.Click(button);
        for (int i = 0; i < 40 && page.IconJobRunning(); ++i) step();
        EXPECT_FALSE(page.IconJobRunning()) << "given up after the patience";
        EXPECT_EQ(page.IconJobResult(), kIconTaskGaveUp);
        EXPECT_TRUE(Holds(kSaved, kOld) && Holds(kBackup, kBackupLayout)) << "the old sets stay whole";
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ProfileSection(IconSetAside(kSaved))));
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ProfileSection(IconSetAside(kBackup))));
        if (button == IDC_APP_RESTORE_ICONS) {
            const auto asked = box.Result();
            ASSERT_TRUE(asked.has_value()) << "a refused restore asks";
            EXPECT_EQ(asked->text, LoadResString(IDS_ICON_RESTORE_FAILED));
        }
        // Awake again (the send waits for it): everything works as before.
        EXPECT_TRUE(Same(sim.Position(0), kNew[0]));
        EXPECT_EQ(Press(IDC_APP_RESTORE_ICONS), 0);
        EXPECT_TRUE(IconsAt(kOld));
    }
}

}  // namespace
}  // namespace velk::test
