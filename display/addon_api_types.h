// The calling interface of DisplayLink's add-on library "AddOnApi.dll": the
// types and the fourteen entry points as this program calls them. Shared by the
// program's binding and by the simulated library the tests load.
#pragma once
#include <windows.h>
#include <cstdint>

// Calling convention of every entry point and of the notification callback.
#define DL_API WINAPI

// The library's handle of one add-on display; 0 for none.
using dlDisplayHandle = uintptr_t;

// Called by the library, possibly on a thread of its own, with the context
// given at registration and an event code.
using dlNotificationCallback = void(DL_API*)(void* context, int32_t event);

// The adapter-id record. The caller zeroes it and sets `size`; the library
// fills the rest. Only `adapterId` is read by the program.
struct dlAdapterIdRecord {
    uint32_t size;
    uint32_t adapterId;
    uint32_t reserved[10];
};
static_assert(sizeof(dlAdapterIdRecord) == 48, "the library expects a 48-byte record");

// Result of every entry point that is not bound to the library.
inline constexpr int32_t dlResultNotAvailable = -8;
// Second argument of every per-display call.
inline constexpr uint32_t dlDisplayScope = 0x10000;
// Notification events.
inline constexpr int32_t dlEventDisplaysChanged = 3;
inline constexpr int32_t dlEventUnloading = 5;
// Execution states that count as active.
inline constexpr int32_t dlExecutionStateActive = 2;
inline constexpr int32_t dlExecutionStateActiveAlt = 3;
// Video optimisation switch values.
inline constexpr int32_t dlVideoOptimizeOn = 1;
inline constexpr int32_t dlVideoOptimizeOff = 5;

// The entry points.
using dlPumpMessagesFn = int32_t(DL_API*)(uint32_t waitMilliseconds, uint32_t flags);
using dlSubscribePidsFn = int32_t(DL_API*)(const uint32_t* productIds, int32_t count, uint32_t flags);
using dlUnSubscribePidsFn = int32_t(DL_API*)(const uint32_t* productIds, int32_t count, uint32_t flags);
using dlRegisterNivoDisplayNotificationFn = int32_t(DL_API*)(dlNotificationCallback callback, void* context,
                                                             uint32_t flags);
using dlUnRegisterNivoDisplayNotificationFn = int32_t(DL_API*)(dlNotificationCallback callback, void* context,
                                                               uint32_t flags);
using dlGetNivoDisplayCountFn = int32_t(DL_API*)();
using dlGetNivoDisplayFn = dlDisplayHandle(DL_API*)(int32_t index);
using dlGetDisplayAdapterIDFn = int32_t(DL_API*)(dlDisplayHandle display, dlAdapterIdRecord* record);
using dlGetExecutionStateFn = int32_t(DL_API*)(dlDisplayHandle display, uint32_t scope, int32_t* state);
using dlGetRotationFn = int32_t(DL_API*)(dlDisplayHandle display, uint32_t scope, int32_t* rotation);
using dlSetRotationFn = int32_t(DL_API*)(dlDisplayHandle display, uint32_t scope, int32_t rotation);
using dlGetActivityTypeFn = int32_t(DL_API*)(dlDisplayHandle display, uint32_t scope, int32_t* type);
using dlSetActivityTypeFn = int32_t(DL_API*)(dlDisplayHandle display, uint32_t scope, int32_t type,
                                             int32_t extendFlag);
using dlSetVideoOptimizeModeStateFn = int32_t(DL_API*)(dlDisplayHandle display, int32_t state);
