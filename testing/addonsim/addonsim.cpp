// A simulated DisplayLink add-on library for the tests: the fourteen entry
// points with the behaviour the program relies on, over a list of simulated
// displays that the tests steer through the control exports. Test support
// only; it ships with nothing.
#include "testing/addonsim/addonsim_control.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

#define SIM_EXPORT extern "C" __declspec(dllexport)

namespace {

struct Display {
    dlDisplayHandle handle;
    uint32_t adapterId;
    int32_t executionState;
    int32_t rotation = 0;
    int32_t activityType = 0;
    int32_t videoOptimize = 0;
    // A setting on its way: applied when its pump countdown reaches 0.
    bool rotationPending = false;
    int32_t pendingRotation = 0;
    int32_t rotationPumps = 0;
    bool activityPending = false;
    int32_t pendingActivity = 0;
    int32_t activityPumps = 0;
    int32_t removeAfterPumps = -1;
};

// All of it is touched on the caller's thread only: the callback thread gets
// its callback and context as arguments.
std::vector<Display> g_displays;
dlDisplayHandle g_nextHandle = 0x5000;
int32_t g_settlePumps = 0;
int32_t g_activityOutcome = -1;
std::map<std::string, int32_t> g_calls;

bool g_subscribed = false;
std::vector<uint32_t> g_subscribedIds;
int32_t g_subscribedCount = 0;
uint32_t g_subscribedFlags = 0;

bool g_unsubscribeSeen = false;
bool g_unsubscribeIdsNull = false;
int32_t g_unsubscribeCount = 0;
uint32_t g_unsubscribeFlags = 0;

dlNotificationCallback g_callback = nullptr;
void* g_context = nullptr;
uint32_t g_registerFlags = 0;

int32_t g_lastExtendFlag = -1;
int32_t g_eventOnPump = 0;
int32_t g_eventPumps = -1;
bool g_slowPump = false;
// Set by the test: the displays given at the first load become active.
HANDLE g_activeEvent = nullptr;
std::vector<uint32_t> g_waitingIds;  // adapter ids not active until then

void Count(const char* name) { ++g_calls[name]; }

Display* FindByHandle(dlDisplayHandle handle) {
    for (Display& d : g_displays) {
        if (d.handle == handle) return &d;
    }
    return nullptr;
}

Display* FindById(uint32_t adapterId) {
    for (Display& d : g_displays) {
        if (d.adapterId == adapterId) return &d;
    }
    return nullptr;
}

// The per-display calls: a known display and the scope the program passes.
Display* Target(dlDisplayHandle handle, uint32_t scope) {
    if (scope != dlDisplayScope) {
        Count("wrong scope");
        return nullptr;
    }
    return FindByHandle(handle);
}

void ApplyPendingOnPump(Display& d) {
    if (d.rotationPending && d.rotationPumps > 0 && --d.rotationPumps == 0) {
        d.rotation = d.pendingRotation;
        d.rotationPending = false;
    }
    if (d.activityPending && d.activityPumps > 0 && --d.activityPumps == 0) {
        d.activityType = d.pendingActivity;
        d.activityPending = false;
    }
}

struct FireArgs {
    dlNotificationCallback callback;
    void* context;
    int32_t event;
};

DWORD WINAPI FireThread(void* parameter) {
    auto* args = static_cast<FireArgs*>(parameter);
    args->callback(args->context, args->event);
    return 0;
}

BOOL FireNow(int32_t event) {
    if (!g_callback) return FALSE;
    FireArgs args{g_callback, g_context, event};
    HANDLE thread = ::CreateThread(nullptr, 0, FireThread, &args, 0, nullptr);
    if (!thread) return FALSE;
    // The callback may send to a window of this thread: deliver such messages
    // while waiting.
    DWORD wait;
    while ((wait = ::MsgWaitForMultipleObjects(1, &thread, FALSE, 10000, QS_SENDMESSAGE)) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    if (wait != WAIT_OBJECT_0) {
        // Never return while the thread still uses args.
        ::WaitForSingleObject(thread, INFINITE);
    }
    ::CloseHandle(thread);
    return wait == WAIT_OBJECT_0;
}

// The watcher of the fire event another process signals. It runs until the
// process ends and holds a load reference of the library all that time, so
// an unload never pulls the code from under it; it reads the registration
// under g_registrationLock.
CRITICAL_SECTION g_registrationLock;
bool g_watchStarted = false;

DWORD WINAPI FireWatchThread(void* parameter) {
    auto* names = static_cast<std::wstring*>(parameter);
    HANDLE fire = ::CreateEventW(nullptr, FALSE, FALSE, names[0].c_str());
    HANDLE fired = ::CreateEventW(nullptr, FALSE, FALSE, names[1].c_str());
    delete[] names;
    while (fire && fired && ::WaitForSingleObject(fire, INFINITE) == WAIT_OBJECT_0) {
        ::EnterCriticalSection(&g_registrationLock);
        const dlNotificationCallback callback = g_callback;
        void* const context = g_context;
        ::LeaveCriticalSection(&g_registrationLock);
        if (callback) callback(context, dlEventDisplaysChanged);
        ::SetEvent(fired);
    }
    return 0;
}

// Starts the watcher at the first registration, when the variable names a
// fire event.
void StartFireWatch() {
    wchar_t name[200] = {};
    if (g_watchStarted || ::GetEnvironmentVariableW(kAddOnSimFireEventVariable, name, 200) == 0 || !name[0]) return;
    HMODULE self = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&FireWatchThread),
                              &self))
        return;
    auto* names = new std::wstring[2]{name, std::wstring(name) + kAddOnSimFiredSuffix};
    HANDLE thread = ::CreateThread(nullptr, 0, FireWatchThread, names, 0, nullptr);
    if (!thread) {
        delete[] names;
        ::FreeLibrary(self);
        return;
    }
    ::CloseHandle(thread);
    g_watchStarted = true;
}

void AddToVariable(const wchar_t* name) {
    wchar_t text[32] = {};
    long value = 0;
    if (::GetEnvironmentVariableW(name, text, 32) > 0) value = std::wcstol(text, nullptr, 10);
    std::wstring next = std::to_wstring(value + 1);
    ::SetEnvironmentVariableW(name, next.c_str());
}

}  // namespace

SIM_EXPORT dlDisplayHandle DL_API AddOnSimAddDisplay(uint32_t adapterId, int32_t executionState);

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        ::InitializeCriticalSection(&g_registrationLock);
        wchar_t ids[256] = {};
        const bool firstLoad = ::GetEnvironmentVariableW(kAddOnSimLoadsVariable, nullptr, 0) == 0;
        wchar_t eventName[MAX_PATH] = {};
        if (firstLoad && ::GetEnvironmentVariableW(kAddOnSimActiveEventVariable, eventName, MAX_PATH) > 0 &&
            eventName[0]) {
            g_activeEvent = ::OpenEventW(SYNCHRONIZE, FALSE, eventName);
        }
        if (firstLoad && ::GetEnvironmentVariableW(kAddOnSimDisplaysVariable, ids, 256) > 0 && ids[0]) {
            for (wchar_t* next = ids; *next;) {
                wchar_t* end = nullptr;
                const unsigned long id = std::wcstoul(next, &end, 10);
                if (end == next) break;
                if (id) {
                    AddOnSimAddDisplay(static_cast<uint32_t>(id), g_activeEvent ? 0 : dlExecutionStateActive);
                    if (g_activeEvent) g_waitingIds.push_back(static_cast<uint32_t>(id));
                }
                next = *end ? end + 1 : end;
            }
        }
        wchar_t slow[4] = {};
        if (::GetEnvironmentVariableW(kAddOnSimSlowPumpVariable, slow, 4) > 0 && slow[0] == L'1') g_slowPump = true;
        AddToVariable(kAddOnSimLoadsVariable);
    } else if (reason == DLL_PROCESS_DETACH && !reserved) {
        // Unloaded by FreeLibrary, not by the process's end.
        if (g_activeEvent) ::CloseHandle(g_activeEvent);
        g_activeEvent = nullptr;
        AddToVariable(kAddOnSimUnloadsVariable);
        ::SetEnvironmentVariableW(kAddOnSimLeftRegisteredVariable, g_callback ? L"1" : L"0");
        ::SetEnvironmentVariableW(kAddOnSimLeftSubscribedVariable, g_subscribed ? L"1" : L"0");
    }
    return TRUE;
}

// ---- The fourteen entry points.

SIM_EXPORT int32_t DL_API dlPumpMessages(uint32_t waitMilliseconds, uint32_t) {
    Count("dlPumpMessages");
    if (g_slowPump) ::Sleep(waitMilliseconds);
    if (g_activeEvent && ::WaitForSingleObject(g_activeEvent, 0) == WAIT_OBJECT_0) {
        for (uint32_t id : g_waitingIds)
            if (Display* d = FindById(id)) d->executionState = dlExecutionStateActive;
        g_waitingIds.clear();
        ::CloseHandle(g_activeEvent);
        g_activeEvent = nullptr;
    }
    for (Display& d : g_displays) ApplyPendingOnPump(d);
    for (size_t i = 0; i < g_displays.size();) {
        Display& d = g_displays[i];
        if (d.removeAfterPumps > 0 && --d.removeAfterPumps == 0) {
            g_displays.erase(g_displays.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
    if (g_eventPumps > 0 && --g_eventPumps == 0) FireNow(g_eventOnPump);
    return 0;
}

SIM_EXPORT int32_t DL_API dlSubscribePids(const uint32_t* productIds, int32_t count, uint32_t flags) {
    Count("dlSubscribePids");
    g_subscribedIds.clear();
    for (int32_t i = 0; productIds && i < count; ++i) g_subscribedIds.push_back(productIds[i]);
    g_subscribedCount = count;
    g_subscribedFlags = flags;
    g_subscribed = true;
    return 0;
}

SIM_EXPORT int32_t DL_API dlUnSubscribePids(const uint32_t* productIds, int32_t count, uint32_t flags) {
    Count("dlUnSubscribePids");
    g_unsubscribeSeen = true;
    g_unsubscribeIdsNull = productIds == nullptr;
    g_unsubscribeCount = count;
    g_unsubscribeFlags = flags;
    // Every subscription is dropped by (null, -1).
    if (!productIds && count == -1) {
        g_subscribed = false;
        g_subscribedIds.clear();
    }
    return 0;
}

SIM_EXPORT int32_t DL_API dlRegisterNivoDisplayNotification(dlNotificationCallback callback, void* context,
                                                            uint32_t flags) {
    Count("dlRegisterNivoDisplayNotification");
    if (!callback) return dlResultNotAvailable;
    ::EnterCriticalSection(&g_registrationLock);
    g_callback = callback;
    g_context = context;
    ::LeaveCriticalSection(&g_registrationLock);
    g_registerFlags = flags;
    StartFireWatch();
    return 0;
}

SIM_EXPORT int32_t DL_API dlUnRegisterNivoDisplayNotification(dlNotificationCallback callback, void* context,
                                                              uint32_t) {
    Count("dlUnRegisterNivoDisplayNotification");
    if (callback != g_callback || context != g_context) return dlResultNotAvailable;
    ::EnterCriticalSection(&g_registrationLock);
    g_callback = nullptr;
    g_context = nullptr;
    ::LeaveCriticalSection(&g_registrationLock);
    return 0;
}

SIM_EXPORT int32_t DL_API dlGetNivoDisplayCount() {
    Count("dlGetNivoDisplayCount");
    return static_cast<int32_t>(g_displays.size());
}

SIM_EXPORT dlDisplayHandle DL_API dlGetNivoDisplay(int32_t index) {
    Count("dlGetNivoDisplay");
    if (index < 0 || static_cast<size_t>(index) >= g_displays.size()) return 0;
    return g_displays[static_cast<size_t>(index)].handle;
}

SIM_EXPORT int32_t DL_API dlGetDisplayAdapterID(dlDisplayHandle display, dlAdapterIdRecord* record) {
    Count("dlGetDisplayAdapterID");
    if (!record) return dlResultNotAvailable;
    if (record->size != sizeof(dlAdapterIdRecord)) {
        Count("wrong record size");
        return dlResultNotAvailable;
    }
    Display* d = FindByHandle(display);
    if (!d) return dlResultNotAvailable;
    record->adapterId = d->adapterId;
    record->reserved[0] = 0x17E9;  // something in the fields the program does not read
    return 0;
}

SIM_EXPORT int32_t DL_API dlGetExecutionState(dlDisplayHandle display, uint32_t scope, int32_t* state) {
    Count("dlGetExecutionState");
    Display* d = Target(display, scope);
    if (!d || !state) return dlResultNotAvailable;
    *state = d->executionState;
    return 0;
}

SIM_EXPORT int32_t DL_API dlGetRotation(dlDisplayHandle display, uint32_t scope, int32_t* rotation) {
    Count("dlGetRotation");
    Display* d = Target(display, scope);
    if (!d || !rotation) return dlResultNotAvailable;
    *rotation = d->rotation;
    return 0;
}

SIM_EXPORT int32_t DL_API dlSetRotation(dlDisplayHandle display, uint32_t scope, int32_t rotation) {
    Count("dlSetRotation");
    Display* d = Target(display, scope);
    if (!d) return dlResultNotAvailable;
    if (g_settlePumps == 0) {
        d->rotation = rotation;
        d->rotationPending = false;
    } else {
        d->rotationPending = true;
        d->pendingRotation = rotation;
        d->rotationPumps = g_settlePumps;  // -1: never
    }
    return 0;
}

SIM_EXPORT int32_t DL_API dlGetActivityType(dlDisplayHandle display, uint32_t scope, int32_t* type) {
    Count("dlGetActivityType");
    Display* d = Target(display, scope);
    if (!d || !type) return dlResultNotAvailable;
    *type = d->activityType;
    return 0;
}

SIM_EXPORT int32_t DL_API dlSetActivityType(dlDisplayHandle display, uint32_t scope, int32_t type,
                                            int32_t extendFlag) {
    Count("dlSetActivityType");
    g_lastExtendFlag = extendFlag;
    Display* d = Target(display, scope);
    if (!d) return dlResultNotAvailable;
    int32_t taken = g_activityOutcome >= 0 ? g_activityOutcome : type;
    if (g_settlePumps == 0) {
        d->activityType = taken;
        d->activityPending = false;
    } else {
        d->activityPending = true;
        d->pendingActivity = taken;
        d->activityPumps = g_settlePumps;
    }
    return 0;
}

SIM_EXPORT int32_t DL_API dlSetVideoOptimizeModeState(dlDisplayHandle display, int32_t state) {
    Count("dlSetVideoOptimizeModeState");
    Display* d = FindByHandle(display);
    if (!d || (state != dlVideoOptimizeOn && state != dlVideoOptimizeOff)) return dlResultNotAvailable;
    d->videoOptimize = state;
    return 0;
}

// ---- The control interface.

SIM_EXPORT dlDisplayHandle DL_API AddOnSimAddDisplay(uint32_t adapterId, int32_t executionState) {
    Display d{};
    d.handle = g_nextHandle;
    g_nextHandle += 0x10;
    d.adapterId = adapterId;
    d.executionState = executionState;
    g_displays.push_back(d);
    return d.handle;
}

SIM_EXPORT BOOL DL_API AddOnSimRemoveDisplay(uint32_t adapterId) {
    for (auto it = g_displays.begin(); it != g_displays.end(); ++it) {
        if (it->adapterId == adapterId) {
            g_displays.erase(it);
            return TRUE;
        }
    }
    return FALSE;
}

SIM_EXPORT BOOL DL_API AddOnSimRemoveDisplayAfterPumps(uint32_t adapterId, int32_t pumps) {
    Display* d = FindById(adapterId);
    if (!d || pumps <= 0) return FALSE;
    d->removeAfterPumps = pumps;
    return TRUE;
}

SIM_EXPORT BOOL DL_API AddOnSimSetDisplayState(uint32_t adapterId, int32_t executionState, int32_t rotation,
                                               int32_t activityType) {
    Display* d = FindById(adapterId);
    if (!d) return FALSE;
    d->executionState = executionState;
    d->rotation = rotation;
    d->activityType = activityType;
    return TRUE;
}

SIM_EXPORT BOOL DL_API AddOnSimGetDisplayState(uint32_t adapterId, int32_t* executionState, int32_t* rotation,
                                               int32_t* activityType, int32_t* videoOptimize) {
    Display* d = FindById(adapterId);
    if (!d) return FALSE;
    if (executionState) *executionState = d->executionState;
    if (rotation) *rotation = d->rotation;
    if (activityType) *activityType = d->activityType;
    if (videoOptimize) *videoOptimize = d->videoOptimize;
    return TRUE;
}

SIM_EXPORT void DL_API AddOnSimSetSettlePumps(int32_t pumps) { g_settlePumps = pumps; }

SIM_EXPORT void DL_API AddOnSimSetActivityOutcome(int32_t type) { g_activityOutcome = type; }

SIM_EXPORT int32_t DL_API AddOnSimCallCount(const char* name) {
    if (!name) return 0;
    auto it = g_calls.find(name);
    return it == g_calls.end() ? 0 : it->second;
}

SIM_EXPORT BOOL DL_API AddOnSimGetSubscription(uint32_t* ids, int32_t capacity, int32_t* count, uint32_t* flags) {
    for (int32_t i = 0; ids && i < capacity && static_cast<size_t>(i) < g_subscribedIds.size(); ++i) {
        ids[i] = g_subscribedIds[static_cast<size_t>(i)];
    }
    if (count) *count = g_subscribedCount;
    if (flags) *flags = g_subscribedFlags;
    return g_subscribed ? TRUE : FALSE;
}

SIM_EXPORT BOOL DL_API AddOnSimGetLastUnsubscribe(BOOL* idsNull, int32_t* count, uint32_t* flags) {
    if (idsNull) *idsNull = g_unsubscribeIdsNull ? TRUE : FALSE;
    if (count) *count = g_unsubscribeCount;
    if (flags) *flags = g_unsubscribeFlags;
    return g_unsubscribeSeen ? TRUE : FALSE;
}

SIM_EXPORT BOOL DL_API AddOnSimGetRegistration(dlNotificationCallback* callback, void** context, uint32_t* flags) {
    if (callback) *callback = g_callback;
    if (context) *context = g_context;
    if (flags) *flags = g_registerFlags;
    return g_callback ? TRUE : FALSE;
}

SIM_EXPORT int32_t DL_API AddOnSimLastActivityExtendFlag() { return g_lastExtendFlag; }

SIM_EXPORT BOOL DL_API AddOnSimFireEvent(int32_t event) { return FireNow(event); }

SIM_EXPORT void DL_API AddOnSimFireEventAfterPumps(int32_t event, int32_t pumps) {
    g_eventOnPump = event;
    g_eventPumps = pumps;
}

SIM_EXPORT void DL_API AddOnSimSetSlowPump(BOOL slow) { g_slowPump = slow != FALSE; }

// Each export has the type the program's binding calls it with.
static_assert(std::is_same_v<decltype(&dlPumpMessages), dlPumpMessagesFn>);
static_assert(std::is_same_v<decltype(&dlSubscribePids), dlSubscribePidsFn>);
static_assert(std::is_same_v<decltype(&dlUnSubscribePids), dlUnSubscribePidsFn>);
static_assert(std::is_same_v<decltype(&dlRegisterNivoDisplayNotification), dlRegisterNivoDisplayNotificationFn>);
static_assert(
    std::is_same_v<decltype(&dlUnRegisterNivoDisplayNotification), dlUnRegisterNivoDisplayNotificationFn>);
static_assert(std::is_same_v<decltype(&dlGetNivoDisplayCount), dlGetNivoDisplayCountFn>);
static_assert(std::is_same_v<decltype(&dlGetNivoDisplay), dlGetNivoDisplayFn>);
static_assert(std::is_same_v<decltype(&dlGetDisplayAdapterID), dlGetDisplayAdapterIDFn>);
static_assert(std::is_same_v<decltype(&dlGetExecutionState), dlGetExecutionStateFn>);
static_assert(std::is_same_v<decltype(&dlGetRotation), dlGetRotationFn>);
static_assert(std::is_same_v<decltype(&dlSetRotation), dlSetRotationFn>);
static_assert(std::is_same_v<decltype(&dlGetActivityType), dlGetActivityTypeFn>);
static_assert(std::is_same_v<decltype(&dlSetActivityType), dlSetActivityTypeFn>);
static_assert(std::is_same_v<decltype(&dlSetVideoOptimizeModeState), dlSetVideoOptimizeModeStateFn>);
static_assert(std::is_same_v<decltype(&AddOnSimAddDisplay), AddOnSimAddDisplayFn>);
static_assert(std::is_same_v<decltype(&AddOnSimFireEvent), AddOnSimFireEventFn>);
static_assert(std::is_same_v<decltype(&AddOnSimSetSlowPump), AddOnSimSetSlowPumpFn>);
