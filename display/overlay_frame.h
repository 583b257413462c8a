// A small frame window base for the display number overlay: the creation goes
// through a virtual PreCreateWindow that may replace class and styles, and the
// object belongs to its window, which deletes it when it is destroyed.
#pragma once
#include "framework/window.h"
#include <windows.h>

class CFrameWindow : public velk::CWnd {
public:
    // Creates the window of a frame made with `new`; from this call on the
    // frame belongs to its window and is deleted when the window is destroyed.
    // When no window comes of the call, the frame is deleted before it returns
    // (answer false): the caller must not touch it after a false answer.
    // A null class name asks for the default frame class.
    bool Create(const wchar_t* className, const wchar_t* title, DWORD style, const RECT& rect, HWND parent,
                HMENU menuOrId = nullptr, DWORD exStyle = 0);

    // The default frame class that PreCreateWindow gives a window without one.
    static constexpr wchar_t kDefaultClassName[] = L"VelkFrame";

protected:
    CFrameWindow() noexcept = default;
    // Only the window deletes a frame.
    ~CFrameWindow() override = default;

    // Adjusts the creation arguments; false cancels the creation.
    virtual bool PreCreateWindow(CREATESTRUCTW& cs);
    // The base part of WM_CREATE: 0, or -1 to fail the creation.
    LRESULT OnCreate(WPARAM w, LPARAM l);
    void PostNcDestroy() override;

private:
    // Set while Create runs, so that it learns whether the window deleted
    // the frame during a failed creation.
    bool* deletedFlag_ = nullptr;
};
