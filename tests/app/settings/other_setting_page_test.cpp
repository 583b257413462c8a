// The Other settings page on a stand-in host against Wine's real null
// playback device and the simulated audio policy server, and the audio device
// list tool Sondreth.exe run as a real process. What the main dialog's Apply
// and device change do with the page is tested with it (tests/app/maindialog).
#include "app/other_setting_page.h"
#include "testing/support/pump.h"
#include "tests/app/settings/settings_fixture.h"
#include <mmsystem.h>
#include <algorithm>
#include <optional>
#include <thread>

using namespace velk::test;
using namespace settings_test;

namespace {

constexpr IID kIidPolicy61 = {0xF8679F50, 0x850A, 0x41CF, {0x9C, 0x72, 0x43, 0x0F, 0x29, 0x02, 0x90, 0xC8}};
constexpr IID kIidPolicy61Other = {0xCA286FC3, 0x91FD, 0x42C3, {0x8E, 0x9B, 0xCA, 0xAF, 0xA6, 0x62, 0x42, 0xE3}};
constexpr IID kIidPolicy60 = {0x568B9108, 0x44BF, 0x40B4, {0x90, 0x06, 0x86, 0xAF, 0xE5, 0xB5, 0xA6, 0x20}};

std::wstring AudioInfoSection() { return ProfileSection(L"AUDIODEVINFOXP"); }
std::wstring WaveDeviceName(UINT id) {
    WAVEOUTCAPSW caps{};
    return ::waveOutGetDevCapsW(id, &caps, sizeof(caps)) == MMSYSERR_NOERROR ? caps.szPname : L"";
}
std::wstring ControlText(HWND page, int id) {
    wchar_t text[256] = {};
    ::GetDlgItemTextW(page, id, text, 256);
    return text;
}


// Pumps this thread's messages until the page's list work is over; false
// when it is not over within the limit.
bool PumpUntilIdle(OtherSetting& page, DWORD limitMs = 30000) {
    return PumpUntil([&] { return !page.IsAudioListUpdating(); }, limitMs);
}

// Wave devices, the wave mapper and the audio tool as the seam shows them:
// `devices` devices named "Device <i>", a mapper that refuses the preferred
// ids from `refusedFrom` on, and a tool that at once writes the names, the
// preferred one first when the mapper orders the list.
struct FakeAudio {
    UINT devices = 0;
    DWORD refusedFrom = MAXDWORD;
    bool mapperOrdersList = true;
    DWORD preferred = 0;
    std::vector<DWORD> sets;
    int toolRuns = 0;
};
FakeAudio g_audio;

std::wstring DeviceName(UINT i) { return L"Device " + std::to_wstring(i); }

UINT WINAPI FakeNumDevs() { return g_audio.devices; }
MMRESULT WINAPI FakeWaveMessage(HWAVEOUT, UINT msg, DWORD_PTR p1, DWORD_PTR p2) {
    if (msg == 0x2015) {  // DRVM_MAPPER_PREFERRED_GET
        *reinterpret_cast<DWORD*>(p1) = g_audio.preferred;
        *reinterpret_cast<DWORD*>(p2) = 0;
        return MMSYSERR_NOERROR;
    }
    if (msg == 0x2016) {  // DRVM_MAPPER_PREFERRED_SET
        g_audio.sets.push_back(static_cast<DWORD>(p1));
        if (p1 >= g_audio.refusedFrom) return MMSYSERR_NOTSUPPORTED;
        g_audio.preferred = static_cast<DWORD>(p1);
        return MMSYSERR_NOERROR;
    }
    return MMSYSERR_NOTSUPPORTED;
}
BOOL WINAPI FakeTool(LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCWSTR,
                     LPSTARTUPINFOW, LPPROCESS_INFORMATION info) {
    ++g_audio.toolRuns;
    std::vector<UINT> order;
    for (UINT i = 0; i < std::min(g_audio.devices, 10u); ++i) order.push_back(i);
    if (g_audio.mapperOrdersList && g_audio.preferred < order.size())
        std::rotate(order.begin(), order.begin() + g_audio.preferred, order.begin() + g_audio.preferred + 1);
    for (size_t i = 0; i < order.size(); ++i)
        SetString(HKEY_CURRENT_USER, AudioInfoSection(), std::to_wstring(i).c_str(), DeviceName(order[i]));
    *info = PROCESS_INFORMATION{};
    info->hProcess = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);  // a tool that has ended
    info->hThread = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
    return TRUE;
}

// The real tool, started suspended so that it never ends by itself; the
// test keeps a handle of the process.
HANDLE g_heldTool = nullptr;
BOOL WINAPI SuspendedTool(LPCWSTR app, LPWSTR cmd, LPSECURITY_ATTRIBUTES pa, LPSECURITY_ATTRIBUTES ta, BOOL inherit,
                          DWORD flags, LPVOID env, LPCWSTR dir, LPSTARTUPINFOW si, LPPROCESS_INFORMATION info) {
    const BOOL ok = velk::RealPlatform().CreateProcessW(app, cmd, pa, ta, inherit, flags | CREATE_SUSPENDED, env, dir, si, info);
    if (ok)
        ::DuplicateHandle(::GetCurrentProcess(), info->hProcess, ::GetCurrentProcess(), &g_heldTool, 0, FALSE,
                          DUPLICATE_SAME_ACCESS);
    return ok;
}
// Ends the held tool whatever the page did, so that no test leaves it behind.
void EndHeldTool() {
    ::TerminateProcess(g_heldTool, 0);
    ::CloseHandle(std::exchange(g_heldTool, nullptr));
}
DWORD g_clockAhead = 0;
DWORD WINAPI ClockAhead() { return velk::RealPlatform().GetTickCount() + g_clockAhead; }

// The fake tool that writes its names at once but ends only when the test
// signals g_toolEnd.
HANDLE g_toolEnd = nullptr;
BOOL WINAPI RunningFakeTool(LPCWSTR app, LPWSTR cmd, LPSECURITY_ATTRIBUTES pa, LPSECURITY_ATTRIBUTES ta, BOOL inherit,
                            DWORD flags, LPVOID env, LPCWSTR dir, LPSTARTUPINFOW si, LPPROCESS_INFORMATION info) {
    FakeTool(app, cmd, pa, ta, inherit, flags, env, dir, si, info);
    ::CloseHandle(info->hProcess);
    ::DuplicateHandle(::GetCurrentProcess(), g_toolEnd, ::GetCurrentProcess(), &info->hProcess, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    return TRUE;
}

using OtherSettingPage = SettingPagesTest;

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
    Other().RefreshAudioDeviceList();
    EXPECT_TRUE(Other().IsAudioListUpdating()) << "the tool's end is not waited for";
    ASSERT_TRUE(PumpUntilIdle(Other()));
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, AudioInfoSection(), L"0"), name);
    HWND list = ::GetDlgItem(OtherHwnd(), IDC_OTHER_PLAYBACK_DEVICE);
    ASSERT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(ListText(list, 0), name);

    // A name that no entry has changes nothing: the tool does not even run.
    DeleteTree(HKEY_CURRENT_USER, AudioInfoSection());
    SetString(HKEY_CURRENT_USER, OtherSection(), L"DEFAULTAUDIODEVICENAME", L"Nowhere");
    Other().LoadOtherSetting();
    EXPECT_FALSE(Other().IsAudioListUpdating());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, AudioInfoSection()));

    // The chosen device: Wine's mapper refuses every preferred id, so the
    // tries end at the first and the tool lists the devices once more.
    SetString(HKEY_CURRENT_USER, OtherSection(), L"DEFAULTAUDIODEVICENAME", name);
    Other().LoadOtherSetting();
    ASSERT_TRUE(PumpUntilIdle(Other()));
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, AudioInfoSection(), L"0"), name);
    EXPECT_EQ(::SendMessageW(list, CB_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(PolicyCalls().empty());
    EXPECT_EQ(std::count(RecordedWaits().begin(), RecordedWaits().end(), OtherSetting::kListSettleMs), 0)
        << "the pauses are timer steps";
}

// Before 6.0: the preferred ids tried are those of the devices there are (at
// most ten), up to the one that lists the chosen device first or the first
// the mapper refuses; one more run of the tool lists the devices at the end.
TEST_F(OtherSettingPage, BeforeWindows60OnlyExistingIdsAreTriedAndARefusedIdEndsTheTries) {
    struct Case {
        UINT devices;
        DWORD refusedFrom;
        bool mapperOrdersList;
        std::wstring chosen;
        std::vector<DWORD> sets;
        int toolRuns;
    };
    const std::vector<DWORD> tenIds = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    const Case cases[] = {
        {4, MAXDWORD, true, DeviceName(2), {0, 1, 2}, 4},
        {3, MAXDWORD, false, DeviceName(1), {0, 1, 2}, 4},
        {12, MAXDWORD, false, DeviceName(5), tenIds, 11},
        {4, 1, true, DeviceName(3), {0, 1}, 2},
        {4, 0, true, DeviceName(3), {0}, 1},
        {4, MAXDWORD, true, L"Nowhere", {}, 0},
    };
    Start();
    FakeWindowsVersion(5, 1);
    velk::Platform().waveOutGetNumDevs = FakeNumDevs;
    velk::Platform().waveOutMessage = FakeWaveMessage;
    velk::Platform().CreateProcessW = FakeTool;
    HWND list = ::GetDlgItem(OtherHwnd(), IDC_OTHER_PLAYBACK_DEVICE);
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.chosen) + " of " + std::to_string(c.devices));
        g_audio = FakeAudio{};
        g_audio.devices = c.devices;
        g_audio.refusedFrom = c.refusedFrom;
        g_audio.mapperOrdersList = c.mapperOrdersList;
        Other().RefreshAudioDeviceList();
        ASSERT_TRUE(PumpUntilIdle(Other()));
        g_audio.toolRuns = 0;
        SetString(HKEY_CURRENT_USER, OtherSection(), L"DEFAULTAUDIODEVICENAME", c.chosen);
        Other().LoadOtherSetting();
        ASSERT_TRUE(PumpUntilIdle(Other()));
        EXPECT_EQ(g_audio.sets, c.sets);
        EXPECT_EQ(g_audio.toolRuns, c.toolRuns);
        EXPECT_EQ(::SendMessageW(list, CB_GETCURSEL, 0, 0), 0);
    }
    EXPECT_EQ(std::count(RecordedWaits().begin(), RecordedWaits().end(), OtherSetting::kListSettleMs), 0)
        << "the pauses are timer steps";
}

// Before 6.0: a device chosen in the list while the tool runs stays selected
// after the refill that ends the run, as long as the tool still lists it.
TEST_F(OtherSettingPage, BeforeWindows60AChoiceMadeWhileTheToolRunsSurvivesTheRefill) {
    struct Case {
        UINT devicesAfter;  // what the tool's run lists
        int selectedAfter;
    };
    Start();
    FakeWindowsVersion(5, 1);
    velk::Platform().waveOutGetNumDevs = FakeNumDevs;
    velk::Platform().CreateProcessW = RunningFakeTool;
    HWND list = ::GetDlgItem(OtherHwnd(), IDC_OTHER_PLAYBACK_DEVICE);
    for (const Case& c : {Case{3, 2}, Case{2, 0}}) {
        SCOPED_TRACE(c.devicesAfter);
        g_audio = FakeAudio{};
        g_audio.devices = 3;
        g_toolEnd = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
        Other().RefreshAudioDeviceList();
        ASSERT_TRUE(PumpUntilIdle(Other()));
        ASSERT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 3);

        ::ResetEvent(g_toolEnd);
        Other().RefreshAudioDeviceList();
        ASSERT_TRUE(Other().IsAudioListUpdating());
        ::SendMessageW(list, CB_SETCURSEL, 2, 0);
        Command(OtherHwnd(), IDC_OTHER_PLAYBACK_DEVICE, CBN_SELCHANGE);
        ASSERT_EQ(std::wstring(Other().ChosenName()), DeviceName(2));
        g_audio.devices = c.devicesAfter;
        DeleteTree(HKEY_CURRENT_USER, AudioInfoSection());
        for (UINT i = 0; i < c.devicesAfter; ++i)
            SetString(HKEY_CURRENT_USER, AudioInfoSection(), std::to_wstring(i).c_str(), DeviceName(i));
        ::SetEvent(g_toolEnd);
        ASSERT_TRUE(PumpUntilIdle(Other()));
        EXPECT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), static_cast<LRESULT>(c.devicesAfter));
        EXPECT_EQ(::SendMessageW(list, CB_GETCURSEL, 0, 0), c.selectedAfter);
        EXPECT_EQ(std::wstring(Other().ChosenName()), DeviceName(2)) << "the choice itself stays for Apply";
        Other().ShowApplied();
        ASSERT_TRUE(PumpUntilIdle(Other()));
        ::CloseHandle(std::exchange(g_toolEnd, nullptr));
    }
}

// Before 6.0: a tool that does not end is ended after 10 s and the section
// read as it stands; shut-down while it runs is prompt and ends it.
TEST_F(OtherSettingPage, BeforeWindows60AHungToolIsEndedAfterTenSecondsAndAtShutDown) {
    Start();
    FakeWindowsVersion(5, 1);
    velk::Platform().CreateProcessW = SuspendedTool;
    velk::Platform().GetTickCount = ClockAhead;
    g_clockAhead = 0;
    SetString(HKEY_CURRENT_USER, AudioInfoSection(), L"0", L"As it stands");
    HWND list = ::GetDlgItem(OtherHwnd(), IDC_OTHER_PLAYBACK_DEVICE);

    Other().RefreshAudioDeviceList();
    ASSERT_NE(g_heldTool, nullptr);
    PumpFor(300);
    EXPECT_TRUE(Other().IsAudioListUpdating());
    EXPECT_EQ(::WaitForSingleObject(g_heldTool, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    g_clockAhead = OtherSetting::kAudioToolLimitMs;
    ASSERT_TRUE(PumpUntilIdle(Other(), 5000));
    EXPECT_EQ(::WaitForSingleObject(g_heldTool, 5000), static_cast<DWORD>(WAIT_OBJECT_0)) << "the tool was ended";
    EXPECT_EQ(ListText(list, 0), L"As it stands");
    EndHeldTool();

    g_clockAhead = 0;
    Other().RefreshAudioDeviceList();
    ASSERT_NE(g_heldTool, nullptr);
    PumpFor(100);
    const DWORD start = ::GetTickCount();
    host.reset();  // the pages go with their host, as with the main dialog
    EXPECT_LT(::GetTickCount() - start, 1000u);
    EXPECT_EQ(::WaitForSingleObject(g_heldTool, 5000), static_cast<DWORD>(WAIT_OBJECT_0)) << "no tool is left";
    EndHeldTool();
}

// The policy call initialises COM for itself on a thread without it, and
// leaves a thread's own COM as it was (in either model).
TEST_F(OtherSettingPage, ThePolicyCallInitialisesComForItselfAndBalancesIt) {
    Start();
    struct Case {
        const char* name;
        bool before;
        DWORD model;
    };
    const Case cases[] = {
        {"none", false, COINIT_APARTMENTTHREADED},
        {"apartment", true, COINIT_APARTMENTTHREADED},
        {"multithreaded", true, COINIT_MULTITHREADED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetPolicySim();
        bool answer = false;
        HRESULT after = E_FAIL;
        std::thread([&] {
            if (c.before) ::CoInitializeEx(nullptr, c.model);
            answer = Other().ApplyDefaultAudioDevice();
            after = ::CoInitializeEx(nullptr, c.model);  // S_OK: no COM was left on the thread
            ::CoUninitialize();
            if (c.before) ::CoUninitialize();
        }).join();
        EXPECT_TRUE(answer);
        EXPECT_EQ(PolicyCalls().size(), 1u);
        EXPECT_EQ(after, c.before ? S_FALSE : S_OK);
    }
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
