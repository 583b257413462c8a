// The table of the 24 system-wide hotkeys: what each one does, its keys, and
// where they live in the profile section "HotkeyEntry". The Hotkey page owns
// one table; these functions fill, save and register it.
#pragma once
#include <windows.h>
#include <array>
#include <cstdint>
#include <string>

struct DisplayList;

inline constexpr int kHotkeyCount = 24;
// Hotkey id of entry i is kFirstHotkeyId + i (256 to 279).
inline constexpr int kFirstHotkeyId = 256;
inline constexpr int kLastHotkeyId = kFirstHotkeyId + kHotkeyCount - 1;
inline constexpr wchar_t kHotkeySection[] = L"HotkeyEntry";

// Entries of the table: 0/1 move the foreground window to the next/previous
// display, 2..11 to display slot 0..9; 12/13 move the pointer to the
// next/previous display, 14..23 to display slot 0..9.
inline constexpr int kWindowNextEntry = 0;
inline constexpr int kWindowPreviousEntry = 1;
inline constexpr int kFirstWindowSlotEntry = 2;
inline constexpr int kMouseNextEntry = 12;
inline constexpr int kMousePreviousEntry = 13;
inline constexpr int kFirstMouseSlotEntry = 14;

// One hotkey.
struct HotkeySlot {
    int32_t index;        // 0..23, also the item data of its list row
    uint32_t available;   // 1 for next/previous; the display number of the slot for numbered entries (0: none)
    int32_t label;        // string id of the function text
    uint16_t modifiers;   // HOTKEYF_* flags of the hotkey control
    uint16_t key;         // virtual-key code
    int32_t enabled;      // 1: wanted (row checked)
    uint32_t userNumber;  // numbered entries: the slot's user number; else 0
};

using HotkeyTable = std::array<HotkeySlot, kHotkeyCount>;

// Fixed part of an entry: profile name and defaults.
struct HotkeyDefault {
    const wchar_t* name;
    int32_t label;
    uint16_t modifiers;
    uint16_t key;
    int32_t enabled;
};
const HotkeyDefault& HotkeyDefaultOf(int index) noexcept;

// Profile value name of an entry: its name followed by "_MOD", "_KEY" or "_CHECK".
std::wstring HotkeyValueName(int index, const wchar_t* suffix);
// The 72 value names in the order SaveHotkeyTable writes them.
std::array<std::wstring, kHotkeyCount * 3> HotkeyValueNames();

// The display slot (0..9) a numbered entry stands for, -1 for next/previous.
int HotkeyDisplaySlot(int index) noexcept;

// RegisterHotKey modifiers for hotkey-control flags: Alt, Ctrl and Shift map
// across, the extended-key flag is dropped, the Windows key never used.
UINT HotkeyModifiersToRegister(uint16_t hotkeyFlags) noexcept;

// False for a combination that must not be registered: no key, a modifier
// key by itself, or, without Ctrl or Alt, any key but F1 to F24 and the keys
// that type, edit and move nothing (Pause, Print Screen, the browser, volume,
// media and launch keys and the like).
bool IsHotkeyRegistrable(uint16_t modifiers, uint16_t key) noexcept;

// The first entry other than `except` that holds the combination as Windows
// would register it (the extended-key flag does not count), -1 when none
// does. Entries of detached displays and unchecked entries count too: they
// come back with their keys.
int FindHotkeyHolder(const HotkeyTable& table, int except, uint16_t modifiers, uint16_t key) noexcept;

// Fills the table from the profile (defaults where values are missing) and
// the display table (may be null: no numbered entries are available). A
// modifier value with bits beyond the hotkey control's four flags, or a key
// above 0xFE or naming a mouse button, gives the entry its default
// modifiers and key.
void LoadHotkeyTable(HotkeyTable& table, const DisplayList* displays);
// Writes the 72 values in table order. False when there is no application
// object or a value could not be written.
bool SaveHotkeyTable(const HotkeyTable& table);
// Unregisters ids 256..279 on window, then registers every available and
// enabled entry; an entry that IsHotkeyRegistrable refuses is switched off
// (its key kept), one Windows refuses is switched off and its key cleared.
// Answers the result of the last RegisterHotKey (TRUE when none was
// attempted).
BOOL RegisterHotkeyTable(HotkeyTable& table, HWND window);
// Unregisters ids 256..279 on window; failures are ignored. Answers 1.
int UnregisterHotkeys(HWND window);
