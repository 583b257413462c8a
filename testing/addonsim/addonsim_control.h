// The control interface of the simulated add-on library (AddOnApi.dll built
// from testing/addonsim): exports beside the fourteen entry points that let a
// test steer the simulated displays and read what the program asked for.
// Tests find the library the program has loaded with GetModuleHandleW and the
// controls with GetProcAddress, so they never hold a load reference of their
// own.
#pragma once
#include "display/addon_api_types.h"

extern "C" {

// Adds a display at the end of the display list; answers its handle.
using AddOnSimAddDisplayFn = dlDisplayHandle(DL_API*)(uint32_t adapterId, int32_t executionState);
// Removes the display at once, or after that many further message pumps.
using AddOnSimRemoveDisplayFn = BOOL(DL_API*)(uint32_t adapterId);
using AddOnSimRemoveDisplayAfterPumpsFn = BOOL(DL_API*)(uint32_t adapterId, int32_t pumps);
// Sets what the display reports now.
using AddOnSimSetDisplayStateFn = BOOL(DL_API*)(uint32_t adapterId, int32_t executionState, int32_t rotation,
                                                int32_t activityType);
// Reads what the display reports now (any pointer may be null).
using AddOnSimGetDisplayStateFn = BOOL(DL_API*)(uint32_t adapterId, int32_t* executionState, int32_t* rotation,
                                                int32_t* activityType, int32_t* videoOptimize);
// A rotation or activity type set by the program takes effect after this many
// message pumps (0: at once; -1: never). Default 0.
using AddOnSimSetSettlePumpsFn = void(DL_API*)(int32_t pumps);
// The activity type a display actually takes when one is set (-1: the type
// asked for). Default -1.
using AddOnSimSetActivityOutcomeFn = void(DL_API*)(int32_t type);
// How often the named entry point was called since the library was loaded;
// also "wrong scope" (a per-display call without 0x10000) and "wrong record
// size" (an adapter-id record whose size field is not 48).
using AddOnSimCallCountFn = int32_t(DL_API*)(const char* name);
// The last subscription: true while one is held; copies up to capacity ids.
using AddOnSimGetSubscriptionFn = BOOL(DL_API*)(uint32_t* ids, int32_t capacity, int32_t* count, uint32_t* flags);
// The arguments of the last dlUnSubscribePids call; false when none came.
using AddOnSimGetLastUnsubscribeFn = BOOL(DL_API*)(BOOL* idsNull, int32_t* count, uint32_t* flags);
// The registered notification: true while one is registered.
using AddOnSimGetRegistrationFn = BOOL(DL_API*)(dlNotificationCallback* callback, void** context, uint32_t* flags);
// The fourth argument of the last dlSetActivityType call (-1: none yet).
using AddOnSimLastActivityExtendFlagFn = int32_t(DL_API*)();
// Calls the registered callback with the event on a thread of the library and
// waits until it returns, meanwhile delivering messages sent to the calling
// thread. False when no callback is registered.
using AddOnSimFireEventFn = BOOL(DL_API*)(int32_t event);
// The same, from inside the message pump that many pumps later.
using AddOnSimFireEventAfterPumpsFn = void(DL_API*)(int32_t event, int32_t pumps);
// Slow mode on (true) or off: the pump then really takes the milliseconds it
// is given, as the vendor's does. Off (answers at once) unless the variable
// below asked for it at the first load.
using AddOnSimSetSlowPumpFn = void(DL_API*)(BOOL slow);

}  // extern "C"

// Process environment variables the library keeps across its own unloads.
inline constexpr wchar_t kAddOnSimLoadsVariable[] = L"VELK_ADDONSIM_LOADS";
inline constexpr wchar_t kAddOnSimUnloadsVariable[] = L"VELK_ADDONSIM_UNLOADS";
// "1" when the library was unloaded while a callback was still registered or
// a subscription still held, "0" otherwise.
inline constexpr wchar_t kAddOnSimLeftRegisteredVariable[] = L"VELK_ADDONSIM_LEFT_REGISTERED";
inline constexpr wchar_t kAddOnSimLeftSubscribedVariable[] = L"VELK_ADDONSIM_LEFT_SUBSCRIBED";
// Adapter ids, separated by commas, of active displays the library has from
// its first load: how a test gives add-on displays to a program it starts
// (the program inherits the variable).
inline constexpr wchar_t kAddOnSimDisplaysVariable[] = L"VELK_ADDONSIM_DISPLAYS";
// Name of a named event through which another process fires notifications:
// while a callback is registered, each signal of it calls the callback with
// the "displays changed" event on a thread of the library, as the vendor's
// library does, and then signals the event named with kAddOnSimFiredSuffix
// added. A program started by a test inherits the variable.
inline constexpr wchar_t kAddOnSimFireEventVariable[] = L"VELK_ADDONSIM_FIRE_EVENT";
inline constexpr wchar_t kAddOnSimFiredSuffix[] = L".fired";
// "1": the pump is slow from the first load on (a program started by a test
// inherits it).
inline constexpr wchar_t kAddOnSimSlowPumpVariable[] = L"VELK_ADDONSIM_SLOW_PUMP";
// Name of an event: while it is not set, the displays of the variable above
// report execution state 0 (not active); the first pump after it is set makes
// them active (state 2). How a test has displays come up at a moment it
// chooses in a program it started.
inline constexpr wchar_t kAddOnSimActiveEventVariable[] = L"VELK_ADDONSIM_ACTIVE_EVENT";
