// The Extra desktop page (fourth tab of the settings window).
#pragma once
#include "framework/dialog.h"

class CAppSettingProp : public velk::CDialog {
public:
    static constexpr UINT kTemplateId = 137;
    CAppSettingProp() noexcept : CDialog(kTemplateId) {}

    // Brings the extra taskbars in line with the use-taskbar setting.
    void ApplyUseTaskbar();
};
