// The Setting page (first tab of the settings window).
#pragma once
#include "framework/dialog.h"

class CSettingProp : public velk::CDialog {
public:
    static constexpr UINT kTemplateId = 134;
    CSettingProp() noexcept : CDialog(kTemplateId) {}

    // Fills the controls from the profile and the system; the result is not used.
    BOOL LoadSettingPage();
    // Saves and applies the page's settings; the result is not used.
    BOOL ApplySettingPage();
};
