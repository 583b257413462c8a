#include "app/tray_icon.h"
#include "app/velkmira_app.h"
#include "display/program_messages.h"
#include "display/shared_functions.h"
#include "framework/handles.h"
#include "framework/message_box.h"
#include "framework/platform.h"
#include "framework/strings.h"
#include "resources/resource.h"
#include "framework/paths.h"
#include <cstdlib>
#include <cwchar>

namespace {

constexpr UINT kTrayMenuFlags = TPM_RIGHTBUTTON | TPM_RIGHTALIGN;  // 0x0A
constexpr wchar_t kHelpFileName[] = L"VELKPanomira.chm";
// How long Exit waits for the help viewer to take its close.
constexpr UINT kHelpCloseTimeoutMs = 1000;

// The help viewer's window: a top-level window titled string 191.
HWND FindHelpWindow(const std::wstring& title) {
    return title.empty() ? nullptr : ::FindWindowW(nullptr, title.c_str());
}

}  // namespace

void FillTrayIconData(NOTIFYICONDATAW& data, HWND window, const std::wstring& tip, HICON icon) noexcept {
    data = NOTIFYICONDATAW{};
    data.cbSize = kTrayIconDataSize;
    data.hWnd = window;
    data.uID = kTrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = UM_TRAYNOTIFY;
    data.hIcon = icon;
    // The first-version record carries 64 units of tip, terminator included.
    ::lstrcpynW(data.szTip, tip.c_str(), 64);
    data.uTimeout = 4000;
}

bool TrayIconCall::Try(NOTIFYICONDATAW& data) {
    succeeded_ = velk::Platform().Shell_NotifyIconW(action_, &data) != FALSE;
    // Only "not ready yet" is worth another try.
    if (succeeded_ || ::GetLastError() != ERROR_TIMEOUT) retriesLeft_ = 0;
    return RetryDue();
}

bool TrayIconCall::Begin(DWORD action, NOTIFYICONDATAW& data) {
    action_ = action;
    retriesLeft_ = kTrayRetries;
    return Try(data);
}

bool TrayIconCall::Retry(NOTIFYICONDATAW& data) {
    if (!RetryDue()) return false;
    --retriesLeft_;
    return Try(data);
}

UINT RunningTrayIconId() { return IsWindowsAtLeast(5, 1) ? IDI_TRAY : IDI_TRAY_LEGACY; }

UINT DisplayMenuStringId() {
    if (IsWindowsOlderThan(6, 0)) return IDS_MENU_DISPLAY_PROPERTY;
    if (IsWindowsOlderThan(6, 1)) return IDS_MENU_DISPLAY_SETTINGS;
    return IDS_CHANGE_APPEARANCE;
}

bool SetMenuItemText(HMENU menu, UINT stringId, UINT command) {
    std::wstring text = velk::LoadResString(stringId);
    if (text.empty()) return true;
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_TYPE;
    item.fType = MFT_STRING;
    item.dwTypeData = text.data();
    item.cch = static_cast<UINT>(text.size() + 2);
    if (::SetMenuItemInfoW(menu, command, FALSE, &item)) return true;
    ShowErrorNumber(1031);
    return false;
}

void ShowTrayMenu(HWND owner) {
    POINT cursor{};
    ::GetCursorPos(&cursor);
    velk::UniqueMenu menu(::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TRAY_MENU)));
    HMENU popup = menu ? ::GetSubMenu(menu.get(), 0) : nullptr;
    if (!popup) return;
    SetMenuItemText(popup, IDS_MENU_SETTING, ID_TRAY_SETTING);
    SetMenuItemText(popup, DisplayMenuStringId(), ID_TRAY_DISPLAY_PROPERTY);
    SetMenuItemText(popup, IDS_IDENTIFY_DISPLAY, ID_TRAY_IDENTIFY_DISPLAY);
    SetMenuItemText(popup, IDS_MENU_VERSION, ID_TRAY_VERSION);
    SetMenuItemText(popup, IDS_MENU_HELP, ID_TRAY_HELP);
    SetMenuItemText(popup, IDS_MENU_EXIT, ID_TRAY_EXIT);
    // The owner must be in front, or the menu would not close when the user
    // clicks elsewhere; WM_NULL lets the shell see the menu has gone.
    ::SetForegroundWindow(owner);
    ::TrackPopupMenu(popup, kTrayMenuFlags, cursor.x, cursor.y, 0, owner, nullptr);
    ::PostMessageW(owner, WM_NULL, 0, 0);
}

std::wstring HelpFilePath() { return velk::ProgramFolder() + kHelpFileName; }

void OpenHelpFile() {
    std::wstring path = HelpFilePath();
    std::wstring title;
    LoadStringOrWarn(IDS_HELP_WINDOW_TITLE, title);
    if (HWND help = FindHelpWindow(title)) {
        ::SetForegroundWindow(::GetLastActivePopup(help));
        return;
    }
    velk::Platform().ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CloseHelpWindow() {
    HWND help = FindHelpWindow(velk::LoadResString(IDS_HELP_WINDOW_TITLE));
    if (!help) return;
    if (velk::AfxMessageBox(velk::LoadResString(IDS_ASK_CLOSE_HELP), MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    // The viewer is another program: a hung one must not hold up Exit.
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(help, WM_CLOSE, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, kHelpCloseTimeoutMs, &result);
}
