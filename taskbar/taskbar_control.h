// The extra-taskbar controller's arithmetic: where a task button goes on its bar.
#pragma once
#include "framework/handles.h"
#include <windows.h>
#include <shobjidl.h>

// The rectangle, in the bar's client coordinates, of the button that comes
// after k buttons on the bar of a display `displayWidth` pixels wide, for
// buttons `buttonHeight` pixels tall. Buttons are 160 pixels wide (narrower
// on a display narrower than that) and fill a row 5 pixels in from the left
// as far as they fit within the display, then continue in further rows.
RECT TaskButtonRect(int k, int displayWidth, int buttonHeight) noexcept;

// One round of changes to the Windows taskbar's tabs (ITaskbarList): the
// tab list is made at the first change of the round, between a CoInitialize
// and a CoUninitialize of its own, and released when the round ends. Without
// the object a change is skipped.
class TaskbarTabRound {
public:
    TaskbarTabRound() noexcept = default;
    ~TaskbarTabRound();
    TaskbarTabRound(const TaskbarTabRound&) = delete;
    TaskbarTabRound& operator=(const TaskbarTabRound&) = delete;
    // Adds the window's tab (shown) or deletes it; false when the round has
    // no tab list, so the change was not made.
    bool Set(HWND window, bool shown) noexcept;

private:
    bool started_ = false;
    HRESULT init_ = E_FAIL;
    velk::ComPtr<ITaskbarList> list_;
};
