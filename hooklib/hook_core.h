// Inside of the hook library: the record that every process mapping the
// library shares, the per-process command ids, and the three hook procedures.
// The library's entry routine, its tests and its benchmark use this header.
#pragma once
#include <windows.h>
#include <atomic>
#include <cstdint>
#include "hooklib/tarnlet.h"

namespace velk::hooklib {

// One record for the whole desktop: it lives in the shared data section, so
// every process that maps the library reads and writes the same fields. Each
// field is one aligned word, read and written without locks.
struct SharedRecord {
    std::atomic<UINT> AppCreateDestroyMessage;
    std::atomic<UINT> MenuSelectedMessage;
    std::atomic<UINT> MenuPopupMessage;
    std::atomic<UINT> WinMoveNextMessage;
    std::atomic<HHOOK> ShellHook;
    std::atomic<HMODULE> Module;
    std::atomic<HHOOK> GetMessageHook;
    std::atomic<HHOOK> CallWndProcHook;
    std::atomic<HWND> NotifyWindow;  // non-null: the hooks are installed
    // The process that holds the hooks: its id in the high 32 bits and the
    // low 32 bits of its creation time (100 ns units) in the low ones, so a
    // re-used id is not taken for the owner; 0 while nobody holds them.
    // Claimed with one compare-exchange.
    std::atomic<uint64_t> Owner;
};

// The owner word of a process: id and creation time; 0 when the creation
// time cannot be read.
uint64_t OwnerToken(HANDLE process, DWORD processId) noexcept;
// True while the process the owner word names still runs (a process that
// cannot be opened for lack of rights counts as running).
bool IsOwnerAlive(uint64_t owner) noexcept;

// The shared record of this image.
SharedRecord& SharedData() noexcept;

// This process's 13 registered command ids (filled by AttachProcess).
const UINT* SystemMenuCommandIds() noexcept;

// What the entry routine does at process attach: remembers the module and
// registers the command-id names.
void AttachProcess(HMODULE module) noexcept;

LRESULT CALLBACK CallWndProcHookProc(int code, WPARAM wParam, LPARAM lParam) noexcept;
LRESULT CALLBACK GetMessageHookProc(int code, WPARAM wParam, LPARAM lParam) noexcept;
LRESULT CALLBACK ShellHookProc(int code, WPARAM wParam, LPARAM lParam) noexcept;

}  // namespace velk::hooklib
