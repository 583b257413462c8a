#include "display/display_lookup.h"

#include "display/display_list.h"
#include "framework/platform.h"

namespace {

// The highest slot whose Monitor is `monitor`; null when none is (or when the
// monitor itself is null, which would otherwise match every empty slot).
const DisplayRecord* FindSlotOfMonitor(HMONITOR monitor) noexcept {
    const DisplayList* list = CurrentDisplayList();
    if (!list || !monitor) return nullptr;
    for (int slot = kDisplaySlots - 1; slot >= 0; --slot) {
        if (list->Records[slot].Monitor == monitor) return &list->Records[slot];
    }
    return nullptr;
}

}  // namespace

bool GetDisplayRect(uint32_t number, RECT& rect) {
    if (number < 1 || number > static_cast<uint32_t>(kDisplaySlots)) return false;
    const DisplayList* list = CurrentDisplayList();
    if (!list) return false;
    for (const DisplayRecord& record : list->Records) {
        if (record.SystemsDispNumber == number) {
            rect = RECT{record.left, record.top, record.right, record.bottom};
            return true;
        }
    }
    return false;
}

uint32_t GetSystemNumberFromPoint(POINT point) {
    const DisplayRecord* record = FindSlotOfMonitor(velk::Platform().MonitorFromPoint(point, MONITOR_DEFAULTTOPRIMARY));
    return record ? record->SystemsDispNumber : 1;
}

uint32_t GetSystemNumberFromDesktopPoint(POINT point) {
    auto& platform = velk::Platform();
    point.x += platform.GetSystemMetrics(SM_XVIRTUALSCREEN);
    point.y += platform.GetSystemMetrics(SM_YVIRTUALSCREEN);
    return GetSystemNumberFromPoint(point);
}

uint32_t GetSystemNumberFromWindow(HWND window) {
    if (!window) return 1;
    const DisplayRecord* record =
        FindSlotOfMonitor(velk::Platform().MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY));
    if (!record || record->SystemsDispNumber == 0) return 1;
    return record->SystemsDispNumber;
}
