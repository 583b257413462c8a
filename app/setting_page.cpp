#include "app/setting_page.h"

BOOL CSettingProp::LoadSettingPage() { return TRUE; }
BOOL CSettingProp::ApplySettingPage() { return TRUE; }
