// A button on an extra taskbar standing for one top-level window: it shows
// the window's small icon and title, is drawn pressed while its window is in
// front, minimises or restores the window on a left click and opens the
// window's system menu on a right click.
#pragma once
#include "framework/message_table.h"
#include "framework/window.h"
#include "taskbar/taskbar_theme.h"
#include <windows.h>
#include <cstdint>
#include <span>
#include <string>

// The button's click, posted to itself (wParam: the button's serial).
inline constexpr UINT UM_TASKBUTTONCLICK = 0x8120;
// The answer of the button's target to the icon question, sent to the
// button (wParam: the window asked, lParam: its icon).
inline constexpr UINT UM_TASKBUTTONICON = 0x8121;
// Button slots of the controller.
inline constexpr int kTaskButtonCount = 256;

struct TaskButtonState {
    int32_t Active;       // 1: the target counts as the foreground window
    HWND Target;          // written by the controller when it creates the button
    int32_t KeptShowCmd;  // the target's showCmd before the button last minimised it
};

// One record per button slot, indexed by serial.
extern TaskButtonState TaskButtonStateTable[kTaskButtonCount];

class CTaskBarButton : public velk::MessageMapped<CTaskBarButton, velk::CWnd> {
public:
    static constexpr UINT_PTR kTitleTimer = 1;
    static constexpr UINT kTitleTimerMs = 500;

    CTaskBarButton() noexcept;

    static std::span<const velk::MessageEntry<CTaskBarButton>> MessageTable();

    // Creates the button window (class BUTTON) and starts its timer.
    bool Create(const wchar_t* text, DWORD style, const RECT& rect, HWND parent, UINT id);
    // Owner drawing, reflected by the bar.
    void DrawItem(const DRAWITEMSTRUCT* item);
    // Takes the skin's bitmaps, text colours and font size.
    void ApplySkin(const TaskbarSkin& skin) noexcept;
    // Puts a window back with show command cmd (0: SW_SHOWNORMAL), animating
    // between the button and the window; answers the show command it had.
    int RestoreWindowAnimated(HWND window, int cmd);
    // Stretches the bitmap over the button's created size.
    void StretchSkinBitmap(HBITMAP bitmap, HDC dc) const;

    HWND Target = nullptr;
    int32_t DisplayNumber = 0;
    std::wstring Title;
    int32_t Position = 0;
    int32_t CreatedWidth = 0;
    int32_t CreatedHeight = 0;
    int32_t FontSize = 9;
    int32_t Serial = 0;
    uint32_t NormalBitmap = 0;
    uint32_t HotBitmap = 0;
    uint32_t ActiveBitmap = 0;
    uint32_t ActiveHotBitmap = 0;
    COLORREF InactiveTextColour = 0;
    COLORREF ActiveTextColour = 0;
    HICON Icon = nullptr;  // not owned
    int32_t SmallIconWidth = 16;
    int32_t SmallIconHeight = 16;
    uint8_t Hover = 0;

private:
    LRESULT OnTimer(WPARAM w, LPARAM l);
    LRESULT OnLButtonDown(WPARAM w, LPARAM l);
    LRESULT OnTaskButtonClick(WPARAM w, LPARAM l);
    LRESULT OnTaskButtonIcon(WPARAM w, LPARAM l);
    LRESULT OnRButtonDown(WPARAM w, LPARAM l);
    LRESULT OnMouseMove(WPARAM w, LPARAM l);
    LRESULT OnMouseLeave(WPARAM w, LPARAM l);
};

// The window's icon without waiting for the window: answers at once what
// its class holds (the small icon, else the icon; 0 when none) and asks the
// window, by messages that return at once, for WM_GETICON small, small2 and
// big in turn. Once it has answered (on this thread's next messages), the
// first icon it gave, else the class's, goes to `button` as
// UM_TASKBUTTONICON. A window still asked gets no second question: the
// answer then goes to the button that asked last.
HICON GetWindowIconHandle(HWND window, HWND button);
// Questions sent and not yet answered.
size_t PendingIconQuestions() noexcept;
// DrawThemeBackground of part 1; 1 when drawn.
int DrawThemeBackgroundDynamic(HANDLE theme, HDC dc, int state, const RECT& rect);
