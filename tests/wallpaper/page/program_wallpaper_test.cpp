// End to end with the real program: a picture chosen for display 1 through
// the Wallpaper page's controls becomes, after Apply, part of the desktop
// composite that Windows shows.
#include "app/velkmira_app.h"
#include "display/program_messages.h"
#include "resources/resource.h"
#include "testing/harness.h"
#include "testing/support/tray_fixture.h"
#include "tests/wallpaper/engine/wallpaper_test_support.h"
#include "tests/wallpaper/page/page_test_support.h"
#include <gdiplus.h>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace velk;
using namespace velk::test;

namespace {

constexpr DWORD kWaitMs = 30000;

// The page of the settings window that holds a control with this id.
HWND PageWithControl(HWND main, int id) {
    struct Search {
        int id;
        HWND page;
    } search{id, nullptr};
    ::EnumChildWindows(
        main,
        [](HWND child, LPARAM p) WINAPI -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            if (::GetDlgCtrlID(child) == s->id) {
                s->page = ::GetParent(child);
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.page;
}

TEST(WallpaperPageProgram, PictureChosenOnThePageIsInTheAppliedComposite) {
    ResetProfile();
    // A fresh prefix's desktop before and after: a composite left on it would
    // switch "Use Wallpaper" on in every later test's page.
    struct DesktopReset {
        DesktopReset() { ResetDesktopValues(); }
        ~DesktopReset() { ResetDesktopValues(); }
    } desktopReset;
    FakeTray tray;
    const std::wstring composite = RenderingFolderPath() + kCompositeFileName;
    const ScratchFolder folder;
    ::DeleteFileW(composite.c_str());
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
    const std::wstring picture = folder.Path() + L"red.jpg";
    ASSERT_TRUE(WriteSolidPicture(picture, 200, 100, RGB(255, 0, 0), true));

    ChildProcess process = ChildProcess::Start(L"Velkmira.exe");
    ASSERT_TRUE(process.Started());
    HWND main = WaitForWindow(kMainWindowClass, nullptr, kWaitMs, process.Id());
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil(kWaitMs, [&] { return ::GetPropW(main, kInstanceProperty) != nullptr; }));
    ::PostMessageW(main, UM_TRAYNOTIFY, 128, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(WaitUntil(kWaitMs, [&] { return ::IsWindowVisible(main) != FALSE; }));
    HWND page = PageWithControl(main, IDC_WP_USE_WALLPAPER);
    ASSERT_NE(page, nullptr);

    // "Use Wallpaper" on, display 1 chosen, then "..." and the file dialog.
    HWND use = ::GetDlgItem(page, IDC_WP_USE_WALLPAPER);
    if (SendWithin(use, BM_GETCHECK, 0, 0) != BST_CHECKED) SendWithin(use, BM_CLICK, 0, 0);
    ASSERT_EQ(SendWithin(use, BM_GETCHECK, 0, 0), BST_CHECKED);
    ASSERT_EQ(::GetFileAttributesW(composite.c_str()), INVALID_FILE_ATTRIBUTES) << "nothing composed before Apply";
    HWND display = ::GetDlgItem(page, IDC_WP_DISPLAY);
    ASSERT_GE(SendWithin(display, CB_GETCOUNT, 0, 0), 1);
    SendWithin(display, CB_SETCURSEL, 0, 0);
    SendWithin(page, WM_COMMAND, MAKEWPARAM(IDC_WP_DISPLAY, CBN_SELCHANGE), reinterpret_cast<LPARAM>(display));
    ::PostMessageW(::GetDlgItem(page, IDC_WP_BROWSE), BM_CLICK, 0, 0);
    auto dialog = WaitForDialog(process.Id(), kWaitMs);
    ASSERT_TRUE(dialog.has_value()) << "no file dialog";
    HWND name = nullptr;
    ASSERT_TRUE(WaitUntil(kWaitMs, [&] { return (name = FileNameEdit(dialog->hwnd)) != nullptr; }));
    SendWithin(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(picture.c_str()));
    PressDialogButton(dialog->hwnd, IDOK);
    ASSERT_TRUE(WaitUntil(kWaitMs, [&] {
        wchar_t shown[MAX_PATH] = {};
        ::GetDlgItemTextW(page, IDC_WP_PATH, shown, MAX_PATH);
        return _wcsicmp(shown, picture.c_str()) == 0;
    })) << "the chosen file is not shown";
    ASSERT_TRUE(::IsWindowEnabled(::GetDlgItem(main, IDC_APPLY))) << "the choice enables Apply";

    ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_APPLY, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(main, IDC_APPLY)));
    ASSERT_TRUE(WaitUntil(kWaitMs, [&] {
        auto wallpaper = GetString(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"Wallpaper");
        return wallpaper && _wcsicmp(wallpaper->c_str(), composite.c_str()) == 0 &&
               GetString(HKEY_CURRENT_USER, ProfileSection(L"Monitor0"), L"MiniWallpaper") == picture &&
               ::GetFileAttributesW(composite.c_str()) != INVALID_FILE_ATTRIBUTES;
    })) << "the composite is not the desktop wallpaper";

    // Unticked and cancelled: reopened, the page shows what was applied, and
    // neither a tick of the automatic change nor a display change undoes it.
    HWND apply = ::GetDlgItem(main, IDC_APPLY);
    ASSERT_TRUE(WaitUntil(kWaitMs, [&] { return !::IsWindowEnabled(apply); }));
    SendWithin(use, BM_CLICK, 0, 0);
    ASSERT_EQ(SendWithin(use, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(WaitUntil(kWaitMs, [&] { return !::IsWindowVisible(main); }));
    ::PostMessageW(main, UM_TRAYNOTIFY, 128, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(WaitUntil(kWaitMs, [&] { return ::IsWindowVisible(main) != FALSE; }));
    EXPECT_EQ(SendWithin(use, BM_GETCHECK, 0, 0), BST_CHECKED) << "Cancel keeps the box as applied";
    EXPECT_EQ(_wcsicmp(TextOf(::GetDlgItem(page, IDC_WP_PATH)).c_str(), picture.c_str()), 0)
        << ToUtf8(TextOf(::GetDlgItem(page, IDC_WP_PATH)));
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(page, IDC_WP_BROWSE)));
    SendWithin(page, WM_TIMER, 1, 0);
    // The display change re-applies at once and once more a second later:
    // that delayed Apply saves the hotkeys again.
    DeleteTree(HKEY_CURRENT_USER, ProfileSection(L"HotkeyEntry"));
    ::PostMessageW(main, UM_DISPLAYCHANGED, 1, 0);
    ASSERT_TRUE(WaitUntil(kWaitMs, [] { return KeyExists(HKEY_CURRENT_USER, ProfileSection(L"HotkeyEntry")); }))
        << "the display change's delayed Apply did not run";
    SendWithin(main, WM_NULL);  // answered once that Apply has returned
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, ProfileSection(L"Monitor0"), L"MiniWallpaper"), picture);
    auto wallpaper = GetString(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"Wallpaper");
    EXPECT_TRUE(wallpaper && _wcsicmp(wallpaper->c_str(), composite.c_str()) == 0);

    // The picture is centred on display 1 (1024 x 768) over the default back colour.
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(process.Wait(kWaitMs));
    EXPECT_EQ(process.ExitCode(), 0u);
    {
        const DecodedPicture desktop(composite);
        ASSERT_TRUE(desktop.Loaded());
        EXPECT_EQ(desktop.Width(), 1024);
        EXPECT_EQ(desktop.Height(), 768);
        EXPECT_TRUE(desktop.Near(512, 384, RGB(255, 0, 0))) << std::hex << desktop.At(512, 384);
        EXPECT_TRUE(desktop.Near(10, 10, 0x806000)) << std::hex << desktop.At(10, 10);
    }
    Gdiplus::GdiplusShutdown(token);
    ResetProfile();
}

}  // namespace
