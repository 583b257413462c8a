// The extra taskbar: one shell application bar docked along the bottom of a
// non-primary display, hosting the task buttons. The controller allocates
// the bar objects, creates their windows here and removes them.
#pragma once
#include "framework/message_table.h"
#include "framework/window.h"
#include <windows.h>
#include <shellapi.h>
#include <cstdint>
#include <span>

// The bar's callback message for the shell (registered, not handled).
inline constexpr UINT UM_APPBARNOTIFY = 0x8001;
// Records 0 (unused) to 10, one per display number.
inline constexpr int kExtraTaskbarRecordCount = 11;

struct ExtraTaskbarRecord {
    HWND Window;  // 0: no bar
    int32_t DisplayNumber;
    int32_t left, top, right, bottom;  // the display, desktop coordinates
    int32_t Width, Height;             // of the display
    int32_t BarWidth;   // thickness asked for on a left or right edge
    int32_t BarHeight;  // thickness asked for on a top or bottom edge
    int32_t Edge;       // ABE_LEFT, ABE_TOP, ABE_RIGHT or ABE_BOTTOM
    int32_t AutoHideWanted;
    int32_t AutoHideRegistered;
};

extern ExtraTaskbarRecord ExtraTaskbarTable[kExtraTaskbarRecordCount];
// The bar height: 32 from Windows 6.0 on, 30 before; set at every bar creation.
extern int32_t ExtraTaskbarHeight;

class CTaskbarEx : public velk::MessageMapped<CTaskbarEx, velk::CWnd> {
public:
    CTaskbarEx() noexcept = default;
    ~CTaskbarEx() override;

    static std::span<const velk::MessageEntry<CTaskbarEx>> MessageTable();

    // Sends ABM_REMOVE for the bar unless that was done already.
    void UnregisterAppBar() noexcept;
    bool IsRegistered() const noexcept { return Registered; }
    // After the shell restarted (and forgot every bar): registers the bar
    // again and reserves its strip at its edge once more.
    void RegisterAgain();

    int32_t ButtonCount = 0;  // kept by the controller
    HWND Window = nullptr;    // copy of the bar's window handle
    uint8_t OnTop = 0;
    HWND Desktop = nullptr;   // the desktop window given as parent

private:
    LRESULT OnCreate(WPARAM w, LPARAM l);
    LRESULT OnDestroy(WPARAM w, LPARAM l);
    LRESULT OnWindowPosChanged(WPARAM w, LPARAM l);
    LRESULT OnGetMinMaxInfo(WPARAM w, LPARAM l);
    LRESULT OnNcHitTest(WPARAM w, LPARAM l);
    LRESULT OnPaint(WPARAM w, LPARAM l);
    LRESULT OnDrawItem(WPARAM w, LPARAM l);

    bool Registered = false;
    HWND RegisteredWindow = nullptr;
};

// The record whose window is `bar` (scanning from record 0), else record 0.
ExtraTaskbarRecord& ExtraTaskbarRecordOf(HWND bar) noexcept;

// Creates the bar window of display number n on the display's rectangle and
// docks it at the bottom edge; 0 for n outside 1 to 10 or when the window
// could not be created.
HWND CreateTaskbarWindow(CTaskbarEx* bar, int n, int left, int top, int right, int bottom);
// Closes the bar's window, unregisters it from the shell and clears its record.
void RemoveTaskbarWindow(CTaskbarEx& bar) noexcept;

// The AppBar protocol. The rectangle comes back in data.rc.
void QueryAppBarPos(UINT edge, APPBARDATA& data, int width, int height);
void SetAppBarPos(UINT edge, APPBARDATA& data, int width, int height);
void SizeAppBar(HWND bar);
void SetAppBarEdge(HWND bar, UINT edge);
void DockAppBarBottom(HWND bar);
