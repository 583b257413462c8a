// The span rectangle against the step-by-step reference over thousands of
// generated layouts: negative coordinates, vertical offsets, gaps, overlaps,
// empty and zero-sized displays, and empty slots of the display table.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "display/window_movement.h"
#include "display/display_list.h"
#include "tests/app/movement/span_reference.h"

namespace velk::test {
namespace {

std::string Describe(const std::vector<RECT>& displays) {
    std::string text;
    for (const RECT& r : displays)
        text += "{" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
                std::to_string(r.bottom) + "} ";
    return text;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Layouts of 1 to 10 displays: scattered anywhere, or in a row with gaps,
// overlaps and vertical offsets; with `grid` every coordinate is a multiple of
// it; some have no width or height unless `zeroSized` is false.
std::vector<RECT> Layout(std::mt19937& random, int grid, bool zeroSized = true) {
    auto number = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    auto pick = [&](int low, int high) { return number(low, high) * grid; };
    const int count = number(1, 10) > 8 ? number(7, 10) : number(1, 5);
    const int scale = 120 / grid / (count > 6 ? 2 : 1);
    std::vector<RECT> displays;
    const bool row = random() % 2 == 0;
    int x = pick(-scale, 0);
    for (int i = 0; i < count; ++i) {
        const int width = zeroSized && random() % 12 == 0 ? 0 : pick(1, scale);
        const int height = zeroSized && random() % 12 == 0 ? 0 : pick(1, scale);
        const int left = row ? x + pick(-scale / 8 - 1, scale / 8 + 1) : pick(-scale, scale);
        const int top = row ? pick(-scale / 3, scale / 3) : pick(-scale, scale);
        displays.push_back(RECT{left, top, left + width, top + height});
        x = left + width;
    }
    return displays;
}

TEST(SpanProperty, EqualsTheStepByStepAnswerOnThousandsOfLayouts) {
    std::mt19937 random(20261209);
    for (int n = 0; n < 4000; ++n) {
        const std::vector<RECT> displays = Layout(random, 1);
        const RECT fast = LargestRectOnDisplays(displays);
        const RECT slow = ReferenceLargestRect(displays);
        ASSERT_TRUE(SameRect(fast, slow)) << "layout " << n << ": " << Describe(displays);
    }
}

TEST(SpanProperty, LiesWhollyOnTheDisplays) {
    // On a 4-pixel grid the 2-pixel steps meet every edge, so the answer is
    // exact: every pixel of it belongs to a display. (A display without
    // width or height still counts as its edge line, and 1-pixel gaps are
    // stepped over: those layouts are left to the test above.)
    std::mt19937 random(4096);
    for (int n = 0; n < 1500; ++n) {
        const std::vector<RECT> displays = Layout(random, 4, false);
        const RECT span = LargestRectOnDisplays(displays);
        ASSERT_TRUE(SameRect(span, ReferenceLargestRect(displays))) << Describe(displays);
        for (int y = span.top; y < span.bottom; ++y) {
            for (int x = span.left; x < span.right; ++x) {
                bool covered = false;
                for (const RECT& d : displays) covered |= x >= d.left && x < d.right && y >= d.top && y < d.bottom;
                ASSERT_TRUE(covered) << "pixel " << x << "," << y << " of layout " << n << ": " << Describe(displays);
            }
        }
    }
}

TEST(SpanProperty, EmptySlotsOfTheDisplayTableAreLeftOut) {
    std::mt19937 random(77);
    DisplayList* saved = CurrentDisplayList();
    for (int n = 0; n < 300; ++n) {
        DisplayList list{};
        std::vector<RECT> occupied;
        for (const RECT& r : Layout(random, 1)) {
            int slot = static_cast<int>(random() % kDisplaySlots);
            while (list.Records[slot].DisplayNumber != 0) slot = (slot + 1) % kDisplaySlots;
            DisplayRecord& record = list.Records[slot];
            record.DisplayNumber = static_cast<uint32_t>(slot + 1);
            record.left = r.left;
            record.top = r.top;
            record.right = r.right;
            record.bottom = r.bottom;
        }
        for (const DisplayRecord& record : list.Records)
            if (record.DisplayNumber != 0) occupied.push_back(RECT{record.left, record.top, record.right, record.bottom});
        SetCurrentDisplayList(&list);
        const RECT span = GetLargestDisplayRect();
        SetCurrentDisplayList(saved);
        ASSERT_TRUE(SameRect(span, ReferenceLargestRect(occupied))) << Describe(occupied);
    }
}

}  // namespace
}  // namespace velk::test
