// The Extra desktop page's own behaviour: its state after initialisation
// from the profile, its texts in both languages, the check boxes, the
// settings it reads and saves, and the restore of the icons at start.
#include "tests/taskbar/desktop/desktop_test_support.h"

#include "framework/strings.h"
#include "resources/resource.h"
#include "testing/support/pump.h"

namespace velk::test {
namespace {

constexpr wchar_t kSection[] = L"AppSetting";
void SetInt(const wchar_t* section, const wchar_t* name, DWORD v) { SetDword(HKEY_CURRENT_USER, ProfileSection(section), name, v); }
LANGID WINAPI JapaneseUi() { return MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT); }

TEST(AppSettingPage, InitialStateAndTextsFollowTheProfileAndTheLanguage) {
    PlatformOverride platform;
    PageHost ui;
    const std::pair<int, UINT> texts[] = {{IDC_APP_TASKBAR_GROUP, IDS_TASKBAR_GROUP},
                                          {IDC_APP_SEPARATE_BUTTONS, IDS_TASKBAR_SEPARATE_BUTTONS},
                                          {IDC_APP_RESTORE_AT_START, IDS_ICON_RESTORE_AT_START},
                                          {IDC_APP_GATHER_DESC, IDS_GATHER_DESC},
                                          {IDC_APP_RESTORE_WINDOWS, IDS_RESTORE_WINDOWS}};
    std::vector<std::wstring> english;
    for (const bool stored : {false, true}) {  // stored: a taskbar, a saved icon set, a gathered window; Japanese
        SCOPED_TRACE(stored ? "stored, Japanese" : "empty, English");
        if (stored) {
            SetInt(kSection, L"UseTaskbar", 1);
            SetInt(kSection, L"TaskbarShowAllBtn", 1);
            SetInt(kSection, L"RestoreIcon", 1);
            SetInt(L"IconPosition", L"IconSaveFlag", 1);
            SetInt(L"AppPosition\\1234", L"Handle", 1234);
            Platform().GetUserDefaultUILanguage = JapaneseUi;
        }
        MessageBoxCatcher noWarning(IDOK, 300);
        ui.Create();
        EXPECT_FALSE(noWarning.Result().has_value()) << "every text exists";
        for (int id : {IDC_APP_ON_TOP, IDC_APP_SEPARATE_BUTTONS, IDC_APP_RESTORE_ICONS, IDC_APP_RESTORE_AT_START})
            EXPECT_EQ(ui.Enabled(id), stored) << id;
        EXPECT_EQ(ui.Checked(IDC_APP_SEPARATE_BUTTONS), stored);
        EXPECT_EQ(ui.Checked(IDC_APP_RESTORE_AT_START), stored);
        // The restore-at-start timer runs exactly when its box is checked.
        EXPECT_EQ(::KillTimer(ui.page.GetSafeHwnd(), CAppSettingProp::kTimerRestoreIcons) != FALSE, stored);
        EXPECT_TRUE(ui.Enabled(IDC_APP_GATHER));
        EXPECT_FALSE(ui.Enabled(IDC_APP_RESTORE_WINDOWS)) << "nothing counts as gathered after a start";
        for (size_t i = 0; i < std::size(texts); ++i) {
            const std::wstring shown = Wnd(ui.Item(texts[i].first)).GetWindowText();
            EXPECT_EQ(shown, LoadResString(texts[i].second));
            if (stored) EXPECT_NE(shown, english[i]);
            else english.push_back(shown);
        }
    }
}

TEST(AppSettingPage, CheckBoxesReachTheMainDialogAndApplySavesWhatTheyHold) {
    PageHost ui;
    SetInt(kSection, L"UseTaskbar", 1);
    SetInt(kSection, L"TaskbarOnTop", 1);
    SetInt(kSection, L"TaskbarShowAllBtn", 1);
    SetInt(L"IconPosition", L"IconSaveFlag", 1);
    ui.Create();
    // As the taskbar controller marks them after the page is made.
    ::CheckDlgButton(ui.page.GetSafeHwnd(), IDC_APP_USE_TASKBAR, BST_CHECKED);
    ::CheckDlgButton(ui.page.GetSafeHwnd(), IDC_APP_ON_TOP, BST_CHECKED);
    for (int id : {IDC_APP_ON_TOP, IDC_APP_RESTORE_AT_START, IDC_APP_SEPARATE_BUTTONS}) {
        const int before = ui.host.pageChanged;
        ui.Click(id);
        EXPECT_EQ(ui.host.pageChanged, before + 1) << "sent at once by box " << id;
    }
    ui.page.CommitShown();  // as Apply and OK do
    ui.page.SaveAppSettings();
    EXPECT_EQ(ProfileInt(kSection, L"UseTaskbar"), 1u);
    EXPECT_EQ(ProfileInt(kSection, L"TaskbarOnTop"), 0u);
    EXPECT_EQ(ProfileInt(kSection, L"TaskbarShowAllBtn"), 0u);
    EXPECT_EQ(ProfileInt(kSection, L"RestoreIcon"), 1u);

    // Taskbar off: its two boxes go grey at once; the change is posted.
    SetInt(kSection, L"TaskbarOnTop", 1);
    const int before = ui.host.pageChanged;
    ui.Click(IDC_APP_USE_TASKBAR);
    EXPECT_FALSE(ui.Enabled(IDC_APP_ON_TOP) || ui.Enabled(IDC_APP_SEPARATE_BUTTONS));
    EXPECT_EQ(ui.host.pageChanged, before);
    RunPendingMessages();
    EXPECT_EQ(ui.host.pageChanged, before + 1);
    ui.page.CommitShown();  // as Apply and OK do
    ui.page.SaveAppSettings();
    EXPECT_EQ(ProfileInt(kSection, L"UseTaskbar"), 0u);
    EXPECT_EQ(ProfileInt(kSection, L"TaskbarOnTop"), 1u) << "kept as stored while the taskbar is off";
}

TEST(AppSettingPage, RestoreAtStartRunsOnceAndAsksWhenNothingIsSaved) {
    PageHost ui;
    SetInt(kSection, L"RestoreIcon", 1);
    DesktopSim sim({L"Alpha", L"Beta"});
    ASSERT_TRUE(sim.Ready());
    ui.Create();
    const POINT before = sim.Position(1);
    MessageBoxCatcher catcher(IDNO);
    ::SendMessageW(ui.page.GetSafeHwnd(), WM_TIMER, CAppSettingProp::kTimerRestoreIcons, 0);
    FinishIconJob(ui.page);
    const auto box = catcher.Result();
    ASSERT_TRUE(box.has_value()) << "without a saved set every icon is a misfit";
    EXPECT_EQ(box->text, LoadResString(IDS_ICON_RESTORE_FAILED));
    EXPECT_TRUE(Same(sim.Position(1), before));
    EXPECT_FALSE(::KillTimer(ui.page.GetSafeHwnd(), CAppSettingProp::kTimerRestoreIcons)) << "runs once";
}

}  // namespace
}  // namespace velk::test
