#include "display/addon_api.h"

#include "display/addon_access.h"
#include "display/addon_binder.h"

#include <cstring>

namespace {

enum EntryIndex : size_t {
    kPumpMessages,
    kSubscribePids,
    kUnSubscribePids,
    kRegisterNivoDisplayNotification,
    kUnRegisterNivoDisplayNotification,
    kGetNivoDisplayCount,
    kGetNivoDisplay,
    kGetDisplayAdapterID,
    kGetExecutionState,
    kGetRotation,
    kSetRotation,
    kGetActivityType,
    kSetActivityType,
    kSetVideoOptimizeModeState,
    kEntryCount
};

constexpr const char* kEntryNames[kEntryCount] = {
    "dlPumpMessages",
    "dlSubscribePids",
    "dlUnSubscribePids",
    "dlRegisterNivoDisplayNotification",
    "dlUnRegisterNivoDisplayNotification",
    "dlGetNivoDisplayCount",
    "dlGetNivoDisplay",
    "dlGetDisplayAdapterID",
    "dlGetExecutionState",
    "dlGetRotation",
    "dlSetRotation",
    "dlGetActivityType",
    "dlSetActivityType",
    "dlSetVideoOptimizeModeState",
};

FARPROC g_slots[kEntryCount];
velk::LateBindingTable g_table(kAddOnApiLibraryName, kEntryNames, g_slots, kEntryCount, AddOnDelayLoadHook);

// Function pointer conversions go through void(*)() so that the compiler
// accepts them without a cast-function-type warning.
using AnyFunction = void (*)();

template <class Fn>
Fn EntryAs(EntryIndex index) noexcept {
    return reinterpret_cast<Fn>(reinterpret_cast<AnyFunction>(g_table.Entry(index)));
}

template <class Fn>
FARPROC AsFarProc(Fn fn) noexcept {
    return reinterpret_cast<FARPROC>(reinterpret_cast<AnyFunction>(fn));
}

// Calls the bound entry point; when even the substitute could not be bound,
// answers what the substitute would.
template <class Fn, class... Args>
auto Call(EntryIndex index, Args... args) noexcept {
    Fn fn = EntryAs<Fn>(index);
    using Result = decltype(fn(args...));
    if (!fn) return index == kGetNivoDisplay ? Result{} : static_cast<Result>(dlResultNotAvailable);
    return fn(args...);
}

// The substitutes: every entry point answers failure.
template <class Fn>
struct Failing;
template <class R, class... A>
struct Failing<R(DL_API*)(A...)> {
    static R DL_API Answer(A...) noexcept { return static_cast<R>(dlResultNotAvailable); }
};

dlDisplayHandle DL_API NoDisplay(int32_t) noexcept { return 0; }

// Without the library there is nothing to pump: the substitute answers at
// once instead of letting the time pass, so no caller blocks the
// user-interface thread for it.
int32_t DL_API IdlePump(uint32_t, uint32_t) noexcept { return dlResultNotAvailable; }

struct Substitute {
    const char* name;
    FARPROC entry;
};

const Substitute kSubstitutes[kEntryCount] = {
    {"dlPumpMessages", AsFarProc(&IdlePump)},
    {"dlSubscribePids", AsFarProc(&Failing<dlSubscribePidsFn>::Answer)},
    {"dlUnSubscribePids", AsFarProc(&Failing<dlUnSubscribePidsFn>::Answer)},
    {"dlRegisterNivoDisplayNotification", AsFarProc(&Failing<dlRegisterNivoDisplayNotificationFn>::Answer)},
    {"dlUnRegisterNivoDisplayNotification", AsFarProc(&Failing<dlUnRegisterNivoDisplayNotificationFn>::Answer)},
    {"dlGetNivoDisplayCount", AsFarProc(&Failing<dlGetNivoDisplayCountFn>::Answer)},
    {"dlGetNivoDisplay", AsFarProc(&NoDisplay)},
    {"dlGetDisplayAdapterID", AsFarProc(&Failing<dlGetDisplayAdapterIDFn>::Answer)},
    {"dlGetExecutionState", AsFarProc(&Failing<dlGetExecutionStateFn>::Answer)},
    {"dlGetRotation", AsFarProc(&Failing<dlGetRotationFn>::Answer)},
    {"dlSetRotation", AsFarProc(&Failing<dlSetRotationFn>::Answer)},
    {"dlGetActivityType", AsFarProc(&Failing<dlGetActivityTypeFn>::Answer)},
    {"dlSetActivityType", AsFarProc(&Failing<dlSetActivityTypeFn>::Answer)},
    {"dlSetVideoOptimizeModeState", AsFarProc(&Failing<dlSetVideoOptimizeModeStateFn>::Answer)},
};

}  // namespace

bool BindAddOnApi() noexcept { return g_table.BindAll(); }
void UnbindAddOnApi() noexcept { g_table.UnbindAll(); }

FARPROC AddOnApiSubstitute(const char* entryName) noexcept {
    if (!entryName) return nullptr;
    for (const Substitute& s : kSubstitutes) {
        if (std::strcmp(s.name, entryName) == 0) return s.entry;
    }
    return nullptr;
}

int32_t dlPumpMessages(uint32_t waitMilliseconds, uint32_t flags) {
    return Call<dlPumpMessagesFn>(kPumpMessages, waitMilliseconds, flags);
}
int32_t dlSubscribePids(const uint32_t* productIds, int32_t count, uint32_t flags) {
    return Call<dlSubscribePidsFn>(kSubscribePids, productIds, count, flags);
}
int32_t dlUnSubscribePids(const uint32_t* productIds, int32_t count, uint32_t flags) {
    return Call<dlUnSubscribePidsFn>(kUnSubscribePids, productIds, count, flags);
}
int32_t dlRegisterNivoDisplayNotification(dlNotificationCallback callback, void* context, uint32_t flags) {
    return Call<dlRegisterNivoDisplayNotificationFn>(kRegisterNivoDisplayNotification, callback, context, flags);
}
int32_t dlUnRegisterNivoDisplayNotification(dlNotificationCallback callback, void* context, uint32_t flags) {
    return Call<dlUnRegisterNivoDisplayNotificationFn>(kUnRegisterNivoDisplayNotification, callback, context,
                                                       flags);
}
int32_t dlGetNivoDisplayCount() { return Call<dlGetNivoDisplayCountFn>(kGetNivoDisplayCount); }
dlDisplayHandle dlGetNivoDisplay(int32_t index) { return Call<dlGetNivoDisplayFn>(kGetNivoDisplay, index); }
int32_t dlGetDisplayAdapterID(dlDisplayHandle display, dlAdapterIdRecord* record) {
    return Call<dlGetDisplayAdapterIDFn>(kGetDisplayAdapterID, display, record);
}
int32_t dlGetExecutionState(dlDisplayHandle display, uint32_t scope, int32_t* state) {
    return Call<dlGetExecutionStateFn>(kGetExecutionState, display, scope, state);
}
int32_t dlGetRotation(dlDisplayHandle display, uint32_t scope, int32_t* rotation) {
    return Call<dlGetRotationFn>(kGetRotation, display, scope, rotation);
}
int32_t dlSetRotation(dlDisplayHandle display, uint32_t scope, int32_t rotation) {
    return Call<dlSetRotationFn>(kSetRotation, display, scope, rotation);
}
int32_t dlGetActivityType(dlDisplayHandle display, uint32_t scope, int32_t* type) {
    return Call<dlGetActivityTypeFn>(kGetActivityType, display, scope, type);
}
int32_t dlSetActivityType(dlDisplayHandle display, uint32_t scope, int32_t type, int32_t extendFlag) {
    return Call<dlSetActivityTypeFn>(kSetActivityType, display, scope, type, extendFlag);
}
int32_t dlSetVideoOptimizeModeState(dlDisplayHandle display, int32_t state) {
    return Call<dlSetVideoOptimizeModeStateFn>(kSetVideoOptimizeModeState, display, state);
}
