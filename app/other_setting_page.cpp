#include "app/other_setting_page.h"
#include "audiotool/audio_info_key.h"
#include "display/program_messages.h"
#include "display/shared_functions.h"
#include "framework/app.h"
#include "framework/platform.h"
#include "framework/strings.h"
#include "framework/paths.h"
#include <mmsystem.h>
#include <objbase.h>
#include <cstdlib>
#include <cwchar>
#include <iterator>
#include <utility>

AudioDeviceEntry AudioDeviceTable[kAudioDeviceSlots] = {};

namespace {

constexpr wchar_t kSection[] = L"OtherSetting";
constexpr wchar_t kVideoOptimizeValue[] = L"VIDEOOPTIMIZE";
constexpr wchar_t kDeviceGuidValue[] = L"DEFAULTAUDIODEVICE";
constexpr wchar_t kDeviceNameValue[] = L"DEFAULTAUDIODEVICENAME";
constexpr wchar_t kAudioToolFileName[] = L"Sondreth.exe";
// The tool writes names of at most 31 characters.
constexpr size_t kAudioInfoNameUnits = 32;

// DirectSound by ordinal: DirectSoundEnumerateW and GetDeviceID.
constexpr WORD kOrdinalDirectSoundEnumerateW = 3;
constexpr WORD kOrdinalGetDeviceId = 9;
using DirectSoundEnumCallbackFn = BOOL(CALLBACK*)(GUID* device, LPCWSTR description, LPCWSTR module, void* context);
using DirectSoundEnumerateWFn = HRESULT(WINAPI*)(DirectSoundEnumCallbackFn callback, void* context);
using GetDeviceIdFn = HRESULT(WINAPI*)(const GUID* source, GUID* destination);
// DSDEVID_DefaultPlayback.
constexpr GUID kDefaultPlaybackDeviceId = {0xDEF00000, 0x9C6D, 0x47ED, {0xAA, 0xF1, 0x4D, 0xDA, 0x8F, 0x2B, 0x5C, 0x03}};

// The audio policy objects: from Windows 6.1 on (two interfaces, the second
// tried when the first is refused) and of Windows 6.0. Each has a method that
// makes an endpoint the default for a role, at the slot given.
constexpr CLSID kClsidPolicyConfig = {0x870AF99C, 0x171D, 0x4F9E, {0xAF, 0x0D, 0xE6, 0x3D, 0xF4, 0x0C, 0x2B, 0xC9}};
constexpr IID kIidPolicyConfig = {0xF8679F50, 0x850A, 0x41CF, {0x9C, 0x72, 0x43, 0x0F, 0x29, 0x02, 0x90, 0xC8}};
constexpr IID kIidPolicyConfigOther = {0xCA286FC3, 0x91FD, 0x42C3, {0x8E, 0x9B, 0xCA, 0xAF, 0xA6, 0x62, 0x42, 0xE3}};
constexpr int kPolicyConfigSetDefaultSlot = 13;
constexpr CLSID kClsidPolicyConfigVista = {0x294935CE, 0xF637, 0x4E7C, {0xA4, 0x1B, 0xAB, 0x25, 0x54, 0x60, 0xB8, 0x62}};
constexpr IID kIidPolicyConfigVista = {0x568B9108, 0x44BF, 0x40B4, {0x90, 0x06, 0x86, 0xAF, 0xE5, 0xB5, 0xA6, 0x20}};
constexpr int kPolicyConfigVistaSetDefaultSlot = 12;
constexpr DWORD kPolicyClassContext = 0x17;  // in-process, handler, local and remote servers
constexpr int kConsoleRole = 1;
constexpr wchar_t kEndpointIdPrefix[] = L"{0.0.0.00000000}.";

// The wave mapper's preferred-device messages (mmddk.h).
constexpr UINT kMapperPreferredGet = 0x2015;
constexpr UINT kMapperPreferredSet = 0x2016;

HWAVEOUT WaveMapper() noexcept { return reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(WAVE_MAPPER)); }

// Copies text into a device-name buffer, cut to what it holds.
void CopyName(wchar_t (&out)[kAudioDeviceNameUnits], const wchar_t* text) noexcept {
    std::wcsncpy(out, text ? text : L"", kAudioDeviceNameUnits - 1);
    out[kAudioDeviceNameUnits - 1] = L'\0';
}

void ClearAudioDeviceTable() noexcept {
    for (AudioDeviceEntry& entry : AudioDeviceTable) entry = AudioDeviceEntry{};
}

// The device table holds one entry per list entry, so the list stops at ten.
BOOL CALLBACK DirectSoundEnumCallback(GUID* device, LPCWSTR description, LPCWSTR, void* context) {
    if (!device) return TRUE;  // the primary sound driver
    velk::CComboBox list(static_cast<HWND>(context));
    const int k = list.GetCount();
    if (k < 0 || k >= kAudioDeviceSlots) return FALSE;
    AudioDeviceEntry& entry = AudioDeviceTable[k];
    entry.DeviceGuid = *device;
    CopyName(entry.Name, description);
    list.AddString(entry.Name);
    return TRUE;
}

// Calls the policy method at `slot` of the object with an endpoint and a role.
HRESULT CallPolicyMethod(IUnknown* object, int slot, const std::wstring& endpoint, int role) {
    using Method = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, LPCWSTR, int);
    void* const* table = *reinterpret_cast<void* const* const*>(object);
    return reinterpret_cast<Method>(table[slot])(object, endpoint.c_str(), role);
}

// The devices the wave functions report, as far as the table reaches.
int WaveDeviceCount() noexcept {
    const UINT count = velk::Platform().waveOutGetNumDevs();
    return count > static_cast<UINT>(kAudioDeviceSlots) ? kAudioDeviceSlots : static_cast<int>(count);
}

}  // namespace

OtherSetting::OtherSetting() noexcept : MessageMapped(kTemplateId) { ClearAudioDeviceTable(); }

std::span<const velk::MessageEntry<OtherSetting>> OtherSetting::MessageTable() {
    using T = OtherSetting;
    static constexpr velk::MessageEntry<T> table[] = {
        velk::command<T>(IDC_OTHER_PLAYBACK_DEVICE, CBN_SELCHANGE, &T::OnAudioDeviceSelChange),
        velk::command<T>(IDC_OTHER_VIDEO_OPTIMIZE, &T::NotifyPageChanged),
        velk::on<T>(WM_TIMER, &T::OnTimer),
        velk::on<T>(WM_DESTROY, &T::OnDestroy),
    };
    return table;
}

void OtherSetting::DoDataExchange(velk::DataExchange& dx) {
    dx.Control(IDC_OTHER_VIDEO_OPTIMIZE, VideoOptimize);
    dx.Control(IDC_OTHER_PLAYBACK_DEVICE, DeviceList);
}

BOOL OtherSetting::OnInitDialog() {
    CDialog::OnInitDialog();
    UpdateData(false);
    if (IsWindowsAtLeast(6, 1)) VideoOptimize.ShowWindow(SW_SHOW);
    // The template carries one language only: every text comes from the
    // string table of the user's language.
    const DialogCaption captions[] = {{IDC_OTHER_VIDEO_OPTIMIZE, IDS_VIDEO_OPTIMIZE},
                                      {IDC_OTHER_VIDEO_GROUP, IDS_OTHER_VIDEO_GROUP},
                                      {IDC_OTHER_SOUND_GROUP, IDS_OTHER_SOUND_GROUP},
                                      {IDC_OTHER_PLAYBACK_LABEL, IDS_OTHER_PLAYBACK_DEVICE},
                                      {IDC_OTHER_AUDIO_PROPERTY, IDS_OTHER_AUDIO_PROPERTY}};
    SetCaptionsFromStrings(hwnd_, captions);
    if (IsWindowsAtLeast(6, 1)) VideoOptimize.EnableWindow(true);
    if (ParentWindow()) {
        RefreshAudioDeviceList();
        ::EnableWindow(GetDlgItem(IDC_OTHER_PLAYBACK_LABEL), TRUE);
        DeviceList.EnableWindow(true);
    }
    SetTimer(kTimerAudioRefresh, kAudioRefreshMs);
    return TRUE;
}

HMODULE OtherSetting::DirectSound() {
    if (!DirectSoundModule) {
        // From the system folder: a file of that name beside the program is never loaded.
        wchar_t folder[MAX_PATH] = {};
        const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
        if (length > 0 && length < MAX_PATH)
            DirectSoundModule.reset(::LoadLibraryW((std::wstring(folder) + L"\\dsound.dll").c_str()));
    }
    return DirectSoundModule.get();
}

void OtherSetting::FillAudioDeviceList() {
    ClearAudioDeviceTable();
    for (int i = DeviceList.GetCount() - 1; i >= 0; --i) DeviceList.SendMessage(CB_DELETESTRING, static_cast<WPARAM>(i));
    if (IsWindowsAtLeast(6, 0)) {
        HMODULE module = DirectSound();
        auto enumerate = module ? reinterpret_cast<DirectSoundEnumerateWFn>(reinterpret_cast<void (*)()>(
                                      ::GetProcAddress(module, MAKEINTRESOURCEA(kOrdinalDirectSoundEnumerateW))))
                                : nullptr;
        if (enumerate && DeviceList) enumerate(DirectSoundEnumCallback, DeviceList.GetSafeHwnd());
        return;
    }
    FillFromAudioDeviceTool();
}

void OtherSetting::RefreshAudioDeviceList() {
    if (IsWindowsAtLeast(6, 0)) {
        FillAudioDeviceList();
        SelectPendingOrDefaultDevice();
        return;
    }
    if (IsAudioListUpdating()) {
        RefreshQueued = true;
        return;
    }
    StartAudioDeviceTool(AfterTool::Refresh);
}

void OtherSetting::OnDevicesChanged() {
    if (!ChoicePending) RefreshAudioDeviceList();
}

bool OtherSetting::IsAudioListUpdating() const noexcept {
    return ToolThen != AfterTool::Nothing || ChangeRunning || ChangeQueued || RefreshQueued;
}

void OtherSetting::StartAudioDeviceTool(AfterTool then) {
    ToolThen = then;
    const std::wstring tool = velk::ProgramFolder() + kAudioToolFileName;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    // A tool that cannot start leaves the section as its last run left it;
    // a page without a window has no timer to learn of the tool's end.
    if (!hwnd_ || !velk::Platform().CreateProcessW(tool.c_str(), nullptr, nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                                   nullptr, nullptr, &startup, &process)) {
        OnAudioToolEnded();
        return;
    }
    ToolProcess.reset(process.hProcess);
    velk::UniqueHandleObj thread(process.hThread);
    ToolStarted = velk::Platform().GetTickCount();
    SetTimer(kTimerAudioToolPoll, kAudioToolPollMs);
}

void OtherSetting::PollAudioDeviceTool() {
    if (!ToolProcess) {
        KillTimer(kTimerAudioToolPoll);
        return;
    }
    if (::WaitForSingleObject(ToolProcess.get(), 0) != WAIT_OBJECT_0) {
        if (velk::Platform().GetTickCount() - ToolStarted < kAudioToolLimitMs) return;  // wrap-safe
        ::TerminateProcess(ToolProcess.get(), 1);  // the section is read as it stands
    }
    KillTimer(kTimerAudioToolPoll);
    ToolProcess.reset();
    OnAudioToolEnded();
}

void OtherSetting::EndAudioDeviceTool() noexcept {
    if (hwnd_) KillTimer(kTimerAudioToolPoll);
    if (ToolProcess) ::TerminateProcess(ToolProcess.get(), 1);
    ToolProcess.reset();
    ToolThen = AfterTool::Nothing;
}

void OtherSetting::OnAudioToolEnded() {
    const AfterTool then = std::exchange(ToolThen, AfterTool::Nothing);
    switch (then) {
        case AfterTool::Nothing:
            break;
        case AfterTool::Refresh:
            FillAudioDeviceList();
            SelectPendingOrDefaultDevice();
            RunQueuedListWork();
            break;
        case AfterTool::PreferredTry:
            FillAudioDeviceList();
            if (ChoicePending) SelectPendingOrDefaultDevice();
            if (std::wcscmp(AudioDeviceTable[0].Name, AppliedDeviceName) == 0) {
                NextPreferredId = PreferredIdEnd;  // done: the chosen device lists first
            }
            TryNextPreferredId();
            break;
        case AfterTool::Settle:
            FillAudioDeviceList();
            SettleStep = 2;
            if (ChoicePending) SelectPendingOrDefaultDevice();
            if (!hwnd_ || !SetTimer(kTimerListSettle, kListSettleMs)) {
                SettleStep = 0;
                SelectPendingOrDefaultDevice();
                ChangeRunning = false;
                RunQueuedListWork();
            }
            break;
    }
}

void OtherSetting::RunQueuedListWork() {
    if (ChangeQueued) {
        StartPreferredDeviceChange();
    } else if (RefreshQueued) {
        RefreshQueued = false;
        StartAudioDeviceTool(AfterTool::Refresh);
    }
}

void OtherSetting::FillFromAudioDeviceTool() {
    const int count = WaveDeviceCount();
    for (int i = 0; i < count; ++i) {
        const std::wstring name = ReadAudioDevInfo(i);
        AudioDeviceEntry& entry = AudioDeviceTable[i];
        entry.WaveOutIndex = static_cast<uint32_t>(i);
        CopyName(entry.Name, name.c_str());
        DeviceList.AddString(entry.Name);
    }
}

std::wstring OtherSetting::ReadAudioDevInfo(int index) {
    velk::CWinApp* app = velk::AfxGetApp();
    if (!app) return {};
    std::wstring name = app->GetProfileString(kAudioInfoSectionName, std::to_wstring(index).c_str(), L"");
    if (name.size() >= kAudioInfoNameUnits) name.resize(kAudioInfoNameUnits - 1);
    return name;
}

void OtherSetting::SelectDefaultAudioDevice() {
    const int count = DeviceList.GetCount();
    if (count <= 0) return;
    if (count == 1) {
        DeviceList.SetCurSel(0);
        return;
    }
    if (!IsWindowsAtLeast(6, 0)) {
        // A freshly started process enumerates the default device first.
        DeviceList.SetCurSel(0);
        return;
    }
    HMODULE module = DirectSound();
    auto getDeviceId = module ? reinterpret_cast<GetDeviceIdFn>(reinterpret_cast<void (*)()>(
                                    ::GetProcAddress(module, MAKEINTRESOURCEA(kOrdinalGetDeviceId))))
                              : nullptr;
    GUID current{};
    if (!getDeviceId || FAILED(getDeviceId(&kDefaultPlaybackDeviceId, &current))) return;
    for (int i = (count < kAudioDeviceSlots ? count : kAudioDeviceSlots) - 1; i >= 0; --i)
        if (IsEqualGUID(current, AudioDeviceTable[i].DeviceGuid)) DeviceList.SetCurSel(i);
}

void OtherSetting::SelectPendingOrDefaultDevice() {
    if (ChoicePending) {
        const int count = DeviceList.GetCount();
        for (int i = 0; i < count && i < kAudioDeviceSlots; ++i) {
            if (std::wcscmp(AudioDeviceTable[i].Name, ChosenDeviceName) != 0) continue;
            DeviceList.SetCurSel(i);
            return;
        }
    }
    SelectDefaultAudioDevice();
}

void OtherSetting::OnAudioDeviceSelChange() {
    KillTimer(kTimerAudioRefresh);
    const int selected = DeviceList.GetCurSel();
    if (selected >= 0 && selected < kAudioDeviceSlots) {
        CopyName(ChosenDeviceName, DeviceList.GetLBText(selected).c_str());
        ChosenDeviceGuid = AudioDeviceTable[selected].DeviceGuid;
        ChoicePending = true;
    }
    NotifyPageChanged();
}

void OtherSetting::NotifyPageChanged() { SendPageChanged(hwnd_); }

LRESULT OtherSetting::OnTimer(WPARAM w, LPARAM l) {
    if (w == kTimerAudioRefresh && ParentWindow()) RefreshAudioDeviceList();
    if (w == kTimerAudioToolPoll) PollAudioDeviceTool();
    if (w == kTimerListSettle) {
        KillTimer(kTimerListSettle);
        if (SettleStep == 1) {
            SettleStep = 0;
            RefreshQueued = false;  // the fill that follows serves it
            StartAudioDeviceTool(AfterTool::Settle);
        } else if (SettleStep == 2) {
            SettleStep = 0;
            SelectPendingOrDefaultDevice();
            ChangeRunning = false;
            RunQueuedListWork();
        }
    }
    return DefaultProc(WM_TIMER, w, l);
}

LRESULT OtherSetting::OnDestroy(WPARAM w, LPARAM l) {
    const LRESULT result = DefaultProc(WM_DESTROY, w, l);
    KillTimer(kTimerAudioRefresh);
    KillTimer(kTimerListSettle);
    // Nothing of the list's work outlives the page: no tool process, no timer.
    EndAudioDeviceTool();
    ChangeRunning = ChangeQueued = RefreshQueued = false;
    SettleStep = 0;
    return result;
}

void OtherSetting::SaveOtherSetting() {
    velk::CWinApp* app = velk::AfxGetApp();
    if (!app) return;
    app->WriteProfileInt(kSection, kVideoOptimizeValue, AppliedVideoOptimize);
    wchar_t guid[40] = {};
    ::StringFromGUID2(AppliedDeviceGuid, guid, static_cast<int>(std::size(guid)));
    app->WriteProfileString(kSection, kDeviceGuidValue, guid);
    app->WriteProfileString(kSection, kDeviceNameValue, AppliedDeviceName);
}

void OtherSetting::CommitShown() {
    AppliedVideoOptimize = static_cast<int>(VideoOptimize.SendMessage(BM_GETSTATE) & 3);
    AppliedDeviceGuid = ChosenDeviceGuid;
    CopyName(AppliedDeviceName, ChosenDeviceName);
    ChoicePending = false;
}

void OtherSetting::ShowApplied() {
    VideoOptimize.SetCheck(AppliedVideoOptimize & BST_CHECKED ? BST_CHECKED : BST_UNCHECKED);
    ChosenDeviceGuid = AppliedDeviceGuid;
    CopyName(ChosenDeviceName, AppliedDeviceName);
    if (!ChoicePending) return;
    // The dropped choice stopped the refresh: the list shows the default
    // device again and follows the devices as before.
    ChoicePending = false;
    if (!ParentWindow()) return;
    RefreshAudioDeviceList();
    SetTimer(kTimerAudioRefresh, kAudioRefreshMs);
}

void OtherSetting::LoadOtherSetting() {
    velk::CWinApp* app = velk::AfxGetApp();
    if (!app) return;
    const bool optimize = app->GetProfileInt(kSection, kVideoOptimizeValue, 0) != 0;
    VideoOptimize.SetCheck(optimize ? BST_CHECKED : BST_UNCHECKED);
    AppliedVideoOptimize = optimize ? BST_CHECKED : BST_UNCHECKED;
    const std::wstring name = app->GetProfileString(kSection, kDeviceNameValue, L"");
    const std::wstring guid = app->GetProfileString(kSection, kDeviceGuidValue, L"");
    if (name.empty() && guid.empty()) return;
    // A value that is no GUID in braces counts as no device.
    GUID chosen{};
    if (guid.empty() || FAILED(::IIDFromString(guid.c_str(), &chosen))) chosen = GUID{};
    ChosenDeviceGuid = chosen;
    CopyName(ChosenDeviceName, name.c_str());
    AppliedDeviceGuid = chosen;
    CopyName(AppliedDeviceName, name.c_str());
    ApplyDefaultAudioDevice();
}

std::wstring OtherSetting::ChosenEndpointId() const {
    wchar_t guid[40] = {};
    ::StringFromGUID2(AppliedDeviceGuid, guid, static_cast<int>(std::size(guid)));
    return std::wstring(kEndpointIdPrefix) + guid;
}

int OtherSetting::FindWaveDeviceIndex(const wchar_t* name) const {
    if (!name || !*name) return -1;
    for (int i = WaveDeviceCount() - 1; i >= 0; --i)
        if (std::wcscmp(AudioDeviceTable[i].Name, name) == 0) return i;
    return -1;
}

bool OtherSetting::ApplyDefaultAudioDevice() {
    if (IsWindowsAtLeast(6, 0)) {
        // The policy objects need COM on this thread, whoever else set it up.
        velk::ComInitScope com;
        velk::ComPtr<IUnknown> policy;
        if (IsWindowsAtLeast(6, 1)) {
            if (FAILED(::CoCreateInstance(kClsidPolicyConfig, nullptr, kPolicyClassContext, kIidPolicyConfig,
                                          policy.put_void())) ||
                !policy) {
                if (FAILED(::CoCreateInstance(kClsidPolicyConfig, nullptr, kPolicyClassContext,
                                              kIidPolicyConfigOther, policy.put_void())) ||
                    !policy)
                    return false;
            }
            CallPolicyMethod(policy.get(), kPolicyConfigSetDefaultSlot, ChosenEndpointId(), kConsoleRole);
            return true;
        }
        if (SUCCEEDED(::CoCreateInstance(kClsidPolicyConfigVista, nullptr, kPolicyClassContext, kIidPolicyConfigVista,
                                         policy.put_void())) &&
            policy)
            CallPolicyMethod(policy.get(), kPolicyConfigVistaSetDefaultSlot, ChosenEndpointId(), kConsoleRole);
        return true;
    }
    if (!IsWindowsAtLeast(5, 1)) return true;
    // Before 6.0 the change runs the tool: it follows a run under way.
    if (IsAudioListUpdating()) ChangeQueued = true;
    else StartPreferredDeviceChange();
    return true;
}

// Before 6.0: make the wave mapper prefer one device id after the other until
// a fresh process (the tool) lists the chosen device first. Only the ids of
// devices that exist are tried, and a refused id ends the tries (the mapper
// would refuse the rest too). Then, after 100 ms, the list is filled once
// more, and after another 100 ms the default is selected.
void OtherSetting::StartPreferredDeviceChange() {
    ChangeQueued = false;
    DWORD current = 0;
    MapperStatus = 0;
    if (velk::Platform().waveOutMessage(WaveMapper(), kMapperPreferredGet, reinterpret_cast<DWORD_PTR>(&current),
                                        reinterpret_cast<DWORD_PTR>(&MapperStatus)) != MMSYSERR_NOERROR ||
        FindWaveDeviceIndex(AppliedDeviceName) < 0) {
        RunQueuedListWork();
        return;
    }
    ChangeRunning = true;
    NextPreferredId = 0;
    PreferredIdEnd = static_cast<DWORD>(WaveDeviceCount());
    TryNextPreferredId();
}

void OtherSetting::TryNextPreferredId() {
    if (NextPreferredId < PreferredIdEnd &&
        velk::Platform().waveOutMessage(WaveMapper(), kMapperPreferredSet, NextPreferredId++, MapperStatus) ==
            MMSYSERR_NOERROR) {
        StartAudioDeviceTool(AfterTool::PreferredTry);
        return;
    }
    NextPreferredId = PreferredIdEnd;
    SettleStep = 1;
    if (!hwnd_ || !SetTimer(kTimerListSettle, kListSettleMs)) {
        // No window for the pauses: the last steps follow at once.
        SettleStep = 0;
        StartAudioDeviceTool(AfterTool::Settle);
    }
}
