// The Other settings page (fifth tab of the settings window): the DisplayLink
// video optimisation switch and the default playback device. The page lists
// the playback devices, shows the current default, keeps the user's choice in
// the profile section "OtherSetting" and makes the chosen device the system
// default: from Windows 6.0 on through Windows' audio policy objects, before
// 6.0 through the wave mapper's preferred device, checked with the audio
// device list tool Sondreth.exe.
#pragma once
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/handles.h"
#include "resources/resource.h"
#include <cstdint>
#include <span>
#include <string>

// Room for the playback devices the page lists; later devices are not listed.
inline constexpr int kAudioDeviceSlots = 10;
// Units of a device name, terminator included (at most 129 characters).
inline constexpr int kAudioDeviceNameUnits = 130;

// Entry i describes entry i of the page's device list.
struct AudioDeviceEntry {
    uint32_t WaveOutIndex;  // before Windows 6.0: the waveOut device index
    GUID DeviceGuid;        // from Windows 6.0 on: the DirectSound device GUID
    wchar_t Name[kAudioDeviceNameUnits];
};

// The program-wide device table; cleared when the page object is built and at
// every fill of the list.
extern AudioDeviceEntry AudioDeviceTable[kAudioDeviceSlots];

class OtherSetting : public velk::MessageMapped<OtherSetting, velk::CDialog> {
public:
    static constexpr UINT kTemplateId = IDD_OTHER_SETTING_PAGE;
    // The page's timer that refreshes the device list (TIMER_AUDIO_REFRESH).
    static constexpr UINT_PTR kTimerAudioRefresh = 10;
    static constexpr UINT kAudioRefreshMs = 10000;
    // Before Windows 6.0: the timer that looks whether the audio tool has
    // ended, and the one of the pauses after a change of the preferred device.
    static constexpr UINT_PTR kTimerAudioToolPoll = 11;
    static constexpr UINT_PTR kTimerListSettle = 12;
    static constexpr UINT kAudioToolPollMs = 50;
    static constexpr UINT kListSettleMs = 100;
    // A tool still running after this long is ended and its section read as it stands.
    static constexpr DWORD kAudioToolLimitMs = 10000;

    OtherSetting() noexcept;

    // Reads the page's settings from the profile; a saved device choice is
    // made the default device at once.
    void LoadOtherSetting();
    // Writes the page's applied settings to the profile.
    void SaveOtherSetting();
    // Apply and OK: the box and the device chosen in the list become what is
    // applied; the choice is no longer pending.
    void CommitShown();
    // Cancel and the close box: the box and the choice go back to what is
    // applied, and the list shows the default device again and is refreshed
    // as before the choice.
    void ShowApplied();
    // Lists the playback devices, then selects the default one in the list.
    // From Windows 6.0 on at once; before 6.0 the audio tool runs first and
    // the list follows when it has ended (a refresh asked for while the tool
    // or a change of the default device is under way follows that).
    void RefreshAudioDeviceList();
    // The devices changed: the list is refreshed, unless a choice made in it
    // is pending (not yet applied), which stays on screen.
    void OnDevicesChanged();
    // Lists the playback devices: from 6.0 on as DirectSound enumerates
    // them, before 6.0 as the audio tool's section names them now.
    void FillAudioDeviceList();
    void SelectDefaultAudioDevice();
    // Makes the applied device the system's default playback device. False
    // only when, from Windows 6.1 on, no audio policy object could be made.
    // Before 6.0 the change is a sequence of timer steps that starts here
    // (or after the tool's run under way) and ends with the list refreshed.
    bool ApplyDefaultAudioDevice();
    // Index of the last table entry (of those the device count covers) named
    // exactly `name`; -1 when none is, or when name is empty.
    int FindWaveDeviceIndex(const wchar_t* name) const;
    // Device name `index` as the audio device list tool wrote it (at most 31
    // characters); empty when missing.
    static std::wstring ReadAudioDevInfo(int index);

    // Before 6.0: true while the tool runs or a refresh or change of the
    // default device is under way or waiting for one.
    bool IsAudioListUpdating() const noexcept;

    // The "optimise for video" box is checked as last applied.
    bool IsVideoOptimizeApplied() const noexcept { return (AppliedVideoOptimize & BST_CHECKED) != 0; }

    // The device chosen in the list (pending until Apply), and the one applied.
    const GUID& ChosenGuid() const noexcept { return ChosenDeviceGuid; }
    const wchar_t* ChosenName() const noexcept { return ChosenDeviceName; }
    const GUID& AppliedGuid() const noexcept { return AppliedDeviceGuid; }
    const wchar_t* AppliedName() const noexcept { return AppliedDeviceName; }

    static std::span<const velk::MessageEntry<OtherSetting>> MessageTable();

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(velk::DataExchange& dx) override;

private:
    // What follows the end of the tool's run (before 6.0).
    enum class AfterTool { Nothing, Refresh, PreferredTry, Settle };

    void OnAudioDeviceSelChange();
    void NotifyPageChanged();
    LRESULT OnTimer(WPARAM w, LPARAM l);
    LRESULT OnDestroy(WPARAM w, LPARAM l);

    HWND ParentWindow() const noexcept { return hwnd_ ? ::GetParent(hwnd_) : nullptr; }
    // DirectSound from the system folder, loaded at its first use and kept
    // while the page lives.
    HMODULE DirectSound();
    // Entries 0.. of the device list from the tool's section (before 6.0).
    void FillFromAudioDeviceTool();
    // Starts the tool from the program's folder; `then` runs when it has
    // ended (at once when it cannot start).
    void StartAudioDeviceTool(AfterTool then);
    // The tool's run is over (ended, or ended by us): what follows it.
    void OnAudioToolEnded();
    void PollAudioDeviceTool();
    // Ends a running tool at once.
    void EndAudioDeviceTool() noexcept;
    // The steps of a change of the default device before 6.0.
    void StartPreferredDeviceChange();
    void TryNextPreferredId();
    void RunQueuedListWork();
    // After a refill: a choice still pending stays selected while its device
    // is listed; otherwise the default device is selected.
    void SelectPendingOrDefaultDevice();
    // "{0.0.0.00000000}." followed by the applied device's GUID in braces.
    std::wstring ChosenEndpointId() const;

    velk::CButton VideoOptimize;
    velk::CComboBox DeviceList;
    GUID ChosenDeviceGuid{};
    wchar_t ChosenDeviceName[kAudioDeviceNameUnits] = {};
    velk::UniqueModule DirectSoundModule;
    // A choice made in the list and not yet applied.
    bool ChoicePending = false;
    // What was last applied (or loaded): the box's state and the device.
    int AppliedVideoOptimize = BST_UNCHECKED;
    GUID AppliedDeviceGuid{};
    wchar_t AppliedDeviceName[kAudioDeviceNameUnits] = {};

    // Before 6.0: the tool's run and the change of the preferred device.
    velk::UniqueHandleObj ToolProcess;
    DWORD ToolStarted = 0;
    AfterTool ToolThen = AfterTool::Nothing;
    bool ChangeRunning = false;   // a change of the preferred device is under way
    bool ChangeQueued = false;    // and another was asked for meanwhile
    bool RefreshQueued = false;   // a refresh was asked for meanwhile
    int SettleStep = 0;           // 1: before the last fill, 2: before the selection
    DWORD NextPreferredId = 0;
    DWORD PreferredIdEnd = 0;
    DWORD MapperStatus = 0;
};
