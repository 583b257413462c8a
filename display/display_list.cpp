#include "display/display_list.h"

#include <cstring>
#include <optional>
#include <vector>
#include <cwchar>
#include <iterator>

#include "display/addon_access.h"
#include "display/display_numbering.h"
#include "display/shared_functions.h"
#include "framework/platform.h"

uint32_t HighestDisplayNumber = 0;
uint32_t LowestDisplayNumber = 10;
int32_t AddOnDisplaysSeen = 0;

namespace {

DisplayList* g_currentDisplayList = nullptr;

// Before Windows 6.1 a display's name is its adapter's device string, cut to
// this many characters.
constexpr size_t kDeviceStringNameLength = 62;

// DisplayLink adapters, listed only once the add-on library has reported an
// active display.
bool IsDisplayLinkAdapter(const wchar_t* deviceString) noexcept {
    return wcsstr(deviceString, L"DisplayLink Graphics") != nullptr ||
           wcsstr(deviceString, L"USB2.0 VGA DEVICE") != nullptr;
}

void NameFromDeviceString(DisplayRecord& record, const wchar_t* deviceString) noexcept {
    wcsncpy(record.Name, deviceString, kDeviceStringNameLength);
    record.Name[kDeviceStringNameLength] = L'\0';
}

}  // namespace

void SetCurrentDisplayList(DisplayList* list) noexcept { g_currentDisplayList = list; }
DisplayList* CurrentDisplayList() noexcept { return g_currentDisplayList; }

int32_t EnumerateDisplays(DisplayList& destination) {
    auto& platform = velk::Platform();

    // From Windows 6.1 on, displays carry Windows' own numbers. Without the
    // display-configuration functions, a usable configuration or the monitor
    // enumeration key, this build numbers them as before 6.1 instead.
    DisplayNumbering numbering;
    if (IsWindowsAtLeast(6, 1)) {
        if (LoadDisplayConfigApi(destination)) numbering.Open();
    }
    const bool systemNumbers = numbering.IsOpen();
    const bool windowsVista = !systemNumbers && IsWindowsAtLeast(6, 0);

    DisplayRecord table[kDisplaySlots] = {};
    // The add-on displays, read once (one pump of the library) for every
    // display that asks.
    std::optional<std::vector<AddOnDisplayEntry>> addOnDisplays;
    uint32_t running = 0;
    int32_t listed = 0;
    for (DWORD index = 0;; ++index) {
        DISPLAY_DEVICEW device{};
        device.cb = sizeof(device);
        if (!platform.EnumDisplayDevicesW(nullptr, index, &device, 0)) break;
        device.DeviceName[std::size(device.DeviceName) - 1] = L'\0';
        device.DeviceString[std::size(device.DeviceString) - 1] = L'\0';

        if (device.StateFlags & DISPLAY_DEVICE_MIRRORING_DRIVER) continue;
        ++running;
        if (AddOnDisplaysSeen != 1 && IsDisplayLinkAdapter(device.DeviceString)) continue;
        const uint32_t slot = running - 1;

        DEVMODEW mode{};
        mode.dmSize = sizeof(mode);
        if (!platform.EnumDisplaySettingsW(device.DeviceName, ENUM_CURRENT_SETTINGS, &mode)) continue;
        ++listed;

        // A display whose slot lies beyond the table is not stored; it still
        // counts as listed and, from 6.1 on, still carries the running counter
        // on to its number.
        DisplayRecord beyondTable{};
        DisplayRecord& record = slot < kDisplaySlots ? table[slot] : beyondTable;
        record = DisplayRecord{};
        if (systemNumbers) running = numbering.NumberAndName(device.DeviceName, record.Name);

        record.DisplayNumber = running;
        record.SystemsDispNumber = running;
        record.Primary = (device.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) ? 1 : 0;
        record.Width = static_cast<int32_t>(mode.dmPelsWidth);
        record.Height = static_cast<int32_t>(mode.dmPelsHeight);
        record.left = mode.dmPosition.x;
        record.top = mode.dmPosition.y;
        record.right = record.left + record.Width;
        record.bottom = record.top + record.Height;
        record.Ordinal = listed;
        record.Monitor = platform.MonitorFromPoint(POINT{record.left + 4, record.top + 4}, MONITOR_DEFAULTTONEAREST);

        if (!systemNumbers) {
            NameFromDeviceString(record, device.DeviceString);
            if (windowsVista && destination.AddOn && !addOnDisplays) addOnDisplays = ListAddOnDisplays();
            if (addOnDisplays && FindInAddOnDisplays(*addOnDisplays, record.DisplayNumber) != 0) {
                wcscpy(record.Name, L"VELK-DORVIX Multi Display Adapter");
            }
        }

        if (slot >= kDisplaySlots) continue;
        if (record.DisplayNumber > HighestDisplayNumber) HighestDisplayNumber = record.DisplayNumber;
        if (record.DisplayNumber < LowestDisplayNumber) LowestDisplayNumber = record.DisplayNumber;
    }

    std::memcpy(destination.Records, table, sizeof(table));
    ReleaseDisplayConfigApi(destination);
    // Devices without current settings advance the counter, but a build that
    // lists no display at all reports no displays.
    return listed > 0 ? static_cast<int32_t>(running) : 0;
}

int32_t BuildDisplayList(uint32_t* highest, int32_t* count) {
    if (!count) return 0;
    HighestDisplayNumber = 0;
    LowestDisplayNumber = 10;

    DisplayList* list = CurrentDisplayList();
    if (!list) {
        *count = 0;
        if (highest) *highest = 0;
        return 0;
    }
    std::memset(list->Records, 0, sizeof(list->Records));
    list->Count = 0;

    if (list->AddOn && GetActiveAddOnDisplayCount() > 0) AddOnDisplaysSeen = 1;

    list->Count = EnumerateDisplays(*list);
    *count = list->Count;
    if (highest) *highest = HighestDisplayNumber;
    return list->Count;
}
