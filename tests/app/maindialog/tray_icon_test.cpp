// The tray icon as the shell receives it, the retries while the shell is not ready, and the
// tray menu's text setter.
#include "app/tray_icon.h"
#include "display/program_messages.h"
#include "resources/resource.h"
#include "testing/harness.h"
#include "testing/support/tray_fixture.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace velk;
using namespace velk::test;

namespace {

// The icon as the notification area receives it through the real
// Shell_NotifyIconW: the stand-in "Shell_TrayWnd" records what Wine's shell
// passes on.
struct TrayIconShown : ::testing::Test {
    void SetUp() override {
        window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override { ::DestroyWindow(window); }
    // Makes the call as the program does and returns what the shell received.
    TrayCall Notify(DWORD action, const std::wstring& tip, UINT iconId) {
        tray.Clear();
        NOTIFYICONDATAW data{};
        FillTrayIconData(data, window, tip, ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId)));
        TrayIconCall call;
        EXPECT_FALSE(call.Begin(action, data)) << "no retry while the shell answers";
        EXPECT_TRUE(call.Succeeded());
        if (!tray.WaitForCalls(1, 10000)) {
            ADD_FAILURE() << "the shell received nothing";
            return {};
        }
        return tray.Calls().front();
    }
    FakeTray tray;
    HWND window = nullptr;
};

TEST_F(TrayIconShown, WithItsTipIconAndCallbackMessage) {
    struct Case {
        DWORD action;
        std::wstring tip, shown;
        UINT icon;
    };
    const std::vector<Case> cases{
        {NIM_ADD, L"Korvane Panomira", L"Korvane Panomira", IDI_TRAY_WAIT},
        {NIM_MODIFY, L"Korvane Panomira", L"Korvane Panomira", IDI_TRAY},
        // The first-version record holds 63 units of tip.
        {NIM_MODIFY, std::wstring(100, L'x'), std::wstring(63, L'x'), IDI_TRAY},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        const TrayCall seen = Notify(c.action, c.tip, c.icon);
        EXPECT_EQ(seen.action, c.action);
        EXPECT_EQ(seen.window, window);
        EXPECT_EQ(seen.id, 128u);
        EXPECT_EQ(seen.flags, UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP));
        EXPECT_EQ(seen.callbackMessage, UINT(UM_TRAYNOTIFY));
        EXPECT_EQ(seen.tip, c.shown);
        EXPECT_TRUE(seen.payloadSizeMatched);
        EXPECT_EQ(seen.iconColorBits, IconColorBits(c.icon));
    }
    const TrayCall removed = Notify(NIM_DELETE, L"", IDI_TRAY);
    EXPECT_EQ(removed.action, DWORD(NIM_DELETE));
    EXPECT_EQ(removed.window, window);
    EXPECT_EQ(removed.id, 128u);
}

// A shell that answers ERROR_TIMEOUT a given number of times.
int g_calls = 0;
int g_failures = 0;
DWORD g_error = ERROR_TIMEOUT;

BOOL WINAPI FlakyNotify(DWORD, PNOTIFYICONDATAW) {
    ++g_calls;
    if (g_calls <= g_failures) {
        ::SetLastError(g_error);
        return FALSE;
    }
    return TRUE;
}

struct Retries : ::testing::Test {
    void SetUp() override {
        g_calls = 0;
        g_error = ERROR_TIMEOUT;
        Platform().Shell_NotifyIconW = FlakyNotify;
    }
    // Begins the call and makes every retry it asks for; answers the retries.
    int RetryAll(DWORD action) {
        int retries = 0;
        for (bool due = call.Begin(action, data); due; due = call.Retry(data)) ++retries;
        EXPECT_FALSE(call.RetryDue());
        return retries;
    }
    PlatformOverride seam;
    NOTIFYICONDATAW data{};
    TrayIconCall call;
};

// Each retry is due kTrayRetryPauseMs after the one before; the owner's timer
// makes it, nothing waits.
TEST_F(Retries, ShellNotReadyIsTriedAgainUntilItTakesTheIcon) {
    g_failures = 3;
    EXPECT_EQ(RetryAll(NIM_ADD), 3);
    EXPECT_EQ(g_calls, 4);
    EXPECT_TRUE(call.Succeeded());
    EXPECT_EQ(kTrayRetryPauseMs, 5000u);
}

TEST_F(Retries, GivesUpAfterSixRetries) {
    g_failures = 100;
    EXPECT_EQ(RetryAll(NIM_ADD), 6);
    EXPECT_EQ(g_calls, 7);
    EXPECT_FALSE(call.Succeeded());
}

TEST_F(Retries, OtherFailuresAreNotRetried) {
    g_failures = 100;
    g_error = ERROR_ACCESS_DENIED;
    EXPECT_EQ(RetryAll(NIM_MODIFY), 0);
    EXPECT_EQ(g_calls, 1);
}

std::wstring ItemText(HMENU menu, UINT command) {
    wchar_t text[128] = {};
    ::GetMenuStringW(menu, command, text, 128, MF_BYCOMMAND);
    return text;
}

TEST(SetMenuItemText, ReplacesTheText) {
    UniqueMenu menu(::CreatePopupMenu());
    ::AppendMenuW(menu.get(), MF_STRING, ID_TRAY_EXIT, L"old");
    EXPECT_TRUE(SetMenuItemText(menu.get(), IDS_MENU_EXIT, ID_TRAY_EXIT));
    EXPECT_EQ(ItemText(menu.get(), ID_TRAY_EXIT), L"Exit");
}

TEST(SetMenuItemText, MissingStringLeavesTheItem) {
    UniqueMenu menu(::CreatePopupMenu());
    ::AppendMenuW(menu.get(), MF_STRING, ID_TRAY_EXIT, L"old");
    EXPECT_TRUE(SetMenuItemText(menu.get(), 9999, ID_TRAY_EXIT));
    EXPECT_EQ(ItemText(menu.get(), ID_TRAY_EXIT), L"old");
}

TEST(SetMenuItemText, RefusedTextReportsError1031) {
    UniqueMenu menu(::CreatePopupMenu());
    MessageBoxCatcher catcher(IDOK);
    EXPECT_FALSE(SetMenuItemText(menu.get(), IDS_MENU_EXIT, ID_TRAY_EXIT));  // no such item
    auto box = catcher.Result();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"An unexpected error occurred. Error Number 1031.");
}

TEST(TrayMenuText, DisplayItemByWindowsVersion) {
    PlatformOverride seam;
    FakeWindowsVersion(5, 1);
    EXPECT_EQ(DisplayMenuStringId(), UINT(IDS_MENU_DISPLAY_PROPERTY));
    FakeWindowsVersion(6, 0);
    EXPECT_EQ(DisplayMenuStringId(), UINT(IDS_MENU_DISPLAY_SETTINGS));
    FakeWindowsVersion(6, 1);
    EXPECT_EQ(DisplayMenuStringId(), UINT(IDS_CHANGE_APPEARANCE));
    FakeWindowsVersion(10, 0);
    EXPECT_EQ(DisplayMenuStringId(), UINT(IDS_CHANGE_APPEARANCE));
    FakeWindowsVersion(5, 0);
    EXPECT_EQ(RunningTrayIconId(), UINT(IDI_TRAY_LEGACY));
    FakeWindowsVersion(5, 1);
    EXPECT_EQ(RunningTrayIconId(), UINT(IDI_TRAY));
}

TEST(HelpFile, LiesNextToTheProgram) { EXPECT_EQ(HelpFilePath(), BinDir() + L"VELKPanomira.chm"); }

}  // namespace
