#include "app/setting_page.h"
#include "app/change_number_dialog.h"
#include "resources/resource.h"

std::span<const velk::MessageEntry<CSettingProp>> CSettingProp::MessageTable() {
    static constexpr velk::MessageEntry<CSettingProp> table[] = {
        velk::command(IDC_SET_USE_APP_NUMBER, &CSettingProp::OnChangeNumber),
    };
    return table;
}

BOOL CSettingProp::LoadSettingPage() { return TRUE; }
BOOL CSettingProp::ApplySettingPage() { return TRUE; }

void CSettingProp::OnChangeNumber() { RunChangeNumberDialog(hwnd_); }
