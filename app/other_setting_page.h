// The Other settings page (fifth tab of the settings window).
#pragma once
#include "framework/dialog.h"

class OtherSetting : public velk::CDialog {
public:
    static constexpr UINT kTemplateId = 162;
    OtherSetting() noexcept : CDialog(kTemplateId) {}

    // Reads the page's settings from the profile into its controls.
    void LoadOtherSetting();
    // Writes the page's settings to the profile.
    void SaveOtherSetting();
    // Lists the playback devices, then selects the default one in the list.
    void FillAudioDeviceList();
    void SelectDefaultAudioDevice();

    // The page's timer that refreshes the device list (TIMER_AUDIO_REFRESH).
    static constexpr UINT_PTR kTimerAudioRefresh = 10;
};
