// The span rectangle computed the slow, obvious way: columns grown one
// 2-pixel step at a time from each display corner, each measured row by
// row. The property test holds the program's answer against it, and the
// benchmark times both.
#pragma once
#include <windows.h>
#include <cstdint>
#include <span>

namespace velk::test {

inline bool ReferenceIsOn(std::span<const RECT> displays, int x, int y) {
    for (const RECT& r : displays)
        if (x >= r.left && x <= r.right && y >= r.top && y <= r.bottom) return true;
    return false;
}

inline RECT ReferenceGrow(std::span<const RECT> displays, int x0, int y0, int stepX, int stepY) {
    int firstHeight = 0, x = x0, probeY = y0, farEdge = x0;
    for (;;) {
        const int nextX = x + stepX;
        if (!ReferenceIsOn(displays, nextX, probeY)) {
            farEdge = x;
            break;
        }
        int y = y0;
        while (ReferenceIsOn(displays, nextX, y + stepY)) y += stepY;
        const int height = stepY > 0 ? y - y0 : y0 - y;
        if (firstHeight == 0) {
            firstHeight = height;
        } else if (height < firstHeight) {
            farEdge = x;  // the last full column
            break;
        }
        x = nextX;
        probeY = y;
    }
    return RECT{stepX > 0 ? x0 : farEdge, stepY > 0 ? y0 : y0 - firstHeight, stepX > 0 ? farEdge : x0,
                stepY > 0 ? y0 + firstHeight : y0};
}

inline RECT ReferenceLargestRect(std::span<const RECT> displays) {
    if (displays.empty()) return RECT{};
    const auto area = [](const RECT& r) {
        return (static_cast<int64_t>(r.right) - r.left) * (static_cast<int64_t>(r.bottom) - r.top);
    };
    RECT best = displays[0];
    for (const RECT& d : displays) {
        for (const RECT& c : {ReferenceGrow(displays, d.left, d.top, 2, 2), ReferenceGrow(displays, d.right, d.top, -2, 2),
                              ReferenceGrow(displays, d.left, d.bottom, 2, -2),
                              ReferenceGrow(displays, d.right, d.bottom, -2, -2)})
            if (area(c) > area(best)) best = c;
    }
    return best;
}

}  // namespace velk::test
