// Inside of the hook library: the record that every process mapping the
// library shares, the per-process command ids, and the three hook procedures.
// The library's entry routine, its tests and its benchmark use this header.
#pragma once
#include <windows.h>
#include <atomic>
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
};

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
