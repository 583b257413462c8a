// The Other settings page against Wine's real null playback device and the
// simulated audio policy server, and the audio device list tool Sondreth.exe
// run as a real process.
#include "app/other_setting_page.h"
#include "tests/settings/settings_fixture.h"
#include <mmsystem.h>
#include <algorithm>
#include <optional>

using namespace velk::test;
using namespace settings_test;

namespace {

constexpr IID kIidPolicy61 = {0xF8679F50, 0x850A, 0x41CF, {0x9C, 0x72, 0x43, 0x0F, 0x29, 0x02, 0x90, 0xC8}};
constexpr IID kIidPolicy61Other = {0xCA286FC3, 0x91FD, 0x42C3, {0x8E, 0x9B, 0xCA, 0xAF, 0xA6, 0x62, 0x42, 0xE3}};
constexpr IID kIidPolicy60 = {0x568B9108, 0x44BF, 0x40B4, {0x90, 0x06, 0x86, 0xAF, 0xE5, 0xB5, 0xA6, 0x20}};

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return text;
}
std::wstring OtherSection() { return ProfileSection(L"OtherSetting"); }
std::wstring AudioInfoSection() { return ProfileSection(L"AUDIODEVINFOXP"); }
std::wstring WaveDeviceName(UINT id) {
    WAVEOUTCAPSW caps{};
    return ::waveOutGetDevCapsW(id, &caps, sizeof(caps)) == MMSYSERR_NOERROR ? caps.szPname : L"";
}
std::wstring ListText(HWND list, int index) {
    wchar_t text[256] = {};
    ::SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}
std::wstring ControlText(HWND page, int id) {
    wchar_t text[256] = {};
    ::GetDlgItemTextW(page, id, text, 256);
    return text;
}

using OtherSettingPage = SettingsFixture;

TEST_F(OtherSettingPage, ListsTheNullDeviceAndTheChoiceReachesThePolicyObjectAtApply) {
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

TEST_F(OtherSettingPage, ASavedChoiceIsAppliedAtStartUpThroughThePolicyObjectOfEachVersion) {
    const GUID device = {0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
    SetString(HKEY_CURRENT_USER, OtherSection(), L"DEFAULTAUDIODEVICE", GuidText(device));
    SetString(HKEY_CURRENT_USER, OtherSection(), L"DEFAULTAUDIODEVICENAME", L"Speakers");
    Start();
    ASSERT_EQ(PolicyCalls().size(), 1u);

    struct Case {
        DWORD minor;
        std::vector<IID> refused;
        bool answer;
        int classIndex;  // -1: no call
        IID used;
        int method;
    };
    const Case cases[] = {
        {1, {}, true, 0, kIidPolicy61, 13},
        {1, {kIidPolicy61}, true, 0, kIidPolicy61Other, 13},
        {1, {kIidPolicy61, kIidPolicy61Other}, false, -1, {}, 0},
        {0, {}, true, 1, kIidPolicy60, 12},
        {0, {kIidPolicy60}, true, -1, {}, 0},
    };
    for (const Case& c : cases) {
        ResetPolicySim();
        for (const IID& iid : c.refused) RefusePolicyInterface(iid);
        FakeWindowsVersion(6, c.minor);
        EXPECT_EQ(Other().ApplyDefaultAudioDevice(), c.answer) << "6." << c.minor << " " << c.refused.size();
        const auto calls = PolicyCalls();
        if (c.classIndex < 0) {
            EXPECT_TRUE(calls.empty());
            continue;
        }
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_TRUE(IsEqualCLSID(calls[0].classId, kPolicySimClassIds[c.classIndex]));
        EXPECT_TRUE(IsEqualIID(calls[0].interfaceId, c.used));
        EXPECT_EQ(calls[0].method, c.method);
        EXPECT_EQ(std::wstring(calls[0].endpoint), L"{0.0.0.00000000}." + GuidText(device));
        EXPECT_EQ(calls[0].role, 1);
    }
    // Before Windows 5.1 nothing changes the device.
    ResetPolicySim();
    FakeWindowsVersion(5, 0);
    EXPECT_TRUE(Other().ApplyDefaultAudioDevice());
    EXPECT_TRUE(PolicyCalls().empty());
}

TEST_F(OtherSettingPage, DamagedProfileValuesGiveTheDefaults) {
    SetString(HKEY_CURRENT_USER, OtherSection(), L"VIDEOOPTIMIZE", L"1");
    SetString(HKEY_CURRENT_USER, OtherSection(), L"DEFAULTAUDIODEVICE", L"{not a device}");
    SetString(HKEY_CURRENT_USER, OtherSection(), L"DEFAULTAUDIODEVICENAME", std::wstring(300, L'x'));
    SetString(HKEY_CURRENT_USER, AudioInfoSection(), L"0", std::wstring(40, L'n'));
    SetDword(HKEY_CURRENT_USER, AudioInfoSection(), L"1", 7);
    Start();
    EXPECT_FALSE(Checked(OtherHwnd(), IDC_OTHER_VIDEO_OPTIMIZE));
    EXPECT_EQ(GuidText(Other().ChosenGuid()), GuidText(GUID{}));
    EXPECT_EQ(std::wstring(Other().ChosenName()), std::wstring(129, L'x'));
    const auto calls = PolicyCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(std::wstring(calls[0].endpoint), L"{0.0.0.00000000}.{00000000-0000-0000-0000-000000000000}");
    EXPECT_EQ(OtherSetting::ReadAudioDevInfo(0), std::wstring(31, L'n'));
    EXPECT_EQ(OtherSetting::ReadAudioDevInfo(1), L"");
    EXPECT_EQ(OtherSetting::ReadAudioDevInfo(2), L"");
}

TEST_F(OtherSettingPage, EnglishPagesShowNoJapaneseText) {
    Start();
    for (HWND page : {SettingHwnd(), OtherHwnd()}) {
        for (HWND child = ::GetWindow(page, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            const std::wstring text = ControlText(page, ::GetDlgCtrlID(child));
            EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x2E80; }))
                << ::GetDlgCtrlID(child) << " " << ToUtf8(text);
        }
    }
    HWND other = OtherHwnd();
    EXPECT_EQ(ControlText(other, IDC_OTHER_VIDEO_GROUP), L"Video optimization");
    EXPECT_EQ(ControlText(other, IDC_OTHER_VIDEO_OPTIMIZE), L"Optimize");
    EXPECT_EQ(ControlText(other, IDC_OTHER_SOUND_GROUP), L"Sound device");
    EXPECT_EQ(ControlText(other, IDC_OTHER_PLAYBACK_LABEL), L"Playback device");
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(other, IDC_OTHER_VIDEO_OPTIMIZE)));
}

TEST_F(OtherSettingPage, BeforeWindows60TheToolListsTheDevicesAndTheChosenOneIsPreferred) {
    Start();
    FakeWindowsVersion(5, 1);
    const std::wstring name = WaveDeviceName(0);
    ASSERT_FALSE(name.empty());
    DeleteTree(HKEY_CURRENT_USER, AudioInfoSection());
    Other().FillAudioDeviceList();
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, AudioInfoSection(), L"0"), name);
    HWND list = ::GetDlgItem(OtherHwnd(), IDC_OTHER_PLAYBACK_DEVICE);
    ASSERT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(ListText(list, 0), name);

    // A name that no entry has changes nothing: the tool does not even run.
    DeleteTree(HKEY_CURRENT_USER, AudioInfoSection());
    SetString(HKEY_CURRENT_USER, OtherSection(), L"DEFAULTAUDIODEVICENAME", L"Nowhere");
    Other().LoadOtherSetting();
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, AudioInfoSection()));

    // The chosen device: the tool runs until it lists it first, then twice more.
    SetString(HKEY_CURRENT_USER, OtherSection(), L"DEFAULTAUDIODEVICENAME", name);
    RecordedWaits().clear();
    Other().LoadOtherSetting();
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, AudioInfoSection(), L"0"), name);
    EXPECT_EQ(RecordedWaits(), (std::vector<DWORD>{100, 100}));
    EXPECT_EQ(::SendMessageW(list, CB_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(PolicyCalls().empty());
}

TEST(Sondreth, WritesEveryDeviceKeepsValuesFromTenOnAndNeverCreatesTheApplicationKey) {
    ResetProfile();
    for (int i = 0; i <= 12; ++i) SetString(HKEY_CURRENT_USER, AudioInfoSection(), std::to_wstring(i).c_str(), L"old");
    const auto run = [] {
        ChildProcess tool = ChildProcess::Start(L"Sondreth.exe");
        ASSERT_TRUE(tool.Started()) << tool.StartError();
        ASSERT_TRUE(tool.Wait(30000));
        EXPECT_EQ(tool.ExitCode(), 0u);
    };
    run();
    const UINT devices = ::waveOutGetNumDevs();
    ASSERT_GE(devices, 1u) << "the harness gives Wine one null playback device";
    for (UINT i = 0; i < 10; ++i) {
        const auto value = GetString(HKEY_CURRENT_USER, AudioInfoSection(), std::to_wstring(i).c_str());
        if (i < devices) EXPECT_EQ(value, WaveDeviceName(i)) << i;
        else EXPECT_FALSE(value.has_value()) << i;
    }
    for (int i = 10; i <= 12; ++i)
        EXPECT_EQ(GetString(HKEY_CURRENT_USER, AudioInfoSection(), std::to_wstring(i).c_str()), L"old") << i;

    ResetProfile();
    run();
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProfileKey));
}

}  // namespace
