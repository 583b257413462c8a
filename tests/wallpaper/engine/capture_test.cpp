// Capture and restore of the Windows wallpaper: through the fake Active
// Desktop object (recording its calls), through the system parameter where
// Wine's own object answers E_NOTIMPL, and the registry branch of Windows 5.1.
#include "tests/wallpaper/engine/wallpaper_test_support.h"
#include "testing/fakedesktop/fake_active_desktop_control.h"
#include "wallpaper/os_wallpaper.h"

namespace velk::test {
namespace {

constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";

struct CaptureTest : WallpaperTest {
    std::optional<std::wstring> Stored() const { return GetString(HKEY_CURRENT_USER, ProfileSection(L"Wallpaper"), L"OSWallpaper"); }
    std::optional<DWORD> StoredStyle() const { return GetDword(HKEY_CURRENT_USER, ProfileSection(L"Wallpaper"), L"OSWallpaperStyle"); }
    std::optional<DWORD> StoredColor() const { return GetDword(HKEY_CURRENT_USER, ProfileSection(L"Wallpaper"), L"OSBackColor"); }
    void Store(const std::wstring& path, DWORD style) {
        app->WriteProfileString(L"Wallpaper", L"OSWallpaper", path.c_str());
        app->WriteProfileInt(L"Wallpaper", L"OSWallpaperStyle", static_cast<int>(style));
    }
};

TEST_F(CaptureTest, ShellObjectIsReadAndOurOwnFilesAreNeverTaken) {
    FakeActiveDesktopRegistration fake;
    fake.SetWallpaper(L"C:\\Pictures\\Sea.JPG", 2);
    SetString(HKEY_CURRENT_USER, L"Control Panel\\Colors", L"Background", L"0 128 128");
    EXPECT_EQ(page->CaptureOsWallpaper(), 0);
    EXPECT_EQ(fake.Log(), L"GetWallpaper(260,0)\nGetWallpaperOptions(8,0)\n");
    EXPECT_EQ(Stored(), L"c:\\pictures\\sea.jpg");
    EXPECT_EQ(StoredStyle(), 2u);
    EXPECT_EQ(StoredColor(), 0x808000u);

    // The composite in any case, and a display's own rendering, leave the stored wallpaper alone.
    for (auto [path, answer] : {std::pair{Folder() + L"VELKDORVIX.jpg", 1}, {L"D:\\x\\velkdorvix.JPG", 1},
                                {RenderedFile(1), 0}}) {
        fake.SetWallpaper(path, 1);
        EXPECT_EQ(page->CaptureOsWallpaper(), answer) << ToUtf8(path);
        EXPECT_EQ(Stored(), L"c:\\pictures\\sea.jpg");
        EXPECT_EQ(StoredStyle(), 2u);
    }
    wchar_t path[MAX_PATH];
    int32_t style = 0;
    EXPECT_EQ(page->GetActiveDesktopWallpaper(nullptr, &style), -100);
    EXPECT_EQ(page->GetActiveDesktopWallpaper(path, nullptr), -100);
}

TEST_F(CaptureTest, RestoreGoesThroughTheShellObjectOnlyWhileUseWallpaperIsOff) {
    FakeActiveDesktopRegistration fake;
    SetSystemWallpaper(L"");
    Store(L"c:\\pictures\\sea.jpg", 3);
    CheckUseWallpaper(true);
    EXPECT_FALSE(page->RestoreOsWallpaper());
    EXPECT_EQ(fake.Log(), L"");
    CheckUseWallpaper(false);
    EXPECT_TRUE(page->RestoreOsWallpaper());
    EXPECT_EQ(fake.Log(), L"SetWallpaper(c:\\pictures\\sea.jpg,0)\nSetWallpaperOptions(8,3,0)\nApplyChanges(15)\n");
    EXPECT_EQ(fake.Wallpaper(), L"c:\\pictures\\sea.jpg");
    EXPECT_EQ(SystemWallpaper(), L"");
    // A shell object that refuses: the system parameter takes the wallpaper.
    SetDword(HKEY_CURRENT_USER, kFakeActiveDesktopKey, L"FailSet", 1);
    EXPECT_EQ(page->RestoreOsWallpaperOutcome(), CWallpaperProp::RestoreOutcome::Restored);
    EXPECT_EQ(SystemWallpaper(), L"c:\\pictures\\sea.jpg");
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, kDesktopKey, L"WallpaperStyle"), L"6");
}

TEST_F(CaptureTest, WinesShellObjectFallsBackToTheSystemParameter) {
    std::wstring picture = scratch + L"Lake.PNG";
    ASSERT_TRUE(WriteSolidPicture(picture, 8, 8, kTopLeft, false));
    SetString(HKEY_CURRENT_USER, kDesktopKey, L"TileWallpaper", L"0");
    SetString(HKEY_CURRENT_USER, kDesktopKey, L"WallpaperStyle", L"2");
    ASSERT_TRUE(SetSystemWallpaper(picture));
    EXPECT_EQ(page->CaptureOsWallpaper(), 0);
    EXPECT_EQ(Stored(), LowerAscii(picture));
    EXPECT_EQ(StoredStyle(), 2u);

    // After the composite went on through the system parameter, it is no capture.
    ASSERT_TRUE(SetSystemWallpaper(Folder() + kCompositeFileName));
    EXPECT_EQ(page->CaptureOsWallpaper(), 1);
    EXPECT_EQ(Stored(), LowerAscii(picture));

    Store(LowerAscii(picture), WPSTYLE_TILE);
    CheckUseWallpaper(false);
    EXPECT_EQ(page->RestoreOsWallpaperOutcome(), CWallpaperProp::RestoreOutcome::Restored);
    EXPECT_EQ(SystemWallpaper(), LowerAscii(picture));
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, kDesktopKey, L"TileWallpaper"), L"1");
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, kDesktopKey, L"WallpaperStyle"), L"0");
}

TEST_F(CaptureTest, RegistryBranchOfWindows51) {
    FakeWindowsVersion(5, 1);
    FakeActiveDesktopRegistration fake;  // not asked on this version
    fake.SetWallpaper(L"C:\\from\\shell.jpg", 0);
    const std::wstring converted = L"C:\\Documents and Settings\\u\\Application Data\\Microsoft\\Wallpaper1.bmp";
    struct Case {
        const wchar_t *wallpaper, *convertedValue, *original, *tile, *style;
        int answer;
        const wchar_t* stored;  // null: nothing stored
        DWORD storedStyle;
    } cases[] = {
        {L"", L"", L"", L"", L"", 0, nullptr, 0},
        {L"C:\\Pics\\A.bmp", L"", L"", L"0", L"2", 0, nullptr, 0},
        {converted.c_str(), L"C:\\t\\VELKDORVIX_TEMP\\VelkDorvix.jpg", converted.c_str(), L"1", L"0", 1, nullptr, 0},
        {converted.c_str(), L"C:\\Pics\\Sea.JPG", L"C:\\Pics\\Sea.JPG", L"1", L"2", 0, L"c:\\pics\\sea.jpg", 1},
        {L"C:\\Pics\\Lake.BMP", L"", L"C:\\Pics\\Lake.BMP", L"0", L" 2", 0, L"c:\\pics\\lake.bmp", 2},
        {L"C:\\t\\VELKDORVIX_TEMP\\VelkDorvix.jpg", L"", L"", L"1", L"0", 1, nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.wallpaper) + " / " + ToUtf8(c.convertedValue));
        ResetProfile();
        SetString(HKEY_CURRENT_USER, kDesktopKey, L"Wallpaper", c.wallpaper);
        SetString(HKEY_CURRENT_USER, kDesktopKey, L"ConvertedWallpaper", c.convertedValue);
        SetString(HKEY_CURRENT_USER, kDesktopKey, L"OriginalWallpaper", c.original);
        SetString(HKEY_CURRENT_USER, kDesktopKey, L"TileWallpaper", c.tile);
        SetString(HKEY_CURRENT_USER, kDesktopKey, L"WallpaperStyle", c.style);
        EXPECT_EQ(page->CaptureOsWallpaper(), c.answer);
        EXPECT_EQ(Stored(), c.stored ? std::optional<std::wstring>(c.stored) : std::nullopt);
        if (c.stored) {
            EXPECT_EQ(StoredStyle(), c.storedStyle);
        }
    }
    EXPECT_EQ(fake.Log(), L"");
}

TEST(BackgroundColour, ParsesRedGreenBlueSeparatedBySingleSpaces) {
    const std::pair<const wchar_t*, COLORREF> cases[] = {
        {L"0 128 128", 0x808000}, {L"300 0 0", 0x00002C}, {L"", 0},           {L"255 255 255", 0xFFFFFF},
        {L"1 2", 0},              {L"12", 0},             {L"7x 8 9z", 0x090807}, {L"12  34 56", 0x22000C},
    };
    for (auto [text, color] : cases) EXPECT_EQ(ParseBackgroundColor(text), color) << ToUtf8(text);
}

}  // namespace
}  // namespace velk::test
