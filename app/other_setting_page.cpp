#include "app/other_setting_page.h"

void OtherSetting::LoadOtherSetting() {}
void OtherSetting::SaveOtherSetting() {}
void OtherSetting::FillAudioDeviceList() {}
void OtherSetting::SelectDefaultAudioDevice() {}
