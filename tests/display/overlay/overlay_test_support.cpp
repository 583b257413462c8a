#include "tests/display/overlay/overlay_test_support.h"
#include "testing/support/fake_topology.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

// Counts live allocations, so that a test sees objects left behind.
namespace {
std::atomic<long> g_liveAllocations{0};
}

void* operator new(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    ++g_liveAllocations;
    return p;
}
void operator delete(void* p) noexcept {
    if (!p) return;
    --g_liveAllocations;
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace velk::test {
namespace {

std::vector<RecordedWait>* g_waits = nullptr;
std::function<void(RecordedWait&)>* g_duringWait = nullptr;
std::vector<ArmedTimer>* g_armed = nullptr;
UINT_PTR g_nextTimerId = 0x7000;
int g_blockingWaits = 0;

UINT_PTR WINAPI RecordingSetTimer(HWND hwnd, UINT_PTR, UINT milliseconds, TIMERPROC proc) {
    RecordedWait wait;
    wait.milliseconds = milliseconds;
    wait.threadTimer = hwnd == nullptr && proc != nullptr;
    wait.windows = OverlayWindowsOfThisThread();
    if (g_duringWait && *g_duringWait) (*g_duringWait)(wait);
    if (g_waits) g_waits->push_back(std::move(wait));
    const UINT_PTR id = ++g_nextTimerId;
    if (g_armed) g_armed->push_back({id, proc});
    return id;
}

BOOL WINAPI RecordingKillTimer(HWND, UINT_PTR id) {
    if (!g_armed) return FALSE;
    const auto it = std::find_if(g_armed->begin(), g_armed->end(), [id](const ArmedTimer& t) { return t.id == id; });
    if (it == g_armed->end()) return FALSE;
    g_armed->erase(it);
    return TRUE;
}

DWORD WINAPI CountedWait(HANDLE handle, DWORD milliseconds) {
    ++g_blockingWaits;
    return RealPlatform().WaitForSingleObject(handle, milliseconds);
}

BOOL CALLBACK CollectOverlayWindow(HWND hwnd, LPARAM param) {
    wchar_t className[64] = {};
    ::GetClassNameW(hwnd, className, 64);
    if (std::wstring(className) != kOverlayWindowClass) return TRUE;
    OverlayWindow w;
    w.hwnd = hwnd;
    wchar_t title[64] = {};
    ::GetWindowTextW(hwnd, title, 64);
    w.title = title;
    ::GetWindowRect(hwnd, &w.rect);
    w.style = ::GetWindowLongPtrW(hwnd, GWL_STYLE);
    w.exStyle = ::GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    w.owner = ::GetWindow(hwnd, GW_OWNER);
    w.layered = ::GetLayeredWindowAttributes(hwnd, &w.key, &w.alpha, &w.layeredFlags) != FALSE;
    RECT update{};
    w.updatePending = ::GetUpdateRect(hwnd, &update, FALSE) != FALSE;
    reinterpret_cast<std::vector<OverlayWindow>*>(param)->push_back(w);
    return TRUE;
}

}  // namespace

std::vector<OverlayWindow> OverlayWindowsOfThisThread() {
    std::vector<OverlayWindow> windows;
    ::EnumThreadWindows(::GetCurrentThreadId(), CollectOverlayWindow, reinterpret_cast<LPARAM>(&windows));
    std::stable_partition(windows.begin(), windows.end(), [](const OverlayWindow& w) { return w.title == L"Frame"; });
    return windows;
}

Pixels Pixels::Read(HDC dc, int width, int height) {
    MemoryCanvas canvas(width, height, RGB(255, 255, 255));
    ::BitBlt(canvas.dc(), 0, 0, width, height, dc, 0, 0, SRCCOPY);
    return canvas.Read();
}

int Pixels::Count(COLORREF colour) const {
    int n = 0;
    for (COLORREF c : data_) n += c == colour;
    return n;
}

RECT Pixels::Box(COLORREF colour) const {
    RECT box{width_, height_, -1, -1};
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            if (At(x, y) == colour) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    if (box.right < 0) box = RECT{};
    return box;
}

MemoryCanvas::MemoryCanvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = ::CreateCompatibleDC(nullptr);
    bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    old_ = ::SelectObject(dc_, bitmap_);
    HBRUSH brush = ::CreateSolidBrush(fill);
    RECT all{0, 0, width, height};
    ::FillRect(dc_, &all, brush);
    ::DeleteObject(brush);
}

MemoryCanvas::~MemoryCanvas() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
}

Pixels MemoryCanvas::Read() const {
    ::GdiFlush();
    Pixels pixels(width_, height_);
    const auto* bits = static_cast<const DWORD*>(bits_);
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            DWORD bgra = bits[static_cast<size_t>(y) * width_ + x];
            pixels.At(x, y) = RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF);
        }
    return pixels;
}

int FreeGdiSlots() {
    std::vector<HBRUSH> brushes;
    brushes.reserve(70000);
    for (;;) {
        HBRUSH brush = ::CreateSolidBrush(RGB(1, 2, 3));
        if (!brush) break;
        brushes.push_back(brush);
    }
    for (HBRUSH brush : brushes) ::DeleteObject(brush);
    return static_cast<int>(brushes.size());
}

long LiveAllocations() { return g_liveAllocations.load(); }

TestOwnerWindow::TestOwnerWindow() {
    static const wchar_t kClass[] = L"VelkOverlayTestOwner";
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    ::RegisterClassW(&wc);  // fails harmlessly when already registered
    hwnd_ = ::CreateWindowExW(0, kClass, L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200, nullptr,
                              nullptr, wc.hInstance, nullptr);
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TestOwnerWindow::~TestOwnerWindow() {
    if (hwnd_) {
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd_);
    }
}

LRESULT CALLBACK TestOwnerWindow::Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<TestOwnerWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && msg == WM_WINDOWPOSCHANGING) self->positionChanges.push_back(reinterpret_cast<WINDOWPOS*>(l)->hwnd);
    return ::DefWindowProcW(hwnd, msg, w, l);
}

void OverlayTest::SetUp() {
    SetCurrentDisplayList(&list);
    FakeWindowsVersion(6, 1);
    g_waits = &waits;
    g_duringWait = &duringWait;
    g_armed = &armed;
    g_blockingWaits = 0;
    Platform().SetTimer = RecordingSetTimer;
    Platform().KillTimer = RecordingKillTimer;
    Platform().WaitForSingleObject = CountedWait;
}

void OverlayTest::TearDown() {
    StopIdentifyDisplays();  // a show a test left running
    EXPECT_TRUE(armed.empty()) << "a timer outlived the show";
    EXPECT_EQ(g_blockingWaits, 0) << "the user-interface thread waited";
    g_waits = nullptr;
    g_duringWait = nullptr;
    g_armed = nullptr;
    SetCurrentDisplayList(nullptr);
}

int OverlayTest::Identify(HWND parent, std::function<void()> finished) {
    const int answer = IdentifyDisplays(parent, std::move(finished));
    for (int steps = 0; steps < 100 && FireTimer(); ++steps) {
    }
    return answer;
}

bool OverlayTest::FireTimer() {
    if (armed.empty()) return false;
    const ArmedTimer timer = armed.front();
    timer.proc(nullptr, WM_TIMER, timer.id, 0);
    return true;
}

void OverlayTest::SetSlot(int slot, uint32_t number, RECT rect) {
    DisplayRecord& r = list.Records[slot];
    r = DisplayRecord{};
    r.DisplayNumber = number;
    velk::test::PlaceRecord(r, rect);
}

std::vector<DWORD> OverlayTest::WaitTimes() const {
    std::vector<DWORD> times;
    for (const auto& w : waits) times.push_back(w.milliseconds);
    return times;
}

}  // namespace velk::test
