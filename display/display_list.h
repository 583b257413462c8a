// The display table: ten display records, refilled from Windows' display
// enumeration and numbered as Windows numbers the displays.
#pragma once
#include <windows.h>
#include <cstdint>

class AddOnMonitor;

// Number of display slots in a DisplayList.
inline constexpr int kDisplaySlots = 10;
// Units in a DisplayRecord's Name, terminator included.
inline constexpr int kDisplayNameLength = 64;

// One display. Coordinates are desktop coordinates; right and bottom are
// exclusive. A slot whose DisplayNumber is 0 is empty.
struct DisplayRecord {
    int32_t Width;
    int32_t Height;
    int32_t top;
    int32_t bottom;
    int32_t left;
    int32_t right;
    HMONITOR Monitor;
    uint32_t DisplayNumber;
    uint32_t SystemsDispNumber;
    uint32_t UserDispNumber;  // left 0 by the build
    int32_t Ordinal;          // 1-based position in the order the build listed it
    uint8_t Primary;
    wchar_t Name[kDisplayNameLength];
    int32_t DisplayMode;  // left 0 by the build
    int32_t Rotation;     // left 0 by the build
};

// The display table. The main dialog allocates it and designates it with
// SetCurrentDisplayList; the build refills it and every reader reads it.
struct DisplayList {
    DisplayRecord Records[kDisplaySlots];
    int32_t Count;             // running display counter of the last build
    AddOnMonitor* AddOn;       // not owned; null when there is none
    HMODULE DisplayConfigModule;  // module of the display-configuration functions, 0 when not loaded
    HWND OwnerWindow;          // kept for the owner
};

// Highest and lowest DisplayNumber stored by the last build (0 and 10 when
// nothing was stored).
extern uint32_t HighestDisplayNumber;
extern uint32_t LowestDisplayNumber;
// 1 once a build has found an active add-on display; never set back to 0.
// While it is 0, DisplayLink adapters are not listed.
extern int32_t AddOnDisplaysSeen;

// The table that the build and the lookups use (null: none).
void SetCurrentDisplayList(DisplayList* list) noexcept;
DisplayList* CurrentDisplayList() noexcept;

// Refills the current table. Writes HighestDisplayNumber to *highest (when
// given) and the new Count to *count, and returns Count. Without `count` it
// returns 0 and touches nothing; without a current table it answers an empty
// build (0, highest 0).
int32_t BuildDisplayList(uint32_t* highest, int32_t* count);

// Fills the ten slots of `destination` and returns the running display
// counter. Used by BuildDisplayList.
int32_t EnumerateDisplays(DisplayList& destination);

