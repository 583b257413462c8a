#include "display/window_movement.h"
#include "framework/platform.h"

#include "display/display_list.h"
#include "display/display_lookup.h"
#include "display/foreign_window.h"
#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <vector>

namespace {

// value mapped from [from0, from1) onto [to0, to1): multiplication first, the
// quotient truncated toward zero. 64-bit products, so that large desktops
// cannot overflow; the result is clamped into the 32-bit range.
LONG MapCoordinate(LONG value, LONG from0, LONG from1, LONG to0, LONG to1) noexcept {
    const int64_t fromExtent = static_cast<int64_t>(from1) - from0;
    const int64_t toExtent = static_cast<int64_t>(to1) - to0;
    int64_t mapped = 0;
    if (fromExtent == 0) {
        // A display without extent along this axis cannot be scaled from: move only.
        mapped = static_cast<int64_t>(value) + (static_cast<int64_t>(to0) - from0);
    } else {
        mapped = to0 + (static_cast<int64_t>(value) - from0) * toExtent / fromExtent;
    }
    if (mapped > std::numeric_limits<LONG>::max()) return std::numeric_limits<LONG>::max();
    if (mapped < std::numeric_limits<LONG>::min()) return std::numeric_limits<LONG>::min();
    return static_cast<LONG>(mapped);
}

// The start of [start, end) moved the least distance into [areaStart, areaEnd).
LONG FitStart(LONG start, LONG end, LONG areaStart, LONG areaEnd) noexcept {
    const int64_t length = static_cast<int64_t>(end) - start;
    if (length >= static_cast<int64_t>(areaEnd) - areaStart || start < areaStart) return areaStart;
    if (end > areaEnd) return static_cast<LONG>(areaEnd - length);
    return start;
}

bool HasNumber(SlotNumbers numbers, uint32_t number) noexcept {
    if (number == 0) return false;
    for (uint32_t n : numbers) {
        if (n == number) return true;
    }
    return false;
}

}  // namespace

std::array<uint32_t, kDisplaySlots> CurrentSlotNumbers() noexcept {
    std::array<uint32_t, kDisplaySlots> numbers{};
    if (const DisplayList* list = CurrentDisplayList()) {
        for (int i = 0; i < kDisplaySlots; ++i) numbers[static_cast<size_t>(i)] = list->Records[i].SystemsDispNumber;
    }
    return numbers;
}

namespace {

// The work area of the display numbered `number`; `display` (its whole
// rectangle) when its monitor cannot tell.
RECT WorkAreaOfDisplay(uint32_t number, const RECT& display) {
    const DisplayList* list = CurrentDisplayList();
    if (!list) return display;
    for (const DisplayRecord& record : list->Records) {
        if (record.SystemsDispNumber != number) continue;
        MONITORINFO info{};
        info.cbSize = sizeof(info);
        if (record.Monitor && velk::Platform().GetMonitorInfoW(record.Monitor, &info) &&
            info.rcWork.right > info.rcWork.left && info.rcWork.bottom > info.rcWork.top)
            return info.rcWork;
        break;
    }
    return display;
}

// What a window's normal rectangle is offset by from desktop coordinates:
// Windows keeps it in workspace coordinates (relative to the primary
// display's work area) unless the window is a tool window.
POINT PlacementOffset(HWND window) {
    if (::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) return POINT{};
    velk::PlatformApi& api = velk::Platform();
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    HMONITOR primary = api.MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    if (!primary || !api.GetMonitorInfoW(primary, &info)) return POINT{};
    return POINT{info.rcWork.left - info.rcMonitor.left, info.rcWork.top - info.rcMonitor.top};
}

RECT Offset(const RECT& r, LONG dx, LONG dy) noexcept {
    return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

// Rectangles of the current table's occupied slots, in slot order.
std::vector<RECT> CurrentDisplayRects() {
    std::vector<RECT> rects;
    if (const DisplayList* list = CurrentDisplayList()) {
        for (const DisplayRecord& record : list->Records) {
            if (record.DisplayNumber == 0) continue;
            rects.push_back(RECT{record.left, record.top, record.right, record.bottom});
        }
    }
    return rects;
}

int64_t Area(const RECT& r) noexcept {
    return (static_cast<int64_t>(r.right) - r.left) * (static_cast<int64_t>(r.bottom) - r.top);
}

// The span search works on the 2-pixel grid that starts at a display corner,
// as if it grew columns one step at a time, but it only looks where the
// answer can change: between two display edges every column covers the same
// displays, so it measures the same height, and a run of rows inside one
// display needs no step-by-step walk.

// The nearest left or right display edge beyond x in direction dir (+1 or
// -1); false when there is none.
bool NextEdge(std::span<const RECT> displays, int x, int dir, int* edge) noexcept {
    bool found = false;
    for (const RECT& d : displays) {
        for (const LONG e : {d.left, d.right}) {
            if ((dir > 0 ? e > x : e < x) && (!found || (dir > 0 ? e < *edge : e > *edge))) {
                *edge = e;
                found = true;
            }
        }
    }
    return found;
}

bool IsEdge(std::span<const RECT> displays, int x) noexcept {
    for (const RECT& d : displays) {
        if (d.left == x || d.right == x) return true;
    }
    return false;
}

// The last grid column (x, x + step, ...) that covers the same displays as x.
int LastColumnOfItsKind(std::span<const RECT> displays, int x, int step) noexcept {
    if (IsEdge(displays, x)) return x;
    const int dir = step > 0 ? 1 : -1;
    int edge = 0;
    if (!NextEdge(displays, x, dir, &edge)) return x;  // beyond every display: nothing is covered
    const int span = dir > 0 ? edge - 1 - x : x - 1 - edge;
    return x + step * (span / 2);
}

// Where a column at x, measured from y0 in steps of `step` while the next
// point is on the displays, ends.
int ColumnEnd(std::span<const RECT> displays, int x, int y0, int step) noexcept {
    int y = y0;
    for (;;) {
        const int next = y + step;
        // The farthest row the displays holding (x, next) reach along the column.
        bool on = false;
        int reach = next;
        for (const RECT& d : displays) {
            if (x >= d.left && x <= d.right && next >= d.top && next <= d.bottom) {
                on = true;
                reach = step > 0 ? std::max<int>(reach, d.bottom) : std::min<int>(reach, d.top);
            }
        }
        if (!on) return y;
        // Every grid row from next to reach is on that display: go to the last one.
        const int rows = (step > 0 ? reach - next : next - reach) / (step > 0 ? step : -step);
        y = next + step * rows;
    }
}

// One pass of the span search: columns grow from corner (x0, y0) in 2-pixel
// steps along stepX, each measured from y0 along stepY. A column shorter than
// the first one ends the pass, as does a column whose top probe (at the
// previous column's far end) is off the displays; the rectangle then ends at
// the last column that was at least as tall as the first.
RECT GrowFromCorner(std::span<const RECT> displays, int x0, int y0, int stepX, int stepY) noexcept {
    int firstHeight = 0;
    int x = x0;
    int probeY = y0;
    int farEdge = x0;
    // One column: false when the pass ends before it (farEdge is then set).
    const auto column = [&](int nextX) {
        if (!IsPointOnDisplays(displays, nextX, probeY)) {
            farEdge = x;
            return false;
        }
        const int y = ColumnEnd(displays, nextX, y0, stepY);
        const int height = stepY > 0 ? y - y0 : y0 - y;
        if (firstHeight == 0) {
            firstHeight = height;
        } else if (height < firstHeight) {
            // This column is shorter than the rectangle: it ends at the last full column.
            farEdge = x;
            return false;
        }
        x = nextX;
        probeY = y;
        return true;
    };
    for (;;) {
        if (!column(x + stepX)) break;
        // The columns up to the next display edge cover the same displays:
        // once a second one of them has passed, so do all the others.
        const int last = LastColumnOfItsKind(displays, x, stepX);
        if (last == x) continue;
        if (!column(x + stepX)) break;
        x = last;
    }
    RECT candidate{};
    candidate.left = stepX > 0 ? x0 : farEdge;
    candidate.right = stepX > 0 ? farEdge : x0;
    candidate.top = stepY > 0 ? y0 : y0 - firstHeight;
    candidate.bottom = stepY > 0 ? y0 + firstHeight : y0;
    return candidate;
}

}  // namespace

RECT TranslateRect(const RECT& rect, const RECT& src, const RECT& dst) noexcept {
    const LONG dx = dst.left - src.left;
    const LONG dy = dst.top - src.top;
    return RECT{rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}

RECT ScaleRect(const RECT& rect, const RECT& src, const RECT& dst) noexcept {
    return RECT{MapCoordinate(rect.left, src.left, src.right, dst.left, dst.right),
                MapCoordinate(rect.top, src.top, src.bottom, dst.top, dst.bottom),
                MapCoordinate(rect.right, src.left, src.right, dst.left, dst.right),
                MapCoordinate(rect.bottom, src.top, src.bottom, dst.top, dst.bottom)};
}

RECT FitRectIntoArea(const RECT& rect, const RECT& area) noexcept {
    const LONG left = FitStart(rect.left, rect.right, area.left, area.right);
    const LONG top = FitStart(rect.top, rect.bottom, area.top, area.bottom);
    return RECT{left, top, static_cast<LONG>(left + (static_cast<int64_t>(rect.right) - rect.left)),
                static_cast<LONG>(top + (static_cast<int64_t>(rect.bottom) - rect.top))};
}

RECT MoveRectToDisplay(const RECT& rect, const RECT& src, const RECT& dst, const RECT& dstWork, bool scale) noexcept {
    if (scale) {
        const bool onSource = rect.left >= src.left && rect.top >= src.top && rect.right <= src.right &&
                              rect.bottom <= src.bottom;
        const RECT scaled = ScaleRect(rect, src, dst);
        return onSource ? scaled : FitRectIntoArea(scaled, dstWork);
    }
    return FitRectIntoArea(TranslateRect(rect, src, dst), dstWork);
}

uint32_t NextDisplayNumber(uint32_t cur, SlotNumbers numbers, uint32_t highest, uint32_t lowest) noexcept {
    if (cur == highest) return lowest;
    if (HasNumber(numbers, cur + 1)) return cur + 1;
    uint32_t target = highest;
    for (uint32_t n : numbers) {
        if (n != 0 && n > cur && n < target) target = n;
    }
    return target;
}

uint32_t PreviousDisplayNumber(uint32_t cur, SlotNumbers numbers, uint32_t highest, uint32_t lowest) noexcept {
    if (cur == lowest) return highest;
    if (HasNumber(numbers, cur - 1)) return cur - 1;
    uint32_t target = lowest;
    for (uint32_t n : numbers) {
        if (n != 0 && n < cur && n > target) target = n;
    }
    return target;
}

POINT RectCentre(const RECT& rect) noexcept {
    return POINT{rect.left + (rect.right - rect.left) / 2, rect.top + (rect.bottom - rect.top) / 2};
}

bool IsPointOnDisplays(std::span<const RECT> displays, int x, int y) noexcept {
    for (const RECT& r : displays) {
        if (x >= r.left && x <= r.right && y >= r.top && y <= r.bottom) return true;
    }
    return false;
}

RECT LargestRectOnDisplays(std::span<const RECT> displays) noexcept {
    if (displays.empty()) return RECT{};
    RECT best = displays[0];
    for (const RECT& d : displays) {
        const RECT candidates[4] = {
            GrowFromCorner(displays, d.left, d.top, 2, 2),
            GrowFromCorner(displays, d.right, d.top, -2, 2),
            GrowFromCorner(displays, d.left, d.bottom, 2, -2),
            GrowFromCorner(displays, d.right, d.bottom, -2, -2),
        };
        for (const RECT& candidate : candidates) {
            if (Area(candidate) > Area(best)) best = candidate;
        }
    }
    return best;
}

uint32_t DisplayNumberOfWindow(HWND window) {
    const std::optional<WINDOWPLACEMENT> queued = QueuedWindowPlacement(window);
    if (!queued) return GetSystemNumberFromWindow(window);
    // Where the waiting change leaves it: the display under the centre of
    // its normal rectangle, in desktop coordinates.
    const POINT offset = PlacementOffset(window);
    return GetSystemNumberFromPoint(RectCentre(Offset(queued->rcNormalPosition, offset.x, offset.y)));
}

bool MoveWindowToDisplay(MoveGate& gate, HWND window, int resizeMode, uint32_t source, uint32_t target) {
    if (gate.MoveAllowed == 0) return false;
    // A window that has not yet taken a change made for it moves on from
    // where that change leaves it, whatever the caller read of it.
    const std::optional<WINDOWPLACEMENT> queued = QueuedWindowPlacement(window);
    if (queued) source = DisplayNumberOfWindow(window);
    RECT src{};
    RECT dst{};
    if (!GetDisplayRect(source, src) || !GetDisplayRect(target, dst)) return false;

    const LONG_PTR style = ::GetWindowLongPtrW(window, GWL_STYLE);
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    velk::PlatformApi& api = velk::Platform();
    if (queued) placement = *queued;
    else if (!api.GetWindowPlacement(window, &placement)) return false;

    WINDOWPLACEMENT moved = placement;
    const POINT offset = PlacementOffset(window);
    const RECT normal = Offset(placement.rcNormalPosition, offset.x, offset.y);
    const bool scale = resizeMode != 0 && (style & WS_THICKFRAME);
    moved.rcNormalPosition =
        Offset(MoveRectToDisplay(normal, src, dst, WorkAreaOfDisplay(target, dst), scale), -offset.x, -offset.y);

    // Minimised first when maximised: Windows then maximises the window again
    // on the display that holds its new normal rectangle. A window that does
    // not answer gets both once it answers again.
    WINDOWPLACEMENT steps[2] = {placement, moved};
    steps[0].showCmd = SW_SHOWMINIMIZED;
    const bool maximised = placement.showCmd == SW_SHOWMAXIMIZED;
    if (!SetWindowPlacementsWithoutWaiting(window, std::span(steps).subspan(maximised ? 0 : 1))) return false;
    gate.CloseMoveGate();
    return true;
}

int32_t MoveMousePointer(int hotkeyId) {
    velk::PlatformApi& api = velk::Platform();
    POINT pointer{};
    api.GetCursorPos(&pointer);
    const uint32_t cur = GetSystemNumberFromPoint(pointer);
    const auto numbers = CurrentSlotNumbers();

    uint32_t target = 0;
    if (hotkeyId == 268) target = NextDisplayNumber(cur, numbers, HighestDisplayNumber, LowestDisplayNumber);
    else if (hotkeyId == 269) target = PreviousDisplayNumber(cur, numbers, HighestDisplayNumber, LowestDisplayNumber);
    else if (hotkeyId >= 270 && hotkeyId <= 279) target = static_cast<uint32_t>(hotkeyId - 269);

    RECT rect{};
    const DisplayList* list = CurrentDisplayList();
    if (list && target >= 1 && target <= static_cast<uint32_t>(kDisplaySlots)) {
        for (const DisplayRecord& record : list->Records) {
            if (record.SystemsDispNumber == target) {
                rect = RECT{record.left, record.top, record.right, record.bottom};
                break;
            }
        }
    }
    if (rect.right - rect.left <= 0 || rect.bottom - rect.top <= 0) return 0;
    const POINT centre = RectCentre(rect);
    api.SetCursorPos(centre.x, centre.y);
    return 1;
}

RECT GetLargestDisplayRect() {
    const std::vector<RECT> rects = CurrentDisplayRects();
    return LargestRectOnDisplays(rects);
}

bool IsPointOnAnyDisplay(int x, int y) {
    const std::vector<RECT> rects = CurrentDisplayRects();
    return IsPointOnDisplays(rects, x, y);
}

bool MoveWindowToRect(HWND window, int left, int top, int right, int bottom) {
    // A window that does not answer is moved once it answers again; until
    // then it counts as restored onto the rectangle.
    WINDOWPLACEMENT leaves{};
    leaves.length = sizeof(leaves);
    if (!velk::Platform().GetWindowPlacement(window, &leaves)) {
        leaves = WINDOWPLACEMENT{};
        leaves.length = sizeof(leaves);
    }
    const POINT offset = PlacementOffset(window);
    leaves.showCmd = SW_SHOWNORMAL;
    leaves.rcNormalPosition = Offset(RECT{left, top, right, bottom}, -offset.x, -offset.y);
    ChangeWindowWithoutWaiting(window, [=] {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof(placement);
        velk::PlatformApi& api = velk::Platform();
        if (api.GetWindowPlacement(window, &placement) && placement.showCmd == SW_SHOWMAXIMIZED) {
            placement.showCmd = SW_RESTORE;
            api.SetWindowPlacement(window, &placement);
        }
        ::MoveWindow(window, left, top, right - left, bottom - top, TRUE);
        ::ShowWindow(window, SW_SHOW);
        ::SetForegroundWindow(window);
        return true;
    }, &leaves);
    return true;
}
