#include "app/hotkeys.h"

#include "display/display_list.h"
#include "framework/app.h"
#include <commctrl.h>

namespace {

constexpr uint16_t kWindowModifiers = HOTKEYF_SHIFT | HOTKEYF_ALT | HOTKEYF_EXT;     // 0x0D
constexpr uint16_t kMouseModifiers = HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_EXT;  // 0x0B

constexpr HotkeyDefault kDefaults[kHotkeyCount] = {
    {L"WIN_NEXT", 113, kWindowModifiers, VK_RIGHT, 1},
    {L"WIN_BEFORE", 114, kWindowModifiers, VK_LEFT, 1},
    {L"WIN_MON1", 195, kWindowModifiers, '1', 1},
    {L"WIN_MON2", 195, kWindowModifiers, '2', 1},
    {L"WIN_MON3", 195, kWindowModifiers, '3', 1},
    {L"WIN_MON4", 195, kWindowModifiers, '4', 1},
    {L"WIN_MON5", 195, kWindowModifiers, '5', 1},
    {L"WIN_MON6", 195, kWindowModifiers, '6', 1},
    {L"WIN_MON7", 195, kWindowModifiers, '7', 1},
    {L"WIN_MON8", 195, kWindowModifiers, '8', 1},
    {L"WIN_MON9", 195, kWindowModifiers, '9', 1},
    {L"WIN_MON10", 195, kWindowModifiers, '0', 1},
    {L"MOUSE_NEXT", 131, kMouseModifiers, VK_RIGHT, 1},
    {L"MOUSE_BEFORE", 132, kMouseModifiers, VK_LEFT, 1},
    {L"MOUSE_MON1", 196, kMouseModifiers, '1', 1},
    {L"MOUSE_MON2", 196, kMouseModifiers, '2', 1},
    {L"MOUSE_MON3", 196, kMouseModifiers, '3', 1},
    {L"MOUSE_MON4", 196, kMouseModifiers, '4', 1},
    {L"MOUSE_MON5", 196, kMouseModifiers, '5', 1},
    {L"MOUSE_MON6", 196, kMouseModifiers, '6', 1},
    {L"MOUSE_MON7", 196, kMouseModifiers, '7', 1},
    {L"MOUSE_MON8", 196, kMouseModifiers, '8', 1},
    {L"MOUSE_MON9", 196, kMouseModifiers, '9', 1},
    {L"MOUSE_MON10", 196, kMouseModifiers, '0', 1},
};

constexpr const wchar_t* kSuffixes[3] = {L"_MOD", L"_KEY", L"_CHECK"};

// The hotkey control's flags: Shift, Ctrl, Alt and the extended-key flag.
constexpr UINT kKnownModifierFlags = HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_EXT;

bool IsMouseButton(UINT key) noexcept {
    return key == VK_LBUTTON || key == VK_RBUTTON || key == VK_MBUTTON || key == VK_XBUTTON1 || key == VK_XBUTTON2;
}

// A profile pair that no hotkey control can have made: modifier bits beyond
// the four flags, or a key outside the keyboard's virtual-key codes (0 is
// "no key" and stays).
bool IsCorruptCombination(UINT modifiers, UINT key) noexcept {
    return (modifiers & ~kKnownModifierFlags) != 0 || key > 0xFE || IsMouseButton(key);
}

// Keys that are Shift, Ctrl, Alt or a Windows key themselves.
bool IsModifierKey(uint16_t key) noexcept {
    return key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU || (key >= VK_LSHIFT && key <= VK_RMENU) ||
           key == VK_LWIN || key == VK_RWIN;
}

// Keys that neither type nor edit nor move anything in a program, so that
// holding one without Ctrl or Alt takes nothing from the program in front:
// the function keys, Pause, Print Screen, the command keys of old keyboards,
// and the browser, volume, media and launch keys.
bool IsFreeStandingKey(uint16_t key) noexcept {
    return (key >= VK_F1 && key <= VK_F24) || key == VK_PAUSE || key == VK_SNAPSHOT || key == VK_HELP ||
           key == VK_SELECT || key == VK_PRINT || key == VK_EXECUTE || key == VK_SLEEP ||
           (key >= VK_BROWSER_BACK && key <= VK_LAUNCH_APP2) || key == VK_PLAY || key == VK_ZOOM;
}

}  // namespace

bool IsHotkeyRegistrable(uint16_t modifiers, uint16_t key) noexcept {
    if (key == 0 || IsModifierKey(key)) return false;
    // Without Ctrl or Alt every other key (letters, digits, arrows, Enter,
    // Tab, Esc, the editing keys; with Shift alone: capitals and selection)
    // would be taken from every program on the desktop.
    if ((modifiers & (HOTKEYF_CONTROL | HOTKEYF_ALT)) == 0) return IsFreeStandingKey(key);
    return true;
}

const HotkeyDefault& HotkeyDefaultOf(int index) noexcept {
    return kDefaults[(index >= 0 && index < kHotkeyCount) ? index : 0];
}

std::wstring HotkeyValueName(int index, const wchar_t* suffix) {
    return std::wstring(HotkeyDefaultOf(index).name) + suffix;
}

std::array<std::wstring, kHotkeyCount * 3> HotkeyValueNames() {
    std::array<std::wstring, kHotkeyCount * 3> names;
    for (int i = 0; i < kHotkeyCount; ++i) {
        for (int s = 0; s < 3; ++s) names[static_cast<size_t>(i * 3 + s)] = HotkeyValueName(i, kSuffixes[s]);
    }
    return names;
}

int HotkeyDisplaySlot(int index) noexcept {
    if (index >= kFirstWindowSlotEntry && index < kFirstWindowSlotEntry + kDisplaySlots)
        return index - kFirstWindowSlotEntry;
    if (index >= kFirstMouseSlotEntry && index < kFirstMouseSlotEntry + kDisplaySlots)
        return index - kFirstMouseSlotEntry;
    return -1;
}

UINT HotkeyModifiersToRegister(uint16_t hotkeyFlags) noexcept {
    UINT modifiers = 0;
    if (hotkeyFlags & HOTKEYF_ALT) modifiers |= MOD_ALT;
    if (hotkeyFlags & HOTKEYF_CONTROL) modifiers |= MOD_CONTROL;
    if (hotkeyFlags & HOTKEYF_SHIFT) modifiers |= MOD_SHIFT;
    return modifiers;
}

int FindHotkeyHolder(const HotkeyTable& table, int except, uint16_t modifiers, uint16_t key) noexcept {
    if (key == 0) return -1;
    const UINT wanted = HotkeyModifiersToRegister(modifiers);
    for (int i = 0; i < kHotkeyCount; ++i) {
        const HotkeySlot& entry = table[static_cast<size_t>(i)];
        if (i != except && entry.key == key && HotkeyModifiersToRegister(entry.modifiers) == wanted) return i;
    }
    return -1;
}

void LoadHotkeyTable(HotkeyTable& table, const DisplayList* displays) {
    const velk::CWinApp* app = velk::AfxGetApp();
    for (int i = 0; i < kHotkeyCount; ++i) {
        const HotkeyDefault& fixed = kDefaults[i];
        HotkeySlot& entry = table[static_cast<size_t>(i)];
        entry.index = i;
        entry.label = fixed.label;
        const int slot = HotkeyDisplaySlot(i);
        if (slot < 0) {
            entry.available = 1;
            entry.userNumber = 0;
        } else if (displays) {
            entry.available = displays->Records[slot].SystemsDispNumber;
            entry.userNumber = displays->Records[slot].UserDispNumber;
        } else {
            entry.available = 0;
            entry.userNumber = 0;
        }
        if (app) {
            const UINT modifiers =
                app->GetProfileInt(kHotkeySection, HotkeyValueName(i, L"_MOD").c_str(), fixed.modifiers);
            const UINT key = app->GetProfileInt(kHotkeySection, HotkeyValueName(i, L"_KEY").c_str(), fixed.key);
            // A damaged pair gives the entry's own combination back, whole.
            const bool corrupt = IsCorruptCombination(modifiers, key);
            entry.modifiers = corrupt ? fixed.modifiers : static_cast<uint16_t>(modifiers);
            entry.key = corrupt ? fixed.key : static_cast<uint16_t>(key);
            entry.enabled = static_cast<int32_t>(
                app->GetProfileInt(kHotkeySection, HotkeyValueName(i, L"_CHECK").c_str(), fixed.enabled));
        } else {
            entry.modifiers = fixed.modifiers;
            entry.key = fixed.key;
            entry.enabled = fixed.enabled;
        }
    }
}

bool SaveHotkeyTable(const HotkeyTable& table) {
    const velk::CWinApp* app = velk::AfxGetApp();
    if (!app) return false;
    bool written = true;
    for (int i = 0; i < kHotkeyCount; ++i) {
        const HotkeySlot& entry = table[static_cast<size_t>(i)];
        const int values[3] = {entry.modifiers, entry.key, entry.enabled};
        for (int s = 0; s < 3; ++s) {
            if (!app->WriteProfileInt(kHotkeySection, HotkeyValueName(i, kSuffixes[s]).c_str(), values[s]))
                written = false;
        }
    }
    return written;
}

int UnregisterHotkeys(HWND window) {
    for (int id = kFirstHotkeyId; id <= kLastHotkeyId; ++id) ::UnregisterHotKey(window, id);
    return 1;
}

BOOL RegisterHotkeyTable(HotkeyTable& table, HWND window) {
    UnregisterHotkeys(window);
    BOOL result = TRUE;
    for (HotkeySlot& entry : table) {
        if (entry.available == 0 || entry.enabled == 0) continue;
        if (!IsHotkeyRegistrable(entry.modifiers, entry.key)) {
            // Kept in its row with its key, but unchecked and not registered.
            entry.enabled = 0;
            continue;
        }
        result = ::RegisterHotKey(window, kFirstHotkeyId + entry.index, HotkeyModifiersToRegister(entry.modifiers),
                                  entry.key);
        if (!result) {
            // Taken by another program (or otherwise refused): switch it off
            // and forget the key, so the next save records it as off.
            entry.enabled = 0;
            entry.modifiers = 0;
            entry.key = 0;
        }
    }
    return result;
}
