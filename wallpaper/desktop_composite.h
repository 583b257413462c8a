// The layout of the whole-desktop picture: its bounding box, the choice
// between the wrap and the offset layout, and where each display's picture
// is drawn.
#pragma once
#include "display/display_list.h"
#include <cstdint>

// The box around the displays: seeded by slot 0 whatever it holds, widened by
// every other slot whose Width is not 0.
struct DesktopBox {
    int32_t minLeft, minTop, maxRight, maxBottom;
    int64_t Width() const noexcept { return int64_t{maxRight} - minLeft; }
    int64_t Height() const noexcept { return int64_t{maxBottom} - minTop; }
};
DesktopBox ComputeDesktopBox(const DisplayList& displays) noexcept;

// Offset: every picture at its place relative to the box's top-left corner.
// Wrap: at desktop coordinates from the primary display's origin, what lies
// left of or above it wrapped round to the far side of the canvas.
enum class CompositeLayout { Offset, Wrap };
// By the Windows version and, on 5.1 up to 6.0, the desktop's state.
CompositeLayout ChooseCompositeLayout();

// One 1:1 draw of a piece of a display's picture onto the canvas.
struct CompositeDraw {
    int32_t x, y;              // destination on the canvas
    int32_t srcX, srcY;        // source piece
    int32_t width, height;     // size of the piece
};
// The draws of one display (pictureWidth × pictureHeight is the size of its
// rendered file) on a canvas of W × H; answers how many (0 to 2).
int PlanDisplayDraws(const DisplayRecord& display, const DesktopBox& box, CompositeLayout layout,
                     int32_t pictureWidth, int32_t pictureHeight, CompositeDraw (&draws)[2]) noexcept;
