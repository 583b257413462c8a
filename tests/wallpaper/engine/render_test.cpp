// Each display's picture rendered in its style over its back colour, read
// back from the written JPEG; broken pictures give the back colour alone.
#include "tests/wallpaper/engine/wallpaper_test_support.h"
#include "wallpaper/preview_control.h"

namespace velk::test {
namespace {

using RenderTest = WallpaperTest;

struct PlacementCase {
    const char* name;
    int32_t style, W, H, w, h;
    PicturePlacement expected;  // where the first copy of the picture lands
};

// The quarter colours sit at the centres of the quarters of the placed
// picture; outside it the back colour shows.
void ExpectQuarters(const DecodedPicture& jpeg, const PicturePlacement& at, bool backAround = true) {
    const COLORREF colors[4] = {kTopLeft, kTopRight, kBottomLeft, kBottomRight};
    for (int q = 0; q < 4; ++q) {
        int x = at.x + at.width / 4 + (q % 2) * at.width / 2, y = at.y + at.height / 4 + (q / 2) * at.height / 2;
        if (x < 0 || y < 0 || x >= jpeg.Width() || y >= jpeg.Height()) continue;
        EXPECT_TRUE(jpeg.Near(x, y, colors[q])) << "quarter " << q << " at " << x << "," << y;
    }
    if (backAround && at.x > 0) {
        EXPECT_TRUE(jpeg.Near(at.x / 2, jpeg.Height() / 2, kBack));
    }
    if (backAround && at.y > 0) {
        EXPECT_TRUE(jpeg.Near(jpeg.Width() / 2, at.y / 2, kBack));
    }
}

TEST_F(RenderTest, PlacementsReadBackFromTheWrittenJpeg) {
    const PlacementCase cases[] = {
        {"keep aspect, wide display", 3, 1920, 1080, 800, 600, {240, 0, 1440, 1080}},
        {"keep aspect, tall display", 3, 1280, 1024, 1920, 1080, {0, 152, 1280, 720}},
        {"centre, larger picture", 0, 1920, 1080, 2000, 1200, {-40, -60, 2000, 1200}},
        {"centre, smaller picture", 0, 640, 480, 200, 100, {220, 190, 200, 100}},
        {"stretch", 2, 640, 480, 200, 100, {0, 0, 640, 480}},
        {"tile", 1, 640, 480, 200, 100, {0, 0, 200, 100}},
        {"shell style 5 tiles", 5, 640, 480, 200, 100, {0, 0, 200, 100}},
    };
    for (const PlacementCase& c : cases) {
        SCOPED_TRACE(c.name);
        PicturePlacement at = PlacePicture(c.style, c.W, c.H, c.w, c.h);
        EXPECT_EQ(at.x, c.expected.x);
        EXPECT_EQ(at.y, c.expected.y);
        EXPECT_EQ(at.width, c.expected.width);
        EXPECT_EQ(at.height, c.expected.height);
        std::wstring source = scratch + L"quarters.png";
        ASSERT_TRUE(WriteQuarterPicture(source, c.w, c.h));
        page->Preview.SetImageFile(source.c_str());
        ASSERT_TRUE(page->Preview.ComposeDisplayWallpaper(2, source.c_str(), c.style, kBack, Folder().c_str(), c.W, c.H));
        EXPECT_EQ(std::wstring(page->Preview.PicturePath()), RenderedFile(2));  // the control shows the result
        DecodedPicture jpeg(RenderedFile(2));
        ASSERT_EQ(jpeg.Width(), c.W);
        ASSERT_EQ(jpeg.Height(), c.H);
        bool tiled = c.style == 1 || c.style == 5;
        ExpectQuarters(jpeg, c.expected, !tiled);
        if (tiled) {  // the next copies to the right and below
            ExpectQuarters(jpeg, {c.w, 0, c.w, c.h}, false);
            ExpectQuarters(jpeg, {c.w * 2, c.h * 2, c.w, c.h}, false);
        }
    }
    // Odd negative room rounds toward zero; no area, no aspect.
    EXPECT_EQ(PlacePicture(0, 100, 50, 105, 20).x, -2);
    EXPECT_EQ(PlacePicture(3, 100, 50, 0, 20).width, 0);
    EXPECT_EQ(PlacePicture(3, 100, 50, 20, 0).height, 0);
}

TEST_F(RenderTest, BrokenOrMissingPicturesRenderTheBackColourOnly) {
    std::wstring text = scratch + L"text.jpg", empty = scratch + L"empty.jpg", truncated = scratch + L"cut.jpg";
    {
        HANDLE f = ::CreateFileW(text.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        ::WriteFile(f, "not a picture", 13, &written, nullptr);
        ::CloseHandle(f);
        ::CloseHandle(::CreateFileW(empty.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(WriteSolidPicture(scratch + L"whole.jpg", 400, 300, kTopLeft, true));
        ASSERT_TRUE(::CopyFileW((scratch + L"whole.jpg").c_str(), truncated.c_str(), FALSE));
        HANDLE cut = ::CreateFileW(truncated.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ::SetFilePointer(cut, 200, nullptr, FILE_BEGIN);
        ::SetEndOfFile(cut);
        ::CloseHandle(cut);
    }
    const std::wstring tooLong = L"C:\\" + std::wstring(300, L'a') + L".jpg";
    for (const std::wstring& source : {text, empty, truncated, scratch + L"missing.jpg", tooLong, std::wstring()}) {
        SCOPED_TRACE(ToUtf8(source.substr(0, 80)));
        for (int32_t style : {0, 1, 2, 3}) {
            ::DeleteFileW(RenderedFile(0).c_str());
            page->Preview.SetImageFile(source.c_str());
            ASSERT_TRUE(page->Preview.ComposeDisplayWallpaper(0, source.c_str(), style, kBack, Folder().c_str(), 64, 48));
            DecodedPicture jpeg(RenderedFile(0));
            ASSERT_TRUE(jpeg.Loaded());
            for (auto [x, y] : {std::pair{1, 1}, {32, 24}, {62, 46}}) EXPECT_TRUE(jpeg.Near(x, y, kBack));
        }
    }
    // No size, no canvas: nothing is written and the call says so.
    page->Preview.SetImageFile(L"");  // lets go of the file
    ::DeleteFileW(RenderedFile(0).c_str());
    EXPECT_FALSE(page->Preview.ComposeDisplayWallpaper(0, L"", 0, kBack, Folder().c_str(), 0, 48));
    EXPECT_FALSE(page->Preview.ComposeDisplayWallpaper(0, nullptr, 0, kBack, Folder().c_str(), 64, 48));
    EXPECT_EQ(::GetFileAttributesW(RenderedFile(0).c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace velk::test

namespace velk::test {
namespace {

TEST_F(RenderTest, PreviewShowsTheWholePictureOverTheControl) {
    HWND control = ::GetDlgItem(page->GetSafeHwnd(), 1015);
    ASSERT_EQ(page->Preview.GetSafeHwnd(), control) << "the page binds its preview when it is created";
    ::ShowWindow(parent, SW_SHOWNOACTIVATE);
    ::ShowWindow(page->GetSafeHwnd(), SW_SHOWNOACTIVATE);
    ASSERT_EQ(page->Preview.LoadPreviewImage(), 1);
    std::wstring source = scratch + L"quarters.png";
    ASSERT_TRUE(WriteQuarterPicture(source, 400, 100));  // another aspect than the control's
    page->Preview.SetImageFile(source.c_str());
    ::UpdateWindow(control);
    RECT client{};
    ::GetClientRect(control, &client);
    HDC dc = ::GetDC(control);
    const COLORREF colors[4] = {kTopLeft, kTopRight, kBottomLeft, kBottomRight};
    for (int q = 0; q < 4; ++q) {
        int x = client.right / 4 + (q % 2) * client.right / 2, y = client.bottom / 4 + (q / 2) * client.bottom / 2;
        EXPECT_EQ(::GetPixel(dc, x, y), colors[q]) << "quarter " << q;
    }
    ::ReleaseDC(control, dc);
}

}  // namespace
}  // namespace velk::test
