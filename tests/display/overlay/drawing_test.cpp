// The number's drawing, read back pixel by pixel from memory bitmaps.
#include "tests/display/overlay/overlay_test_support.h"

namespace velk::test {
namespace {

int Centre(const RECT& r) { return (r.left + r.right) / 2; }

TEST(OverlayDrawing, NumberIsCentredWithItsShadowBelowRightOnTheKeyColour) {
    MemoryCanvas canvas(400, 300, RGB(255, 255, 255));
    ASSERT_TRUE(RenderDisplayNumber(canvas.dc(), RECT{0, 0, 400, 300}, 7));
    const Pixels pixels = canvas.Read();

    // The key colour, the number, its shadow, and their blends at the glyphs' edges.
    int foreign = 0;
    for (int y = 0; y < pixels.Height(); ++y)
        for (int x = 0; x < pixels.Width(); ++x) {
            const COLORREF c = pixels.At(x, y);
            foreign += GetRValue(c) > 64 || GetGValue(c) > 64 || GetBValue(c) > 192;
        }
    EXPECT_EQ(foreign, 0);
    EXPECT_EQ(pixels.At(0, 0), kKey);
    EXPECT_EQ(pixels.At(399, 299), kKey);

    const RECT number = pixels.Box(kNumber);
    const RECT shadow = pixels.Box(kShadow);
    ASSERT_FALSE(::IsRectEmpty(&number));
    ASSERT_FALSE(::IsRectEmpty(&shadow));
    // The font is as tall as the area; a digit takes most of it.
    EXPECT_GT(number.bottom - number.top, 300 / 2);
    EXPECT_GE(number.top, 15);
    // Centred, less the 5 pixels the number stands left of its shadow.
    EXPECT_NEAR(Centre(number), 200 - 5, 15);
    // The shadow shows 5 pixels right of and below the number.
    EXPECT_EQ(shadow.right, number.right + 5);
    EXPECT_EQ(shadow.bottom, number.bottom + 5);
}

TEST(OverlayDrawing, TwoDigitNumbersStayCentred) {
    MemoryCanvas one(600, 300, RGB(0, 0, 0));
    MemoryCanvas ten(600, 300, RGB(0, 0, 0));
    ASSERT_TRUE(RenderDisplayNumber(one.dc(), RECT{0, 0, 600, 300}, 1));
    ASSERT_TRUE(RenderDisplayNumber(ten.dc(), RECT{0, 0, 600, 300}, 10));
    const RECT boxOne = one.Read().Box(kNumber);
    const RECT boxTen = ten.Read().Box(kNumber);
    EXPECT_GT(boxTen.right - boxTen.left, 2 * (boxOne.right - boxOne.left));
    EXPECT_NEAR(Centre(boxTen), 300 - 5, 20);
    EXPECT_LT(boxTen.left, boxOne.left);
}

TEST(OverlayDrawing, FontIsFreedWhetherOrNotItCouldBeSelected) {
    MemoryCanvas canvas(200, 100, RGB(0, 0, 0));
    HGDIOBJ fontBefore = ::GetCurrentObject(canvas.dc(), OBJ_FONT);
    RenderDisplayNumber(canvas.dc(), RECT{0, 0, 200, 100}, 3);  // first use
    const int slots = FreeGdiSlots();
    for (int i = 0; i < 50; ++i) ASSERT_TRUE(RenderDisplayNumber(canvas.dc(), RECT{0, 0, 200, 100}, i % 10 + 1));
    // No device context to select the font into: nothing drawn, and the font goes.
    for (int i = 0; i < 50; ++i) ASSERT_FALSE(RenderDisplayNumber(nullptr, RECT{0, 0, 200, 100}, 1));
    EXPECT_EQ(FreeGdiSlots(), slots);
    EXPECT_EQ(::GetCurrentObject(canvas.dc(), OBJ_FONT), fontBefore);
}

TEST(OverlayDrawing, ScreenDrawingPutsTheNumberLeftOfTheCentreOnTopOfTheScreen) {
    MemoryCanvas canvas(1024, 768, RGB(255, 255, 255));
    HGDIOBJ fontBefore = ::GetCurrentObject(canvas.dc(), OBJ_FONT);
    EXPECT_EQ(DrawDisplayNumber(canvas.dc(), 512, 0, 768, 4), 1);
    const Pixels pixels = canvas.Read();

    const RECT shadow = pixels.Box(kScreenShadow);
    const RECT number = pixels.Box(kNumber);
    ASSERT_FALSE(::IsRectEmpty(&shadow));
    ASSERT_FALSE(::IsRectEmpty(&number));
    EXPECT_EQ(pixels.At(0, 767), RGB(255, 255, 255));  // nothing but the text is drawn
    // The text starts a quarter of the height left of the centre.
    EXPECT_GE(shadow.left, 512 - 768 / 4);
    EXPECT_LT(shadow.left, 512);
    EXPECT_GE(shadow.top, 20);
    // The number: 5 pixels left and up, in the font 20 pixels smaller.
    EXPECT_LT(number.left, shadow.left);
    EXPECT_LT(number.top, shadow.top);
    EXPECT_LT(number.bottom - number.top, shadow.bottom - shadow.top);
    EXPECT_EQ(::GetCurrentObject(canvas.dc(), OBJ_FONT), fontBefore);
}

TEST(OverlayDrawing, ScreenDrawingFreesBothFontsAtEveryHeight) {
    MemoryCanvas canvas(300, 200, RGB(255, 255, 255));
    HGDIOBJ fontBefore = ::GetCurrentObject(canvas.dc(), OBJ_FONT);
    DrawDisplayNumber(canvas.dc(), 150, 0, 200, 1);  // first use
    const int slots = FreeGdiSlots();
    // 10: the smaller font's height goes below 0; 0: both fonts at their default size.
    for (uint32_t height : {200u, 10u, 0u})
        for (int number = 1; number <= 10; ++number)
            EXPECT_EQ(DrawDisplayNumber(canvas.dc(), 150, 0, height, number), 1);
    EXPECT_EQ(DrawDisplayNumber(nullptr, 150, 0, 200, 1), 1);  // no device context: nothing happens
    EXPECT_EQ(FreeGdiSlots(), slots);
    EXPECT_EQ(::GetCurrentObject(canvas.dc(), OBJ_FONT), fontBefore);
}

}  // namespace
}  // namespace velk::test
