#include "display/display_numbering.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>

#include "framework/platform.h"

namespace {

using GetDisplayConfigBufferSizesFn = decltype(&::GetDisplayConfigBufferSizes);
using QueryDisplayConfigFn = decltype(&::QueryDisplayConfig);
using DisplayConfigGetDeviceInfoFn = decltype(&::DisplayConfigGetDeviceInfo);

static_assert(sizeof(DISPLAYCONFIG_TARGET_DEVICE_NAME) == 420);
static_assert(sizeof(DISPLAYCONFIG_SOURCE_DEVICE_NAME) == 84);

// The entry points of the last lookup; valid while the table's
// DisplayConfigModule is loaded.
GetDisplayConfigBufferSizesFn g_getDisplayConfigBufferSizes = nullptr;
QueryDisplayConfigFn g_queryDisplayConfig = nullptr;
DisplayConfigGetDeviceInfoFn g_displayConfigGetDeviceInfo = nullptr;

constexpr wchar_t kMonitorEnumKey[] = L"System\\CurrentControlSet\\services\\monitor\\enum";
constexpr int kMonitorValues = 32;  // registry values "0" to "31"
constexpr uint32_t kHighestGdiNumber = 49;

// A looked-up entry point as the function type it has.
template <class Fn>
Fn EntryPoint(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(velk::Platform().GetDisplayConfigProc(module, name)));
}

void ForgetEntryPoints() noexcept {
    g_getDisplayConfigBufferSizes = nullptr;
    g_queryDisplayConfig = nullptr;
    g_displayConfigGetDeviceInfo = nullptr;
}

// The text of a REG_SZ or REG_EXPAND_SZ value; empty for any other type or
// when it cannot be read.
std::wstring ReadStringValue(HKEY key, const wchar_t* valueName) {
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return {};
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || bytes == 0) return {};
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return {};
    }
    text.resize(wcsnlen(text.c_str(), bytes / sizeof(wchar_t)));
    return text;
}

DWORD ReadDwordValue(HKEY key, const wchar_t* valueName) {
    DWORD type = 0;
    DWORD value = 0;
    DWORD bytes = sizeof(value);
    if (::RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || bytes != sizeof(value)) {
        return 0;
    }
    return value;
}

void CopyName(wchar_t* out, const wchar_t* text) noexcept {
    wcsncpy(out, text, kDisplayNameLength - 1);
    out[kDisplayNameLength - 1] = L'\0';
}

}  // namespace

uint32_t GdiNumberOfDeviceName(const wchar_t* deviceName) noexcept {
    if (!deviceName) return 0;
    const wchar_t* y = wcschr(deviceName, L'Y');
    if (!y) return 0;
    uint32_t number = 0;
    for (const wchar_t* p = y + 1; *p >= L'0' && *p <= L'9'; ++p) {
        const uint32_t digit = static_cast<uint32_t>(*p - L'0');
        if (number > (UINT32_MAX - digit) / 10) return UINT32_MAX;  // saturate: no real device
        number = number * 10 + digit;
    }
    return number;
}

bool LoadDisplayConfigApi(DisplayList& list) {
    ForgetEntryPoints();
    if (!list.DisplayConfigModule) list.DisplayConfigModule = velk::Platform().LoadDisplayConfigModule(L"User32.dll");
    if (!list.DisplayConfigModule) return false;

    g_getDisplayConfigBufferSizes =
        EntryPoint<GetDisplayConfigBufferSizesFn>(list.DisplayConfigModule, "GetDisplayConfigBufferSizes");
    if (!g_getDisplayConfigBufferSizes) return false;
    g_queryDisplayConfig = EntryPoint<QueryDisplayConfigFn>(list.DisplayConfigModule, "QueryDisplayConfig");
    if (!g_queryDisplayConfig) return false;
    g_displayConfigGetDeviceInfo =
        EntryPoint<DisplayConfigGetDeviceInfoFn>(list.DisplayConfigModule, "DisplayConfigGetDeviceInfo");
    return g_displayConfigGetDeviceInfo != nullptr;
}

bool LoadDisplayConfigApi() {
    DisplayList* list = CurrentDisplayList();
    return list ? LoadDisplayConfigApi(*list) : false;
}

void ReleaseDisplayConfigApi(DisplayList& list) {
    ForgetEntryPoints();
    if (list.DisplayConfigModule) {
        velk::Platform().FreeDisplayConfigModule(list.DisplayConfigModule);
        list.DisplayConfigModule = nullptr;
    }
}

bool DisplayNumbering::Open() {
    open_ = false;
    paths_.clear();
    modes_.clear();
    key_.reset();
    count_ = 0;
    if (!g_getDisplayConfigBufferSizes || !g_queryDisplayConfig || !g_displayConfigGetDeviceInfo) return false;

    UINT32 pathCount = 0;
    UINT32 modeCount = 0;
    if (g_getDisplayConfigBufferSizes(QDC_ALL_PATHS, &pathCount, &modeCount) != ERROR_SUCCESS) return false;
    paths_.assign(pathCount, DISPLAYCONFIG_PATH_INFO{});
    modes_.assign(modeCount, DISPLAYCONFIG_MODE_INFO{});
    if (g_queryDisplayConfig(QDC_ALL_PATHS, &pathCount, paths_.data(), &modeCount, modes_.data(), nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    // The query may answer fewer entries than the sizes promised.
    if (pathCount < paths_.size()) paths_.resize(pathCount);
    if (modeCount < modes_.size()) modes_.resize(modeCount);
    if (paths_.empty()) return false;

    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMonitorEnumKey, 0, KEY_READ, key_.put()) != ERROR_SUCCESS) {
        key_.release();
        return false;
    }
    count_ = ReadDwordValue(key_.get(), L"Count");
    open_ = true;
    return true;
}

uint32_t DisplayNumbering::NumberAndName(const wchar_t* deviceName, wchar_t* name) const {
    if (!open_ || !deviceName) return 0;
    const uint32_t ownGdiNumber = GdiNumberOfDeviceName(deviceName);
    const size_t pathLimit = std::min<size_t>(count_, paths_.size());

    uint32_t matches = 0;
    bool counted[kMonitorValues] = {};
    for (uint32_t n = 1; n <= kHighestGdiNumber; ++n) {
        for (size_t j = 0; j < pathLimit; ++j) {
            const DISPLAYCONFIG_PATH_INFO& path = paths_[j];

            DISPLAYCONFIG_TARGET_DEVICE_NAME target{};
            target.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_TARGET_NAME;
            target.header.size = sizeof(target);
            target.header.adapterId = path.targetInfo.adapterId;
            target.header.id = path.targetInfo.id;
            g_displayConfigGetDeviceInfo(&target.header);

            DISPLAYCONFIG_SOURCE_DEVICE_NAME source{};
            source.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME;
            source.header.size = sizeof(source);
            source.header.adapterId = path.sourceInfo.adapterId;
            source.header.id = path.sourceInfo.id;
            g_displayConfigGetDeviceInfo(&source.header);
            source.viewGdiDeviceName[CCHDEVICENAME - 1] = L'\0';

            if (GdiNumberOfDeviceName(source.viewGdiDeviceName) != n) continue;

            wchar_t uid[24];
            swprintf(uid, sizeof(uid) / sizeof(uid[0]), L"UID%u", static_cast<unsigned>(path.targetInfo.id));
            for (int k = 0; k < kMonitorValues; ++k) {
                if (counted[k]) continue;
                wchar_t valueName[12];
                swprintf(valueName, sizeof(valueName) / sizeof(valueName[0]), L"%d", k);
                const std::wstring value = ReadStringValue(key_.get(), valueName);
                if (value.empty() || value.find(uid) == std::wstring::npos) continue;
                ++matches;
                counted[k] = true;
                if (n == ownGdiNumber && path.flags == DISPLAYCONFIG_PATH_ACTIVE) {
                    target.monitorFriendlyDeviceName[kDisplayNameLength - 1] = L'\0';
                    CopyName(name, target.monitorFriendlyDeviceName[0] ? target.monitorFriendlyDeviceName
                                                                          : L"VGA Display");
                    return matches;
                }
            }
        }
    }
    return matches;
}

uint32_t GetDisplayNumberAndName(const wchar_t* deviceName, wchar_t* name) {
    DisplayNumbering numbering;
    if (!numbering.Open()) return 0;
    return numbering.NumberAndName(deviceName, name);
}
