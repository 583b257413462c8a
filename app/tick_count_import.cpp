// Linked into the program itself (not into a library), so that the import
// slot below is defined before the thread library asks for GetTickCount64
// and the program's import table does not name it.
#include "app/tick_count_import.h"
#include <atomic>

namespace velk {

using TickCount64Fn = ULONGLONG(WINAPI*)();

namespace {

// No function-local statics here: their guards may wait, and waits ask for
// the tick count.
std::atomic<bool> g_looked{false};
std::atomic<TickCount64Fn> g_system{nullptr};
std::atomic<ULONGLONG> g_extended{0};

TickCount64Fn SystemTickCount64() noexcept {
    if (!g_looked.load()) {
        HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
        FARPROC found = kernel ? ::GetProcAddress(kernel, "GetTickCount64") : nullptr;
        g_system.store(reinterpret_cast<TickCount64Fn>(reinterpret_cast<void*>(found)));
        g_looked.store(true);
    }
    return g_system.load();
}

}  // namespace

ULONGLONG WINAPI TickCount64() noexcept {
    if (TickCount64Fn system = SystemTickCount64()) return system();
    // Threads that race carry on from the latest value: the count never goes back.
    ULONGLONG last = g_extended.load();
    ULONGLONG next;
    do next = ExtendTickCount(last, ::GetTickCount());
    while (!g_extended.compare_exchange_weak(last, next));
    return next;
}

}  // namespace velk

// The import slot of GetTickCount64 (the symbol a dllimport call reads).
#ifdef _WIN64
#define VELK_TICK_COUNT64_SLOT "__imp_GetTickCount64"
#else
#define VELK_TICK_COUNT64_SLOT "__imp__GetTickCount64@0"
#endif
extern "C" {
velk::TickCount64Fn velk_tick_count64_slot __asm__(VELK_TICK_COUNT64_SLOT) = &velk::TickCount64;
}
