// The pure arithmetic of window movement: translate and scale between
// displays, the next/previous choice with its wraps and gaps, and the span
// rectangle over several arrangements.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "display/window_movement.h"

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

TEST(MovementArithmetic, FitMovesTheLeastDistanceIntoTheArea) {
    const RECT area{1920, 0, 3200, 984};
    EXPECT_TRUE(RectIs(FitRectIntoArea({2000, 100, 2800, 700}, area), {2000, 100, 2800, 700}));  // inside: stays
    EXPECT_TRUE(RectIs(FitRectIntoArea({3020, 400, 3820, 1000}, area), {2400, 384, 3200, 984}));
    EXPECT_TRUE(RectIs(FitRectIntoArea({1800, -50, 2600, 550}, area), {1920, 0, 2720, 600}));
    // Larger than the area: the top-left corner at the area's, the size kept.
    EXPECT_TRUE(RectIs(FitRectIntoArea({2500, 300, 4500, 1500}, area), {1920, 0, 3920, 1200}));
}

// A window moved between any two displays of a layout ends wholly on the
// target's work area (a 40-pixel taskbar at the bottom of each display),
// unless it is larger; a scaled window that lay on its source keeps the
// proportional rectangle.
TEST(MovementArithmetic, EveryMovedWindowLiesOnItsTarget) {
    const std::vector<std::vector<RECT>> layouts{
        {kFullHd, {1920, 0, 3200, 1024}, {3200, 0, 4480, 1024}},  // side by side, different sizes
        {kFullHd, {0, 1080, 1280, 2104}},                          // stacked, the lower one narrower
        {kFullHd, {-1280, -200, 0, 824}, {-2304, 0, -1280, 768}},  // negative coordinates
        {{0, 0, 1024, 768}, {1100, 0, 2124, 768}, {0, 900, 800, 1500}},  // gaps between them
    };
    for (size_t l = 0; l < layouts.size(); ++l) {
        const std::vector<RECT>& displays = layouts[l];
        for (const RECT& src : displays) {
            // Windows at the corners, across the right and bottom edges, and
            // one larger than some targets.
            const LONG w = src.right - src.left, h = src.bottom - src.top;
            const std::vector<RECT> windows{
                {src.left, src.top, src.left + 800, src.top + 600},
                {src.right - 800, src.bottom - 600, src.right, src.bottom},
                {src.right - 300, src.top + 400, src.right + 500, src.top + 1000},
                {src.left + 100, src.bottom - 200, src.left + 900, src.bottom + 400},
                {src.left + w / 4, src.top + h / 4, src.left + w / 4 + 1100, src.top + h / 4 + 900},
            };
            for (const RECT& dst : displays) {
                const RECT work{dst.left, dst.top, dst.right, dst.bottom - 40};
                for (const RECT& window : windows) {
                    for (const bool scale : {false, true}) {
                        SCOPED_TRACE(::testing::Message() << "layout " << l << " from " << src.left << "," << src.top
                                                          << " to " << dst.left << "," << dst.top << " window "
                                                          << window.left << "," << window.top << " scale " << scale);
                        const RECT moved = MoveRectToDisplay(window, src, dst, work, scale);
                        const bool onSource = window.right <= src.right && window.bottom <= src.bottom &&
                                              window.left >= src.left && window.top >= src.top;
                        if (scale && onSource) {
                            EXPECT_TRUE(RectIs(moved, ScaleRect(window, src, dst)));
                            continue;
                        }
                        if (!scale) {
                            EXPECT_EQ(moved.right - moved.left, window.right - window.left);
                            EXPECT_EQ(moved.bottom - moved.top, window.bottom - window.top);
                        }
                        const bool fitsAcross = moved.right - moved.left <= work.right - work.left;
                        const bool fitsDown = moved.bottom - moved.top <= work.bottom - work.top;
                        EXPECT_EQ(moved.left >= work.left && moved.right <= work.right, fitsAcross);
                        EXPECT_EQ(moved.top >= work.top && moved.bottom <= work.bottom, fitsDown);
                        if (!fitsAcross) {
                            EXPECT_EQ(moved.left, work.left);
                        }
                        if (!fitsDown) {
                            EXPECT_EQ(moved.top, work.top);
                        }
                    }
                }
            }
        }
    }
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
