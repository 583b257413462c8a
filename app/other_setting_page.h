// The Other settings page (fifth tab of the settings window).
#pragma once
#include "framework/dialog.h"

class OtherSetting : public velk::CDialog {
public:
    static constexpr UINT kTemplateId = 162;
    OtherSetting() noexcept : CDialog(kTemplateId) {}

    // Reads the page's settings from the profile into its controls.
    void LoadOtherSetting();
};
