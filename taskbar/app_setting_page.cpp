#include "taskbar/app_setting_page.h"

void CAppSettingProp::ApplyUseTaskbar() {}
