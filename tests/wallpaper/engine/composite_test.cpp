// The whole-desktop picture: its box, the wrap and offset layouts read back
// pixel by pixel, its application as the tiled wallpaper, and the refresh
// that renders every display.
#include "tests/wallpaper/engine/wallpaper_test_support.h"
#include "testing/fakedesktop/fake_active_desktop_control.h"
#include "wallpaper/desktop_composite.h"

namespace velk::test {
namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);

struct CompositeTest : WallpaperTest {
    void SetUp() override {
        WallpaperTest::SetUp();
        CheckUseWallpaper(true);
    }
    // The composite as written, after composing it on Windows major.minor.
    DecodedPicture Compose(DWORD major, DWORD minor) {
        FakeWindowsVersion(major, minor);
        EXPECT_TRUE(page->ComposeDesktopWallpaper());
        Settle();
        return DecodedPicture(Folder() + kCompositeFileName);
    }
    struct Probe {
        int x, y;
        COLORREF color;
    };
    static void ExpectAt(const DecodedPicture& picture, std::initializer_list<Probe> probes) {
        for (const Probe& p : probes) EXPECT_TRUE(picture.Near(p.x, p.y, p.color)) << p.x << "," << p.y;
    }
};

TEST_F(CompositeTest, DisplayLeftOfThePrimaryWrapsOrOffsets) {
    SetDisplay(0, 1, {0, 0, 1920, 1080});
    SetDisplay(1, 2, {-1280, 0, 0, 1024});
    ASSERT_TRUE(WriteSolidPicture(scratch + L"0.jpg", 1920, 1080, kTopLeft, true));
    ASSERT_TRUE(WriteSolidPicture(scratch + L"1.jpg", 1280, 1024, kBottomLeft, true));
    ApplyPicture(0, scratch + L"0.jpg");
    ApplyPicture(1, scratch + L"1.jpg");
    // 6.0 and 6.1 wrap whatever the desktop's state.
    for (DWORD minor : {0u, 1u}) {
        DecodedPicture wrap = Compose(6, minor);
        ASSERT_EQ(wrap.Width(), 3200);
        ASSERT_EQ(wrap.Height(), 1080);
        ExpectAt(wrap, {{10, 10, kTopLeft}, {1900, 1070, kTopLeft}, {1930, 10, kBottomLeft}, {3190, 1000, kBottomLeft},
                        {2500, 1060, kBlack}});
    }
    // 6.2 offsets; so does 5.1 while the desktop shows no icons (as under Wine).
    for (DWORD major : {6u, 5u}) {
        DecodedPicture offset = Compose(major, major == 6 ? 2 : 1);
        ExpectAt(offset, {{10, 10, kBottomLeft}, {1270, 1000, kBottomLeft}, {640, 1060, kBlack}, {1290, 10, kTopLeft},
                          {3190, 1070, kTopLeft}});
    }
}

TEST_F(CompositeTest, DisplayAboveTheBoxTopWrapsItsTopRowsToTheBottom) {
    SetDisplay(0, 1, {0, 0, 1920, 1080});
    SetDisplay(1, 2, {1920, -200, 3200, 824});
    ASSERT_TRUE(WriteSolidPicture(scratch + L"0.jpg", 1920, 1080, kBack, true));
    ASSERT_TRUE(WriteQuarterPicture(scratch + L"q.png", 1280, 1024));
    ApplyPicture(0, scratch + L"0.jpg");
    ApplyPicture(1, scratch + L"q.png");
    DecodedPicture wrap = Compose(6, 1);
    ASSERT_EQ(wrap.Width(), 3200);
    ASSERT_EQ(wrap.Height(), 1280);
    // Rows 200..1023 of the picture at the top, its rows 0..199 in the canvas's last 200 rows.
    ExpectAt(wrap, {{960, 540, kBack},           {960, 1180, kBlack},          {1920 + 320, 100, kTopLeft},
                    {1920 + 960, 250, kTopRight}, {1920 + 320, 700, kBottomLeft}, {1920 + 960, 800, kBottomRight},
                    {1920 + 320, 1180, kTopLeft}, {1920 + 960, 1180, kTopRight}});
    DecodedPicture offset = Compose(6, 2);
    ExpectAt(offset, {{960, 100, kBlack}, {960, 700, kBack}, {1920 + 320, 100, kTopLeft}, {1920 + 960, 900, kBottomRight},
                      {1920 + 320, 1100, kBlack}});
}

TEST_F(CompositeTest, BoxIsSeededBySlotZeroAndUnnamedSlotsAreNotDrawn) {
    SetDisplay(0, 1, {0, 0, 640, 480});
    SetDisplay(3, 2, {640, 0, 1280, 480});
    list.Records[3].Name[0] = 0;                       // sized but unnamed: in the box, not drawn
    list.Records[5] = list.Records[0];                  // no width: not in the box
    list.Records[5].Width = 0;
    list.Records[5].left = -5000;
    DesktopBox box = ComputeDesktopBox(list);
    EXPECT_EQ(box.Width(), 1280);
    EXPECT_EQ(box.Height(), 480);
    ASSERT_TRUE(WriteSolidPicture(scratch + L"0.jpg", 640, 480, kTopLeft, true));
    ASSERT_TRUE(WriteSolidPicture(scratch + L"3.jpg", 640, 480, kTopRight, true));
    ApplyPicture(0, scratch + L"0.jpg");
    ApplyPicture(3, scratch + L"3.jpg");
    ExpectAt(Compose(6, 1), {{320, 240, kTopLeft}, {960, 240, kBlack}});
}

TEST_F(CompositeTest, AppliedTiledThroughTheShellObjectOrTheSystemParameter) {
    SetDisplay(0, 1, {0, 0, 64, 48});
    const std::wstring composite = Folder() + kCompositeFileName;
    {
        FakeActiveDesktopRegistration fake;
        SetSystemWallpaper(L"");
        ASSERT_TRUE(page->ComposeDesktopWallpaper());
        Settle();
        EXPECT_EQ(fake.Log(), L"SetWallpaper(" + composite + L",0)\nSetWallpaperOptions(8,1,0)\nApplyChanges(15)\n");
        EXPECT_EQ(SystemWallpaper(), L"");
    }
    SetString(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"WallpaperStyle", L"2");
    ASSERT_TRUE(page->ComposeDesktopWallpaper());
    Settle();
    EXPECT_EQ(SystemWallpaper(), composite);
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"TileWallpaper"), L"1");
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"WallpaperStyle"), L"0");

    // "Use Wallpaper" off: the Windows wallpaper comes back and nothing is composed.
    ::DeleteFileW(composite.c_str());
    app->WriteProfileString(L"Wallpaper", L"OSWallpaper", L"");
    CheckUseWallpaper(false);
    ASSERT_TRUE(page->ComposeDesktopWallpaper());
    EXPECT_EQ(SystemWallpaper(), L"");
    EXPECT_EQ(::GetFileAttributesW(composite.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(CompositeTest, RefreshListsTheDisplaysAndRendersEachOne) {
    SetDisplay(0, 1, {0, 0, 320, 240});
    SetDisplay(2, 3, {320, 0, 960, 480});
    page->LoadWallpaperSettings();
    page->CurrentDisplayIndex = 1;  // an empty slot
    // Slot 2 has a picture of its own; slot 0 shows the (missing) Windows wallpaper.
    ASSERT_TRUE(WriteSolidPicture(scratch + L"green.png", 16, 16, kTopRight, false));
    ::wcscpy(page->WallpaperRecords[2].PicturePath, (scratch + L"green.png").c_str());
    page->WallpaperRecords[2].Style = 2;
    page->UseOsWallpaper = 0;
    EXPECT_FALSE(page->RefreshWallpaperPage(0));
    ASSERT_TRUE(page->RefreshWallpaperPage(3));
    Settle();
    EXPECT_EQ(page->CurrentDisplayIndex, 0);
    HWND combo = ::GetDlgItem(page->GetSafeHwnd(), 1001);
    ASSERT_EQ(::SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
    wchar_t text[64] = {};
    ::SendMessageW(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"3: Display3 (640x480)");
    EXPECT_EQ(::SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);
    DecodedPicture first(RenderedFile(0)), third(RenderedFile(2));
    EXPECT_EQ(first.Width(), 320);
    EXPECT_TRUE(first.Near(5, 5, kDefaultWallpaperBackColor));
    EXPECT_EQ(third.Height(), 480);
    EXPECT_TRUE(third.Near(5, 5, kTopRight));
    EXPECT_EQ(std::wstring(page->Preview.PicturePath()), RenderedFile(0));  // ends on the current display
}

}  // namespace
}  // namespace velk::test
