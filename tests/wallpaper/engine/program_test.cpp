// The real program with the per-display wallpaper switched on: the composite
// becomes the desktop wallpaper, as another process reads it; switched off,
// the user's wallpaper comes back.
#include "app/velkmira_app.h"
#include "resources/resource.h"
#include "testing/harness.h"
#include "testing/support/tray_fixture.h"
#include "tests/wallpaper/engine/wallpaper_test_support.h"
#include "wallpaper/wallpaper_settings.h"
#include <gtest/gtest.h>
#include <algorithm>
#include "wallpaper/gdiplus_headers.h"

namespace velk::test {
namespace {

constexpr DWORD kWaitMs = 30000;
constexpr wchar_t kProbeKey[] = L"Software\\VelkTest\\WallpaperProbe";

// The wallpaper as a fresh process reads it.
std::wstring ProbeWallpaper() {
    DeleteTree(HKEY_CURRENT_USER, kProbeKey);
    ChildProcess probe = ChildProcess::Start(L"wallpaper_probe.exe");
    EXPECT_TRUE(probe.Wait(kWaitMs));
    EXPECT_EQ(probe.ExitCode(), 0u);
    return GetString(HKEY_CURRENT_USER, kProbeKey, L"Wallpaper").value_or(L"?");
}

BOOL CALLBACK FindUseWallpaperBox(HWND child, LPARAM found) {
    if (HWND box = ::GetDlgItem(child, IDC_WP_USE_WALLPAPER)) {
        *reinterpret_cast<HWND*>(found) = box;
        return FALSE;
    }
    return TRUE;
}

TEST(WallpaperProgram, SwitchedOnTheCompositeIsTheDesktopWallpaperAndOffTheUsersComesBack) {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
    {
        ResetProfile();
        FakeTray tray;
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        const std::wstring user = std::wstring(temp) + L"Velk User Wallpaper.png";
        ASSERT_TRUE(WriteSolidPicture(user, 1024, 768, kTopLeft, false));
        ASSERT_TRUE(SetSystemWallpaper(user));
        const std::wstring composite = RenderingFolderPath() + kCompositeFileName;
        ::DeleteFileW(composite.c_str());

        ChildProcess program = ChildProcess::Start(L"Velkmira.exe");
        ASSERT_TRUE(program.Started());
        HWND main = WaitForWindow(kMainWindowClass, nullptr, kWaitMs, program.Id());
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(WaitUntil(kWaitMs, [&] { return ::GetPropW(main, kInstanceProperty) != nullptr; }));
        // Off until the user switches it on: the captured wallpaper is put back as stored.
        EXPECT_EQ(ProbeWallpaper(), LowerAscii(user));
        HWND box = nullptr;
        ::EnumChildWindows(main, FindUseWallpaperBox, reinterpret_cast<LPARAM>(&box));
        ASSERT_NE(box, nullptr);

        SendWithin(box, BM_SETCHECK, BST_CHECKED, 0);
        ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_APPLY, BN_CLICKED), 0);
        EXPECT_TRUE(WaitUntil(kWaitMs, [&] { return ProbeWallpaper() == composite; })) << ToUtf8(ProbeWallpaper());
        {
            // Every display shows the captured wallpaper: here the one display, all red.
            DecodedPicture written(composite);
            EXPECT_EQ(written.Width(), 1024);
            EXPECT_EQ(written.Height(), 768);
            EXPECT_TRUE(written.Near(512, 384, kTopLeft));
        }
        EXPECT_EQ(GetString(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"TileWallpaper"), L"1");

        SendWithin(box, BM_SETCHECK, BST_UNCHECKED, 0);
        ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_APPLY, BN_CLICKED), 0);
        EXPECT_TRUE(WaitUntil(kWaitMs, [&] { return ProbeWallpaper() == LowerAscii(user); }))
            << ToUtf8(ProbeWallpaper());

        ::PostMessageW(main, WM_COMMAND, ID_TRAY_EXIT, 0);
        ASSERT_TRUE(program.Wait(kWaitMs));
        EXPECT_EQ(program.ExitCode(), 0u);
        ::DeleteFileW(user.c_str());
        ResetDesktopValues();
        ResetProfile();
    }
    Gdiplus::GdiplusShutdown(token);
}

}  // namespace
}  // namespace velk::test
