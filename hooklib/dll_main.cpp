// Entry routine of Tarnlet.dll. The library carries no C runtime: nothing is
// constructed or torn down when Windows maps it into a hooked process.
#include "hooklib/hook_core.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) velk::hooklib::AttachProcess(instance);
    return TRUE;
}
