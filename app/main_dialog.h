// The main dialog: hidden while the program runs in the tray; it is the
// settings window while SettingsShown is 1.
#pragma once
#include "app/main_dialog_state.h"
#include "framework/dialog.h"
#include <span>

class CVELKMIRADlg : public velk::MessageMapped<CVELKMIRADlg, velk::CDialog>, public MainDialogState {
public:
    CVELKMIRADlg();
    ~CVELKMIRADlg() override;

    // Ends the running dialog's window: takes the instance marker away first.
    BOOL DestroyWindow();

    static std::span<const velk::MessageEntry<CVELKMIRADlg>> MessageTable();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    LRESULT OnTrayNotify(WPARAM w, LPARAM l);
    LRESULT OnWindowPosChangingHidden(WPARAM w, LPARAM l);
    LRESULT OnSysCommandHide(WPARAM w, LPARAM l);
    LRESULT OnClose(WPARAM w, LPARAM l);
    void OnSettingCommand();
};
