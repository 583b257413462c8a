// Access to DisplayLink's add-on library: which displays hang on DisplayLink
// adapters, and their state.
#pragma once
#include <windows.h>
#include <cstdint>

class AddOnMonitor;

// The library's handle of one add-on display; 0 for none.
using AddOnDisplayHandle = uintptr_t;

// Number of add-on displays whose execution state counts as active.
int GetActiveAddOnDisplayCount();
// The add-on display whose adapter id is `id` (display numbers are passed as
// ids), or 0 when there is none.
AddOnDisplayHandle FindAddOnDisplayByAdapterId(uint32_t id);
