// The small shared functions: version tests, the missing-string warning, the
// desktop icon list test, work areas and path splitting.
#include "display/shared_functions.h"
#include "resources/resource.h"
#include "testing/desktopsim/desktop_windows.h"
#include "testing/harness.h"
#include <gtest/gtest.h>

using namespace velk;
using namespace velk::test;

namespace {

TEST(VersionTests, CompareMajorThenMinor) {
    struct Case {
        DWORD major, minor;
        bool atLeast51, atLeast60, atLeast61, atLeast62;
    };
    const Case cases[] = {
        {5, 1, true, false, false, false},
        {6, 0, true, true, false, false},
        {6, 1, true, true, true, false},
        {6, 2, true, true, true, true},
        {10, 0, true, true, true, true},
    };
    for (const Case& c : cases) {
        PlatformOverride scope;
        FakeWindowsVersion(c.major, c.minor);
        SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor));
        EXPECT_EQ(IsWindowsAtLeast(5, 1), c.atLeast51);
        EXPECT_EQ(IsWindowsAtLeast(6, 0), c.atLeast60);
        EXPECT_EQ(IsWindowsAtLeast(6, 1), c.atLeast61);
        EXPECT_EQ(IsWindowsAtLeast(6, 2), c.atLeast62);
        EXPECT_EQ(IsWindowsOlderThan(6, 1), !c.atLeast61);
        EXPECT_EQ(IsWindowsOlderThan(6, 2), !c.atLeast62);
        EXPECT_EQ(IsWindowsOlderThan(5, 1), !c.atLeast51);
    }
}

TEST(VersionTests, RealWineAnswersWindows7) {
    EXPECT_TRUE(IsWindowsAtLeast(6, 1));
    EXPECT_TRUE(IsWindowsOlderThan(6, 2));
}

TEST(LoadStringOrWarn, PresentStringShowsNothing) {
    MessageBoxCatcher catcher(IDOK, 500);
    std::wstring text;
    EXPECT_TRUE(LoadStringOrWarn(IDS_ERROR_HOOK, text));
    EXPECT_FALSE(text.empty());
    EXPECT_FALSE(catcher.Result().has_value());
}

TEST(LoadStringOrWarn, MissingStringWarnsAndAnswersFalse) {
    MessageBoxCatcher catcher(IDOK);
    std::wstring text;
    EXPECT_FALSE(LoadStringOrWarn(65001, text));
    auto box = catcher.Result();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, kUnexpectedErrorText);
    EXPECT_EQ(box->icon, IDI_EXCLAMATION);
    EXPECT_TRUE(box->HasButton(IDOK));
    EXPECT_FALSE(box->HasButton(IDCANCEL));
}

TEST(LoadStringOrWarn, MissingStringKeepsTheCallersText) {
    MessageBoxCatcher catcher(IDOK, 500);
    std::wstring text = L"already";
    EXPECT_TRUE(LoadStringOrWarn(65001, text));
    EXPECT_EQ(text, L"already");
    EXPECT_FALSE(catcher.Result().has_value());
}

TEST(PathSplitting, FolderKeepsItsBackslashAndNameKeepsItsExtension) {
    wchar_t out[260];
    GetFolderOfPath(out, L"C:\\pictures\\a.jpg");
    EXPECT_STREQ(out, L"C:\\pictures\\");
    GetFileNameOfPath(out, L"C:\\pictures\\a.jpg");
    EXPECT_STREQ(out, L"a.jpg");
    GetFolderOfPath(out, L"");
    EXPECT_STREQ(out, L"");
    GetFileNameOfPath(out, L"");
    EXPECT_STREQ(out, L"");
    GetFileNameOfPath(out, L"\\\\server\\share\\\u5199\u771F.jpeg");
    EXPECT_STREQ(out, L"\u5199\u771F.jpeg");
    // A path whose parts overflow gives an empty text, never an overrun.
    std::wstring longPath = L"C:\\" + std::wstring(400, L'd') + L"\\a.jpg";
    GetFolderOfPath(out, longPath.c_str());
    EXPECT_LT(wcslen(out), 260u);
}

TEST(AreDesktopIconsHidden, FollowsTheDesktopListView) {
    EXPECT_TRUE(AreDesktopIconsHidden());  // Wine has no shell desktop
    {
        DesktopWindows desktop;
        ASSERT_NE(desktop.List(), nullptr);
        EXPECT_FALSE(AreDesktopIconsHidden());
    }
    {
        DesktopWindowsOptions options;
        options.listVisible = false;
        DesktopWindows desktop(options);
        EXPECT_TRUE(AreDesktopIconsHidden());
    }
    {
        DesktopWindowsOptions options;
        options.topClass = L"VelkOtherTop";
        DesktopWindows elsewhere(options);
        EXPECT_TRUE(AreDesktopIconsHidden());
    }
}

HMONITOR g_askedFor = nullptr;
BOOL WINAPI FakeMonitorInfo(HMONITOR monitor, LPMONITORINFO info) {
    g_askedFor = monitor;
    if (monitor != reinterpret_cast<HMONITOR>(0x22)) return FALSE;
    info->rcWork = RECT{-1920, 0, 0, 1040};
    return TRUE;
}
HMONITOR WINAPI FakeMonitorFromWindow(HWND window, DWORD flags) {
    EXPECT_EQ(flags, DWORD(MONITOR_DEFAULTTOPRIMARY));
    return window ? reinterpret_cast<HMONITOR>(0x22) : reinterpret_cast<HMONITOR>(0x11);
}

TEST(GetMonitorWorkAreaOfWindow, WorkAreaOfTheWindowsDisplayOrZero) {
    PlatformOverride scope;
    Platform().MonitorFromWindow = FakeMonitorFromWindow;
    Platform().GetMonitorInfoW = FakeMonitorInfo;
    RECT area{1, 1, 1, 1};
    EXPECT_TRUE(GetMonitorWorkAreaOfWindow(::GetDesktopWindow(), &area));
    EXPECT_EQ(area.left, -1920);
    EXPECT_EQ(area.bottom, 1040);
    EXPECT_TRUE(GetMonitorWorkAreaOfWindow(nullptr, &area));
    EXPECT_EQ(g_askedFor, reinterpret_cast<HMONITOR>(0x11));
    EXPECT_EQ(area.left, 0);
    EXPECT_EQ(area.right, 0);
    EXPECT_EQ(area.bottom, 0);
}

TEST(IsActiveDesktopOn, OffWhenTheShellCannotSay) {
    ::CoInitialize(nullptr);
    EXPECT_FALSE(IsActiveDesktopOn());
    ::CoUninitialize();
}

}  // namespace
