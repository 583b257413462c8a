// What the overlay's tests share: a display table of their own as the current
// one, the show's timers taken through the seam (each interval recorded
// together with the overlay windows that exist while it runs, and fired by the
// test instead of by time), pixel read-back and a count of the process's free
// GDI handle slots.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "display/display_list.h"
#include "display/overlay.h"
#include "testing/harness.h"

namespace velk::test {

// The overlay's colours: the number, its shadow (on the text window and on the
// screen), and the text window's transparent key colour.
inline constexpr COLORREF kNumber = RGB(64, 64, 192);
inline constexpr COLORREF kShadow = RGB(33, 33, 33);
inline constexpr COLORREF kScreenShadow = RGB(0, 33, 33);
inline constexpr COLORREF kKey = RGB(0, 0, 0);

// One window of the overlay's class as it was while a wait ran.
struct OverlayWindow {
    HWND hwnd = nullptr;
    std::wstring title;
    RECT rect{};
    LONG_PTR style = 0;
    LONG_PTR exStyle = 0;
    HWND owner = nullptr;
    bool layered = false;  // GetLayeredWindowAttributes answered
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD layeredFlags = 0;
    bool updatePending = false;  // still waits for WM_PAINT
};

// One interval of the show: a timer armed on the user-interface thread.
struct RecordedWait {
    DWORD milliseconds = 0;
    bool threadTimer = false;  // no window, a timer procedure of its own
    std::vector<OverlayWindow> windows;
};

// A timer armed through the seam and not yet fired or killed.
struct ArmedTimer {
    UINT_PTR id = 0;
    TIMERPROC proc = nullptr;
};

// The overlay windows of this thread, frame ("Frame") first.
std::vector<OverlayWindow> OverlayWindowsOfThisThread();

// Pixels of a device context area, read into memory (0x00RRGGBB-free COLORREFs).
class Pixels {
public:
    Pixels(int width, int height) : width_(width), height_(height), data_(static_cast<size_t>(width) * height) {}
    static Pixels Read(HDC dc, int width, int height);
    COLORREF At(int x, int y) const { return data_[static_cast<size_t>(y) * width_ + x]; }
    COLORREF& At(int x, int y) { return data_[static_cast<size_t>(y) * width_ + x]; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count(COLORREF colour) const;
    // Bounding box of the pixels of one colour (empty when none).
    RECT Box(COLORREF colour) const;

private:
    int width_;
    int height_;
    std::vector<COLORREF> data_;
};

// A 32-bit memory bitmap with its device context, filled with one colour.
class MemoryCanvas {
public:
    MemoryCanvas(int width, int height, COLORREF fill);
    ~MemoryCanvas();
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;
    HDC dc() const { return dc_; }
    Pixels Read() const;

private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* bits_ = nullptr;
};

// How many more GDI objects the process could create now (Wine answers 0 to
// GetGuiResources, so the free slots of the handle table are counted instead).
int FreeGdiSlots();

// Live allocations of operator new in this test program.
long LiveAllocations();

// A visible top-level window of a plain class, owner of the overlay in tests.
class TestOwnerWindow {
public:
    TestOwnerWindow();
    ~TestOwnerWindow();
    HWND hwnd() const { return hwnd_; }
    // WINDOWPOS hwnd fields of the WM_WINDOWPOSCHANGING messages it received.
    std::vector<HWND> positionChanges;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
    HWND hwnd_ = nullptr;
};

// A fresh display table as the current one, Windows 6.1, and the show's
// timers recorded and fired by the test. No blocking wait may happen.
class OverlayTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Puts a display into a slot.
    void SetSlot(int slot, uint32_t number, RECT rect);
    // Drops the recorded waits with all their memory.
    void ForgetWaits() { std::vector<RecordedWait>().swap(waits); }
    // The milliseconds of the recorded waits, in order.
    std::vector<DWORD> WaitTimes() const;
    // Starts the show and fires its timers until none is armed; the answer
    // of IdentifyDisplays.
    int Identify(HWND parent, std::function<void()> finished = {});
    // Fires the first armed timer; false when none is armed.
    bool FireTimer();

    std::vector<ArmedTimer> armed;
    PlatformOverride platform;
    DisplayList list{};
    std::vector<RecordedWait> waits;
    // Called during each wait (after the windows were recorded), if set.
    std::function<void(RecordedWait&)> duringWait;
};

}  // namespace velk::test
