// The Extra desktop page (fourth tab of the settings window).
#pragma once
#include "framework/dialog.h"

class CAppSettingProp : public velk::CDialog {
public:
    static constexpr UINT kTemplateId = 137;
    CAppSettingProp() noexcept : CDialog(kTemplateId) {}

    // Brings the extra taskbars in line with the use-taskbar setting.
    void ApplyUseTaskbar();
    // While the bars run, rebuilds them with the current check-box states.
    void ReapplyTaskbarSettings();
    // Removes every extra taskbar.
    void DestroyExtraTaskbars();
    // Reads the page's check boxes into its settings (before ApplyUseTaskbar).
    void ReadAppSettingChecks();
    // Writes the page's settings to the profile.
    void SaveAppSettings();
    // UM_APPCREATEDESTROY from the hook library's shell hook; answers 1.
    LRESULT OnAppCreateDestroyNotify(WPARAM w, LPARAM l);
};
