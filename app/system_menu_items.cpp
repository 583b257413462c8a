#include "app/system_menu_items.h"
#include "framework/platform.h"

#include "app/main_dialog_state.h"
#include "app/velkmira_app.h"
#include "display/window_movement.h"
#include "display/display_list.h"
#include "display/display_lookup.h"
#include "display/shared_functions.h"
#include "framework/message_box.h"
#include "framework/strings.h"
#include "resources/resource.h"
#include <algorithm>
#include <array>
#include <string>

namespace {

// Menu commands and the next/previous hotkeys leave tool windows, hidden
// windows and the desktop where they are.
bool IsMovableByCommand(HWND window) noexcept {
    if (!window) return false;
    if (::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) return false;
    if (::IsWindowVisible(window) != TRUE) return false;
    return window != ::GetDesktopWindow();
}

}  // namespace

std::vector<int> OtherDisplaySlots(std::span<const uint32_t> numbers, uint32_t cur) {
    std::vector<int> slots;
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (numbers[i] != 0 && numbers[i] != cur) slots.push_back(static_cast<int>(i));
    }
    std::stable_sort(slots.begin(), slots.end(), [&](int a, int b) {
        return numbers[static_cast<size_t>(a)] < numbers[static_cast<size_t>(b)];
    });
    return slots;
}

bool AppendSystemMenuItem(HWND dialog, HWND window, UINT stringId, UINT commandId, int number) {
    std::wstring text = velk::LoadResString(stringId);
    if (number == 0) return false;
    if (number > 0 && !text.empty()) text += std::to_wstring(number);

    HMENU menu = ::GetSystemMenu(window, FALSE);
    if (!menu) return true;
    if (text.empty()) {
        ShowErrorNumber(1003);
        return true;
    }
    if (::GetMenuState(menu, commandId, MF_BYCOMMAND) == static_cast<UINT>(-1)) {
        if (!::AppendMenuW(menu, MF_STRING, commandId, text.c_str()))
            ::MessageBoxW(dialog, L"Append Error ", velk::kMessageBoxTitle, MB_OK);
    }
    return true;
}

LRESULT OnMenuPopupNotify(MainDialogState& state, HWND dialog, WPARAM, LPARAM l) {
    HWND window = reinterpret_cast<HWND>(l);
    const DisplayList* list = CurrentDisplayList();
    const uint32_t cur = GetSystemNumberFromWindow(window);
    std::array<uint32_t, kDisplaySlots> numbers{};
    if (list) {
        for (int i = 0; i < kDisplaySlots; ++i) numbers[static_cast<size_t>(i)] = list->Records[i].DisplayNumber;
    }
    const auto displays =
        static_cast<int32_t>(std::count_if(numbers.begin(), numbers.end(), [](uint32_t n) { return n != 0; }));
    // Before Windows 6.1 the build's count (every display device that is not
    // a mirroring driver, inactive outputs included) chooses the items. From
    // 6.1 on that count is a counter that can be smaller than the number of
    // displays (numbers 2 then 1 give a count of 1), so the displays in the
    // table are counted instead.
    int32_t count = 0;
    if (list && list->Count <= kDisplaySlots) count = IsWindowsOlderThan(6, 1) ? list->Count : displays;

    if (count == 2) {
        if (cur == 1) AppendSystemMenuItem(dialog, window, IDS_MOVE_WINDOW_NEXT, state.CommandIds[kCommandNext], -1);
        else AppendSystemMenuItem(dialog, window, IDS_MOVE_WINDOW_PREV, state.CommandIds[kCommandPrevious], -1);
    } else if (count >= 3) {
        AppendSystemMenuItem(dialog, window, IDS_MOVE_WINDOW_NEXT, state.CommandIds[kCommandNext], -1);
        AppendSystemMenuItem(dialog, window, IDS_MOVE_WINDOW_PREV, state.CommandIds[kCommandPrevious], -1);
        // Each other display by its number, under the command of its slot.
        for (const int slot : OtherDisplaySlots(numbers, cur)) {
            AppendSystemMenuItem(dialog, window, IDS_DISPLAY, state.CommandIds[kCommandFirstSlot + slot],
                                 static_cast<int>(numbers[static_cast<size_t>(slot)]));
        }
    }
    if (count >= 2) state.OpenMoveGate();
    ::DrawMenuBar(window);
    return 1;
}

LRESULT OnMenuSelectedNotify(MainDialogState& state, HWND, WPARAM, LPARAM l) {
    HWND window = reinterpret_cast<HWND>(l);
    if (!window) return 1;
    HMENU menu = ::GetSystemMenu(window, FALSE);
    if (!menu) return 1;
    for (int i = 0; i < kMenuCommandCount; ++i) ::RemoveMenu(menu, state.CommandIds[i], MF_BYCOMMAND);
    return 1;
}

uint32_t TargetDisplayForCommand(const MainDialogState& state, UINT command, uint32_t cur) {
    const DisplayList* list = CurrentDisplayList();
    const auto numbers = CurrentSlotNumbers();
    if (command == state.CommandIds[kCommandNext])
        return NextDisplayNumber(cur, numbers, HighestDisplayNumber, LowestDisplayNumber);
    if (command == state.CommandIds[kCommandPrevious])
        return PreviousDisplayNumber(cur, numbers, HighestDisplayNumber, LowestDisplayNumber);
    for (int i = 0; i < kDisplaySlots; ++i) {
        if (command == state.CommandIds[kCommandFirstSlot + i]) return list ? list->Records[i].DisplayNumber : 0;
    }
    return 0;
}

LRESULT OnWinMoveNextNotify(MainDialogState& state, HWND, WPARAM w, LPARAM l) {
    HWND window = reinterpret_cast<HWND>(l);
    if (!IsMovableByCommand(window)) return 1;
    const UINT command = static_cast<UINT>(w);
    // A window still to take a move made for it counts where that move leaves it.
    const uint32_t cur = DisplayNumberOfWindow(window);
    if (command == state.CommandIds[kCommandSpan]) {
        const RECT span = GetLargestDisplayRect();
        // No display in the table: leave the window rather than shrink it to nothing.
        if (span.right > span.left && span.bottom > span.top)
            MoveWindowToRect(window, span.left, span.top, span.right, span.bottom);
        return 1;
    }
    MoveWindowToDisplay(state, window, state.ResizeMode, cur, TargetDisplayForCommand(state, command, cur));
    return 1;
}

LRESULT OnHotKey(MainDialogState& state, HWND dialog, WPARAM w, LPARAM) {
    const int id = static_cast<int>(w);
    if (id < 256 || id > 279) return 1;
    if (id >= 268) {
        MoveMousePointer(id);
        return 1;
    }
    HWND window = velk::Platform().GetForegroundWindow();
    if (!window) return 1;
    state.OpenMoveGate();
    if (id == 256 || id == 257) {
        const UINT command = state.CommandIds[id == 256 ? kCommandNext : kCommandPrevious];
        OnWinMoveNextNotify(state, dialog, command, reinterpret_cast<LPARAM>(window));
    } else {
        MoveWindowToDisplay(state, window, state.ResizeMode, DisplayNumberOfWindow(window),
                            static_cast<uint32_t>(id - 257));
    }
    return 1;
}
