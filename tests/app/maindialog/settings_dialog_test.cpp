// The Setting and Other settings pages inside the main dialog: what the main
// dialog's Cancel, Apply, start-up and device change do with them (the pages
// themselves are tested on a stand-in host in tests/app/settings).
#include "display/program_messages.h"
#include "testing/support/addon_test_support.h"
#include "testing/support/fake_topology.h"
#include "testing/support/tray_fixture.h"
#include "tests/app/settings/settings_fixture.h"
#include <memory>
#include <optional>

using namespace velk::test;
using namespace settings_test;

namespace {

std::optional<std::wstring> RunValue() { return GetString(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName); }
std::optional<DWORD> SettingValue(const wchar_t* name) {
    return GetDword(HKEY_CURRENT_USER, ProfileSection(L"Setting"), name);
}

constexpr IID kIidPolicy61 = {0xF8679F50, 0x850A, 0x41CF, {0x9C, 0x72, 0x43, 0x0F, 0x29, 0x02, 0x90, 0xC8}};

TEST_F(SettingsInMainDialog, CancelDropsWhatWasNotAppliedAndReopeningShowsTheAppliedValues) {
    Start();
    HWND page = SettingHwnd();
    ::SendMessageW(hwnd, UM_TRAYNOTIFY, 128, WM_LBUTTONDBLCLK);
    ::CheckRadioButton(page, IDC_SET_RESIZE_FIXED, IDC_SET_RESIZE_SCALE, IDC_SET_RESIZE_FIXED);
    ::CheckDlgButton(page, IDC_SET_RUN_AT_STARTUP, BST_UNCHECKED);
    Apply();
    EXPECT_EQ(SettingValue(L"WINFIXSIZE"), 0u);
    EXPECT_EQ(dialog->ResizeMode, 0);

    ::CheckRadioButton(page, IDC_SET_RESIZE_FIXED, IDC_SET_RESIZE_SCALE, IDC_SET_RESIZE_SCALE);
    ::CheckDlgButton(page, IDC_SET_RUN_AT_STARTUP, BST_CHECKED);
    Command(hwnd, IDCANCEL);
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    ::SendMessageW(hwnd, UM_TRAYNOTIFY, 128, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    EXPECT_TRUE(Checked(page, IDC_SET_RESIZE_FIXED));
    EXPECT_FALSE(Checked(page, IDC_SET_RESIZE_SCALE));
    EXPECT_FALSE(Checked(page, IDC_SET_RUN_AT_STARTUP));
    EXPECT_FALSE(RunValue());
}

TEST_F(SettingsInMainDialog, MovesFollowTheSavedResizeChoiceFromStartUp) {
    for (const auto& [saved, mode] : {std::pair{0u, 0}, std::pair{1u, 1}}) {
        SetDword(HKEY_CURRENT_USER, ProfileSection(L"Setting"), L"WINFIXSIZE", saved);
        Start();
        EXPECT_EQ(dialog->ResizeMode, mode) << saved;
        dialog.reset();
        tray.reset();
    }
}


// The Other settings page's box is the video-optimisation choice the Setting
// page's apply sends to every DisplayLink display.
TEST_F(SettingsInMainDialog, ApplySendsTheOtherPagesVideoOptimisationBoxToEveryDisplayLinkDisplay) {
    // Two DisplayLink displays that the display table numbers 2 and 3.
    const ThreeDisplaysSideBySide displays;
    Start();
    AddDisplayLinkDisplays({2, 3});
    addon_test::Sim sim;
    for (const auto& [box, state] : {std::pair{BST_CHECKED, 1}, std::pair{BST_UNCHECKED, 5}}) {
        ::CheckDlgButton(OtherHwnd(), IDC_OTHER_VIDEO_OPTIMIZE, box);
        Apply();
        EXPECT_EQ(sim.State(2).videoOptimize, state) << box;
        EXPECT_EQ(sim.State(3).videoOptimize, state) << box;
    }
}

TEST_F(SettingsInMainDialog, ListsTheNullDeviceAndTheChoiceReachesThePolicyObjectAtApply) {
    Start();
    HWND page = OtherHwnd();
    HWND list = ::GetDlgItem(page, IDC_OTHER_PLAYBACK_DEVICE);
    ASSERT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 1) << "the harness gives Wine one null playback device";
    EXPECT_EQ(::SendMessageW(list, CB_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(::IsWindowEnabled(list));
    EXPECT_TRUE(PolicyCalls().empty()) << "without a saved choice start-up changes no device";

    Command(page, IDC_OTHER_PLAYBACK_DEVICE, CBN_SELCHANGE);
    EXPECT_FALSE(::KillTimer(page, OtherSetting::kTimerAudioRefresh)) << "a choice stops the refresh";
    const std::wstring guid = GuidText(AudioDeviceTable[0].DeviceGuid);
    EXPECT_NE(guid, GuidText(GUID{}));
    Apply();
    const auto calls = PolicyCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(IsEqualCLSID(calls[0].classId, kPolicySimClassIds[0]));
    EXPECT_TRUE(IsEqualIID(calls[0].interfaceId, kIidPolicy61));
    EXPECT_EQ(calls[0].method, 13);
    EXPECT_EQ(std::wstring(calls[0].endpoint), L"{0.0.0.00000000}." + guid);
    EXPECT_EQ(calls[0].role, 1);
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, OtherSection(), L"DEFAULTAUDIODEVICE"), guid);
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, OtherSection(), L"DEFAULTAUDIODEVICENAME"), ListText(list, 0));
    EXPECT_TRUE(::KillTimer(page, OtherSetting::kTimerAudioRefresh)) << "Apply restarts the refresh";
}

// A device change refills the list, but not while a choice made in it waits
// for Apply: the list keeps showing what Apply will apply.
TEST_F(SettingsInMainDialog, ADeviceChangeLeavesAPendingChoiceOnScreen) {
    Start();
    HWND page = OtherHwnd();
    HWND list = ::GetDlgItem(page, IDC_OTHER_PLAYBACK_DEVICE);
    ASSERT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 1);
    // A second entry to choose, which no refill would bring back.
    ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Chosen"));
    ::SendMessageW(list, CB_SETCURSEL, 1, 0);
    Command(page, IDC_OTHER_PLAYBACK_DEVICE, CBN_SELCHANGE);
    ASSERT_EQ(std::wstring(Other().ChosenName()), L"Chosen");

    struct Step {
        bool applyFirst;
        LRESULT count;
        LRESULT selection;
    };
    for (const Step& step : {Step{false, 2, 1}, Step{true, 1, 0}}) {
        SCOPED_TRACE(step.applyFirst);
        if (step.applyFirst) Apply();
        ::SendMessageW(hwnd, WM_DEVICECHANGE, 7 /* DBT_DEVNODES_CHANGED */, 0);
        EXPECT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), step.count);
        EXPECT_EQ(::SendMessageW(list, CB_GETCURSEL, 0, 0), step.selection);
    }
}

}  // namespace
