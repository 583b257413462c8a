#include "taskbar/visual_styles.h"
#include "framework/handles.h"

namespace {

template <class Fn>
Fn Lookup(const velk::UniqueModule& module, const char* name) noexcept {
    if (!module) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module.get(), name)));
}

}  // namespace

ThemeHandle OpenThemeDataDynamic(HWND window, const wchar_t* classList) noexcept {
    velk::UniqueModule module(::LoadLibraryW(L"UxTheme.dll"));
    using Fn = HANDLE(WINAPI*)(HWND, LPCWSTR);
    auto open = Lookup<Fn>(module, "OpenThemeData");
    return open ? open(window, classList) : nullptr;
}

bool DrawThemeBackgroundCall(ThemeHandle theme, HDC dc, int part, int state, const RECT& rect) noexcept {
    if (!theme) return false;
    velk::UniqueModule module(::LoadLibraryW(L"UxTheme.dll"));
    using Fn = HRESULT(WINAPI*)(HANDLE, HDC, int, int, const RECT*, const RECT*);
    auto draw = Lookup<Fn>(module, "DrawThemeBackground");
    return draw && SUCCEEDED(draw(theme, dc, part, state, &rect, nullptr));
}

void CloseThemeDataDynamic(ThemeHandle theme) noexcept {
    if (!theme) return;
    velk::UniqueModule module(::LoadLibraryW(L"UxTheme.dll"));
    using Fn = HRESULT(WINAPI*)(HANDLE);
    if (auto close = Lookup<Fn>(module, "CloseThemeData")) close(theme);
}
