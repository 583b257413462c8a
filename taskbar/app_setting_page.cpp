#include "taskbar/app_setting_page.h"

void CAppSettingProp::ApplyUseTaskbar() {}
void CAppSettingProp::ReapplyTaskbarSettings() {}
void CAppSettingProp::DestroyExtraTaskbars() {}
LRESULT CAppSettingProp::OnAppCreateDestroyNotify(WPARAM, LPARAM) { return 1; }
