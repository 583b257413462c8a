#include "app/other_setting_page.h"

void OtherSetting::LoadOtherSetting() {}
