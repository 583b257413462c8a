// The Extra desktop page's own behaviour: its state after initialisation
// from the profile, its texts in both languages, the check boxes, the
// settings it reads and saves, and the restore of the icons at start.
#include "tests/desktop/desktop_test_support.h"

#include "framework/strings.h"
#include "resources/resource.h"

namespace velk::test {
namespace {

constexpr wchar_t kSection[] = L"AppSetting";

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
}

using AppSettingPageTest = PageTest;

TEST_F(AppSettingPageTest, InitialStateFollowsTheProfile) {
    struct Case {
        bool stored;  // the profile holds a taskbar, a saved icon set and a gathered window
        bool taskbarBoxes, separateChecked, iconRestore, restoreAtStartChecked;
    };
    for (const Case c : {Case{false, false, false, false, false}, Case{true, true, true, true, true}}) {
        SCOPED_TRACE(c.stored ? "stored" : "empty");
        if (c.stored) {
            SetDword(HKEY_CURRENT_USER, ProfileSection(kSection), L"UseTaskbar", 1);
            SetDword(HKEY_CURRENT_USER, ProfileSection(kSection), L"TaskbarShowAllBtn", 1);
            SetDword(HKEY_CURRENT_USER, ProfileSection(kSection), L"RestoreIcon", 1);
            SetDword(HKEY_CURRENT_USER, ProfileSection(L"IconPosition"), L"IconSaveFlag", 1);
            SetDword(HKEY_CURRENT_USER, ProfileSection(L"AppPosition") + L"\\1234", L"Handle", 1234);
        }
        CreatePage();
        EXPECT_EQ(Enabled(IDC_APP_ON_TOP), c.taskbarBoxes);
        EXPECT_EQ(Enabled(IDC_APP_SEPARATE_BUTTONS), c.taskbarBoxes);
        EXPECT_EQ(Checked(IDC_APP_SEPARATE_BUTTONS), c.separateChecked);
        EXPECT_EQ(Enabled(IDC_APP_RESTORE_ICONS), c.iconRestore);
        EXPECT_EQ(Enabled(IDC_APP_RESTORE_AT_START), c.iconRestore);
        EXPECT_EQ(Checked(IDC_APP_RESTORE_AT_START), c.restoreAtStartChecked);
        // The restore-at-start timer runs exactly when the box is checked.
        EXPECT_EQ(::KillTimer(page.GetSafeHwnd(), CAppSettingProp::kTimerRestoreIcons) != FALSE,
                  c.restoreAtStartChecked);
        EXPECT_TRUE(Enabled(IDC_APP_GATHER));
        EXPECT_FALSE(Enabled(IDC_APP_RESTORE_WINDOWS)) << "nothing counts as gathered after a start";
        ::DestroyWindow(page.GetSafeHwnd());
    }
}

LANGID WINAPI JapaneseUi() { return MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT); }

TEST_F(AppSettingPageTest, TextsComeFromTheStringTableInBothLanguages) {
    const std::pair<int, UINT> texts[] = {
        {IDC_APP_TASKBAR_GROUP, IDS_TASKBAR_GROUP},      {IDC_APP_USE_TASKBAR, IDS_USE_EXTRA_TASKBAR},
        {IDC_APP_ON_TOP, IDS_TASKBAR_ON_TOP},            {IDC_APP_SEPARATE_BUTTONS, IDS_TASKBAR_SEPARATE_BUTTONS},
        {IDC_APP_ICON_GROUP, IDS_ICON_POSITION_GROUP},   {IDC_APP_SAVE_ICONS_DESC, IDS_ICON_SAVE_DESC},
        {IDC_APP_RESTORE_AT_START, IDS_ICON_RESTORE_AT_START}, {IDC_APP_SAVE_ICONS, IDS_ICON_SAVE},
        {IDC_APP_GATHER_DESC, IDS_GATHER_DESC},          {IDC_APP_RESTORE_WINDOWS, IDS_RESTORE_WINDOWS},
    };
    std::vector<std::wstring> english;
    for (bool japanese : {false, true}) {
        SCOPED_TRACE(japanese ? "Japanese" : "English");
        if (japanese) Platform().GetUserDefaultUILanguage = JapaneseUi;
        MessageBoxCatcher noWarning(IDOK, 500);
        CreatePage();
        for (size_t i = 0; i < std::size(texts); ++i) {
            const std::wstring shown = Wnd(Item(texts[i].first)).GetWindowText();
            EXPECT_EQ(shown, LoadResString(texts[i].second));
            if (!japanese) english.push_back(shown);
            else EXPECT_NE(shown, english[i]) << "control " << texts[i].first;
        }
        EXPECT_FALSE(noWarning.Result().has_value());
        ::DestroyWindow(page.GetSafeHwnd());
    }
}

TEST_F(AppSettingPageTest, CheckBoxesReachTheMainDialogAndApplySavesWhatTheyHold) {
    SetDword(HKEY_CURRENT_USER, ProfileSection(kSection), L"UseTaskbar", 1);
    SetDword(HKEY_CURRENT_USER, ProfileSection(kSection), L"TaskbarOnTop", 1);
    SetDword(HKEY_CURRENT_USER, ProfileSection(kSection), L"TaskbarShowAllBtn", 1);
    SetDword(HKEY_CURRENT_USER, ProfileSection(L"IconPosition"), L"IconSaveFlag", 1);
    CreatePage();
    // As the taskbar controller marks them after the page is made.
    ::CheckDlgButton(page.GetSafeHwnd(), IDC_APP_USE_TASKBAR, BST_CHECKED);
    ::CheckDlgButton(page.GetSafeHwnd(), IDC_APP_ON_TOP, BST_CHECKED);

    // The other three boxes tell the main dialog at once (sent).
    for (int id : {IDC_APP_ON_TOP, IDC_APP_RESTORE_AT_START, IDC_APP_SEPARATE_BUTTONS}) {
        const int before = host.pageChanged;
        Click(id);
        EXPECT_EQ(host.pageChanged, before + 1) << "box " << id;
    }
    // Now: on top off, restore at start on, separate off.
    page.ReadAppSettingChecks();
    page.SaveAppSettings();
    EXPECT_EQ(Int(kSection, L"UseTaskbar"), 1u);
    EXPECT_EQ(Int(kSection, L"TaskbarOnTop"), 0u);
    EXPECT_EQ(Int(kSection, L"TaskbarShowAllBtn"), 0u);
    EXPECT_EQ(Int(kSection, L"RestoreIcon"), 1u);

    // "Use Extra Taskbar." off: its two boxes go grey at once, the change is posted.
    SetDword(HKEY_CURRENT_USER, ProfileSection(kSection), L"TaskbarOnTop", 1);
    const int before = host.pageChanged;
    Click(IDC_APP_USE_TASKBAR);
    EXPECT_FALSE(Enabled(IDC_APP_ON_TOP));
    EXPECT_FALSE(Enabled(IDC_APP_SEPARATE_BUTTONS));
    EXPECT_EQ(host.pageChanged, before);
    Pump();
    EXPECT_EQ(host.pageChanged, before + 1);
    page.ReadAppSettingChecks();
    page.SaveAppSettings();
    EXPECT_EQ(Int(kSection, L"UseTaskbar"), 0u);
    EXPECT_EQ(Int(kSection, L"TaskbarOnTop"), 1u) << "kept as stored while the taskbar is off";
}

TEST_F(AppSettingPageTest, RestoreAtStartRunsOnceAndAsksWhenNothingIsSaved) {
    SetDword(HKEY_CURRENT_USER, ProfileSection(kSection), L"RestoreIcon", 1);
    DesktopSim sim({L"Alpha", L"Beta"});
    ASSERT_TRUE(sim.Ready());
    CreatePage();
    const POINT before = sim.Position(1);
    MessageBoxCatcher catcher(IDNO);
    ::SendMessageW(page.GetSafeHwnd(), WM_TIMER, CAppSettingProp::kTimerRestoreIcons, 0);
    const auto box = catcher.Result();
    ASSERT_TRUE(box.has_value()) << "without a saved set every icon is a misfit";
    EXPECT_EQ(box->text, LoadResString(IDS_ICON_RESTORE_FAILED));
    EXPECT_EQ(sim.Position(1).x, before.x);
    EXPECT_FALSE(::KillTimer(page.GetSafeHwnd(), CAppSettingProp::kTimerRestoreIcons)) << "runs once";
}

}  // namespace
}  // namespace velk::test
