#include "testing/support/fake_topology.h"

#include <algorithm>
#include <cstddef>
#include <cwchar>
#include <stdexcept>

namespace velk::test {
namespace {

FakeTopology* g_topology = nullptr;
const LUID kAdapterLuid{0x5a17, 0};
const HMODULE kFakeModule = reinterpret_cast<HMODULE>(static_cast<UINT_PTR>(0x7e5a0000));
constexpr UINT32 kFirstTargetId = 0x1100;

bool SameName(const std::wstring& a, const wchar_t* b) { return b && _wcsicmp(a.c_str(), b) == 0; }

template <size_t N>
void Copy(wchar_t (&out)[N], const std::wstring& text) {
    wcsncpy(out, text.c_str(), N - 1);
    out[N - 1] = L'\0';
}

bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

long long OverlapArea(const RECT& a, const RECT& b) {
    RECT i{};
    if (!::IntersectRect(&i, &a, &b)) return 0;
    return static_cast<long long>(i.right - i.left) * (i.bottom - i.top);
}

// Squared distance from a point to a rect (0 inside).
long long DistanceSquared(const RECT& r, POINT p) {
    const long long dx = p.x < r.left ? r.left - p.x : (p.x >= r.right ? p.x - (r.right - 1) : 0);
    const long long dy = p.y < r.top ? r.top - p.y : (p.y >= r.bottom ? p.y - (r.bottom - 1) : 0);
    return dx * dx + dy * dy;
}

FakeTopology& Topology() {
    if (!g_topology) throw std::logic_error("no FakeTopology installed");
    return *g_topology;
}

const FakeDisplay* DisplayOfMonitor(HMONITOR monitor) {
    for (const FakeDisplay& d : Topology().displays()) {
        if (d.active && d.monitor == monitor) return &d;
    }
    return nullptr;
}

HMONITOR Fallback(DWORD flags, POINT nearTo) {
    if (flags == MONITOR_DEFAULTTOPRIMARY) {
        const FakeDisplay* primary = Topology().Primary();
        return primary ? primary->monitor : nullptr;
    }
    if (flags == MONITOR_DEFAULTTONEAREST) {
        const FakeDisplay* best = nullptr;
        long long bestDistance = 0;
        for (const FakeDisplay& d : Topology().displays()) {
            if (!d.active) continue;
            const long long distance = DistanceSquared(d.rect, nearTo);
            if (!best || distance < bestDistance) {
                best = &d;
                bestDistance = distance;
            }
        }
        return best ? best->monitor : nullptr;
    }
    return nullptr;
}

HMONITOR WINAPI FakeMonitorFromPoint(POINT point, DWORD flags) {
    for (const FakeDisplay& d : Topology().displays()) {
        if (d.active && ::PtInRect(&d.rect, point)) return d.monitor;
    }
    return Fallback(flags, point);
}

HMONITOR WINAPI FakeMonitorFromRect(LPCRECT rect, DWORD flags) {
    if (!rect) return nullptr;
    const FakeDisplay* best = nullptr;
    long long bestArea = 0;
    for (const FakeDisplay& d : Topology().displays()) {
        if (!d.active) continue;
        const long long area = OverlapArea(d.rect, *rect);
        if (area > bestArea) {
            best = &d;
            bestArea = area;
        }
    }
    if (best) return best->monitor;
    return Fallback(flags, POINT{(rect->left + rect->right) / 2, (rect->top + rect->bottom) / 2});
}

HMONITOR WINAPI FakeMonitorFromWindow(HWND window, DWORD flags);

BOOL WINAPI FakeGetMonitorInfoW(HMONITOR monitor, LPMONITORINFO info) {
    const FakeDisplay* d = DisplayOfMonitor(monitor);
    if (!d || !info) return FALSE;
    if (info->cbSize != sizeof(MONITORINFO) && info->cbSize != sizeof(MONITORINFOEXW)) return FALSE;
    info->rcMonitor = d->rect;
    info->rcWork = IsEmpty(d->work) ? d->rect : d->work;
    info->dwFlags = (d->stateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) ? MONITORINFOF_PRIMARY : 0;
    if (info->cbSize == sizeof(MONITORINFOEXW)) Copy(reinterpret_cast<MONITORINFOEXW*>(info)->szDevice, d->deviceName);
    return TRUE;
}

BOOL WINAPI FakeEnumDisplayMonitors(HDC dc, LPCRECT clip, MONITORENUMPROC proc, LPARAM data) {
    if (!proc) return FALSE;
    // Copy first: the callback may change the topology.
    const std::vector<FakeDisplay> displays = Topology().displays();
    for (const FakeDisplay& d : displays) {
        if (!d.active) continue;
        RECT r = d.rect;
        if (clip && !::IntersectRect(&r, &d.rect, clip)) continue;
        if (!proc(d.monitor, dc, &r, data)) break;
    }
    return TRUE;
}

int WINAPI FakeGetSystemMetrics(int index) {
    const RECT screen = Topology().VirtualScreen();
    const FakeDisplay* primary = Topology().Primary();
    switch (index) {
    case SM_XVIRTUALSCREEN: return screen.left;
    case SM_YVIRTUALSCREEN: return screen.top;
    case SM_CXVIRTUALSCREEN: return screen.right - screen.left;
    case SM_CYVIRTUALSCREEN: return screen.bottom - screen.top;
    case SM_CXSCREEN: return primary ? primary->rect.right - primary->rect.left : 0;
    case SM_CYSCREEN: return primary ? primary->rect.bottom - primary->rect.top : 0;
    case SM_CMONITORS:
        return static_cast<int>(std::count_if(Topology().displays().begin(), Topology().displays().end(),
                                              [](const FakeDisplay& d) { return d.active; }));
    default: return RealPlatform().GetSystemMetrics(index);
    }
}

void FillDevice(DISPLAY_DEVICEW* out, const std::wstring& name, const std::wstring& text, DWORD flags,
                const std::wstring& id, const std::wstring& key) {
    const DWORD size = out->cb;
    ZeroMemory(reinterpret_cast<BYTE*>(out) + sizeof(DWORD), size - sizeof(DWORD));
    Copy(out->DeviceName, name);
    Copy(out->DeviceString, text);
    out->StateFlags = flags;
    if (size >= offsetof(DISPLAY_DEVICEW, DeviceKey)) Copy(out->DeviceID, id);
    if (size >= sizeof(DISPLAY_DEVICEW)) Copy(out->DeviceKey, key);
}

BOOL WINAPI FakeEnumDisplayDevicesW(LPCWSTR device, DWORD index, PDISPLAY_DEVICEW out, DWORD) {
    auto& topology = Topology();
    ++topology.calls.enumDevices;
    if (!out || out->cb < offsetof(DISPLAY_DEVICEW, DeviceID) || out->cb > sizeof(DISPLAY_DEVICEW)) return FALSE;
    if (!device) {
        if (index >= topology.displays().size()) return FALSE;
        const FakeDisplay& d = topology.displays()[index];
        FillDevice(out, d.deviceName, d.deviceString, d.stateFlags, L"PCI\\VEN_FAKE&DEV_0001",
                   L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\Video\\{FAKE}\\" +
                       std::to_wstring(index));
        return TRUE;
    }
    const FakeDisplay* d = topology.Find(device);
    if (!d || !d->active || index != 0) return FALSE;
    FillDevice(out, d->deviceName + L"\\Monitor0", d->monitorName,
               DISPLAY_DEVICE_ACTIVE | DISPLAY_DEVICE_ATTACHED, L"MONITOR\\FAKEMON",
               L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\Class\\{FAKE}\\0000");
    return TRUE;
}

BOOL WINAPI FakeEnumDisplaySettingsW(LPCWSTR device, DWORD modeNumber, DEVMODEW* mode) {
    auto& topology = Topology();
    ++topology.calls.enumSettings;
    if (!mode || mode->dmSize < offsetof(DEVMODEW, dmFormName)) return FALSE;
    const FakeDisplay* d = device ? topology.Find(device) : topology.Primary();
    if (!d || (d->stateFlags & DISPLAY_DEVICE_MIRRORING_DRIVER)) return FALSE;
    if (modeNumber == ENUM_CURRENT_SETTINGS || modeNumber == ENUM_REGISTRY_SETTINGS) {
        if (!d->active) return FALSE;
    } else if (modeNumber != 0) {
        return FALSE;
    }
    const WORD size = mode->dmSize;
    const WORD extra = mode->dmDriverExtra;
    ZeroMemory(mode, size);
    mode->dmSize = size;
    mode->dmDriverExtra = extra;
    Copy(mode->dmDeviceName, d->deviceName);
    mode->dmFields = DM_POSITION | DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL | DM_DISPLAYFREQUENCY |
                     DM_DISPLAYORIENTATION;
    mode->dmPosition = POINTL{d->rect.left, d->rect.top};
    mode->dmPelsWidth = static_cast<DWORD>(d->rect.right - d->rect.left);
    mode->dmPelsHeight = static_cast<DWORD>(d->rect.bottom - d->rect.top);
    mode->dmBitsPerPel = 32;
    mode->dmDisplayFrequency = 60;
    mode->dmDisplayOrientation = DMDO_DEFAULT;
    return TRUE;
}

// Display configuration.

std::vector<FakePath> PathsFor(UINT32 flags) {
    std::vector<FakePath> paths = Topology().Paths();
    if (flags & QDC_ONLY_ACTIVE_PATHS) {
        std::erase_if(paths, [](const FakePath& p) { return !(p.flags & DISPLAYCONFIG_PATH_ACTIVE); });
    }
    return paths;
}

bool ValidQueryFlags(UINT32 flags) {
    const UINT32 kinds = flags & (QDC_ALL_PATHS | QDC_ONLY_ACTIVE_PATHS | QDC_DATABASE_CURRENT);
    return kinds == QDC_ALL_PATHS || kinds == QDC_ONLY_ACTIVE_PATHS || kinds == QDC_DATABASE_CURRENT;
}

LONG WINAPI FakeGetDisplayConfigBufferSizes(UINT32 flags, UINT32* pathCount, UINT32* modeCount) {
    auto& topology = Topology();
    ++topology.calls.bufferSizes;
    if (topology.displayConfig.bufferSizesResult != ERROR_SUCCESS) return topology.displayConfig.bufferSizesResult;
    if (!pathCount || !modeCount || !ValidQueryFlags(flags)) return ERROR_INVALID_PARAMETER;
    const auto paths = PathsFor(flags);
    *pathCount = static_cast<UINT32>(paths.size());
    *modeCount = static_cast<UINT32>(paths.size() * 2);
    return ERROR_SUCCESS;
}

LONG WINAPI FakeQueryDisplayConfig(UINT32 flags, UINT32* pathCount, DISPLAYCONFIG_PATH_INFO* pathArray,
                                   UINT32* modeCount, DISPLAYCONFIG_MODE_INFO* modeArray,
                                   DISPLAYCONFIG_TOPOLOGY_ID* topologyId) {
    auto& topology = Topology();
    ++topology.calls.query;
    if (topology.displayConfig.queryResult != ERROR_SUCCESS) return topology.displayConfig.queryResult;
    if (!pathCount || !modeCount || !pathArray || !modeArray || !ValidQueryFlags(flags)) {
        return ERROR_INVALID_PARAMETER;
    }
    if ((flags & QDC_DATABASE_CURRENT) ? topologyId == nullptr : topologyId != nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    const auto paths = PathsFor(flags);
    if (*pathCount < paths.size() || *modeCount < paths.size() * 2) return ERROR_INSUFFICIENT_BUFFER;

    UINT32 modes = 0;
    for (size_t j = 0; j < paths.size(); ++j) {
        const FakePath& p = paths[j];
        DISPLAYCONFIG_PATH_INFO info{};
        info.sourceInfo.adapterId = kAdapterLuid;
        info.sourceInfo.id = p.sourceId;
        info.sourceInfo.modeInfoIdx = DISPLAYCONFIG_PATH_MODE_IDX_INVALID;
        info.targetInfo.adapterId = kAdapterLuid;
        info.targetInfo.id = p.targetId;
        info.targetInfo.modeInfoIdx = DISPLAYCONFIG_PATH_MODE_IDX_INVALID;
        info.targetInfo.outputTechnology = DISPLAYCONFIG_OUTPUT_TECHNOLOGY_HDMI;
        info.targetInfo.rotation = DISPLAYCONFIG_ROTATION_IDENTITY;
        info.targetInfo.scaling = DISPLAYCONFIG_SCALING_IDENTITY;
        info.targetInfo.scanLineOrdering = DISPLAYCONFIG_SCANLINE_ORDERING_PROGRESSIVE;
        info.targetInfo.targetAvailable = TRUE;
        info.flags = p.flags;
        const FakeDisplay* d = nullptr;
        for (const FakeDisplay& candidate : topology.displays()) {
            if (candidate.deviceName == p.sourceDevice) d = &candidate;
        }
        if ((p.flags & DISPLAYCONFIG_PATH_ACTIVE) && d) {
            DISPLAYCONFIG_MODE_INFO& source = modeArray[modes];
            source = DISPLAYCONFIG_MODE_INFO{};
            source.infoType = DISPLAYCONFIG_MODE_INFO_TYPE_SOURCE;
            source.id = p.sourceId;
            source.adapterId = kAdapterLuid;
            source.sourceMode.width = static_cast<UINT32>(d->rect.right - d->rect.left);
            source.sourceMode.height = static_cast<UINT32>(d->rect.bottom - d->rect.top);
            source.sourceMode.pixelFormat = DISPLAYCONFIG_PIXELFORMAT_32BPP;
            source.sourceMode.position = POINTL{d->rect.left, d->rect.top};
            info.sourceInfo.modeInfoIdx = modes++;
            DISPLAYCONFIG_MODE_INFO& target = modeArray[modes];
            target = DISPLAYCONFIG_MODE_INFO{};
            target.infoType = DISPLAYCONFIG_MODE_INFO_TYPE_TARGET;
            target.id = p.targetId;
            target.adapterId = kAdapterLuid;
            target.targetMode.targetVideoSignalInfo.activeSize = {source.sourceMode.width, source.sourceMode.height};
            target.targetMode.targetVideoSignalInfo.totalSize = {source.sourceMode.width, source.sourceMode.height};
            target.targetMode.targetVideoSignalInfo.vSyncFreq = {60, 1};
            info.targetInfo.modeInfoIdx = modes++;
        }
        pathArray[j] = info;
    }
    *pathCount = static_cast<UINT32>(paths.size());
    *modeCount = modes;
    if (topologyId) *topologyId = DISPLAYCONFIG_TOPOLOGY_EXTEND;
    return ERROR_SUCCESS;
}

LONG WINAPI FakeDisplayConfigGetDeviceInfo(DISPLAYCONFIG_DEVICE_INFO_HEADER* header) {
    auto& topology = Topology();
    ++topology.calls.deviceInfo;
    if (!header) return ERROR_INVALID_PARAMETER;
    const auto paths = topology.Paths();
    const bool sameAdapter = header->adapterId.LowPart == kAdapterLuid.LowPart &&
                             header->adapterId.HighPart == kAdapterLuid.HighPart;
    switch (header->type) {
    case DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME: {
        if (header->size != sizeof(DISPLAYCONFIG_SOURCE_DEVICE_NAME)) return ERROR_INVALID_PARAMETER;
        for (const FakePath& p : paths) {
            if (sameAdapter && p.sourceId == header->id) {
                auto* out = reinterpret_cast<DISPLAYCONFIG_SOURCE_DEVICE_NAME*>(header);
                Copy(out->viewGdiDeviceName, p.sourceDevice);
                return ERROR_SUCCESS;
            }
        }
        return ERROR_INVALID_PARAMETER;
    }
    case DISPLAYCONFIG_DEVICE_INFO_GET_TARGET_NAME: {
        if (header->size != sizeof(DISPLAYCONFIG_TARGET_DEVICE_NAME)) return ERROR_INVALID_PARAMETER;
        for (const FakePath& p : paths) {
            if (sameAdapter && p.targetId == header->id) {
                auto* out = reinterpret_cast<DISPLAYCONFIG_TARGET_DEVICE_NAME*>(header);
                out->flags.value = 0;
                out->flags.friendlyNameFromEdid = p.monitorName.empty() ? 0 : 1;
                out->outputTechnology = DISPLAYCONFIG_OUTPUT_TECHNOLOGY_HDMI;
                out->edidManufactureId = 0x1234;
                out->edidProductCodeId = 0x0001;
                out->connectorInstance = 0;
                Copy(out->monitorFriendlyDeviceName, p.monitorName);
                Copy(out->monitorDevicePath, L"\\\\?\\DISPLAY#FAKE0001#UID" + std::to_wstring(p.targetId));
                return ERROR_SUCCESS;
            }
        }
        return ERROR_INVALID_PARAMETER;
    }
    default: return ERROR_NOT_SUPPORTED;
    }
}

HMODULE WINAPI FakeLoadDisplayConfigModule(LPCWSTR name) {
    auto& topology = Topology();
    ++topology.calls.loadModule;
    if (!topology.displayConfig.moduleLoads || !name || _wcsicmp(name, L"User32.dll") != 0) return nullptr;
    return kFakeModule;
}

FARPROC WINAPI FakeGetDisplayConfigProc(HMODULE module, LPCSTR name) {
    auto& topology = Topology();
    if (module != kFakeModule || !name) return nullptr;
    topology.calls.procs.push_back(name);
    if (topology.displayConfig.missingProc == name) return nullptr;
    const auto proc = [](auto fn) { return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(fn)); };
    const std::string n = name;
    if (n == "GetDisplayConfigBufferSizes") return proc(&FakeGetDisplayConfigBufferSizes);
    if (n == "QueryDisplayConfig") return proc(&FakeQueryDisplayConfig);
    if (n == "DisplayConfigGetDeviceInfo") return proc(&FakeDisplayConfigGetDeviceInfo);
    return nullptr;
}

BOOL WINAPI FakeFreeDisplayConfigModule(HMODULE module) {
    ++Topology().calls.freeModule;
    return module == kFakeModule;
}

}  // namespace

struct FakeTopologyAccess {
    static const std::vector<std::pair<HWND, RECT>>& Placed(const FakeTopology& t) { return t.placedWindows_; }
};

namespace {

HMONITOR WINAPI FakeMonitorFromWindow(HWND window, DWORD flags) {
    RECT rect{};
    bool known = false;
    for (const auto& [placed, r] : FakeTopologyAccess::Placed(Topology())) {
        if (placed == window) {
            rect = r;
            known = true;
        }
    }
    if (!known && window && ::IsWindow(window)) {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof(placement);
        if (::IsIconic(window) && ::GetWindowPlacement(window, &placement)) {
            rect = placement.rcNormalPosition;
        } else {
            ::GetWindowRect(window, &rect);
        }
        known = true;
    }
    if (!known) return flags == MONITOR_DEFAULTTONULL ? nullptr : Fallback(flags, POINT{0, 0});
    return FakeMonitorFromRect(&rect, flags);
}

}  // namespace

FakeDisplay ActiveDisplay(int n, RECT rect, bool primary) {
    FakeDisplay d;
    d.deviceName = L"\\\\.\\DISPLAY" + std::to_wstring(n);
    d.stateFlags = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP | (primary ? DISPLAY_DEVICE_PRIMARY_DEVICE : 0);
    d.rect = rect;
    d.monitorName = L"Fake Monitor " + std::to_wstring(n);
    return d;
}

FakeDisplay InactiveDisplay(int n) {
    FakeDisplay d;
    d.deviceName = L"\\\\.\\DISPLAY" + std::to_wstring(n);
    d.stateFlags = 0;
    d.active = false;
    d.monitorName = L"Fake Monitor " + std::to_wstring(n);
    return d;
}

FakeDisplay MirroringDriver(const wchar_t* deviceName) {
    FakeDisplay d;
    d.deviceName = deviceName;
    d.deviceString = L"Fake Mirror Driver";
    d.stateFlags = DISPLAY_DEVICE_MIRRORING_DRIVER;
    d.active = false;
    d.hasPath = false;
    d.monitorName.clear();
    return d;
}

FakeTopology::FakeTopology() {
    if (g_topology) throw std::logic_error("a FakeTopology is already installed");
    auto& platform = Platform();
    saved_ = platform;
    platform.EnumDisplayDevicesW = FakeEnumDisplayDevicesW;
    platform.EnumDisplaySettingsW = FakeEnumDisplaySettingsW;
    platform.MonitorFromPoint = FakeMonitorFromPoint;
    platform.MonitorFromWindow = FakeMonitorFromWindow;
    platform.MonitorFromRect = FakeMonitorFromRect;
    platform.GetMonitorInfoW = FakeGetMonitorInfoW;
    platform.EnumDisplayMonitors = FakeEnumDisplayMonitors;
    platform.GetSystemMetrics = FakeGetSystemMetrics;
    platform.LoadDisplayConfigModule = FakeLoadDisplayConfigModule;
    platform.GetDisplayConfigProc = FakeGetDisplayConfigProc;
    platform.FreeDisplayConfigModule = FakeFreeDisplayConfigModule;
    g_topology = this;
}

FakeTopology::~FakeTopology() {
    auto& platform = Platform();
    platform.EnumDisplayDevicesW = saved_.EnumDisplayDevicesW;
    platform.EnumDisplaySettingsW = saved_.EnumDisplaySettingsW;
    platform.MonitorFromPoint = saved_.MonitorFromPoint;
    platform.MonitorFromWindow = saved_.MonitorFromWindow;
    platform.MonitorFromRect = saved_.MonitorFromRect;
    platform.GetMonitorInfoW = saved_.GetMonitorInfoW;
    platform.EnumDisplayMonitors = saved_.EnumDisplayMonitors;
    platform.GetSystemMetrics = saved_.GetSystemMetrics;
    platform.LoadDisplayConfigModule = saved_.LoadDisplayConfigModule;
    platform.GetDisplayConfigProc = saved_.GetDisplayConfigProc;
    platform.FreeDisplayConfigModule = saved_.FreeDisplayConfigModule;
    g_topology = nullptr;
}

FakeDisplay& FakeTopology::Add(FakeDisplay display) {
    const UINT32 position = static_cast<UINT32>(displays_.size());
    display.monitor = reinterpret_cast<HMONITOR>(nextMonitor_);
    nextMonitor_ += 0x10;
    if (display.sourceId == kAutoId) display.sourceId = position;
    if (display.targetId == kAutoId) display.targetId = kFirstTargetId + position;
    displays_.push_back(std::move(display));
    return displays_.back();
}

void FakeTopology::Remove(const std::wstring& deviceName) {
    std::erase_if(displays_, [&](const FakeDisplay& d) { return SameName(d.deviceName, deviceName.c_str()); });
}

FakeDisplay* FakeTopology::Find(const std::wstring& deviceName) {
    for (FakeDisplay& d : displays_) {
        if (SameName(d.deviceName, deviceName.c_str())) return &d;
    }
    return nullptr;
}

std::vector<FakePath> FakeTopology::Paths() const {
    if (useCustomPaths_) return customPaths_;
    // As Windows answers all paths: the active ones first.
    std::vector<FakePath> paths;
    for (bool active : {true, false}) {
        for (const FakeDisplay& d : displays_) {
            if (!d.hasPath || d.active != active) continue;
            paths.push_back(FakePath{d.deviceName, d.sourceId, d.targetId,
                                     active ? static_cast<UINT32>(DISPLAYCONFIG_PATH_ACTIVE) : 0u, d.monitorName});
        }
    }
    paths.insert(paths.end(), extraPaths.begin(), extraPaths.end());
    return paths;
}

void FakeTopology::SetPaths(std::vector<FakePath> paths) {
    customPaths_ = std::move(paths);
    useCustomPaths_ = true;
}

void FakeTopology::PlaceWindow(HWND window, RECT rect) {
    for (auto& [placed, r] : placedWindows_) {
        if (placed == window) {
            r = rect;
            return;
        }
    }
    placedWindows_.emplace_back(window, rect);
}

RECT FakeTopology::VirtualScreen() const {
    RECT box{};
    bool any = false;
    for (const FakeDisplay& d : displays_) {
        if (!d.active) continue;
        if (!any) {
            box = d.rect;
            any = true;
        } else {
            ::UnionRect(&box, &box, &d.rect);
        }
    }
    return box;
}

const FakeDisplay* FakeTopology::Primary() const {
    const FakeDisplay* first = nullptr;
    for (const FakeDisplay& d : displays_) {
        if (!d.active) continue;
        if (d.stateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) return &d;
        if (!first) first = &d;
    }
    return first;
}

HMODULE FakeTopology::FakeModule() { return kFakeModule; }
FakeTopology* FakeTopology::Current() { return g_topology; }

// The monitor enumeration key.

const wchar_t* MonitorEnumKey::Path() { return L"System\\CurrentControlSet\\services\\monitor\\enum"; }

MonitorEnumKey::MonitorEnumKey(const std::vector<std::wstring>& values)
    : MonitorEnumKey(values, static_cast<DWORD>(values.size())) {}

MonitorEnumKey::MonitorEnumKey(const std::vector<std::wstring>& values, DWORD count) {
    Delete();
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, Path(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        throw std::runtime_error("cannot create the monitor enumeration key");
    }
    ::RegSetValueExW(key, L"Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof(count));
    for (size_t k = 0; k < values.size(); ++k) {
        const std::wstring name = std::to_wstring(k);
        ::RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(values[k].c_str()),
                         static_cast<DWORD>((values[k].size() + 1) * sizeof(wchar_t)));
    }
    ::RegCloseKey(key);
}

MonitorEnumKey::~MonitorEnumKey() { Delete(); }

void MonitorEnumKey::Delete() { ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, Path()); }

std::wstring MonitorEnumKey::ValueFor(UINT32 targetId) {
    return L"DISPLAY\\FAKE0001\\5&2f1c3a7&0&UID" + std::to_wstring(targetId);
}

std::vector<std::wstring> MonitorEnumKey::ValuesFor(const FakeTopology& topology) {
    std::vector<std::wstring> values;
    for (const FakePath& p : topology.Paths()) {
        if (p.flags & DISPLAYCONFIG_PATH_ACTIVE) values.push_back(ValueFor(p.targetId));
    }
    return values;
}

}  // namespace velk::test
