// Every text fits its control, in English and in Japanese: each visible static,
// button, check box, radio button and group box title of the settings window,
// its five pages, the About box and the renumbering dialog is measured in the
// control's own font against the room the control gives it; every entry of a
// drop-down list fits its closed field; a label's text keeps clear of the
// control beside it; the tabs sit in one row inside the tab control; every
// list column holds its heading and its entries, and the columns fit their
// list side by side.
#include "app/about_dialog.h"
#include "app/change_number_dialog.h"
#include "app/main_dialog.h"
#include "app/velkmira_app.h"
#include "display/program_messages.h"
#include "framework/strings.h"
#include "resources/resource.h"
#include "testing/harness.h"
#include "testing/support/tray_fixture.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <algorithm>
#include <memory>
#include <sstream>

using namespace velk;
using namespace velk::test;

namespace {

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

// What DrawTextW needs for text in the window's font, wrapped at wrapWidth (0: one line).
SIZE Measure(HWND window, const std::wstring& text, UINT flags, int wrapWidth, int* averageWidth = nullptr) {
    auto font = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
    WindowDc dc(window);
    SelectObjectScope select(dc.get(), font ? font : ::GetStockObject(SYSTEM_FONT));
    RECT r{0, 0, std::max(wrapWidth, 1), 0};
    ::DrawTextW(dc.get(), text.c_str(), -1, &r, flags | DT_CALCRECT | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE));
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc.get(), &metrics);
    if (averageWidth) *averageWidth = metrics.tmAveCharWidth;
    return {r.right, r.bottom};
}

int StringWidth(HWND list, const std::wstring& text) {
    return static_cast<int>(::SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

class TextFit {
public:
    explicit TextFit(const char* language) : language_(language) {}
    const std::string& Failures() const { return failures_; }

    void Dialog(HWND dialog, UINT dialogId) {
        dialogId_ = dialogId;
        for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            const std::wstring cls = ClassOf(child);
            const LONG style = static_cast<LONG>(::GetWindowLongPtrW(child, GWL_STYLE));
            if (!(style & WS_VISIBLE)) continue;
            if (cls == L"Static") Static(child, style);
            else if (cls == L"Button") Button(child, style);
            else if (cls == WC_COMBOBOXW) Combo(child);
            else if (cls == WC_LISTVIEWW) ListColumns(child);
            else if (cls == WC_TABCONTROLW) Tabs(child);
        }
    }

private:
    void Static(HWND control, LONG style) {
        const LONG type = style & SS_TYPEMASK;
        const bool wraps = type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT;
        if ((!wraps && type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE) || (style & SS_ELLIPSISMASK)) return;
        const SIZE room = Room(control, 0, 0);
        const UINT flags = DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
        const SIZE need = Measure(control, Text(control), flags, wraps ? room.cx : 0);
        Check(control, Text(control), need, room);
        if (type == SS_LEFT || type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE) KeepClear(control, need.cx);
    }

    // A label's text ends at least two dialog units before the control to its
    // right on the same row.
    void KeepClear(HWND label, int textWidth) {
        if (Text(label).empty() || textWidth <= 0) return;
        HWND dialog = ::GetParent(label);
        RECT own = RectIn(dialog, label), gap{0, 0, 2, 0};
        ::MapDialogRect(dialog, &gap);
        const int textRight = own.left + textWidth;
        for (HWND other = ::GetWindow(dialog, GW_CHILD); other; other = ::GetWindow(other, GW_HWNDNEXT)) {
            if (other == label || !(::GetWindowLongPtrW(other, GWL_STYLE) & WS_VISIBLE)) continue;
            const RECT r = RectIn(dialog, other);
            if (r.left <= own.left || r.top >= own.bottom || r.bottom <= own.top) continue;
            if (textRight + gap.right > r.left)
                Check(label, Text(label) + L" (beside control " + std::to_wstring(::GetDlgCtrlID(other)) + L")",
                      {textRight + gap.right - own.left, 0}, {r.left - own.left, 0});
        }
    }

    // Each entry of a drop-down list in its closed field (the field beside
    // the arrow, less the room the control keeps round the text).
    void Combo(HWND combo) {
        COMBOBOXINFO info{};
        info.cbSize = sizeof(info);
        if (!::GetComboBoxInfo(combo, &info)) return;
        const SIZE room{info.rcItem.right - info.rcItem.left - 4, info.rcItem.bottom - info.rcItem.top};
        for (int i = 0; i < static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0)); ++i) {
            wchar_t text[256] = {};
            if (::SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) >= 256) continue;
            ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            const SIZE need = Measure(combo, text, DT_NOPREFIX, 0);
            Check(combo, text, {need.cx, 0}, {room.cx, 0});
        }
    }

    static RECT RectIn(HWND dialog, HWND control) {
        RECT r{};
        ::GetWindowRect(control, &r);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    void Button(HWND control, LONG style) {
        const std::wstring text = Text(control);
        const LONG type = style & BS_TYPEMASK;
        const bool multiline = (style & BS_MULTILINE) != 0;
        SIZE room{};
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) room = Room(control, 8, 2);  // inside the edges
        else if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON ||
                 type == BS_3STATE || type == BS_AUTO3STATE)
            room = Room(control, ::GetSystemMetrics(SM_CXMENUCHECK) + 4, 0);  // beside the box
        if (room.cx > 0) {
            Check(control, text, Measure(control, text, 0, multiline ? room.cx : 0), room);
        } else if (type == BS_GROUPBOX) {
            // The title sits on the frame, indented from both ends.
            int average = 0;
            const SIZE need = Measure(control, text, 0, 0, &average);
            Check(control, text, {need.cx + 2 * average, 0}, {Room(control, 0, 0).cx, 0});
        }
    }

    // Every tab within the control: no item cut off, no scroll arrows.
    void Tabs(HWND tab) {
        const SIZE room = Room(tab, 0, 0);
        for (int i = 0; i < static_cast<int>(::SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0)); ++i) {
            RECT item{};
            ::SendMessageW(tab, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
            Check(tab, L"(tab " + std::to_wstring(i) + L")", {item.right + 2, 0}, {room.cx, 0});
        }
        HWND arrows = ::FindWindowExW(tab, nullptr, UPDOWN_CLASSW, nullptr);
        if (arrows && ::IsWindowVisible(arrows)) Check(tab, L"(tab scroll arrows)", {1, 0}, {0, 0});
    }

    void ListColumns(HWND list) {
        HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
        const int columns = static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
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
            Check(list, heading, {StringWidth(list, heading) + 12, 0}, {width, 0});
            for (int r = 0; r < static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); ++r) {
                const std::wstring text = CListCtrl(list).GetItemText(r, c);
                RECT cell{LVIR_LABEL, c, 0, 0};
                ::SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(&cell));
                Check(list, text, {StringWidth(list, text) + 12, 0}, {cell.right - cell.left, 0});
            }
        }
        Check(list, L"(all columns)", {total, 0}, {Room(list, 0, 0).cx, 0});
    }

    static std::wstring Text(HWND control) { return Wnd(control).GetWindowText(); }
    static SIZE Room(HWND control, int lessX, int lessY) {
        RECT client{};
        ::GetClientRect(control, &client);
        return {client.right - lessX, client.bottom - lessY};
    }

    // Reports in pixels and, for the resource script, in the dialog's units.
    void Check(HWND control, const std::wstring& text, SIZE need, SIZE room) {
        if (need.cx <= room.cx && need.cy <= room.cy) return;
        RECT units{0, 0, 4, 8};
        ::MapDialogRect(::GetParent(control), &units);
        std::ostringstream line;
        line << language_ << " dialog " << dialogId_ << " control " << ::GetDlgCtrlID(control) << " \"" << ToUtf8(text)
             << "\": needs " << need.cx << "x" << need.cy << " px, has " << room.cx << "x" << room.cy
             << " px, short by " << (std::max<LONG>(0, need.cx - room.cx) * 4 + units.right - 1) / std::max<LONG>(1, units.right)
             << "x" << (std::max<LONG>(0, need.cy - room.cy) * 8 + units.bottom - 1) / std::max<LONG>(1, units.bottom)
             << " DLU\n";
        failures_ += line.str();
    }

    std::string language_;
    std::string failures_;
    UINT dialogId_ = 0;
};

LANGID g_language = 0;
LANGID WINAPI FakeUiLanguage() { return g_language; }

class TextFitTest : public ::testing::TestWithParam<LANGID> {};

TEST_P(TextFitTest, EveryTextFitsItsControl) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    theApp.SetRegistryKey(L"VELK-Panomira");
    RegisterMainWindowClass();
    PlatformOverride seam;
    g_language = GetParam();
    Platform().GetUserDefaultUILanguage = FakeUiLanguage;
    RecordBlockingWaits();
    const bool japanese = PRIMARYLANGID(g_language) == LANG_JAPANESE;
    ASSERT_EQ(LoadResString(IDS_TAB_SETTINGS) == L"Settings", !japanese);
    TextFit fit(japanese ? "Japanese" : "English");

    ResetProfile();
    FakeTray tray;
    auto dialog = std::make_unique<CVELKMIRADlg>();
    ASSERT_TRUE(dialog->Create(nullptr));
    HWND main = dialog->GetSafeHwnd();
    // The program's manifest is this test's too: the controls are those of
    // version 6, whose buttons know their ideal size.
    SIZE ideal{};
    ASSERT_TRUE(::SendDlgItemMessageW(main, IDC_APPLY, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
    ::SendMessageW(main, UM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK);  // the settings window as the user opens it
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
