// What the fake Active Desktop object keeps under HKCU, shared by the fake and
// the tests that steer and read it.
#pragma once

namespace velk::test {

// Key of the fake's state and call record.
inline constexpr wchar_t kFakeActiveDesktopKey[] = L"Software\\VelkTest\\FakeActiveDesktop";
// "Wallpaper" (string) and "Style" (DWORD): the wallpaper the object reports
// and that its setters change. "ActiveDesktop" (DWORD): the switch that
// GetDesktopItemOptions reports. "Log" (string): one line per call,
// "Name(arguments)\n".
// "FailSet" (DWORD 1): SetWallpaper answers E_FAIL.

}  // namespace velk::test
