// Every text fits its control, in English and in Japanese: each visible static,
// button, check box, radio button and group box title of the settings window,
// its five pages, the About box and the renumbering dialog is measured in the
// control's own font against the room the control gives it; the tabs fit the
// tab control in one row; every list column holds its heading and its longest
// entry.
#include "app/about_dialog.h"
#include "app/change_number_dialog.h"
#include "app/main_dialog.h"
#include "app/velkmira_app.h"
#include "display/program_messages.h"
#include "framework/strings.h"
#include "resources/resource.h"
#include "testing/harness.h"
#include "tests/maindialog/tray_fixture.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <algorithm>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

using namespace velk;
using namespace velk::test;

namespace {

// The captions the pages set from the string table when they start, so a
// layout is measured against every text its controls can show.
struct TableCaption {
    UINT dialog;
    int control;
    UINT stringId;
};
constexpr TableCaption kTableCaptions[] = {
    {IDD_SETTING_PAGE, IDC_SET_MULTIDISPLAY_GROUP, IDS_MULTIDISPLAY_GROUP},
    {IDD_SETTING_PAGE, IDC_SET_DISPLAY_LABEL, IDS_DISPLAY},
    {IDD_SETTING_PAGE, IDC_SET_APPEARANCE_DESC, IDS_CHANGE_APPEARANCE_DESC},
    {IDD_SETTING_PAGE, IDC_SET_DISPLAY_SETTINGS, IDS_CHANGE_APPEARANCE},
    {IDD_SETTING_PAGE, IDC_SET_RESIZE_GROUP, IDS_RESIZE_GROUP},
    {IDD_SETTING_PAGE, IDC_SET_RESIZE_FIXED, IDS_DO_NOT_RESIZE},
    {IDD_SETTING_PAGE, IDC_SET_RESIZE_SCALE, IDS_RESIZE},
    {IDD_SETTING_PAGE, IDC_SET_UTILITY_GROUP, IDS_UTILITY_GROUP},
    {IDD_SETTING_PAGE, IDC_SET_RUN_AT_STARTUP, IDS_RUN_AT_STARTUP},
    {IDD_SETTING_PAGE, IDC_SET_MOUSE_SONAR, IDS_MOUSE_SONAR},
    {IDD_WALLPAPER_PAGE, IDC_WP_DISPLAY_LABEL, IDS_WALLPAPER_DISPLAY},
    {IDD_WALLPAPER_PAGE, IDC_WP_USE_WALLPAPER, IDS_USE_WALLPAPER},
    {IDD_WALLPAPER_PAGE, IDC_WP_FILE_LABEL, IDS_WALLPAPER_FILE},
    {IDD_WALLPAPER_PAGE, IDC_WP_STYLE_LABEL, IDS_WALLPAPER_STYLE},
    {IDD_WALLPAPER_PAGE, IDC_WP_BACKGROUND, IDS_WALLPAPER_COLOR},
    {IDD_WALLPAPER_PAGE, IDC_WP_AUTO_CHANGE, IDS_AUTO_CHANGE},
    {IDD_WALLPAPER_PAGE, IDC_WP_INTERVAL_LABEL, IDS_AUTO_CHANGE_INTERVAL},
    {IDD_WALLPAPER_PAGE, IDC_WP_ORDER_LABEL, IDS_AUTO_CHANGE_ORDER},
    {IDD_APPSETTING_PAGE, IDC_APP_TASKBAR_GROUP, IDS_TASKBAR_GROUP},
    {IDD_APPSETTING_PAGE, IDC_APP_USE_TASKBAR, IDS_USE_EXTRA_TASKBAR},
    {IDD_APPSETTING_PAGE, IDC_APP_ON_TOP, IDS_TASKBAR_ON_TOP},
    {IDD_APPSETTING_PAGE, IDC_APP_SEPARATE_BUTTONS, IDS_TASKBAR_SEPARATE_BUTTONS},
    {IDD_APPSETTING_PAGE, IDC_APP_ICON_GROUP, IDS_ICON_POSITION_GROUP},
    {IDD_APPSETTING_PAGE, IDC_APP_SAVE_ICONS_DESC, IDS_ICON_SAVE_DESC},
    {IDD_APPSETTING_PAGE, IDC_APP_RESTORE_ICONS_DESC, IDS_ICON_RESTORE_DESC},
    {IDD_APPSETTING_PAGE, IDC_APP_RESTORE_AT_START, IDS_ICON_RESTORE_AT_START},
    {IDD_APPSETTING_PAGE, IDC_APP_SAVE_ICONS, IDS_ICON_SAVE},
    {IDD_APPSETTING_PAGE, IDC_APP_RESTORE_ICONS, IDS_ICON_RESTORE},
    {IDD_APPSETTING_PAGE, IDC_APP_WINDOW_GROUP, IDS_WINDOW_POSITION_GROUP},
    {IDD_APPSETTING_PAGE, IDC_APP_GATHER_DESC, IDS_GATHER_DESC},
    {IDD_APPSETTING_PAGE, IDC_APP_RESTORE_WINDOWS_DESC, IDS_RESTORE_WINDOWS_DESC},
    {IDD_APPSETTING_PAGE, IDC_APP_GATHER, IDS_GATHER},
    {IDD_APPSETTING_PAGE, IDC_APP_RESTORE_WINDOWS, IDS_RESTORE_WINDOWS},
    {IDD_OTHER_SETTING_PAGE, IDC_OTHER_VIDEO_GROUP, IDS_OTHER_VIDEO_GROUP},
    {IDD_OTHER_SETTING_PAGE, IDC_OTHER_VIDEO_OPTIMIZE, IDS_VIDEO_OPTIMIZE},
    {IDD_OTHER_SETTING_PAGE, IDC_OTHER_SOUND_GROUP, IDS_OTHER_SOUND_GROUP},
    {IDD_OTHER_SETTING_PAGE, IDC_OTHER_PLAYBACK_LABEL, IDS_OTHER_PLAYBACK_DEVICE},
    {IDD_VELKMIRA_DIALOG, IDC_APPLY, IDS_APPLY},
    {IDD_VELKMIRA_DIALOG, IDC_IDENTIFY_DISPLAY, IDS_IDENTIFY_DISPLAY},
};

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

HFONT FontOf(HWND window) {
    auto font = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
    return font ? font : static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
}

// The size DrawTextW gives text in the window's font, wrapped at wrapWidth
// (0: one line).
SIZE Measure(HWND window, const std::wstring& text, UINT flags, int wrapWidth) {
    WindowDc dc(window);
    SelectObjectScope font(dc.get(), FontOf(window));
    RECT r{0, 0, wrapWidth > 0 ? wrapWidth : 1, 0};
    ::DrawTextW(dc.get(), text.c_str(), -1, &r, flags | DT_CALCRECT | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE));
    return {r.right - r.left, r.bottom - r.top};
}

class TextFit {
public:
    explicit TextFit(std::string language) : language_(std::move(language)) {}

    // One control: every text it can show must fit.
    void Control(HWND control, UINT dialogId) {
        const LONG style = static_cast<LONG>(::GetWindowLongPtrW(control, GWL_STYLE));
        if (!(style & WS_VISIBLE)) return;
        std::vector<std::wstring> texts{Wnd(control).GetWindowText()};
        for (const TableCaption& caption : kTableCaptions)
            if (caption.dialog == dialogId && caption.control == ::GetDlgCtrlID(control) &&
                LoadResString(caption.stringId) != texts[0])
                texts.push_back(LoadResString(caption.stringId));
        for (const std::wstring& text : texts)
            if (!text.empty()) ControlText(control, dialogId, style, text);
    }

    // The tab items sit in one row inside the control, without scroll arrows.
    void Tabs(HWND tab) {
        RECT client{};
        ::GetClientRect(tab, &client);
        const int count = static_cast<int>(::SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            RECT item{};
            ::SendMessageW(tab, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
            wchar_t text[64] = {};
            TCITEMW info{};
            info.mask = TCIF_TEXT;
            info.pszText = text;
            info.cchTextMax = 64;
            ::SendMessageW(tab, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&info));
            const SIZE need = Measure(tab, text, 0, 0);
            Check(tab, IDD_VELKMIRA_DIALOG, text, {need.cx + 6, need.cy},
                  {std::min(item.right, client.right - 2) - item.left, item.bottom - item.top});
        }
        HWND arrows = ::FindWindowExW(tab, nullptr, UPDOWN_CLASSW, nullptr);
        if (arrows && ::IsWindowVisible(arrows)) Fail(tab, IDD_VELKMIRA_DIALOG, L"(tab scroll arrows shown)", {}, {});
    }

    // Each column of a report list holds its heading and every row's text, and
    // the columns together fit the list.
    void ListColumns(HWND list, UINT dialogId) {
        HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
        const int columns = static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
        const int rows = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        int total = 0;
        for (int c = 0; c < columns; ++c) {
            const int width = static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(c), 0));
            total += width;
            wchar_t heading[128] = {};
            HDITEMW item{};
            item.mask = HDI_TEXT;
            item.pszText = heading;
            item.cchTextMax = 128;
            ::SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&item));
            CheckWidth(list, dialogId, heading, StringWidth(list, heading) + 12, width);
            for (int r = 0; r < rows; ++r) {
                const std::wstring text = CListCtrl(list).GetItemText(r, c);
                RECT cell{};
                cell.top = c;
                cell.left = LVIR_LABEL;
                ::SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(&cell));
                CheckWidth(list, dialogId, text, StringWidth(list, text) + 12, cell.right - cell.left);
            }
        }
        // All columns side by side in view, without scrolling sideways.
        RECT client{};
        ::GetClientRect(list, &client);
        CheckWidth(list, dialogId, L"(all columns)", total, client.right);
    }

    // Every child control of a dialog.
    void Dialog(HWND dialog, UINT dialogId) {
        for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            const std::wstring cls = ClassOf(child);
            if (cls == L"Static" || cls == L"Button") Control(child, dialogId);
            else if (cls == WC_LISTVIEWW) ListColumns(child, dialogId);
            else if (cls == WC_TABCONTROLW) Tabs(child);
        }
    }

    const std::string& Failures() const { return failures_; }

private:
    void ControlText(HWND control, UINT dialogId, LONG style, const std::wstring& text) {
        RECT client{};
        ::GetClientRect(control, &client);
        const SIZE room{client.right, client.bottom};
        if (ClassOf(control) == L"Static") {
            const LONG type = style & SS_TYPEMASK;
            if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE)
                return;
            if (style & SS_ELLIPSISMASK) return;  // shortened on purpose
            const bool wraps = type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT;
            const SIZE need = Measure(control, text, DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0),
                                      wraps ? room.cx : 0);
            Check(control, dialogId, text, need, room);
            return;
        }
        const LONG type = style & BS_TYPEMASK;
        const bool multiline = (style & BS_MULTILINE) != 0;
        switch (type) {
        case BS_PUSHBUTTON:
        case BS_DEFPUSHBUTTON: {
            const SIZE inner{room.cx - 8, room.cy - 2};  // inside the button's edges
            Check(control, dialogId, text, Measure(control, text, 0, multiline ? inner.cx : 0), inner);
            break;
        }
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
        case BS_3STATE:
        case BS_AUTO3STATE: {
            const SIZE inner{room.cx - ::GetSystemMetrics(SM_CXMENUCHECK) - 4, room.cy};
            Check(control, dialogId, text, Measure(control, text, 0, multiline ? inner.cx : 0), inner);
            break;
        }
        case BS_GROUPBOX: {
            // The title sits on the frame, indented from both ends.
            TEXTMETRICW metrics{};
            {
                WindowDc dc(control);
                SelectObjectScope font(dc.get(), FontOf(control));
                ::GetTextMetricsW(dc.get(), &metrics);
            }
            const SIZE need = Measure(control, text, 0, 0);
            CheckWidth(control, dialogId, text, need.cx + 2 * metrics.tmAveCharWidth, room.cx);
            break;
        }
        default:
            break;
        }
    }

    int StringWidth(HWND list, const std::wstring& text) {
        return static_cast<int>(::SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }

    void CheckWidth(HWND control, UINT dialogId, const std::wstring& text, int need, int room) {
        if (need > room) Fail(control, dialogId, text, {need, 0}, {room, 0});
    }
    void Check(HWND control, UINT dialogId, const std::wstring& text, SIZE need, SIZE room) {
        if (need.cx > room.cx || need.cy > room.cy) Fail(control, dialogId, text, need, room);
    }
    void Fail(HWND control, UINT dialogId, const std::wstring& text, SIZE need, SIZE room) {
        // Pixels and, for the resource script, dialog units of the dialog.
        RECT units{0, 0, 4, 8};
        ::MapDialogRect(::GetParent(control), &units);
        const int ux = std::max<int>(1, units.right), uy = std::max<int>(1, units.bottom);
        std::ostringstream line;
        line << language_ << " dialog " << dialogId << " control " << ::GetDlgCtrlID(control) << " \""
             << ToUtf8(text) << "\": needs " << need.cx << "x" << need.cy << " px, has " << room.cx << "x"
             << room.cy << " px (short by " << (std::max<LONG>(0, need.cx - room.cx) * 4 + ux - 1) / ux << "x"
             << (std::max<LONG>(0, need.cy - room.cy) * 8 + uy - 1) / uy << " DLU)\n";
        failures_ += line.str();
    }

    std::string language_;
    std::string failures_;
};

class TextFitTest : public ::testing::TestWithParam<LANGID> {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&controls);
        theApp.SetRegistryKey(L"VELK-Panomira");
        RegisterMainWindowClass();
    }
};

LANGID g_language = 0;
LANGID WINAPI FakeUiLanguage() { return g_language; }

TEST_P(TextFitTest, EveryTextFitsItsControl) {
    PlatformOverride seam;
    g_language = GetParam();
    Platform().GetUserDefaultUILanguage = FakeUiLanguage;
    const bool japanese = PRIMARYLANGID(g_language) == LANG_JAPANESE;
    if (japanese) {
        ASSERT_NE(LoadResString(IDS_TAB_SETTINGS), L"Settings");
    }
    TextFit fit(japanese ? "Japanese" : "English");

    ResetProfile();
    FakeTray tray;
    auto dialog = std::make_unique<CVELKMIRADlg>();
    ASSERT_TRUE(dialog->Create(nullptr));
    HWND main = dialog->GetSafeHwnd();
    ::SendMessageW(main, UM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK);
    fit.Dialog(main, IDD_VELKMIRA_DIALOG);
    for (int i = 0; i < kPageCount; ++i) fit.Dialog(dialog->Page(i)->GetSafeHwnd(), dialog->Page(i)->TemplateId());

    CAboutDlg about;
    ASSERT_TRUE(about.Create(main));
    fit.Dialog(about.GetSafeHwnd(), IDD_ABOUTBOX);
    about.DestroyWindowNow();

    CChangeNumber numbers;
    ASSERT_TRUE(numbers.Create(main));
    fit.Dialog(numbers.GetSafeHwnd(), IDD_CHANGE_NUMBER);
    numbers.DestroyWindowNow();

    dialog.reset();
    EXPECT_EQ(fit.Failures(), "");
}

INSTANTIATE_TEST_SUITE_P(Languages, TextFitTest,
                         ::testing::Values(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                           MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)));

}  // namespace
