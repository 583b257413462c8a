// Run-time binding of a library's entry points as one table: the whole table
// is bound (library loaded, every entry point resolved) and unbound (every
// entry point cleared, library released) at once, and a hook is consulted
// before the library is loaded and before each entry point is resolved, so
// that it can hand back a module or an entry point of its own choosing.
#pragma once
#include <windows.h>
#include <cstddef>

namespace velk {

enum class BinderEvent {
    BeforeLoadLibrary,      // the hook may answer a module (cast to FARPROC)
    BeforeGetProcAddress,   // the hook may answer the entry point
    LoadLibraryFailed,      // the library could not be loaded; the hook may answer a module
    GetProcAddressFailed,   // the entry point is missing; the hook may answer one
};

struct BinderRecord {
    const char* libraryName;
    const char* entryName;  // null for the library events
    HMODULE module;         // the module entry points are resolved in; null before it is loaded
    DWORD lastError;        // for the failure events
};

// Answers null to let the binder go on as usual.
using BinderHook = FARPROC (*)(BinderEvent event, const BinderRecord& record) noexcept;

class LateBindingTable {
public:
    // `slots` holds one entry point per name; all of them start unbound (null).
    constexpr LateBindingTable(const char* libraryName, const char* const* entryNames, FARPROC* slots,
                               size_t count, BinderHook hook) noexcept
        : libraryName_(libraryName), entryNames_(entryNames), slots_(slots), count_(count), hook_(hook) {}
    LateBindingTable(const LateBindingTable&) = delete;
    LateBindingTable& operator=(const LateBindingTable&) = delete;

    // Binds every entry point; true when all of them are bound.
    bool BindAll() noexcept;
    // Clears every entry point and releases the library.
    void UnbindAll() noexcept;
    // The entry point at `index`, bound on the spot when it is not (loading the
    // library first when needed); null when it cannot be bound.
    FARPROC Entry(size_t index) noexcept;

private:
    HMODULE AcquireModule() noexcept;
    FARPROC Resolve(size_t index, HMODULE module) noexcept;

    const char* libraryName_;
    const char* const* entryNames_;
    FARPROC* slots_;
    size_t count_;
    BinderHook hook_;
    HMODULE module_ = nullptr;
};

}  // namespace velk
