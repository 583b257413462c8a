#include "app/about_dialog.h"
#include "display/shared_functions.h"
#include "framework/paths.h"
#include "resources/resource.h"
#include <shellapi.h>
#include <memory>
#include <new>

using velk::command;
using velk::on;

namespace {
// The product version in the Japanese (0x0411, code page 932) block.
constexpr wchar_t kProductVersionQuery[] = L"\\StringFileInfo\\041103a4\\ProductVersion";
constexpr COLORREF kLinkColour = RGB(0, 0, 255);
}  // namespace

std::span<const velk::MessageEntry<CAboutDlg>> CAboutDlg::MessageTable() {
    static constexpr velk::MessageEntry<CAboutDlg> table[] = {
        command(IDC_ABOUT_URL, &CAboutDlg::OnUrlClicked),
        on(WM_CTLCOLORSTATIC, &CAboutDlg::OnCtlColor),
        on(WM_SETCURSOR, &CAboutDlg::OnSetCursor),
    };
    return table;
}

void CAboutDlg::DoDataExchange(velk::DataExchange& dx) {
    dx.Control(IDC_ABOUT_URL, UrlLink);
    dx.Text(IDC_ABOUT_VERSION, Version);
}

BOOL CAboutDlg::OnInitDialog() {
    velk::CDialog::OnInitDialog();
    std::wstring text;
    if (LoadStringOrWarn(IDS_PRODUCT_NAME, text)) ::SetDlgItemTextW(hwnd_, IDC_ABOUT_PRODUCT, text.c_str());
    text.clear();
    if (LoadStringOrWarn(IDS_APP_TITLE, text)) SetWindowText(text);

    // The version of the program's own file.
    const std::wstring path = velk::ProgramPath();
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size != 0) {
        std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[size]);
        if (!buffer) return FALSE;
        Version = L"Version ";
        void* value = nullptr;
        UINT length = 0;
        if (::GetFileVersionInfoW(path.c_str(), 0, size, buffer.get()) &&
            ::VerQueryValueW(buffer.get(), kProductVersionQuery, &value, &length) && value && length > 0)
            Version += static_cast<const wchar_t*>(value);
    }

    // The link: the dialog's font, underlined.
    LOGFONTW dialogFont{};
    auto font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    if (font && ::GetObjectW(font, sizeof(dialogFont), &dialogFont)) {
        UrlFont.reset(::CreateFontW(dialogFont.lfHeight, 0, 0, 0, 0, FALSE, TRUE, FALSE, SHIFTJIS_CHARSET, 0, 0,
                                    DRAFT_QUALITY, 0, dialogFont.lfFaceName));
        if (UrlFont)
            ::SendDlgItemMessageW(hwnd_, IDC_ABOUT_URL, WM_SETFONT, reinterpret_cast<WPARAM>(UrlFont.get()), TRUE);
    }
    UpdateData(false);
    return TRUE;
}

LRESULT CAboutDlg::OnCtlColor(WPARAM w, LPARAM l) {
    LRESULT brush = DefaultProc(WM_CTLCOLORSTATIC, w, l);
    if (reinterpret_cast<HWND>(l) == UrlLink.GetSafeHwnd()) ::SetTextColor(reinterpret_cast<HDC>(w), kLinkColour);
    return brush;
}

LRESULT CAboutDlg::OnSetCursor(WPARAM w, LPARAM l) {
    if (reinterpret_cast<HWND>(w) == UrlLink.GetSafeHwnd() && UrlLink) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
    }
    return DefaultProc(WM_SETCURSOR, w, l);
}

void CAboutDlg::OnUrlClicked() { ::ShellExecuteW(nullptr, nullptr, kAboutWebAddress, nullptr, nullptr, SW_SHOWNORMAL); }
