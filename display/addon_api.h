// The fourteen entry points of DisplayLink's add-on library "AddOnApi.dll",
// callable as plain functions. They are bound at run time as one table; an
// entry point called while unbound is bound on the spot. When the library is
// absent they answer through substitutes: dlResultNotAvailable (-8), 0 from
// dlGetNivoDisplay, and dlPumpMessages sleeps for its wait before it answers.
#pragma once
#include "display/addon_api_types.h"

int32_t dlPumpMessages(uint32_t waitMilliseconds, uint32_t flags);
int32_t dlSubscribePids(const uint32_t* productIds, int32_t count, uint32_t flags);
int32_t dlUnSubscribePids(const uint32_t* productIds, int32_t count, uint32_t flags);
int32_t dlRegisterNivoDisplayNotification(dlNotificationCallback callback, void* context, uint32_t flags);
int32_t dlUnRegisterNivoDisplayNotification(dlNotificationCallback callback, void* context, uint32_t flags);
int32_t dlGetNivoDisplayCount();
dlDisplayHandle dlGetNivoDisplay(int32_t index);
int32_t dlGetDisplayAdapterID(dlDisplayHandle display, dlAdapterIdRecord* record);
int32_t dlGetExecutionState(dlDisplayHandle display, uint32_t scope, int32_t* state);
int32_t dlGetRotation(dlDisplayHandle display, uint32_t scope, int32_t* rotation);
int32_t dlSetRotation(dlDisplayHandle display, uint32_t scope, int32_t rotation);
int32_t dlGetActivityType(dlDisplayHandle display, uint32_t scope, int32_t* type);
int32_t dlSetActivityType(dlDisplayHandle display, uint32_t scope, int32_t type, int32_t extendFlag);
int32_t dlSetVideoOptimizeModeState(dlDisplayHandle display, int32_t state);

// The library's file name as the binding table knows it.
inline constexpr char kAddOnApiLibraryName[] = "AddOnApi.dll";

// Binds the whole table (the binding hook decides what is loaded); true when
// every entry point is bound.
bool BindAddOnApi() noexcept;
// Clears every entry point and releases the library.
void UnbindAddOnApi() noexcept;

// The substitute for the named entry point, or null for a name that is not
// one of the fourteen.
FARPROC AddOnApiSubstitute(const char* entryName) noexcept;
