// Stand-ins for Tarnlet.dll that lack one export each, built once per
// variant: FAKE_NO_INSTALL, FAKE_NO_POPUP_SETTER, FAKE_NO_CLEAR_HOOK, and
// FAKE_CLEAR_FAILS whose ClearHook answers 0. They install no hooks; they
// record every call under HKCU kFakeTarnletKey, and an unload by FreeLibrary
// as "FreedByProgram", so the test can see what the program did.
#include <windows.h>

namespace {

constexpr wchar_t kKey[] = L"Software\\VelkTest\\FakeTarnlet";
constexpr wchar_t kInstanceProperty[] = L"{205F70F3-E6A9-4651-A1F2-7659D9FC0827}";

void Record(const wchar_t* name, DWORD value) {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, name, REG_DWORD, &value, sizeof(value));
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // No reserved pointer at detach: unloaded by FreeLibrary, not by the end
    // of the process.
    if (reason == DLL_PROCESS_DETACH && !reserved) Record(L"FreedByProgram", 1);
    return TRUE;
}

#define FAKE_EXPORT extern "C" __declspec(dllexport)

#ifndef FAKE_NO_INSTALL
FAKE_EXPORT BOOL WINAPI HookInstall(HWND window, UINT* commandIds) {
    for (int i = 0; i < 13; ++i) commandIds[i] = 0xC000 + static_cast<UINT>(i);
    Record(L"HookInstall", ::IsWindow(window) ? 1 : 0);
    return TRUE;
}
#endif

#ifndef FAKE_NO_CLEAR_HOOK
FAKE_EXPORT BOOL WINAPI ClearHook(HWND window) {
    Record(L"ClearHook", 1);
    Record(L"PropertyAtClearHook", ::GetPropW(window, kInstanceProperty) ? 1 : 0);
#ifdef FAKE_CLEAR_FAILS
    return FALSE;
#else
    return TRUE;
#endif
}
#endif

FAKE_EXPORT BOOL WINAPI SetWinMoveNextNotifyMessage(UINT message) {
    Record(L"SetWinMoveNextNotifyMessage", message);
    return TRUE;
}

#ifndef FAKE_NO_POPUP_SETTER
FAKE_EXPORT BOOL WINAPI SetMenuPopupNotifyMessage(UINT message) {
    Record(L"SetMenuPopupNotifyMessage", message);
    return TRUE;
}
#endif

FAKE_EXPORT BOOL WINAPI SetMenuSelectedNotifyMessage(UINT message) {
    Record(L"SetMenuSelectedNotifyMessage", message);
    return TRUE;
}

FAKE_EXPORT BOOL WINAPI SetAppCreateDestroyNotifyMessage(UINT message) {
    Record(L"SetAppCreateDestroyNotifyMessage", message);
    return TRUE;
}
