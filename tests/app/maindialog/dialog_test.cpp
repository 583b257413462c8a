// The main dialog inside the test process: start-up with the real hook
// library, the settings window, the tray notifications and menu, help, and
// shut-down.
#include "app/main_dialog.h"
#include "app/velkmira_app.h"
#include "display/display_list.h"
#include "display/program_messages.h"
#include "hooklib/tarnlet.h"
#include "resources/resource.h"
#include "testing/harness.h"
#include "testing/support/in_process_dialog.h"
#include "testing/support/pump.h"
#include "testing/support/tray_fixture.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <tlhelp32.h>
#include <array>
#include <memory>
#include <optional>
#include <thread>

using namespace velk;
using namespace velk::test;

namespace {

bool HasStyle(HWND window, LONG_PTR style) { return (::GetWindowLongPtrW(window, GWL_STYLE) & style) == style; }

std::wstring TabText(HWND tab, int index) {
    wchar_t text[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    ::SendMessageW(tab, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    return text;
}

std::wstring ItemText(HWND dialog, int id) {
    wchar_t text[128] = {};
    ::GetDlgItemTextW(dialog, id, text, 128);
    return text;
}

bool HookInstallSucceeds() {
    HMODULE library = ::LoadLibraryW((BinDir() + L"Tarnlet.dll").c_str());  // stays loaded
    auto install = hooklib::GetExport<hooklib::HookInstallFn>(library, hooklib::kHookInstallName);
    auto clear = hooklib::GetExport<hooklib::ClearHookFn>(library, hooklib::kClearHookName);
    if (!install || !clear) return false;
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    UINT ids[hooklib::kCommandIdCount] = {};
    BOOL installed = install(window, ids);
    if (installed) clear(window);
    ::DestroyWindow(window);
    return installed != FALSE;
}

class MainDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        PrepareForMainDialog();
    }

    void SetUp() override {
        ResetProfile();
        // The display number overlay's waits end at once.
        RecordBlockingWaits();
        tray = std::make_unique<FakeTray>();
        dialog = std::make_unique<CVELKMIRADlg>();
        ASSERT_TRUE(dialog->Create(nullptr));
        hwnd = dialog->GetSafeHwnd();
        PumpFor(100);
    }

    void TearDown() override {
        dialog.reset();
        tray.reset();
    }

    void Open() {
        ::SendMessageW(hwnd, UM_TRAYNOTIFY, kTrayIconIdForTest, WM_LBUTTONDBLCLK);
        PumpFor(50);
    }

    void SelectTab(int index) {
        ::SendMessageW(dialog->TabWindow(), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
        NMHDR header{dialog->TabWindow(), IDC_MAIN_TAB, static_cast<UINT>(TCN_SELCHANGE)};
        ::SendMessageW(hwnd, WM_NOTIFY, IDC_MAIN_TAB, reinterpret_cast<LPARAM>(&header));
    }

    static constexpr WPARAM kTrayIconIdForTest = 128;
    PlatformOverride seam;  // first in, last out
    std::unique_ptr<FakeTray> tray;
    std::unique_ptr<CVELKMIRADlg> dialog;
    HWND hwnd = nullptr;
};

// Each page, at the size its own template gives it, fits the tab control's
// display area: nothing of a page is cut off at the right or the bottom.
TEST_F(MainDialog, EveryPageFitsTheTabArea) {
    RECT area{};
    ::GetWindowRect(dialog->TabWindow(), &area);
    ::SendMessageW(dialog->TabWindow(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        // A second copy of the page, created at its natural size.
        HWND page = ::CreateDialogParamW(::GetModuleHandleW(nullptr),
                                         MAKEINTRESOURCEW(dialog->Page(i)->TemplateId()), hwnd, nullptr, 0);
        ASSERT_NE(page, nullptr);
        RECT natural{};
        ::GetWindowRect(page, &natural);
        ::DestroyWindow(page);
        EXPECT_LE(natural.right - natural.left, area.right - area.left);
        EXPECT_LE(natural.bottom - natural.top, area.bottom - area.top);
    }
}

TEST_F(MainDialog, StartsHiddenWithEveryPartBound) {
    EXPECT_TRUE(dialog->IsInitialised());
    EXPECT_NE(::GetPropW(hwnd, kInstanceProperty), nullptr);
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    EXPECT_FALSE(::IsWindowEnabled(dialog->ApplyButtonWindow()));
    EXPECT_EQ(dialog->GetWindowText(), L"Korvane Panomira");
    EXPECT_EQ(ItemText(hwnd, IDCANCEL), L"Cancel");
    EXPECT_EQ(ItemText(hwnd, IDC_APPLY), L"Apply");
    EXPECT_EQ(ItemText(hwnd, IDC_IDENTIFY_DISPLAY), L"Identify Display");
    EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0)),
              ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TRAY)));

    HWND tab = dialog->TabWindow();
    ASSERT_EQ(::SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 5);
    const wchar_t* texts[] = {L"Settings", L"Wallpaper", L"Hotkey", L"Extra desktop", L"Other Settings"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(TabText(tab, i), texts[i]) << i;
    const UINT templates[] = {134, 135, 136, 137, 162};
    for (int i = 0; i < 5; ++i) {
        ASSERT_NE(dialog->Page(i), nullptr);
        EXPECT_EQ(dialog->Page(i)->TemplateId(), templates[i]);
        HWND page = dialog->Page(i)->GetSafeHwnd();
        ASSERT_NE(page, nullptr) << "page " << i << " was not created";
        EXPECT_EQ(::GetParent(page), hwnd);
        EXPECT_EQ(HasStyle(page, WS_VISIBLE), i == 0) << i;
    }

    EXPECT_NE(dialog->HookLibrary(), nullptr);
    for (int i = 0; i < hooklib::kCommandIdCount; ++i) EXPECT_GE(dialog->CommandIds[i], 0xC000u) << i;
    ASSERT_NE(CurrentDisplayList(), nullptr);
    EXPECT_EQ(CurrentDisplayList()->OwnerWindow, hwnd);
    EXPECT_EQ(CurrentDisplayList()->AddOn, dialog->AddOnAccess());
    EXPECT_GE(dialog->DisplayCount, 1);
    EXPECT_GE(dialog->HighestNumber, 1);
    // Wine shows no desktop icon list, so the desktop counts as without icons.
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, ProfileSection(L"Wallpaper"), L"IconShow"), 0u);

    auto calls = tray->Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].action, DWORD(NIM_ADD));
    EXPECT_EQ(calls[0].tip, L"Please wait for a while...");
    EXPECT_EQ(calls[0].iconColorBits, IconColorBits(IDI_TRAY_WAIT));
    EXPECT_EQ(calls[1].action, DWORD(NIM_MODIFY));
    EXPECT_EQ(calls[1].tip, L"Korvane Panomira");
    EXPECT_EQ(calls[1].iconColorBits, IconColorBits(IDI_TRAY));
    EXPECT_FALSE(calls[1].instancePropertySet);
    EXPECT_FALSE(calls[1].applyEnabled);
}

TEST_F(MainDialog, ShutDownReleasesEverythingItHolds) {
    tray->Clear();
    EXPECT_TRUE(dialog->DestroyWindow());
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(CurrentDisplayList(), nullptr);
    EXPECT_EQ(dialog->HookLibrary(), nullptr);
    auto calls = tray->Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].action, DWORD(NIM_DELETE));
    EXPECT_EQ(calls[0].id, 128u);
    EXPECT_EQ(calls[0].window, hwnd);
    EXPECT_TRUE(HookInstallSucceeds());
    dialog.reset();  // a second shut-down does nothing more
    EXPECT_EQ(tray->Calls().size(), 1u);
}

TEST_F(MainDialog, OnlyTheSettingCommandShowsTheWindow) {
    ::ShowWindow(hwnd, SW_SHOW);
    EXPECT_FALSE(::IsWindowVisible(hwnd));

    dialog->OnSettingCommand();
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    EXPECT_TRUE(dialog->SettingsShown);
    ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    EXPECT_FALSE(dialog->SettingsShown);

    Open();
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(::IsWindowVisible(hwnd));

    Open();
    ::SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE | 0x3, 0);  // low bits are masked off
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    EXPECT_TRUE(::IsWindow(hwnd));
    ::ShowWindow(hwnd, SW_SHOWNORMAL);
    EXPECT_FALSE(::IsWindowVisible(hwnd));
}

TEST_F(MainDialog, TabChoiceShowsItsPageAndIsKept) {
    Open();
    SelectTab(2);
    EXPECT_EQ(dialog->CurrentTab, 2);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(::IsWindowVisible(dialog->Page(i)->GetSafeHwnd()) != FALSE, i == 2) << i;
    RECT page{}, area = dialog->Page(2)->GetWindowRect();
    page = area;
    RECT tab{};
    ::GetWindowRect(dialog->TabWindow(), &tab);
    EXPECT_TRUE(page.left >= tab.left && page.right <= tab.right && page.top > tab.top && page.bottom <= tab.bottom);

    // A double-click while open keeps the tab and disables Apply.
    ::EnableWindow(dialog->ApplyButtonWindow(), TRUE);
    EXPECT_EQ(::SendMessageW(hwnd, UM_TRAYNOTIFY, 128, WM_LBUTTONDBLCLK), 1);
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    EXPECT_EQ(::SendMessageW(dialog->TabWindow(), TCM_GETCURSEL, 0, 0), 2);
    EXPECT_TRUE(::IsWindowVisible(dialog->Page(2)->GetSafeHwnd()));
    EXPECT_FALSE(::IsWindowEnabled(dialog->ApplyButtonWindow()));

    // Hidden and opened again: still on the same tab.
    ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    Open();
    EXPECT_EQ(::SendMessageW(dialog->TabWindow(), TCM_GETCURSEL, 0, 0), 2);
}

// The About box (tray menu) and the renumbering dialog (the Setting page's
// hidden button) run modally, owned by the settings window, which is disabled
// behind them and enabled again afterwards.
TEST_F(MainDialog, AboutAndRenumberingRunOwnedByTheSettingsWindow) {
    Open();
    const struct {
        HWND target;
        int command;
        const wchar_t* title;
    } cases[] = {
        {hwnd, ID_TRAY_VERSION, L"Korvane Panomira"},
        {dialog->Page(0)->GetSafeHwnd(), IDC_SET_USE_APP_NUMBER, L"Display Numbers"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        std::optional<DialogInfo> seen;
        HWND owner = nullptr;
        bool ownerEnabled = true;
        std::thread watcher([&] {
            seen = WaitForDialog(::GetCurrentProcessId(), 10000);
            if (!seen) return;
            owner = ::GetWindow(seen->hwnd, GW_OWNER);
            ownerEnabled = ::IsWindowEnabled(hwnd) != FALSE;
            PressDialogButton(seen->hwnd, IDCANCEL);
        });
        ::SendMessageW(c.target, WM_COMMAND, MAKEWPARAM(c.command, BN_CLICKED), 0);  // returns when it ends
        watcher.join();
        ASSERT_TRUE(seen);
        EXPECT_EQ(seen->title, c.title);
        EXPECT_EQ(owner, hwnd);
        EXPECT_FALSE(ownerEnabled);
        EXPECT_TRUE(::IsWindowEnabled(hwnd));
        EXPECT_FALSE(::IsWindow(seen->hwnd));
    }
}

TEST_F(MainDialog, SecondStartRequestAddsTheIconAgain) {
    tray->Clear();
    EXPECT_EQ(::SendMessageW(hwnd, UM_TRAYNOTIFY, 256, 0), 1);
    auto calls = tray->Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].action, DWORD(NIM_ADD));
    EXPECT_EQ(calls[0].tip, L"Korvane Panomira");
    EXPECT_EQ(calls[0].flags, 7u);
    EXPECT_EQ(calls[0].callbackMessage, UM_TRAYNOTIFY);
    EXPECT_EQ(calls[0].iconColorBits, IconColorBits(IDI_TRAY));
    EXPECT_FALSE(::IsWindowVisible(hwnd));  // other mouse messages do nothing
    EXPECT_EQ(::SendMessageW(hwnd, UM_TRAYNOTIFY, 128, WM_LBUTTONDOWN), 1);
    EXPECT_FALSE(::IsWindowVisible(hwnd));
}

// Opens the tray menu and reads its item texts by position while it is open.
std::vector<std::wstring> ReadTrayMenu(HWND dialog) {
    std::vector<std::wstring> texts;
    std::thread reader([&] {
        HWND menuWindow = WaitForWindow(L"#32768", nullptr, 5000, ::GetCurrentProcessId());
        if (!menuWindow) return;
        WaitUntil(2000, [&] { return ::IsWindowVisible(menuWindow) != FALSE; });
        HMENU menu = reinterpret_cast<HMENU>(::SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
        for (int i = 0; menu && i < ::GetMenuItemCount(menu); ++i) {
            wchar_t text[128] = {};
            ::GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
            texts.push_back(text);
        }
        ::PostMessageW(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    LRESULT answer = ::SendMessageW(dialog, UM_TRAYNOTIFY, 128, WM_RBUTTONUP);
    reader.join();
    EXPECT_EQ(answer, 1);
    return texts;
}

TEST_F(MainDialog, TrayMenuTextsFollowTheWindowsVersion) {
    struct Case {
        DWORD major, minor;
        const wchar_t* displayItem;
    };
    for (const Case& c : {Case{5, 1, L"Display Property"}, Case{6, 0, L"Display Settings"},
                          Case{6, 1, L"Change the appearance"}}) {
        PlatformOverride version;
        FakeWindowsVersion(c.major, c.minor);
        auto texts = ReadTrayMenu(hwnd);
        std::vector<std::wstring> expected = {L"Setting", c.displayItem, L"Identify Display", L"", L"Help",
                                              L"Version", L"Exit"};
        EXPECT_EQ(texts, expected) << c.major << "." << c.minor;
    }
    EXPECT_TRUE(::IsWindow(hwnd));
}

bool ProcessRuns(const wchar_t* exeName) {
    UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry))
        if (::lstrcmpiW(entry.szExeFile, exeName) == 0) return true;
    return false;
}

TEST_F(MainDialog, HelpWhileTheHelpWindowIsOpenBringsItForward) {
    TitledWindow help(L"Korvane Panomira Help");
    HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                   nullptr, nullptr);
    ::SetForegroundWindow(other);
    ASSERT_EQ(::GetForegroundWindow(), other);
    ::SendMessageW(hwnd, WM_COMMAND, ID_TRAY_HELP, 0);
    EXPECT_TRUE(WaitUntil(2000, [&] { return ::GetForegroundWindow() == help.hwnd(); }));

    HELPINFO info{};
    info.cbSize = sizeof(info);
    ::SetForegroundWindow(other);
    ASSERT_TRUE(WaitUntil(2000, [&] { return ::GetForegroundWindow() == other; }));
    ::SendMessageW(hwnd, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));  // F1
    EXPECT_TRUE(WaitUntil(2000, [&] { return ::GetForegroundWindow() == help.hwnd(); }));
    PumpFor(300);
    EXPECT_FALSE(ProcessRuns(L"hh.exe"));  // no second viewer
    ::DestroyWindow(other);
}

TEST_F(MainDialog, ExitAsksToCloseTheHelpWindow) {
    TitledWindow help(L"Korvane Panomira Help");
    {
        MessageBoxCatcher catcher(IDNO);
        ::SendMessageW(hwnd, WM_COMMAND, ID_TRAY_EXIT, 0);
        auto box = catcher.Result();
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->text, L"Close the help file?");
        EXPECT_TRUE(box->HasButton(IDYES));
        EXPECT_TRUE(box->HasButton(IDNO));
    }
    EXPECT_FALSE(help.CloseReceived());
    EXPECT_TRUE(help.Exists());
    {
        MessageBoxCatcher catcher(IDYES);
        ::SendMessageW(hwnd, WM_COMMAND, ID_TRAY_EXIT, 0);
        ASSERT_TRUE(catcher.Result().has_value());
    }
    EXPECT_TRUE(help.CloseReceived());
    EXPECT_TRUE(WaitUntil(2000, [&] { return !help.Exists(); }));
}

TEST_F(MainDialog, CancelAndTheCloseBoxDropAHotkeyChangedButNotApplied) {
    auto& page = *static_cast<CHotkeyDialog*>(dialog->Page(2));
    HWND pageHwnd = page.GetSafeHwnd();
    HWND list = ::GetDlgItem(pageHwnd, CHotkeyDialog::kListId);
    const auto changeEntry1 = [&] {
        LVFINDINFOW find{};
        find.flags = LVFI_PARAM;
        find.lParam = 1;
        const int row = static_cast<int>(::SendMessageW(list, LVM_FINDITEMW, static_cast<WPARAM>(-1),
                                                        reinterpret_cast<LPARAM>(&find)));
        ASSERT_GE(row, 0);
        LVITEMW state{};
        state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
        ::SendDlgItemMessageW(pageHwnd, CHotkeyDialog::kHotkeyControlId, HKM_SETHOTKEY,
                              MAKEWORD(VK_F5, HOTKEYF_CONTROL), 0);
        ::SendMessageW(pageHwnd, WM_COMMAND, MAKEWPARAM(CHotkeyDialog::kChangeButtonId, BN_CLICKED), 0);
        ASSERT_EQ(page.Hotkeys()[1].key, VK_F5);
    };
    Open();
    changeEntry1();
    ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(page.Hotkeys()[1].key, VK_LEFT);
    Open();
    changeEntry1();
    ::SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(page.Hotkeys()[1].key, VK_LEFT);
    // A later Apply keeps the applied key.
    ::SendMessageW(hwnd, WM_COMMAND, IDC_APPLY, 0);
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, ProfileSection(L"HotkeyEntry"), L"WIN_BEFORE_KEY"), DWORD(VK_LEFT));
}

TEST_F(MainDialog, ExitIsNotHeldUpByAHungHelpViewer) {
    // A viewer that takes no messages for a minute.
    ChildProcess viewer = ChildProcess::Start(L"hung_window.exe", L"\"Korvane Panomira Help\" 60");
    ASSERT_TRUE(viewer.Started());
    ASSERT_NE(WaitForWindow(nullptr, L"Korvane Panomira Help", 20000, viewer.Id()), nullptr);
    const DWORD start = ::GetTickCount();
    {
        MessageBoxCatcher catcher(IDYES);
        ::SendMessageW(hwnd, WM_COMMAND, ID_TRAY_EXIT, 0);
        EXPECT_TRUE(catcher.Result().has_value());
    }
    // A plain send would wait as long as the viewer does.
    EXPECT_LT(::GetTickCount() - start, 30000u);
    viewer.Terminate();
    EXPECT_TRUE(viewer.Wait(20000));
}

TEST_F(MainDialog, ActiveDesktopNeedsCom) {
    int withoutCom = -1;
    std::thread([&] { withoutCom = dialog->EnableActiveDesktop(); }).join();
    EXPECT_EQ(withoutCom, 0);
    int withCom = -1;
    std::thread([&] {
        ::CoInitialize(nullptr);
        withCom = dialog->EnableActiveDesktop();
        ::CoUninitialize();
    }).join();
    EXPECT_EQ(withCom, 1);
}

}  // namespace

namespace {

// While the shell is not ready, start-up waits for the tray icon's retries
// on a timer: the window answers meanwhile, and the remaining steps run, in
// order, once the shell took the icon (also when a re-add took the place of
// the call start-up waited for). Closing meanwhile leaves nothing.
TEST_F(MainDialog, StartUpGoesOnWhenTheShellTakesTheTrayIcon) {
    dialog.reset();
    Platform().Shell_NotifyIconW = ShellNotReady::NotifyIcon;
    enum Case { CloseMeanwhile, RetriedAdd, ReAddDuringModify };
    for (Case which : {CloseMeanwhile, RetriedAdd, ReAddDuringModify}) {
        SCOPED_TRACE(which);
        // Not ready for the add, or for the modify of step 17.
        ShellNotReady::Arm(which == ReAddDuringModify ? 1 : 0, 2);
        dialog = std::make_unique<CVELKMIRADlg>();
        ASSERT_TRUE(dialog->Create(nullptr));
        hwnd = dialog->GetSafeHwnd();
        EXPECT_TRUE(dialog->IsStartUpPending());
        EXPECT_FALSE(dialog->IsInitialised());
        EXPECT_EQ(::GetPropW(hwnd, kInstanceProperty), nullptr);
        DWORD_PTR answer = 0;
        EXPECT_TRUE(::SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &answer));
        if (which == CloseMeanwhile) {
            EXPECT_EQ(dialog->HookLibrary(), nullptr) << "a step after the tray icon ran before it";
            dialog.reset();
            EXPECT_FALSE(::IsWindow(hwnd));
            continue;
        }
        ::SendMessageW(hwnd, WM_TIMER, CVELKMIRADlg::TIMER_TRAY_RETRY, 0);
        EXPECT_TRUE(dialog->IsStartUpPending());
        if (which == RetriedAdd) ::SendMessageW(hwnd, WM_TIMER, CVELKMIRADlg::TIMER_TRAY_RETRY, 0);  // the shell takes it
        else ::SendMessageW(hwnd, UM_TRAYNOTIFY, 256, 0);  // a re-add, which the shell takes
        EXPECT_FALSE(dialog->IsStartUpPending());
        EXPECT_TRUE(dialog->IsInitialised());
        EXPECT_NE(dialog->HookLibrary(), nullptr);
        EXPECT_NE(dialog->Page(4)->GetSafeHwnd(), nullptr);
        EXPECT_NE(::GetPropW(hwnd, kInstanceProperty), nullptr);
        EXPECT_STREQ(dialog->TrayIcon().szTip, L"Korvane Panomira");
        EXPECT_FALSE(::KillTimer(hwnd, CVELKMIRADlg::TIMER_TRAY_RETRY));
        dialog.reset();
    }
}

}  // namespace
