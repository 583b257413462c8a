// Windows' own display numbers (Windows 6.1 and later): the display-
// configuration functions, looked up at run time, and the monitor
// enumeration key.
#pragma once
#include <windows.h>
#include <cstdint>
#include <vector>

#include "display/display_list.h"
#include "framework/handles.h"

// LoadDisplayConfigApi for a given table.
bool LoadDisplayConfigApi(DisplayList& list);
// Frees the table's DisplayConfigModule (if loaded) and forgets the entry
// points that came from it.
void ReleaseDisplayConfigApi(DisplayList& list);

// The GDI number of a device name: the decimal number after its first 'Y'
// (\\.\DISPLAY3 gives 3); 0 when there is none.
uint32_t GdiNumberOfDeviceName(const wchar_t* deviceName) noexcept;

// One look at the display configuration and the monitor enumeration key,
// shared by all devices of one enumeration.
class DisplayNumbering {
public:
    // Queries all display paths and opens the monitor enumeration key. False
    // when the entry points are missing, a query fails or gives no path, or
    // the key cannot be opened: the caller then numbers displays as before
    // Windows 6.1.
    bool Open();
    bool IsOpen() const noexcept { return open_; }

    // The display number of `deviceName`; when the display is found, its
    // monitor's friendly name (or "VGA Display") goes to `name`
    // (kDisplayNameLength units), otherwise `name` is left alone.
    uint32_t NumberAndName(const wchar_t* deviceName, wchar_t* name) const;

private:
    std::vector<DISPLAYCONFIG_PATH_INFO> paths_;
    std::vector<DISPLAYCONFIG_MODE_INFO> modes_;
    velk::UniqueKey key_;
    DWORD count_ = 0;
    bool open_ = false;
};

// Loads "User32.dll" into the current table's DisplayConfigModule and looks up
// "GetDisplayConfigBufferSizes", "QueryDisplayConfig" and
// "DisplayConfigGetDeviceInfo" in that order, stopping at the first missing
// one. True only when all three were found.
bool LoadDisplayConfigApi();

// Windows 6.1 and later: the number Windows gives the display shown by the
// GDI display device `deviceName` (such as \\.\DISPLAY3), with its monitor's
// friendly name written to `name` (kDisplayNameLength units) when the display
// is found. Needs the entry points loaded. 0 when the display configuration or
// the monitor enumeration key is unavailable.
uint32_t GetDisplayNumberAndName(const wchar_t* deviceName, wchar_t* name);
