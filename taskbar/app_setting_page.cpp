#include "taskbar/app_setting_page.h"
#include "framework/app.h"
#include "taskbar/taskbar_window.h"

CAppSettingProp::CAppSettingProp() noexcept : MessageMapped(kTemplateId) {
    ClearTrackedWindowTable();
    for (int i = 0; i < kTaskButtonCount; ++i) TaskButtons[i].Serial = i;
}

CAppSettingProp::~CAppSettingProp() {
    // A page that goes without its window's destruction leaves no bar behind.
    RemoveAllTaskbarButtons();
    for (int n = 1; n <= kExtraTaskbarNumbers; ++n) RemoveExtraTaskbar(n);
}
