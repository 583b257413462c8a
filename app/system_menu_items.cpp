#include "app/system_menu_items.h"
#include "framework/platform.h"

#include "app/main_dialog_state.h"
#include "app/velkmira_app.h"
#include "app/window_movement.h"
#include "display/display_list.h"
#include "display/display_lookup.h"
#include "framework/message_box.h"
#include "framework/strings.h"
#include "resources/resource.h"
#include <string>

namespace {

constexpr UINT kStringNext = 113;
constexpr UINT kStringPrevious = 114;
constexpr UINT kStringDisplay = 115;

// Menu commands and the next/previous hotkeys leave tool windows, hidden
// windows and the desktop where they are.
bool IsMovableByCommand(HWND window) noexcept {
    if (!window) return false;
    if (::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) return false;
    if (::IsWindowVisible(window) != TRUE) return false;
    return window != ::GetDesktopWindow();
}

}  // namespace

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
    const int32_t count = list ? list->Count : 0;

    if (count == 2) {
        if (cur == 1) AppendSystemMenuItem(dialog, window, kStringNext, state.CommandIds[kCommandNext], -1);
        else AppendSystemMenuItem(dialog, window, kStringPrevious, state.CommandIds[kCommandPrevious], -1);
    } else if (count >= 3 && count <= 10) {
        AppendSystemMenuItem(dialog, window, kStringNext, state.CommandIds[kCommandNext], -1);
        AppendSystemMenuItem(dialog, window, kStringPrevious, state.CommandIds[kCommandPrevious], -1);
        for (uint32_t k = 1; k <= static_cast<uint32_t>(kDisplaySlots); ++k) {
            if (k == cur) continue;
            if (k >= 5 && HighestDisplayNumber < k) continue;
            // Empty slots carry number 0, for which nothing is appended.
            AppendSystemMenuItem(dialog, window, kStringDisplay, state.CommandIds[k + 1],
                                 static_cast<int>(list->Records[k - 1].DisplayNumber));
        }
    }
    if (count >= 2 && count <= 10) state.OpenMoveGate();
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
    const uint32_t cur = GetSystemNumberFromWindow(window);
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
        MoveWindowToDisplay(state, window, state.ResizeMode, GetSystemNumberFromWindow(window),
                            static_cast<uint32_t>(id - 257));
    }
    return 1;
}
