// The fake Active Desktop object: a complete IActiveDesktop whose wallpaper
// methods work on a state kept in the registry and record their calls; every
// other method answers E_NOTIMPL.
#include "testing/fakedesktop/fake_active_desktop_control.h"
#include <windows.h>
#include <wininet.h>
#include <shlobj.h>
#include <cwchar>
#include <string>

using velk::test::kFakeActiveDesktopKey;

namespace {

const CLSID kClsidActiveDesktop = {0x75048700, 0xEF1F, 0x11D0, {0x98, 0x88, 0x00, 0x60, 0x97, 0xDE, 0xAC, 0xF9}};
const IID kIidActiveDesktop = {0xF490EB00, 0x1240, 0x11D1, {0x98, 0x88, 0x00, 0x60, 0x97, 0xDE, 0xAC, 0xF9}};

LONG g_objects = 0;

std::wstring ReadString(const wchar_t* name) {
    wchar_t buffer[2048] = {};
    DWORD bytes = sizeof(buffer);
    ::RegGetValueW(HKEY_CURRENT_USER, kFakeActiveDesktopKey, name, RRF_RT_REG_SZ, nullptr, buffer, &bytes);
    return buffer;
}

DWORD ReadDword(const wchar_t* name) {
    DWORD value = 0, bytes = sizeof(value);
    ::RegGetValueW(HKEY_CURRENT_USER, kFakeActiveDesktopKey, name, RRF_RT_REG_DWORD, nullptr, &value, &bytes);
    return value;
}

void WriteString(const wchar_t* name, const std::wstring& value) {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kFakeActiveDesktopKey, name, REG_SZ, value.c_str(),
                      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void WriteDword(const wchar_t* name, DWORD value) {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kFakeActiveDesktopKey, name, REG_DWORD, &value, sizeof(value));
}

void Log(const wchar_t* format, ...) {
    wchar_t line[1024] = {};
    va_list args;
    va_start(args, format);
    _vsnwprintf_s(line, std::size(line), _TRUNCATE, format, args);
    va_end(args);
    WriteString(L"Log", ReadString(L"Log") + line + L"\n");
}

class FakeActiveDesktop final : public IActiveDesktop {
public:
    FakeActiveDesktop() { ::InterlockedIncrement(&g_objects); }
    virtual ~FakeActiveDesktop() { ::InterlockedDecrement(&g_objects); }

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == kIidActiveDesktop) {
            *out = static_cast<IActiveDesktop*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG left = ::InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    STDMETHODIMP ApplyChanges(DWORD flags) override {
        Log(L"ApplyChanges(%lu)", flags);
        return S_OK;
    }
    STDMETHODIMP GetWallpaper(PWSTR path, UINT units, DWORD flags) override {
        Log(L"GetWallpaper(%u,%lu)", units, flags);
        if (!path || units == 0) return E_INVALIDARG;
        std::wstring wallpaper = ReadString(L"Wallpaper");
        if (wallpaper.size() >= units) return E_INVALIDARG;
        ::wcscpy_s(path, units, wallpaper.c_str());
        return S_OK;
    }
    STDMETHODIMP SetWallpaper(PCWSTR path, DWORD reserved) override {
        Log(L"SetWallpaper(%ls,%lu)", path ? path : L"(null)", reserved);
        if (ReadDword(L"FailSet")) return E_FAIL;
        WriteString(L"Wallpaper", path ? path : L"");
        return S_OK;
    }
    STDMETHODIMP GetWallpaperOptions(LPWALLPAPEROPT options, DWORD reserved) override {
        Log(L"GetWallpaperOptions(%lu,%lu)", options ? options->dwSize : 0, reserved);
        if (!options || options->dwSize != sizeof(WALLPAPEROPT)) return E_INVALIDARG;
        options->dwStyle = ReadDword(L"Style");
        return S_OK;
    }
    STDMETHODIMP SetWallpaperOptions(LPCWALLPAPEROPT options, DWORD reserved) override {
        Log(L"SetWallpaperOptions(%lu,%lu,%lu)", options ? options->dwSize : 0, options ? options->dwStyle : 0,
            reserved);
        if (!options || options->dwSize != sizeof(WALLPAPEROPT)) return E_INVALIDARG;
        WriteDword(L"Style", options->dwStyle);
        return S_OK;
    }
    STDMETHODIMP GetDesktopItemOptions(LPCOMPONENTSOPT options, DWORD) override {
        if (!options || options->dwSize != sizeof(COMPONENTSOPT)) return E_INVALIDARG;
        options->fEnableComponents = FALSE;
        options->fActiveDesktop = ReadDword(L"ActiveDesktop") ? TRUE : FALSE;
        return S_OK;
    }
    STDMETHODIMP GetPattern(PWSTR, UINT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetPattern(PCWSTR, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetDesktopItemOptions(LPCCOMPONENTSOPT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP AddDesktopItem(LPCCOMPONENT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP AddDesktopItemWithUI(HWND, LPCOMPONENT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP ModifyDesktopItem(LPCCOMPONENT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveDesktopItem(LPCCOMPONENT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetDesktopItemCount(int*, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetDesktopItem(int, LPCOMPONENT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetDesktopItemByID(ULONG_PTR, LPCOMPONENT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GenerateDesktopItemHtml(PCWSTR, LPCOMPONENT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP AddUrl(HWND, PCWSTR, LPCOMPONENT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetDesktopItemBySource(PCWSTR, LPCOMPONENT, DWORD) override { return E_NOTIMPL; }

private:
    LONG refs_ = 1;
};

class Factory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* object = new FakeActiveDesktop();
        HRESULT hr = object->QueryInterface(riid, out);
        object->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

}  // namespace

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
    if (clsid != kClsidActiveDesktop) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, out);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return g_objects == 0 ? S_OK : S_FALSE; }
