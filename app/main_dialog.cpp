#include "app/main_dialog.h"
#include "app/velkmira_app.h"
#include "display/program_messages.h"
#include "resources/resource.h"

using velk::on;

CVELKMIRADlg::CVELKMIRADlg() : MessageMapped(IDD_VELKMIRA_DIALOG) {}

CVELKMIRADlg::~CVELKMIRADlg() {
    if (::IsWindow(hwnd_)) DestroyWindow();
}

std::span<const velk::MessageEntry<CVELKMIRADlg>> CVELKMIRADlg::MessageTable() {
    static constexpr velk::MessageEntry<CVELKMIRADlg> table[] = {
        on(UM_TRAYNOTIFY, &CVELKMIRADlg::OnTrayNotify),
        on(WM_WINDOWPOSCHANGING, &CVELKMIRADlg::OnWindowPosChangingHidden),
        on(WM_SYSCOMMAND, &CVELKMIRADlg::OnSysCommandHide),
        on(WM_CLOSE, &CVELKMIRADlg::OnClose),
    };
    return table;
}

BOOL CVELKMIRADlg::OnInitDialog() {
    theApp.SetMainWindow(hwnd_);
    ::SetPropW(hwnd_, kInstanceProperty, reinterpret_cast<HANDLE>(1));
    return TRUE;
}

BOOL CVELKMIRADlg::DestroyWindow() {
    if (!::IsWindow(hwnd_)) return FALSE;
    ::RemovePropW(hwnd_, kInstanceProperty);
    return ::DestroyWindow(hwnd_);
}

void CVELKMIRADlg::OnSettingCommand() {
    SettingsShown = true;
    ::ShowWindow(hwnd_, SW_SHOW);
    ::SetForegroundWindow(hwnd_);
}

void CVELKMIRADlg::OnOK() {
    SettingsShown = false;
    ::ShowWindow(hwnd_, SW_HIDE);
}

void CVELKMIRADlg::OnCancel() {
    SettingsShown = false;
    ::ShowWindow(hwnd_, SW_HIDE);
}

LRESULT CVELKMIRADlg::OnTrayNotify(WPARAM w, LPARAM l) {
    if (w == 0 && l == WM_LBUTTONDBLCLK) OnSettingCommand();
    return 0;
}

LRESULT CVELKMIRADlg::OnWindowPosChangingHidden(WPARAM w, LPARAM l) {
    LRESULT result = DefaultProc(WM_WINDOWPOSCHANGING, w, l);
    auto* pos = reinterpret_cast<WINDOWPOS*>(l);
    if (SettingsShown) pos->flags |= SWP_SHOWWINDOW;
    else pos->flags &= ~SWP_SHOWWINDOW;
    return result;
}

LRESULT CVELKMIRADlg::OnSysCommandHide(WPARAM w, LPARAM l) {
    if ((w & 0xFFF0) == SC_CLOSE) {
        OnCancel();
        return 0;
    }
    return DefaultProc(WM_SYSCOMMAND, w, l);
}

LRESULT CVELKMIRADlg::OnClose(WPARAM, LPARAM) {
    EndDialog(IDCANCEL);
    return 0;
}
