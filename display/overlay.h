// The display number overlay: shows each display's number on that display,
// one display after the other, as a sequence of timer steps on the calling
// (user-interface) thread, which goes on handling its messages meanwhile.
//
// From Windows 6.0 on, a display gets two layered windows for 750 ms: a
// nearly transparent frame (CMainFrame) over the whole display and, owned by
// it, a click-through window (CTextFrame) whose black pixels are keyed out and
// on which the number is painted. Before 6.0 the number is drawn straight onto
// the screen, and the screen is repainted at the end.
#pragma once
#include "display/overlay_frame.h"
#include "framework/message_table.h"
#include <windows.h>
#include <cstdint>
#include <functional>
#include <span>

// The window class of both overlay windows: class style 0, no cursor, brush or icon.
inline constexpr wchar_t kOverlayWindowClass[] = L"VelkOverlay";

// The click-through window on which the number is painted. Black is its
// transparent colour.
class CTextFrame : public velk::MessageMapped<CTextFrame, CFrameWindow> {
public:
    CTextFrame() noexcept = default;

    static std::span<const velk::MessageEntry<CTextFrame>> MessageTable();

    // Paints `number` into the window through its paint device context, over
    // the whole client area (`rect` is replaced by it). False when the font
    // could not be made or selected; the area is then black only.
    bool PaintDisplayNumber(int number, RECT rect);

protected:
    ~CTextFrame() override;
    bool PreCreateWindow(CREATESTRUCTW& cs) override;

private:
    LRESULT OnCreate(WPARAM w, LPARAM l);
    LRESULT OnPaint(WPARAM w, LPARAM l);
    LRESULT OnWindowPosChanging(WPARAM w, LPARAM l);
};

// The nearly transparent frame over one display; it creates its text window
// and keeps it on its own rectangle. Both are made with new and belong to
// their windows (see CFrameWindow::Create).
class CMainFrame : public velk::MessageMapped<CMainFrame, CFrameWindow> {
public:
    CMainFrame() noexcept = default;

    static std::span<const velk::MessageEntry<CMainFrame>> MessageTable();

    // The text window's object while that window exists, else null.
    CTextFrame* GetTextFrame() const noexcept;

protected:
    ~CMainFrame() override;
    bool PreCreateWindow(CREATESTRUCTW& cs) override;

private:
    LRESULT OnCreate(WPARAM w, LPARAM l);
    LRESULT OnPaint(WPARAM w, LPARAM l);
    LRESULT OnMove(WPARAM w, LPARAM l);
    LRESULT OnSize(WPARAM w, LPARAM l);
    LRESULT OnWindowPosChanging(WPARAM w, LPARAM l);
    void MoveTextFrame() noexcept;

    CTextFrame* TextFrame = nullptr;
    HWND textWindow_ = nullptr;  // the window TextFrame was created with
};

// Starts the show of the numbers of the displays of the current display
// table, each on its display, in the order of the numbers 1 to 10 (slots in
// table order within a number), from the table as it is now. From Windows 6.0
// on each display's windows stay 750 ms, before 6.0 each number drawn onto the
// screen is followed by 375 ms; 3 s after the last display the whole screen is
// repainted and `finished` is called. A display whose windows cannot be made
// is skipped without its interval. `parent` owns the overlay windows; when it
// is destroyed the show ends at its next step. The steps are thread timers of
// the calling thread, which must dispatch its messages. A call while a show
// runs is ignored (answer 0, `finished` is not kept): the numbers are on
// screen already and the running show ends in its usual time. Else 1.
int IdentifyDisplays(HWND parent, std::function<void()> finished = {});

// True while a show runs.
bool IsIdentifyingDisplays() noexcept;

// Ends a running show at once as its last step would: its windows and its
// timer go, the screen is repainted and its `finished` is called. Nothing
// when none runs.
void StopIdentifyDisplays();

// Draws `number` onto `dc` in the overlay's font and colours: the area
// `client` black (the key colour), the number centred across it with its text
// cell 15 pixels down, its shadow 5 pixels right and below. False when the font
// could not be made or selected; the area is then black only.
bool RenderDisplayNumber(HDC dc, const RECT& client, int number);

// The number drawn straight onto a device context (before Windows 6.0):
// display height `height`, around `centreX`, from `top`. Always 1.
int DrawDisplayNumber(HDC dc, int centreX, int top, uint32_t height, int number);
