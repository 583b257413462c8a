// A fake display topology behind the platform seam: display devices, their
// current modes, monitors, the virtual screen and the display-configuration
// functions, all answered from one list of displays that a test sets up and
// may change between calls.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "display/display_list.h"
#include "framework/platform.h"

namespace velk::test {

inline constexpr UINT32 kAutoId = 0xFFFFFFFFu;

// One display device (adapter output) with the monitor on it.
struct FakeDisplay {
    std::wstring deviceName;                           // GDI device name, e.g. \\.\DISPLAY1
    std::wstring deviceString = L"Fake Graphics Adapter";
    DWORD stateFlags = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP;  // as EnumDisplayDevicesW reports them
    bool active = true;               // part of the desktop: has current settings and a monitor
    RECT rect{0, 0, 1024, 768};       // desktop rectangle (its size is also the mode when inactive)
    RECT work{};                      // work area; empty means the whole rect
    std::wstring monitorName = L"Fake Monitor";  // friendly name of the monitor (display configuration)
    bool hasPath = true;              // gets a display-configuration path
    UINT32 sourceId = kAutoId;        // display-configuration ids; automatic from the position in the list
    UINT32 targetId = kAutoId;
    HMONITOR monitor = nullptr;       // given by FakeTopology::Add
};

// \\.\DISPLAY<n> at `rect`, attached to the desktop, primary when asked.
FakeDisplay ActiveDisplay(int n, RECT rect, bool primary = false);

// A display-table record placed on `rect`: its edges and its size.
inline void PlaceRecord(DisplayRecord& record, RECT rect) {
    record.left = rect.left;
    record.top = rect.top;
    record.right = rect.right;
    record.bottom = rect.bottom;
    record.Width = rect.right - rect.left;
    record.Height = rect.bottom - rect.top;
}
// \\.\DISPLAY<n>, not part of the desktop (no current settings, no monitor).
FakeDisplay InactiveDisplay(int n);
// A mirroring driver device (no path, no monitor).
FakeDisplay MirroringDriver(const wchar_t* deviceName = L"\\\\.\\DISPLAYV1");

// One display-configuration path.
struct FakePath {
    std::wstring sourceDevice;  // GDI device name that the source name query answers
    UINT32 sourceId = 0;
    UINT32 targetId = 0;
    UINT32 flags = DISPLAYCONFIG_PATH_ACTIVE;
    std::wstring monitorName;   // target's friendly name
};

// How the display-configuration functions behave.
struct FakeDisplayConfig {
    bool moduleLoads = true;              // LoadDisplayConfigModule succeeds
    std::string missingProc;              // this entry point is not found
    LONG bufferSizesResult = ERROR_SUCCESS;  // forced answer of GetDisplayConfigBufferSizes
    LONG queryResult = ERROR_SUCCESS;        // forced answer of QueryDisplayConfig
};

// Counts of calls the fakes received.
struct FakeTopologyCalls {
    int loadModule = 0;
    int freeModule = 0;
    int bufferSizes = 0;
    int query = 0;
    int deviceInfo = 0;
    int enumDevices = 0;
    int enumSettings = 0;
    std::vector<std::string> procs;  // entry points looked up, in order
};

// Installs its fakes into the seam on construction and puts the replaced
// entries back on destruction. One at a time.
//   EnumDisplayDevicesW: adapters in list order (device name null), or the
//     monitor of an active display ("<device>\Monitor0") when named.
//   EnumDisplaySettingsW: the rect as mode for ENUM_CURRENT/REGISTRY_SETTINGS
//     of an active display and for mode 0 of any display.
//   MonitorFromPoint/Rect/Window: the active display holding the point, the
//     largest overlap, the window's rect (PlaceWindow, else the real window
//     rect), with the flags' fall-back (null, primary, nearest).
//   GetMonitorInfoW (MONITORINFO or MONITORINFOEXW), EnumDisplayMonitors.
//   GetSystemMetrics: virtual screen, SM_CMONITORS, SM_CXSCREEN/SM_CYSCREEN;
//     everything else passes to the real function.
//   Display configuration: a fake module with fake GetDisplayConfigBufferSizes,
//     QueryDisplayConfig and DisplayConfigGetDeviceInfo over Paths().
class FakeTopology {
public:
    FakeTopology();
    ~FakeTopology();
    FakeTopology(const FakeTopology&) = delete;
    FakeTopology& operator=(const FakeTopology&) = delete;

    // Adds a display at the end of the adapter list and gives it a monitor
    // handle of its own.
    FakeDisplay& Add(FakeDisplay display);
    // Removes the display with this device name.
    void Remove(const std::wstring& deviceName);
    std::vector<FakeDisplay>& displays() { return displays_; }
    const std::vector<FakeDisplay>& displays() const { return displays_; }
    FakeDisplay* Find(const std::wstring& deviceName);

    // The display-configuration paths: one per display with hasPath (active
    // when the display is; active paths first, as Windows answers them), then
    // extraPaths; or exactly those given to SetPaths.
    std::vector<FakePath> Paths() const;
    void SetPaths(std::vector<FakePath> paths);
    std::vector<FakePath> extraPaths;

    FakeDisplayConfig displayConfig;
    FakeTopologyCalls calls;

    // The rect MonitorFromWindow uses for `window` (also for fake handles).
    void PlaceWindow(HWND window, RECT rect);
    // Bounding box of the active displays.
    RECT VirtualScreen() const;
    // The primary display (flag DISPLAY_DEVICE_PRIMARY_DEVICE), else the
    // first active one; null when none is active.
    const FakeDisplay* Primary() const;

    // The module handle the fake hands out.
    static HMODULE FakeModule();
    static FakeTopology* Current();

private:
    friend struct FakeTopologyAccess;
    std::vector<FakeDisplay> displays_;
    std::vector<FakePath> customPaths_;
    bool useCustomPaths_ = false;
    std::vector<std::pair<HWND, RECT>> placedWindows_;
    PlatformApi saved_{};
    UINT_PTR nextMonitor_ = 0x4d4f0010;
};

// HKLM "System\CurrentControlSet\services\monitor\enum", written into the
// test prefix's registry for the object's lifetime: values "0", "1", … and
// DWORD "Count" (the number of values unless given).
class MonitorEnumKey {
public:
    explicit MonitorEnumKey(const std::vector<std::wstring>& values);
    MonitorEnumKey(const std::vector<std::wstring>& values, DWORD count);
    ~MonitorEnumKey();
    MonitorEnumKey(const MonitorEnumKey&) = delete;
    MonitorEnumKey& operator=(const MonitorEnumKey&) = delete;

    // A monitor instance path ending in "UID<targetId>".
    static std::wstring ValueFor(UINT32 targetId);
    // One value per active path of the topology, in path order.
    static std::vector<std::wstring> ValuesFor(const FakeTopology& topology);
    // Deletes the key (and anything under it) if it exists.
    static void Delete();
    static const wchar_t* Path();
};

}  // namespace velk::test
