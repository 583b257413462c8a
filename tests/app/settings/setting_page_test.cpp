// The Setting page on a stand-in host: its defaults and the first apply, the
// Run value, the mouse sonar rules, and the DisplayLink work of its apply
// against the simulated add-on library. Cancel and the resize choice of the
// main dialog are tested with it (tests/app/maindialog).
#include "app/setting_page.h"
#include "app/velkmira_app.h"
#include "testing/support/addon_test_support.h"
#include "display/program_messages.h"
#include "testing/support/fake_topology.h"
#include "testing/support/tray_fixture.h"
#include "tests/app/settings/settings_fixture.h"
#include <algorithm>
#include <optional>

using namespace velk::test;
using namespace settings_test;

namespace {

std::optional<std::wstring> RunValue() { return GetString(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName); }
std::optional<DWORD> SettingValue(const wchar_t* name) {
    return GetDword(HKEY_CURRENT_USER, ProfileSection(L"Setting"), name);
}
std::wstring ThisProgram() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}
void SetWindowsSonar(bool on) {
    ::SystemParametersInfoW(SPI_SETMOUSESONAR, 0, reinterpret_cast<void*>(static_cast<UINT_PTR>(on)), 0);
}
bool WindowsSonar() {
    BOOL on = FALSE;
    ::SystemParametersInfoW(SPI_GETMOUSESONAR, 0, &on, 0);
    return on != FALSE;
}

using SettingPage = SettingPagesTest;

TEST(RunValueForProgram, FolderOfTheProgramAndVelkmiraExeQuotedWhenThereIsASpace) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\Tools\\Velkmira.exe", L"C:\\Tools\\Velkmira.exe"},
        {L"D:\\apps\\renamed copy.exe", L"D:\\apps\\Velkmira.exe"},
        {L"C:\\Program Files\\Velk\\Velkmira.exe", L"\"C:\\Program Files\\Velk\\Velkmira.exe\""},
        {L"E:\\my tools\\other.exe", L"\"E:\\my tools\\Velkmira.exe\""},
    };
    for (const auto& [program, value] : cases) EXPECT_EQ(RunValueForProgram(program), value) << ToUtf8(program);
}

// The real program copied into a folder whose name has a space.
TEST(RunValueForProgram, AProgramInAFolderWithASpaceWritesTheQuotedPath) {
    ScratchFolder scratch;
    // A folder of this run's own: the hooks keep an earlier run's Tarnlet.dll
    // mapped in other processes, so that folder may not be removable yet.
    const std::wstring folder = scratch.Path() + L"Velk Utility " + std::to_wstring(::GetCurrentProcessId()) + L"\\";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    for (const wchar_t* file : {L"Velkmira.exe", L"Tarnlet.dll"})
        ASSERT_TRUE(::CopyFileW((BinDir() + file).c_str(), (folder + file).c_str(), FALSE));
    ResetProfile();
    FakeTray tray;
    ChildProcess program = ChildProcess::Start(folder + L"Velkmira.exe");
    ASSERT_TRUE(program.Started());
    HWND main = WaitForWindow(kMainWindowClass, nullptr, 30000, program.Id());
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil(30000, [&] { return ::GetPropW(main, kInstanceProperty) != nullptr; }));
    DWORD_PTR result = 0;
    EXPECT_TRUE(::SendMessageTimeoutW(main, WM_COMMAND, IDC_APPLY, 0, SMTO_NORMAL, 30000, &result));
    EXPECT_EQ(RunValue(), L"\"" + folder + L"Velkmira.exe\"");
    ::PostMessageW(main, WM_COMMAND, ID_TRAY_EXIT, 0);
    ASSERT_TRUE(program.Wait(30000));
    EXPECT_EQ(program.ExitCode(), 0u);
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName);
    ResetProfile();
    for (const wchar_t* file : {L"Velkmira.exe", L"Tarnlet.dll"}) ::DeleteFileW((folder + file).c_str());
    ::RemoveDirectoryW(folder.c_str());
}

TEST_F(SettingPage, EmptyProfileLoadsTheDefaultsAndEveryApplyWritesOrDeletesTheRunValue) {
    SetWindowsSonar(true);
    Start();
    HWND page = SettingHwnd();
    EXPECT_TRUE(Checked(page, IDC_SET_RESIZE_SCALE));
    EXPECT_FALSE(Checked(page, IDC_SET_RESIZE_FIXED));
    EXPECT_TRUE(Checked(page, IDC_SET_RUN_AT_STARTUP));
    EXPECT_TRUE(Checked(page, IDC_SET_MOUSE_SONAR));
    EXPECT_FALSE(RunValue()) << "start-up leaves the Run key alone";

    Setting().CommitShown();
    Setting().ApplySettingPage();
    EXPECT_EQ(SettingValue(L"WINFIXSIZE"), 1u);
    EXPECT_EQ(SettingValue(L"STARTUP"), 1u);
    EXPECT_EQ(SettingValue(L"MOUSESONAR"), 1u);
    EXPECT_EQ(RunValue(), RunValueForProgram(ThisProgram().c_str()));
    EXPECT_EQ(GetValueType(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName), DWORD(REG_SZ));

    ::CheckDlgButton(page, IDC_SET_RUN_AT_STARTUP, BST_UNCHECKED);
    Command(page, IDC_SET_RUN_AT_STARTUP);
    EXPECT_EQ(host->pageChanged, 1) << "a change tells the host, which enables Apply";
    Setting().CommitShown();
    Setting().ApplySettingPage();
    EXPECT_FALSE(RunValue());
    EXPECT_EQ(SettingValue(L"STARTUP"), 0u);
    Setting().CommitShown();
    Setting().ApplySettingPage();
    EXPECT_FALSE(RunValue());

    // A value an older version wrote unquoted is replaced by the current form.
    SetString(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, L"C:\\Old Folder\\Velkmira.exe");
    ::CheckDlgButton(page, IDC_SET_RUN_AT_STARTUP, BST_CHECKED);
    Setting().CommitShown();
    Setting().ApplySettingPage();
    EXPECT_EQ(RunValue(), RunValueForProgram(ThisProgram().c_str()));
}

TEST_F(SettingPage, RotationValuesAreLoadedAndSavedWithinTheirBounds) {
    const ThreeDisplaysSideBySide displays;
    const std::wstring section = ProfileSection(L"Setting");
    // Display 2 saved as "180 deg.", display 3's value damaged, display 1 rotated.
    SetDword(HKEY_CURRENT_USER, section, L"Monitor1_Rotation", 2);
    SetDword(HKEY_CURRENT_USER, section, L"Monitor2_Rotation", 3);
    SetDword(HKEY_CURRENT_USER, section, L"Monitor3_Rotation", 9);
    SetDword(HKEY_CURRENT_USER, section, L"Monitor10_Rotation", 0xFFFFFFFF);
    Start();
    {
        // No display yet: the list's second look is due, and the saved rotations outlast it.
        const CSettingProp& first = Setting();
        ASSERT_TRUE(first.IsAddOnLookPending());
        ::SendMessageW(SettingHwnd(), WM_TIMER, CSettingProp::kTimerAddOnLook, 0);
        EXPECT_EQ(first.DisplayState(0).Rotation, 2);
        EXPECT_EQ(first.DisplayState(1).Rotation, 3);
    }
    AddSimDisplay(2);
    AddSimDisplay(3);
    addon_test::Sim sim;
    sim.SetState(2, 2, 1, 3);
    sim.SetState(3, 2, 4, 3);
    Setting().LoadSettingPage();  // as Cancel does: the page again, with the displays
    ReadListedStates();
    const CSettingProp& page = Setting();
    const int32_t loaded[10] = {2, 3, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(page.DisplayState(i).Rotation, loaded[i]) << i;
    // The first listed display is adapter 2: its saved rotation is selected.
    EXPECT_EQ(::SendDlgItemMessageW(SettingHwnd(), IDC_SET_DL_ROTATION, CB_GETCURSEL, 0, 0), 2);

    Setting().CommitShown();
    Setting().ApplySettingPage();  // saves what was loaded, then reads the displays again
    ReadListedStates();
    for (int d = 1; d <= 10; ++d) {
        const std::wstring name = L"Monitor" + std::to_wstring(d) + L"_Rotation";
        EXPECT_EQ(GetDword(HKEY_CURRENT_USER, section, name.c_str()), static_cast<DWORD>(loaded[d - 1])) << d;
    }
    Setting().CommitShown();
    Setting().ApplySettingPage();  // now what the displays reported
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, section, L"Monitor2_Rotation"), 1u);
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, section, L"Monitor3_Rotation"), 4u);
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, section, L"Monitor1_Rotation"), 0u);
}

TEST_F(SettingPage, SonarBoxFollowsWindowsUntilTouchedAndTheProfileCanOnlyTurnItOff) {
    Start();
    HWND page = SettingHwnd();
    const auto tick = [&] { ::SendMessageW(page, WM_TIMER, CSettingProp::kTimerSonar, 0); };
    struct Case {
        DWORD profile;
        bool windows, loaded, afterTick;
    };
    for (const Case& c : {Case{1, false, false, false}, Case{1, true, true, true}, Case{0, true, false, true},
                          Case{0, false, false, false}}) {
        SetDword(HKEY_CURRENT_USER, ProfileSection(L"Setting"), L"MOUSESONAR", c.profile);
        SetWindowsSonar(c.windows);
        Setting().LoadSettingPage();  // as Cancel does
        EXPECT_EQ(Checked(page, IDC_SET_MOUSE_SONAR), c.loaded) << c.profile << c.windows;
        tick();
        EXPECT_EQ(Checked(page, IDC_SET_MOUSE_SONAR), c.afterTick) << c.profile << c.windows;
    }

    // The user's click holds the box against Windows' state until the apply,
    // which hands it to Windows; then the box follows Windows again.
    SetWindowsSonar(true);
    ::CheckDlgButton(page, IDC_SET_MOUSE_SONAR, BST_UNCHECKED);
    Command(page, IDC_SET_MOUSE_SONAR);
    tick();
    Setting().LoadSettingPage();
    tick();
    EXPECT_FALSE(Checked(page, IDC_SET_MOUSE_SONAR));
    ::CheckDlgButton(page, IDC_SET_MOUSE_SONAR, BST_UNCHECKED);
    Setting().CommitShown();
    Setting().ApplySettingPage();
    EXPECT_FALSE(WindowsSonar());
    EXPECT_EQ(SettingValue(L"MOUSESONAR"), 0u);
    SetWindowsSonar(true);
    tick();
    EXPECT_TRUE(Checked(page, IDC_SET_MOUSE_SONAR));
    // The timer runs on the page's window.
    EXPECT_TRUE(::KillTimer(page, CSettingProp::kTimerSonar));
}

TEST_F(SettingPage, SonarBoxIsShownFromWindows51On) {
    for (const auto& [minor, shown] : {std::pair{0u, false}, std::pair{1u, true}}) {
        FakeWindowsVersion(5, minor);
        Start();
        const LONG_PTR style = ::GetWindowLongPtrW(::GetDlgItem(SettingHwnd(), IDC_SET_MOUSE_SONAR), GWL_STYLE);
        EXPECT_EQ((style & WS_VISIBLE) != 0, shown) << "5." << minor;
        host.reset();
    }
}

// The host's video-optimisation choice (the Other settings page's box inside
// the main dialog) goes to every DisplayLink display, and the apply asks the
// host for its default playback device each time.
TEST_F(SettingPage, ApplySendsVideoOptimisationToEveryDisplayLinkDisplayFromWindows61On) {
    // Two DisplayLink displays that the display table numbers 2 and 3.
    StartWithDisplayLinkDisplays({2, 3});
    addon_test::Sim sim;
    HWND page = SettingHwnd();

    host->videoOptimize = true;
    Setting().CommitShown();
    Setting().ApplySettingPage();
    EXPECT_EQ(host->defaultDeviceApplies, 1);
    EXPECT_EQ(sim.State(2).videoOptimize, 1);
    EXPECT_EQ(sim.State(3).videoOptimize, 1);
    HWND list = ::GetDlgItem(page, IDC_SET_DL_DISPLAYS);
    ASSERT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 2);
    wchar_t first[64] = {};
    ::SendMessageW(list, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
    EXPECT_STREQ(first, L"2 : DisplayLink Graphics Adapter");
    EXPECT_EQ(::SendMessageW(list, CB_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(page, IDC_SET_DISPLAY_LABEL)));

    host->videoOptimize = false;
    Setting().CommitShown();
    Setting().ApplySettingPage();
    EXPECT_EQ(sim.State(2).videoOptimize, 5);
    EXPECT_EQ(sim.State(3).videoOptimize, 5);

    FakeWindowsVersion(6, 0);
    host->videoOptimize = true;
    Setting().CommitShown();
    Setting().ApplySettingPage();
    EXPECT_EQ(sim.State(2).videoOptimize, 5) << "not before Windows 6.1";
    EXPECT_EQ(host->defaultDeviceApplies, 3) << "on every version";

    // Without active DisplayLink displays the list holds "-" and the label
    // goes grey at once, while Apply's other steps go on; the page's timer
    // looks once more 5 s later.
    RemoveSimDisplays();
    RecordedWaits().clear();
    CSettingProp& setting = Setting();
    host->videoOptimize = false;
    FakeWindowsVersion(6, 1);
    Setting().CommitShown();
    Setting().ApplySettingPage();
    EXPECT_TRUE(RecordedWaits().empty()) << "the refresh waited";
    EXPECT_TRUE(setting.IsAddOnLookPending());
    EXPECT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 1);
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDC_SET_DISPLAY_LABEL)));
    // The second look finds the display that came meanwhile and finishes the refresh.
    AddSimDisplay(3);
    sim.SetState(3, 2, 1, 3);
    ::SendMessageW(page, WM_TIMER, CSettingProp::kTimerAddOnLook, 0);
    EXPECT_FALSE(setting.IsAddOnLookPending());
    EXPECT_FALSE(::KillTimer(page, CSettingProp::kTimerAddOnLook)) << "the look is one-shot";
    ASSERT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 1);
    ::SendMessageW(list, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
    EXPECT_STREQ(first, L"3 : DisplayLink Graphics Adapter");
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(page, IDC_SET_DISPLAY_LABEL)));
    ReadListedStates();
    EXPECT_TRUE(Checked(page, IDC_SET_DL_EXTEND)) << "the look's apply shows the state it read";
}

// The listed displays' states are read in a timer step of the page once the
// library has settled after the list's pump, not by holding the thread: until
// then the last whole set of states stays (what an Apply meanwhile saves), and
// the step then swaps in the set read at that moment and shows its selection.
TEST_F(SettingPage, ListedDisplaysStatesAreReadInAStepOfTheirOwnAndSwappedInWhole) {
    StartWithDisplayLinkDisplays({2, 3});
    addon_test::Sim sim;
    HWND page = SettingHwnd();
    const std::wstring section = ProfileSection(L"Setting");
    Setting().CommitShown();
    Setting().ApplySettingPage();
    ReadListedStates();
    ASSERT_EQ(Setting().DisplayState(1).Rotation, 1);

    // Mirror mode and "180 deg." come while the next Apply's step is due.
    RecordedWaits().clear();
    Setting().ApplySettingPage();
    EXPECT_TRUE(RecordedWaits().empty()) << "the apply waited";
    EXPECT_EQ(::SendDlgItemMessageW(page, IDC_SET_DL_DISPLAYS, CB_GETCOUNT, 0, 0), 2) << "the list is there at once";
    sim.SetState(2, 2, 3, 2);
    Setting().ApplySettingPage();  // saves the last whole set, then lists anew
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, section, L"Monitor2_Rotation"), 1u);
    EXPECT_EQ(Setting().DisplayState(1).Rotation, 1) << "swapped in before its step";
    ReadListedStates();
    EXPECT_EQ(Setting().DisplayState(1).Rotation, 3);
    EXPECT_EQ(Setting().DisplayState(1).DisplayNumber, 2);
    EXPECT_EQ(::SendDlgItemMessageW(page, IDC_SET_DL_ROTATION, CB_GETCURSEL, 0, 0), 2);
    EXPECT_TRUE(Checked(page, IDC_SET_DL_MIRROR));

    // A display gone by the step counts as a failed query: its state is
    // empty, and the list's selection has no display.
    Setting().LoadSettingPage();
    RemoveSimDisplays();
    ReadListedStates();
    EXPECT_EQ(Setting().DisplayState(1).AdapterId, 0);
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDC_SET_DISPLAY_LABEL)));

    // The page's end drops a step still due.
    AddDisplayLinkDisplays({2});
    Setting().LoadSettingPage();
    ASSERT_TRUE(Setting().IsAddOnStateReadPending());
    ::DestroyWindow(page);
    EXPECT_FALSE(Setting().IsAddOnStateReadPending());
}

// The second look is a one-shot timer of the page: a new load restarts it, a
// look that finds nothing leaves "-", and the page's end kills it.
TEST_F(SettingPage, SecondLookOfTheDisplayLinkListIsRestartedAndEndsWithThePage) {
    Start();
    CSettingProp& setting = Setting();
    HWND page = SettingHwnd();
    HWND list = ::GetDlgItem(page, IDC_SET_DL_DISPLAYS);
    setting.LoadSettingPage();
    ASSERT_TRUE(setting.IsAddOnLookPending());
    setting.LoadSettingPage();
    EXPECT_TRUE(setting.IsAddOnLookPending());
    ::SendMessageW(page, WM_TIMER, CSettingProp::kTimerAddOnLook, 0);
    EXPECT_FALSE(setting.IsAddOnLookPending());
    EXPECT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 1);
    wchar_t entry[64] = {};
    ::SendMessageW(list, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(entry));
    EXPECT_STREQ(entry, L"-");

    setting.LoadSettingPage();
    ASSERT_TRUE(setting.IsAddOnLookPending());
    ::DestroyWindow(page);
    EXPECT_FALSE(setting.IsAddOnLookPending());
}

}  // namespace
