// The program's own entry for GetTickCount64, which Windows has from 6.0 on:
// the thread library linked into the program calls it, and an import of it
// would keep the program from starting on Windows XP.
#pragma once
#include <windows.h>

namespace velk {

// A 64-bit tick count carried on from `last` by the 32-bit count `now`: the
// wrap-safe 32-bit difference added to it (right while it is read at least
// once every 49.7 days).
constexpr ULONGLONG ExtendTickCount(ULONGLONG last, DWORD now) noexcept {
    return last + static_cast<DWORD>(now - static_cast<DWORD>(last));
}

// The system's GetTickCount64 where it has one, else GetTickCount extended.
ULONGLONG WINAPI TickCount64() noexcept;

}  // namespace velk
