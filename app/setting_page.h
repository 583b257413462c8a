// The Setting page (first tab of the settings window).
#pragma once
#include "framework/dialog.h"

class CSettingProp : public velk::MessageMapped<CSettingProp, velk::CDialog> {
public:
    static constexpr UINT kTemplateId = 134;
    CSettingProp() noexcept : MessageMapped(kTemplateId) {}

    static std::span<const velk::MessageEntry<CSettingProp>> MessageTable();

    // Fills the controls from the profile and the system; the result is not used.
    BOOL LoadSettingPage();
    // Saves and applies the page's settings; the result is not used.
    BOOL ApplySettingPage();

    // The hidden button 1082: runs the display renumbering dialog.
    void OnChangeNumber();
};
