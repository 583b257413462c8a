// The About box: the version from the program's version resource, and the
// link: blue, underlined in the dialog's font, the hand cursor over it only.
#include "app/about_dialog.h"
#include "resources/resource.h"
#include <gtest/gtest.h>

namespace {

LOGFONTW FontOf(HWND control) {
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
    return font;
}

class AboutBox : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(about.Create(nullptr)); }
    void TearDown() override { about.DestroyWindowNow(); }
    HWND Item(int id) const { return about.GetDlgItem(id); }
    std::wstring Text(int id) const { return velk::Wnd(Item(id)).GetWindowText(); }
    CAboutDlg about;
};

TEST_F(AboutBox, ShowsNameVersionAndAddress) {
    EXPECT_EQ(Text(IDC_ABOUT_VERSION), L"Version 3.5.0.0");
    EXPECT_EQ(Text(IDC_ABOUT_PRODUCT), L"Korvane Panomira");
    EXPECT_EQ(about.GetWindowText(), L"Korvane Panomira");
    EXPECT_EQ(Text(IDC_ABOUT_URL), kAboutWebAddress);
}

TEST_F(AboutBox, LinkIsBlueUnderlinedAndHasTheHandCursor) {
    const LOGFONTW link = FontOf(Item(IDC_ABOUT_URL)), dialog = FontOf(about.GetSafeHwnd());
    EXPECT_TRUE(link.lfUnderline);
    EXPECT_FALSE(FontOf(Item(IDC_ABOUT_VERSION)).lfUnderline);
    EXPECT_EQ(link.lfHeight, dialog.lfHeight);
    EXPECT_STREQ(link.lfFaceName, dialog.lfFaceName);

    HDC dc = ::GetDC(about.GetSafeHwnd());
    const HCURSOR hand = ::LoadCursorW(nullptr, IDC_HAND);
    for (HWND under : {Item(IDC_ABOUT_URL), Item(IDC_ABOUT_VERSION), Item(IDC_ABOUT_PRODUCT), Item(IDOK),
                       about.GetSafeHwnd()}) {
        const bool isLink = under == Item(IDC_ABOUT_URL);
        if (under != about.GetSafeHwnd() && under != Item(IDOK)) {
            ::SetTextColor(dc, RGB(1, 2, 3));
            EXPECT_NE(about.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(under)), 0);
            EXPECT_EQ(::GetTextColor(dc) == RGB(0, 0, 255), isLink) << ::GetDlgCtrlID(under);
        }
        ::SetCursor(nullptr);
        const LRESULT handled =
            about.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(::GetCursor() == hand, isLink) << ::GetDlgCtrlID(under);
        EXPECT_EQ(handled != 0, isLink) << ::GetDlgCtrlID(under);
    }
    ::ReleaseDC(about.GetSafeHwnd(), dc);
}

}  // namespace
