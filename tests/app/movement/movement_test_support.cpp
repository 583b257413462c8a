#include "tests/app/movement/movement_test_support.h"

#include <commctrl.h>

namespace velk::test {

POINT MovementTest::pointer{};
int MovementTest::setCursorCalls = 0;
HWND MovementTest::foreground = nullptr;

namespace {

BOOL WINAPI FakeGetCursorPos(POINT* point) {
    if (!point) return FALSE;
    *point = MovementTest::pointer;
    return TRUE;
}

BOOL WINAPI FakeSetCursorPos(int x, int y) {
    MovementTest::pointer = POINT{x, y};
    ++MovementTest::setCursorCalls;
    return TRUE;
}

HWND WINAPI FakeGetForegroundWindow() { return MovementTest::foreground; }

}  // namespace

const wchar_t* TestWindowClass() {
    static const wchar_t* name = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VelkMovementTestWindow";
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        ::RegisterClassW(&wc);
        return L"VelkMovementTestWindow";
    }();
    return name;
}

void MovementTest::SetUp() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    savedHighest = HighestDisplayNumber;
    savedLowest = LowestDisplayNumber;
    savedPlatform = velk::Platform();
    velk::Platform().GetCursorPos = FakeGetCursorPos;
    velk::Platform().SetCursorPos = FakeSetCursorPos;
    velk::Platform().GetForegroundWindow = FakeGetForegroundWindow;
    pointer = POINT{};
    setCursorCalls = 0;
    foreground = nullptr;
    for (UINT i = 0; i < kSystemMenuCommandCount; ++i) state.CommandIds[i] = 0xC100 + i;
    SetCurrentDisplayList(&list);
}

void MovementTest::TearDown() {
    for (HWND w : windows) ::DestroyWindow(w);
    SetCurrentDisplayList(nullptr);
    velk::Platform() = savedPlatform;
    HighestDisplayNumber = savedHighest;
    LowestDisplayNumber = savedLowest;
}

void MovementTest::UseDisplays(const std::vector<TestDisplay>& displays, int count) {
    list = DisplayList{};
    uint32_t highest = 0;
    uint32_t lowest = 10;
    int slot = 0;
    for (const TestDisplay& d : displays) {
        FakeDisplay& fake = topology.Add(ActiveDisplay(static_cast<int>(d.number), d.rect, slot == 0));
        DisplayRecord& r = list.Records[slot++];
        PlaceRecord(r, d.rect);
        r.Monitor = fake.monitor;
        r.DisplayNumber = d.number;
        r.SystemsDispNumber = d.number;
        r.Ordinal = slot;
        r.Primary = slot == 1;
        if (d.number > highest) highest = d.number;
        if (d.number < lowest) lowest = d.number;
    }
    list.Count = count >= 0 ? count : static_cast<int32_t>(displays.size());
    HighestDisplayNumber = highest;
    LowestDisplayNumber = lowest;
}

HWND MovementTest::MakeWindow(RECT rect, DWORD style, DWORD exStyle) {
    HWND w = ::CreateWindowExW(exStyle, TestWindowClass(), L"movement test", style, rect.left, rect.top,
                               rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(w, nullptr) << "window creation failed: " << ::GetLastError();
    if (w) {
        ::ShowWindow(w, SW_SHOWNOACTIVATE);
        windows.push_back(w);
    }
    return w;
}

RECT MovementTest::NormalRect(HWND window) {
    WINDOWPLACEMENT p{};
    p.length = sizeof(p);
    ::GetWindowPlacement(window, &p);
    return p.rcNormalPosition;
}

UINT MovementTest::ShowCmd(HWND window) {
    WINDOWPLACEMENT p{};
    p.length = sizeof(p);
    ::GetWindowPlacement(window, &p);
    return p.showCmd;
}

}  // namespace velk::test
