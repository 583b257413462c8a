// The wallpaper settings in the profile, and the test whether the desktop
// must be composed again.
#include "tests/wallpaper/engine/wallpaper_test_support.h"

namespace velk::test {
namespace {

using SettingsTest = WallpaperTest;

TEST_F(SettingsTest, LoadGivesDefaultsAndKeepsStoredValuesInBounds) {
    // -1 until the first load, which the page's window makes when it is created.
    EXPECT_EQ(std::make_unique<CWallpaperProp>()->WallpaperRecords[5].CurrentNumber, -1);
    app->WriteProfileInt(L"Monitor1", L"MiniWallpaperStyle", 7);
    app->WriteProfileInt(L"Monitor2", L"MiniWallpaperStyle", -1);
    app->WriteProfileInt(L"Monitor3", L"MiniWallpaperStyle", 3);
    app->WriteProfileString(L"Monitor3", L"MiniWallpaper", (L"C:\\" + std::wstring(300, L'p')).c_str());
    app->WriteProfileString(L"Monitor4", L"MiniWallpaper", L"C:\\Pics\\Sea.jpg");
    app->WriteProfileInt(L"Monitor4", L"AutoChangeEnable", 5);
    app->WriteProfileInt(L"Monitor4", L"Interval", 77);
    EXPECT_EQ(page->LoadWallpaperSettings(), 1);
    for (int i = 0; i < kDisplaySlots; ++i) {
        SCOPED_TRACE(i);
        const WallpaperRecord& r = page->WallpaperRecords[i];
        EXPECT_EQ(r.Style, i == 3 ? 3 : 0);
        EXPECT_EQ(r.BackColor, kDefaultWallpaperBackColor);
        EXPECT_EQ(std::wstring(r.PicturePath), i == 4 ? L"C:\\Pics\\Sea.jpg" : L"");  // too long: dropped, not cut
        EXPECT_EQ(r.AutoChange, i == 4 ? 1 : 0);
        EXPECT_EQ(r.SortStyle, 0);
        EXPECT_EQ(r.IntervalIndex, i == 4 ? 77 : 4);
        EXPECT_EQ(r.CurrentNumber, 0);
    }
    // Auto change counts only for a present display.
    EXPECT_FALSE(page->IsAnyAutoChangeOn());
    SetDisplay(4, 2, {0, 0, 800, 600});
    EXPECT_TRUE(page->IsAnyAutoChangeOn());
}

TEST_F(SettingsTest, SaveWritesAllTenSectionsAndTheCurrentWallpaper) {
    std::wstring picture = scratch + L"Shown.png";
    ASSERT_TRUE(WriteSolidPicture(picture, 8, 8, kTopLeft, false));
    ASSERT_TRUE(SetSystemWallpaper(picture));
    page->LoadWallpaperSettings();
    WallpaperRecord& r = page->WallpaperRecords[9];
    ::wcscpy(r.PicturePath, L"D:\\Pics\\Sea.jpg");
    r.Style = 2;
    r.BackColor = 0x123456;
    r.AutoChange = 1;
    r.SortStyle = 2;
    r.IntervalIndex = 6;
    r.CurrentNumber = 11;
    ::SendDlgItemMessageW(page->GetSafeHwnd(), 1011, BM_SETCHECK, BST_CHECKED, 0);
    ASSERT_TRUE(page->SaveWallpaperSettings());
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, ProfileSection(L"Monitor9"), L"MiniWallpaper"), L"") << "not applied";
    page->CommitWallpaperEdits();
    ASSERT_TRUE(page->SaveWallpaperSettings());
    auto s9 = ProfileSection(L"Monitor9"), s0 = ProfileSection(L"Monitor0");
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, s9, L"MiniWallpaper"), L"D:\\Pics\\Sea.jpg");
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, s9, L"WallpaperPath"), L"D:\\Pics\\");
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, s0, L"WallpaperPath"), L"");
    const std::pair<const wchar_t*, DWORD> values[] = {{L"MiniWallpaperStyle", 2}, {L"MiniWallpaperBackColor", 0x123456},
                                                       {L"AutoChangeEnable", 1},   {L"SortStyle", 2},
                                                       {L"Interval", 6},           {L"CurrentWallpaperNumber", 11}};
    for (auto [name, value] : values) EXPECT_EQ(GetDword(HKEY_CURRENT_USER, s9, name), value) << ToUtf8(name);
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, s0, L"MiniWallpaperBackColor"), kDefaultWallpaperBackColor);
    // Wine's shell object answers nothing: the system parameter tells the wallpaper.
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, ProfileSection(L"Wallpaper"), L"CurrentWallpaper"), picture);

    ::SendDlgItemMessageW(page->GetSafeHwnd(), 1011, BM_SETCHECK, BST_UNCHECKED, 0);
    page->CommitWallpaperEdits();
    ASSERT_TRUE(page->SaveWallpaperSettings());
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, s9, L"MiniWallpaper"), L"");
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, s9, L"WallpaperPath"), L"D:\\Pics\\");
}

TEST_F(SettingsTest, RecomposeIsNeededExactlyWhenSomethingChanged) {
    SetDisplay(0, 1, {0, 0, 1024, 768});
    page->LoadWallpaperSettings();
    // The composite is the wallpaper; the icons as Wine shows them (none).
    ASSERT_TRUE(SetSystemWallpaper(Folder() + kCompositeFileName));
    app->WriteProfileInt(L"Wallpaper", L"IconShow", 0);
    CheckUseWallpaper(true);
    EXPECT_EQ(page->IsWallpaperRecomposeNeeded(), 1);  // nothing saved yet
    page->SaveWallpaperSettings();
    SaveDisplaySnapshot();
    EXPECT_EQ(page->IsWallpaperRecomposeNeeded(), 0);

    struct Change {
        const char* name;
        std::function<void()> make, undo;
    } changes[] = {
        {"colour", [&] { page->AppliedRecords[7].BackColor = 1; }, [&] { page->AppliedRecords[7].BackColor = kDefaultWallpaperBackColor; }},
        {"picture", [&] { ::wcscpy(page->AppliedRecords[9].PicturePath, L"x.jpg"); }, [&] { page->AppliedRecords[9].PicturePath[0] = 0; }},
        {"composite not yet applied", [&] { app->WriteProfileInt(L"Wallpaper", L"RecomposePending", 1); },
         [&] { app->WriteProfileInt(L"Wallpaper", L"RecomposePending", 0); }},
        {"geometry", [&] { list.Records[0].right = 1025; }, [&] { list.Records[0].right = 1024; }},
        {"display in slot 9", [&] { SetDisplay(9, 2, {1024, 0, 2048, 768}); }, [&] { list.Records[9] = {}; }},
        {"icons", [&] { app->WriteProfileInt(L"Wallpaper", L"IconShow", 1); }, [] {}},
        {"wallpaper", [&] { SetSystemWallpaper(L""); }, [&] { SetSystemWallpaper(Folder() + kCompositeFileName); }},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.name);
        c.make();
        EXPECT_EQ(page->IsWallpaperRecomposeNeeded(), 1);
        c.undo();
        EXPECT_EQ(page->IsWallpaperRecomposeNeeded(), 0);
    }
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, ProfileSection(L"Wallpaper"), L"IconShow"), 0u);
    // An edit not applied is no reason, nor is the box shown off.
    ::wcscpy(page->WallpaperRecords[9].PicturePath, L"x.jpg");
    page->WallpaperRecords[7].BackColor = 1;
    ::SendDlgItemMessageW(page->GetSafeHwnd(), 1011, BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_EQ(page->IsWallpaperRecomposeNeeded(), 0);

    // "Use Wallpaper" off: only a captured Windows wallpaper or our composite on the desktop need it.
    CheckUseWallpaper(false);
    EXPECT_EQ(page->IsWallpaperRecomposeNeeded(), 1);
    SetSystemWallpaper(L"");
    EXPECT_EQ(page->IsWallpaperRecomposeNeeded(), 0);
    std::wstring picture = scratch + L"user.png";
    ASSERT_TRUE(WriteSolidPicture(picture, 8, 8, kTopLeft, false));
    SetSystemWallpaper(picture);
    EXPECT_EQ(page->IsWallpaperRecomposeNeeded(), 1);
}

}  // namespace
}  // namespace velk::test
