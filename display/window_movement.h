// Moving windows and the mouse pointer between displays: the arithmetic that
// maps a window's rectangle from one display onto another, the choice of the
// next and previous display, and the moves themselves.
#pragma once
#include "display/display_list.h"
#include <windows.h>
#include <array>
#include <cstdint>
#include <span>

// The gate of MoveWindowToDisplay: it moves only while the gate is open (1),
// and the move it lets through closes it. The system-menu popup and the window
// hotkeys open it; Gather opens it for each of its own moves.
struct MoveGate {
    int MoveAllowed = 0;
    void OpenMoveGate() noexcept { MoveAllowed = 1; }
    void CloseMoveGate() noexcept { MoveAllowed = 0; }
};

// The pointer, foreground-window and placement calls of the moves,
// replaceable by tests: Windows keeps the pointer and a window's normal
// rectangle on the displays it really has, so moves between displays that a
// test only fakes are checked through these. Initialised to the real calls.

// ---- Pure arithmetic -------------------------------------------------------

// rect moved by the offset between the top-left corners of src and dst.
RECT TranslateRect(const RECT& rect, const RECT& src, const RECT& dst) noexcept;
// rect mapped proportionally from src onto dst, each coordinate truncated
// toward zero. An axis along which src has no extent is translated instead.
RECT ScaleRect(const RECT& rect, const RECT& src, const RECT& dst) noexcept;

// rect moved the least distance that puts it wholly inside area; along an
// axis on which it is larger than area, its near edge goes to area's.
RECT FitRectIntoArea(const RECT& rect, const RECT& area) noexcept;
// The normal rectangle of a window moved from display src to display dst
// (whole display rectangles; dstWork is the target's work area), all in
// desktop coordinates: scaled when `scale`, else translated. A translated
// rectangle, and a scaled one that did not lie wholly on src, is then fitted
// into dstWork, so that the window lands on its target and Windows
// maximises it there again.
RECT MoveRectToDisplay(const RECT& rect, const RECT& src, const RECT& dst, const RECT& dstWork, bool scale) noexcept;

// The display numbers of the ten slots, 0 for an empty slot.
using SlotNumbers = std::span<const uint32_t>;
// The display numbers (SystemsDispNumber) of the current table's ten slots;
// all 0 without a table.
std::array<uint32_t, kDisplaySlots> CurrentSlotNumbers() noexcept;
// Next display after cur: wraps from highest to lowest; else cur+1 when a slot
// has it, else the smallest number above cur (highest when none is smaller).
uint32_t NextDisplayNumber(uint32_t cur, SlotNumbers numbers, uint32_t highest, uint32_t lowest) noexcept;
// Previous display before cur: wraps from lowest to highest; else cur-1 when a
// slot has it, else the largest number below cur (lowest when none is larger).
uint32_t PreviousDisplayNumber(uint32_t cur, SlotNumbers numbers, uint32_t highest, uint32_t lowest) noexcept;

// Centre of rect, halves truncated toward zero.
POINT RectCentre(const RECT& rect) noexcept;

// True when some display rectangle holds the point with its right and bottom
// edges counted as inside.
bool IsPointOnDisplays(std::span<const RECT> displays, int x, int y) noexcept;
// A large rectangle lying wholly on the displays, grown in 2-pixel steps from
// the four corners of each display; the first display's rectangle when
// nothing larger is found, an empty rectangle when there is no display. The
// steps are taken in runs between display edges, so the time grows with the
// number of displays, not with their size.
RECT LargestRectOnDisplays(std::span<const RECT> displays) noexcept;

// ---- Moves over the current display table -----------------------------------

// The display number of the display holding the window, or, while a change
// made for it waits for the window, of the display that change leaves it on.
uint32_t DisplayNumberOfWindow(HWND window);

// Moves window from display `source` to display `target` (display numbers)
// while the gate is open: its normal rectangle is translated, or scaled
// when resizeMode is not 0 and the window has a sizing border; a maximised
// window is maximised again on the target. A window still to take a change
// made for it moves on from where that change leaves it (and from the
// display that is on). True when placed (the gate is then closed).
bool MoveWindowToDisplay(MoveGate& gate, HWND window, int resizeMode, uint32_t source, uint32_t target);

// Puts the pointer at the centre of the display a pointer hotkey (268..279)
// names: 1 when it was put, 0 when that display has no usable rectangle.
int32_t MoveMousePointer(int hotkeyId);

// The largest rectangle lying wholly on the current table's displays.
RECT GetLargestDisplayRect();
// True when a display of the current table holds (x, y), right and bottom
// edges included.
bool IsPointOnAnyDisplay(int x, int y);
// Restores a maximised window, moves it onto the rectangle, shows it and
// brings it forward. Always true.
bool MoveWindowToRect(HWND window, int left, int top, int right, int bottom);
