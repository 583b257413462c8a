// The pure arithmetic of window movement: translate and scale between
// displays, the next/previous choice with its wraps and gaps, and the span
// rectangle over several arrangements.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "app/window_movement.h"

namespace {

bool Same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

::testing::AssertionResult RectIs(const RECT& actual, const RECT& expected) {
    if (Same(actual, expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << actual.left << ", " << actual.top << ", " << actual.right << ", "
                                         << actual.bottom << ") instead of (" << expected.left << ", "
                                         << expected.top << ", " << expected.right << ", " << expected.bottom << ")";
}

const RECT kFullHd{0, 0, 1920, 1080};

TEST(MovementArithmetic, TranslateKeepsTheSize) {
    EXPECT_TRUE(RectIs(TranslateRect({100, 100, 900, 700}, kFullHd, {1920, 0, 3200, 1024}), {2020, 100, 2820, 700}));
    // Onto a display left of and above the source.
    EXPECT_TRUE(RectIs(TranslateRect({100, 100, 900, 700}, kFullHd, {-1280, -1024, 0, 0}), {-1180, -924, -380, -324}));
}

TEST(MovementArithmetic, ScaleTruncatesTowardZero) {
    // 100*1280/1920 = 66.67 -> 66; 900*1280/1920 = 600; 100*1024/1080 = 94.8 -> 94; 700*1024/1080 = 663.7 -> 663.
    EXPECT_TRUE(RectIs(ScaleRect({100, 100, 900, 700}, kFullHd, {1920, 0, 3200, 1024}), {1986, 94, 2520, 663}));
    // Negative offsets truncate toward zero as well: -100*1280/1920 = -66.67 -> -66.
    EXPECT_TRUE(RectIs(ScaleRect({-100, -100, 900, 700}, kFullHd, {1920, 0, 3200, 1024}), {1854, -94, 2520, 663}));
}

TEST(MovementArithmetic, ScaleFromADisplayWithoutExtentTranslatesThatAxis) {
    // A source display reported with zero width or height must not divide by zero.
    EXPECT_TRUE(RectIs(ScaleRect({10, 20, 110, 220}, {0, 0, 0, 1080}, {1920, 0, 3840, 2160}), {1930, 40, 2030, 440}));
    EXPECT_TRUE(RectIs(ScaleRect({10, 20, 110, 220}, {0, 0, 1920, 0}, {1920, 100, 3840, 1180}), {1930, 120, 2030, 320}));
}

TEST(MovementArithmetic, ScaleOfLargeDesktopsDoesNotOverflow) {
    // 60000 * 60000 does not fit 32 bits; the mapping must still be exact.
    EXPECT_TRUE(RectIs(ScaleRect({60000, 0, 60001, 1}, {0, 0, 60000, 60000}, {0, 0, 60000, 60000}),
                       {60000, 0, 60001, 1}));
}

TEST(MovementArithmetic, NextAndPreviousWithConsecutiveNumbers) {
    const std::array<uint32_t, 10> numbers{1, 2, 3, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(NextDisplayNumber(1, numbers, 3, 1), 2u);
    EXPECT_EQ(NextDisplayNumber(3, numbers, 3, 1), 1u);  // wrap from the highest
    EXPECT_EQ(PreviousDisplayNumber(2, numbers, 3, 1), 1u);
    EXPECT_EQ(PreviousDisplayNumber(1, numbers, 3, 1), 3u);  // wrap from the lowest
}

TEST(MovementArithmetic, NextAndPreviousSkipAMissingNumber) {
    const std::array<uint32_t, 10> numbers{1, 2, 4, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(NextDisplayNumber(2, numbers, 4, 1), 4u);
    EXPECT_EQ(PreviousDisplayNumber(4, numbers, 4, 1), 2u);
    EXPECT_EQ(NextDisplayNumber(4, numbers, 4, 1), 1u);
    // Slot order does not matter, empty slots never qualify.
    const std::array<uint32_t, 10> shuffled{0, 7, 0, 3, 5, 0, 0, 0, 0, 0};
    EXPECT_EQ(NextDisplayNumber(3, shuffled, 7, 3), 5u);
    EXPECT_EQ(PreviousDisplayNumber(7, shuffled, 7, 3), 5u);
    EXPECT_EQ(PreviousDisplayNumber(5, shuffled, 7, 3), 3u);
    EXPECT_EQ(PreviousDisplayNumber(3, shuffled, 7, 3), 7u);
}

TEST(MovementArithmetic, CentreHalvesTruncate) {
    const POINT c = RectCentre({-1920, 0, 0, 1080});
    EXPECT_EQ(c.x, -960);
    EXPECT_EQ(c.y, 540);
    const POINT odd = RectCentre({-3, -3, 0, 0});
    EXPECT_EQ(odd.x, -2);  // -3 + 3/2 = -3 + 1
    EXPECT_EQ(odd.y, -2);
}

TEST(MovementArithmetic, PointOnDisplaysCountsRightAndBottomEdges) {
    const std::vector<RECT> displays{kFullHd};
    EXPECT_TRUE(IsPointOnDisplays(displays, 1920, 1080));
    EXPECT_TRUE(IsPointOnDisplays(displays, 0, 0));
    EXPECT_FALSE(IsPointOnDisplays(displays, 1921, 500));
    EXPECT_FALSE(IsPointOnDisplays(displays, -1, 500));
}

TEST(MovementArithmetic, SpanOfSingleAndSideBySideDisplays) {
    EXPECT_TRUE(RectIs(LargestRectOnDisplays(std::vector<RECT>{kFullHd}), kFullHd));
    EXPECT_TRUE(RectIs(LargestRectOnDisplays(std::vector<RECT>{}), {0, 0, 0, 0}));
    // Two of the same height side by side: the whole desktop.
    EXPECT_TRUE(RectIs(LargestRectOnDisplays(std::vector<RECT>{kFullHd, {1920, 0, 3840, 1080}}), {0, 0, 3840, 1080}));
    // A lower second display: the common height over both widths beats either display alone.
    EXPECT_TRUE(RectIs(LargestRectOnDisplays(std::vector<RECT>{kFullHd, {1920, 0, 3200, 1024}}), {0, 0, 3200, 1024}));
}

TEST(MovementArithmetic, SpanOfAnLShapedArrangement) {
    // A, B to its right, C below A: A+C (1920 x 2160) and A+B (3840 x 1080)
    // tie; the first found, the column over A and C, stays.
    const std::vector<RECT> displays{kFullHd, {1920, 0, 3840, 1080}, {0, 1080, 1920, 2160}};
    EXPECT_TRUE(RectIs(LargestRectOnDisplays(displays), {0, 0, 1920, 2160}));
    // A wider bottom row wins over the column.
    const std::vector<RECT> wide{{0, 0, 1280, 1024}, {0, 1024, 1920, 2104}, {1920, 1024, 3840, 2104}};
    EXPECT_TRUE(RectIs(LargestRectOnDisplays(wide), {0, 1024, 3840, 2104}));
}

TEST(MovementArithmetic, SpanStopsAtTheLastFullColumn) {
    // A narrow display above a wider one: the column over both ends at the
    // narrow display's right edge, not one step past it.
    const std::vector<RECT> displays{{0, 0, 1280, 1024}, {0, 1024, 1920, 2104}};
    EXPECT_TRUE(RectIs(LargestRectOnDisplays(displays), {0, 0, 1280, 2104}));
}

TEST(MovementArithmetic, SpanOfTwoRows) {
    const std::vector<RECT> displays{
        kFullHd, {1920, 0, 3840, 1080}, {0, 1080, 1920, 2160}, {1920, 1080, 3840, 2160}};
    EXPECT_TRUE(RectIs(LargestRectOnDisplays(displays), {0, 0, 3840, 2160}));
}

}  // namespace
