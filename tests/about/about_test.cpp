// The About box: the version from the program's version resource, the link's
// colour, font and cursor.
#include "app/about_dialog.h"
#include "app/velkmira_app.h"
#include "resources/resource.h"
#include <gtest/gtest.h>

namespace {

std::wstring ItemText(HWND dialog, int id) {
    wchar_t text[128] = {};
    ::GetDlgItemTextW(dialog, id, text, 128);
    return text;
}

LOGFONTW FontOf(HWND control) {
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
    return font;
}

class AboutBox : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(about.Create(nullptr));
        hwnd = about.GetSafeHwnd();
        link = ::GetDlgItem(hwnd, IDC_ABOUT_URL);
    }
    void TearDown() override { about.DestroyWindowNow(); }

    CAboutDlg about;
    HWND hwnd = nullptr;
    HWND link = nullptr;
};

TEST_F(AboutBox, ShowsNameVersionAndAddress) {
    EXPECT_EQ(ItemText(hwnd, IDC_ABOUT_VERSION), L"Version 3.5.0.0");
    EXPECT_EQ(ItemText(hwnd, IDC_ABOUT_PRODUCT), L"Korvane Panomira");
    EXPECT_EQ(about.GetWindowText(), L"Korvane Panomira");
    EXPECT_EQ(ItemText(hwnd, IDC_ABOUT_URL), kAboutWebAddress);
}

TEST_F(AboutBox, LinkIsBlueAndUnderlinedInTheDialogsFont) {
    const LOGFONTW linkFont = FontOf(link);
    const LOGFONTW dialogFont = FontOf(hwnd);
    EXPECT_TRUE(linkFont.lfUnderline);
    EXPECT_FALSE(FontOf(::GetDlgItem(hwnd, IDC_ABOUT_VERSION)).lfUnderline);
    EXPECT_EQ(linkFont.lfHeight, dialogFont.lfHeight);
    EXPECT_STREQ(linkFont.lfFaceName, dialogFont.lfFaceName);

    HDC dc = ::GetDC(hwnd);
    const struct {
        HWND control;
        bool blue;
    } cases[] = {{link, true}, {::GetDlgItem(hwnd, IDC_ABOUT_VERSION), false}, {::GetDlgItem(hwnd, IDC_ABOUT_PRODUCT), false}};
    for (const auto& c : cases) {
        ::SetTextColor(dc, RGB(1, 2, 3));
        EXPECT_NE(::SendMessageW(hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(c.control)), 0);
        EXPECT_EQ(::GetTextColor(dc) == RGB(0, 0, 255), c.blue) << ::GetDlgCtrlID(c.control);
    }
    ::ReleaseDC(hwnd, dc);
}

TEST_F(AboutBox, HandCursorOverTheLinkOnly) {
    const HCURSOR hand = ::LoadCursorW(nullptr, IDC_HAND);
    const struct {
        HWND under;
        bool hand;
    } cases[] = {{link, true}, {::GetDlgItem(hwnd, IDC_ABOUT_VERSION), false}, {hwnd, false}, {::GetDlgItem(hwnd, IDOK), false}};
    for (const auto& c : cases) {
        ::SetCursor(nullptr);
        const LRESULT handled = ::SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(c.under), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(::GetCursor() == hand, c.hand) << ::GetDlgCtrlID(c.under);
        if (c.hand) {
            EXPECT_TRUE(handled);
        }
    }
}

}  // namespace
