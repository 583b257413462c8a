// The main dialog's side of the hook library's system-menu reports and of the
// hotkeys: the items it puts into other programs' system menus while they are
// open, the move a chosen item asks for, and the 24 hotkeys once delivered.
// Each handler takes the main dialog's state and window; the main dialog's
// message table forwards to them and answers what they answer.
#pragma once
#include <windows.h>
#include <cstdint>
#include <span>
#include <vector>

struct MainDialogState;

// Indexes into MainDialogState::CommandIds.
inline constexpr int kCommandNext = 0;
inline constexpr int kCommandPrevious = 1;
inline constexpr int kCommandFirstSlot = 2;  // 2..11: display slots 0..9
inline constexpr int kCommandSpan = 12;
// Menu items live under the first twelve command ids (the span has no item).
inline constexpr int kMenuCommandCount = 12;

// The slots (0..9) of the displays other than `cur` among the slots'
// display numbers (0: empty), in the order of their numbers: from Windows
// 6.1 on a slot need not hold display slot+1.
std::vector<int> OtherDisplaySlots(std::span<const uint32_t> numbers, uint32_t cur);

// UM_MENUPOPUP (lParam: the window whose system menu is about to open).
// Appends next/previous and one item per other display while the count is 2
// to 10 (and the last build met no more than ten), and then allows the move.
// The count is the build's Count before Windows 6.1, from 6.1 on the number
// of displays in the table. Answers 1.
LRESULT OnMenuPopupNotify(MainDialogState& state, HWND dialog, WPARAM w, LPARAM l);
// UM_MENUSELECTED (lParam: the window whose menu has closed): takes the
// items out again. Answers 1.
LRESULT OnMenuSelectedNotify(MainDialogState& state, HWND dialog, WPARAM w, LPARAM l);
// UM_WINMOVENEXT (wParam: the chosen command, lParam: the window): moves
// the window to the display the command names. Answers 1.
LRESULT OnWinMoveNextNotify(MainDialogState& state, HWND dialog, WPARAM w, LPARAM l);
// WM_HOTKEY (wParam: hotkey id 256..279): moves the foreground window or the
// pointer. Answers 1.
LRESULT OnHotKey(MainDialogState& state, HWND dialog, WPARAM w, LPARAM l);

// Appends one item to window's system menu: the string `stringId`, followed
// by `number` in decimal when it is above 0 (number -1: the string alone,
// number 0: nothing is added and the answer is false). An id already in the
// menu is not added twice; "Append Error " when the menu refuses the item.
bool AppendSystemMenuItem(HWND dialog, HWND window, UINT stringId, UINT commandId, int number);

// The display a system-menu command (the whole command value, compared with
// state.CommandIds) sends a window on display `cur` to; 0 when the command is
// none of next, previous or the ten slots.
uint32_t TargetDisplayForCommand(const MainDialogState& state, UINT command, uint32_t cur);
