#include "display/addon_binder.h"
#include "framework/trace.h"
#include <string>

namespace velk {
namespace {

// Every module the binder holds carries one load reference, except the
// process's own module, which a hook may hand back and which is never freed.
void ReleaseModule(HMODULE module) noexcept {
    if (module && module != ::GetModuleHandleW(nullptr)) ::FreeLibrary(module);
}

// Traces a failed load or look-up with the library's or entry point's name.
void TraceBindFailure(const wchar_t* call, const char* name, DWORD error) noexcept {
    try {
        std::wstring what(call);
        for (const char* c = name; c && *c; ++c) what += static_cast<wchar_t>(static_cast<unsigned char>(*c));
        TraceFailure(what, error);
    } catch (...) {
        // No memory for the text: the trace is left out.
    }
}

}  // namespace

HMODULE LateBindingTable::AcquireModule() noexcept {
    if (module_) return module_;
    BinderRecord record{libraryName_, nullptr, nullptr, 0};
    HMODULE module = hook_ ? reinterpret_cast<HMODULE>(hook_(BinderEvent::BeforeLoadLibrary, record)) : nullptr;
    if (!module) {
        module = ::LoadLibraryA(libraryName_);
        if (!module) {
            record.lastError = ::GetLastError();
            TraceBindFailure(L"LoadLibrary ", libraryName_, record.lastError);
            module = hook_ ? reinterpret_cast<HMODULE>(hook_(BinderEvent::LoadLibraryFailed, record)) : nullptr;
            if (!module) return nullptr;
        }
    }
    // The hook may itself have called an entry point, which bound the library
    // through a nested call: keep that one and drop the extra reference.
    if (module_) {
        ReleaseModule(module);
        return module_;
    }
    module_ = module;
    return module_;
}

FARPROC LateBindingTable::Resolve(size_t index, HMODULE module) noexcept {
    BinderRecord record{libraryName_, entryNames_[index], module, 0};
    FARPROC entry = hook_ ? hook_(BinderEvent::BeforeGetProcAddress, record) : nullptr;
    if (!entry) {
        entry = ::GetProcAddress(module, entryNames_[index]);
        if (!entry) {
            record.lastError = ::GetLastError();
            TraceBindFailure(L"GetProcAddress ", entryNames_[index], record.lastError);
            entry = hook_ ? hook_(BinderEvent::GetProcAddressFailed, record) : nullptr;
        }
    }
    slots_[index] = entry;
    return entry;
}

bool LateBindingTable::BindAll() noexcept {
    HMODULE module = AcquireModule();
    if (!module) return false;
    bool all = true;
    for (size_t i = 0; i < count_; ++i) {
        if (!Resolve(i, module)) all = false;
    }
    return all;
}

void LateBindingTable::UnbindAll() noexcept {
    for (size_t i = 0; i < count_; ++i) slots_[i] = nullptr;
    HMODULE module = module_;
    module_ = nullptr;
    ReleaseModule(module);
}

FARPROC LateBindingTable::Entry(size_t index) noexcept {
    if (index >= count_) return nullptr;
    if (slots_[index]) return slots_[index];
    HMODULE module = AcquireModule();
    return module ? Resolve(index, module) : nullptr;
}

}  // namespace velk
