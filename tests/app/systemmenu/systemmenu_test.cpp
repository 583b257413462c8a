// The system-menu road from end to end. Across processes: the real program
// (over two fake displays) holds the system hooks, and a window of another
// process (sysmenu_client.exe) opens its window menu for real; the hook
// library in that process reports the menu and the chosen command to the
// program, which moves the window with its own move. In one process: the
// main dialog in this process and the window on another thread, where the
// program's item must be in the menu before it is shown and gone once the
// menu has closed, and the chosen item must move the window.
#include "app/main_dialog.h"
#include "app/system_menu_items.h"
#include "app/velkmira_app.h"
#include "display/window_movement.h"
#include "display/display_list.h"
#include "display/program_messages.h"
#include "testing/harness.h"
#include "testing/support/fake_topology.h"
#include "testing/support/in_process_dialog.h"
#include "testing/support/pump.h"
#include "testing/support/tray_fixture.h"
#include "tests/app/systemmenu/menu_client.h"
#include "tests/app/systemmenu/program_road.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Rectangles compared and printed by the checks (RECT lives in the global namespace).
static bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
static std::ostream& operator<<(std::ostream& os, const RECT& r) {
    return os << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

namespace velk::test {
namespace {

using namespace sysmenu;

// Two fake displays side by side on Wine's one real 1024x768 display, which
// keeps a window's normal rectangle on itself: a window moved between them
// really lands where the program puts it.
const RECT kDisplay1 = road::kLeftDisplay;
const RECT kDisplay2 = road::kRightDisplay;
// The client's window on display 1, moved to display 2 (same size, so scaling
// and translating agree).
const RECT kMovedWindowRect{552, 40, 752, 190};
const wchar_t kNextItemText[] = L"Move Window to Next display";

constexpr DWORD kRoadTimeoutMs = 20000;
constexpr DWORD kStepTimeoutMs = 10000;

// What arrived at this process, in order: the main dialog's reports from the
// hook library and the client's own reports.
struct Event {
    enum Kind { kDialog, kClient } kind;
    UINT message;  // the dialog's message, or the client's phase
    WPARAM w;
    LPARAM l;
    ClientReport report;  // kClient only
};

std::vector<Event> g_events;
HWND g_clientWindow = nullptr;
DWORD g_clientPid = 0;

LRESULT CALLBACK DialogSpy(HWND hwnd, UINT message, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR) {
    if (message == UM_MENUPOPUP || message == UM_MENUSELECTED || message == UM_WINMOVENEXT)
        g_events.push_back({Event::kDialog, message, w, l, {}});
    return ::DefSubclassProc(hwnd, message, w, l);
}

LRESULT CALLBACK ReportProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
    if (message == kHello) {
        g_clientWindow = reinterpret_cast<HWND>(w);
        g_clientPid = static_cast<DWORD>(l);
        return 1;
    }
    if (message == WM_COPYDATA) {
        auto* data = reinterpret_cast<const COPYDATASTRUCT*>(l);
        if (!data || data->cbData != sizeof(ClientReport)) return FALSE;
        Event e{Event::kClient, static_cast<UINT>(data->dwData), w, 0, {}};
        e.report = *static_cast<const ClientReport*>(data->lpData);
        g_events.push_back(e);
        return TRUE;
    }
    return ::DefWindowProcW(hwnd, message, w, l);
}

std::wstring Hex(ULONG_PTR value) {
    wchar_t text[32];
    swprintf(text, 32, L"%llx", static_cast<unsigned long long>(value));
    return text;
}

class SystemMenuRoad : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        PrepareForMainDialog();
        HINSTANCE instance = ::GetModuleHandleW(nullptr);
        WNDCLASSW reportClass{};
        reportClass.lpfnWndProc = ReportProc;
        reportClass.hInstance = instance;
        reportClass.lpszClassName = L"VelkSysMenuReport";
        ::RegisterClassW(&reportClass);
    }

    void SetUp() override {
        ResetProfile();
        g_events.clear();
        g_clientWindow = nullptr;
        g_clientPid = 0;
        topology.Add(ActiveDisplay(1, kDisplay1, true));
        topology.Add(ActiveDisplay(2, kDisplay2));
        monitorKey.emplace(MonitorEnumKey::ValuesFor(topology));
        // The display number overlay's waits end at once.
        RecordBlockingWaits();

        report = ::CreateWindowExW(0, L"VelkSysMenuReport", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(report, nullptr);
        tray = std::make_unique<FakeTray>();
        dialog = std::make_unique<CVELKMIRADlg>();
        ASSERT_TRUE(dialog->Create(nullptr));
        ASSERT_TRUE(dialog->IsInitialised());
        ASSERT_NE(dialog->HookLibrary(), nullptr) << "the hooks were not installed";
        ASSERT_EQ(dialog->DisplayCount, 2);
        ASSERT_EQ(dialog->MoveAllowed, 0);
        ASSERT_TRUE(::SetWindowSubclass(dialog->GetSafeHwnd(), DialogSpy, 1, 0));
        PumpFor(100);
    }

    void TearDown() override {
        // The hooks go with the dialog, before anything they report to.
        if (dialog && dialog->GetSafeHwnd()) ::RemoveWindowSubclass(dialog->GetSafeHwnd(), DialogSpy, 1);
        dialog.reset();
        tray.reset();
        if (report) ::DestroyWindow(report);
        monitorKey.reset();
    }

    UINT NextCommand() const { return dialog->CommandIds[kCommandNext]; }

    // Pumps until the client has reported its closed menu, its window has
    // reached display 2, and (once told) its final report.
    void DriveRoad() {
        ASSERT_TRUE(PumpUntil([] { return Find(Event::kClient, kClosed) >= 0; }, kRoadTimeoutMs))
            << "the client's window menu never closed";
        EXPECT_TRUE(PumpUntil([] {
            RECT r{};
            return ::GetWindowRect(g_clientWindow, &r) && r == kMovedWindowRect;
        }, kStepTimeoutMs)) << "the window did not reach display 2";
        ::PostMessageW(g_clientWindow, kFinish, 0, 0);
        EXPECT_TRUE(PumpUntil([] { return Find(Event::kClient, kFinal) >= 0; }, kStepTimeoutMs));
    }

    // Index of the first event of the kind with that message or phase (and
    // window, when given); -1 when none.
    static int Find(Event::Kind kind, UINT message, HWND window = nullptr) {
        for (size_t i = 0; i < g_events.size(); ++i) {
            const Event& e = g_events[i];
            if (e.kind != kind || e.message != message) continue;
            if (window && kind == Event::kDialog && e.l != reinterpret_cast<LPARAM>(window)) continue;
            return static_cast<int>(i);
        }
        return -1;
    }
    static int Count(UINT message, HWND window) {
        return static_cast<int>(std::count_if(g_events.begin(), g_events.end(), [&](const Event& e) {
            return e.kind == Event::kDialog && e.message == message && e.l == reinterpret_cast<LPARAM>(window);
        }));
    }
    static const ClientReport& Report(DWORD phase) { return g_events[static_cast<size_t>(Find(Event::kClient, phase))].report; }

    // The program's items in a reported menu: those whose id is one of the
    // twelve menu command ids.
    std::vector<std::wstring> OurItems(const ClientReport& r) const {
        std::vector<std::wstring> texts;
        for (UINT i = 0; i < r.itemCount; ++i)
            for (int c = 0; c < kMenuCommandCount; ++c)
                if (r.items[i].id == dialog->CommandIds[c]) texts.push_back(r.items[i].text);
        return texts;
    }
    static std::vector<UINT> Ids(const ClientReport& r) {
        std::vector<UINT> ids;
        for (UINT i = 0; i < r.itemCount; ++i) ids.push_back(r.items[i].id);
        return ids;
    }

    // What every road shows, whoever owns the window.
    void ExpectRoadTravelled() {
        HWND window = g_clientWindow;
        ASSERT_GE(Find(Event::kClient, kBefore), 0);
        ASSERT_GE(Find(Event::kClient, kOpen), 0) << "the window menu never opened";
        ASSERT_GE(Find(Event::kClient, kClosed), 0);
        ASSERT_GE(Find(Event::kClient, kFinal), 0);
        const ClientReport& before = Report(kBefore);
        const ClientReport& open = Report(kOpen);
        const ClientReport& closed = Report(kClosed);
        const ClientReport& final = Report(kFinal);
        EXPECT_EQ(before.windowRect, kClientWindowRect);

        // The popup report was handled once, before the window saw the menu open.
        EXPECT_EQ(Count(UM_MENUPOPUP, window), 1);
        const int popup = Find(Event::kDialog, UM_MENUPOPUP, window);
        const int opened = Find(Event::kClient, kOpen);
        EXPECT_TRUE(popup >= 0 && popup < opened);
        // The close report came after the menu was open and before the menu loop ended.
        const int selected = Find(Event::kDialog, UM_MENUSELECTED, window);
        EXPECT_GT(selected, opened);
        EXPECT_LT(selected, Find(Event::kClient, kClosed));
        // The chosen command reached the dialog with its whole value.
        const int moved = Find(Event::kDialog, UM_WINMOVENEXT, window);
        ASSERT_GE(moved, 0) << "no UM_WINMOVENEXT for the window";
        EXPECT_EQ(g_events[static_cast<size_t>(moved)].w, NextCommand());

        {
            // Two displays, the window on display 1: only "next" is offered.
            EXPECT_EQ(OurItems(before), std::vector<std::wstring>{});
            EXPECT_EQ(OurItems(open), std::vector<std::wstring>{kNextItemText});
            std::vector<UINT> expected = Ids(before);
            expected.push_back(NextCommand());
            EXPECT_EQ(Ids(open), expected) << "the item is appended after the menu's own items";
            // After the close the menu is as it was.
            EXPECT_EQ(Ids(closed), Ids(before));
        }

        // Moved once to display 2, size kept; the move used up the permission
        // that the open menu gave.
        EXPECT_EQ(final.windowRect, kMovedWindowRect);
        EXPECT_EQ(final.normalRect, kMovedWindowRect);
        EXPECT_EQ(final.chosenReceived, 1u);
        EXPECT_EQ(dialog->MoveAllowed, 0);
    }

    PlatformOverride platform;  // first in, last out: restores the whole seam
    FakeTopology topology;
    std::optional<MonitorEnumKey> monitorKey;
    std::unique_ptr<FakeTray> tray;
    std::unique_ptr<CVELKMIRADlg> dialog;
    HWND report = nullptr;
};

TEST_F(SystemMenuRoad, WindowOfAnotherThreadGetsTheItemIsMovedAndLosesTheItem) {
    std::atomic<int> exitCode{-1};
    const UINT command = NextCommand();
    HWND reportWindow = report;
    std::thread client([&exitCode, reportWindow, command] { exitCode = RunMenuClient(reportWindow, command); });
    // However the test ends, the client is told to end and joined.
    struct Joiner {
        std::thread& thread;
        std::atomic<int>& exitCode;
        ~Joiner() {
            if (g_clientWindow) ::PostMessageW(g_clientWindow, kFinish, 0, 0);
            PumpUntil([this] { return exitCode.load() != -1; }, kRoadTimeoutMs);
            thread.join();
        }
    } joiner{client, exitCode};
    ASSERT_TRUE(PumpUntil([] { return g_clientWindow != nullptr; }, kStepTimeoutMs)) << "the client never said hello";
    DriveRoad();
    EXPECT_TRUE(PumpUntil([&] { return exitCode != -1; }, kStepTimeoutMs));
    EXPECT_EQ(exitCode.load(), kOk);
    ExpectRoadTravelled();
}

// The other process's window and the real program. Wine 8 answers
// GetSystemMenu with null for a window of another process (the program's own
// call as this one), so there the items cannot be put in that menu: the menu
// must then be left as it was, and the items are checked on the same road in
// one process (the thread test above). Wine 8 also refuses SetWindowPlacement
// on another process's window: the placement the program asks for is what it
// reports; where the call is honoured the window itself must be there.
class SystemMenuAcrossProcesses : public road::ProgramRoad {
protected:
    void SetUp() override {
        g_events.clear();
        g_clientWindow = nullptr;
        g_clientPid = 0;
        otherReports = ReportProc;
        ProgramRoad::SetUp();
    }
    static std::vector<UINT> Ids(const ClientReport& r) {
        std::vector<UINT> ids;
        for (UINT i = 0; i < r.itemCount; ++i) ids.push_back(r.items[i].id);
        return ids;
    }
    static const ClientReport* Report(DWORD phase) {
        for (const Event& e : g_events)
            if (e.kind == Event::kClient && e.message == phase) return &e.report;
        return nullptr;
    }
};

TEST_F(SystemMenuAcrossProcesses, TheHookLibraryReportsToTheProgramWhichMovesTheWindow) {
    const UINT next = ::RegisterWindowMessageW(road::kNextCommandName);
    ChildProcess client = ChildProcess::Start(L"sysmenu_client.exe",
                                              Hex(reinterpret_cast<ULONG_PTR>(report)) + L" " + Hex(next));
    ASSERT_TRUE(client.Started());
    ASSERT_TRUE(PumpUntil([] { return g_clientWindow != nullptr; }, kStepTimeoutMs)) << "the client never said hello";
    EXPECT_EQ(g_clientPid, client.Id());
    const bool menuReachable = ::GetSystemMenu(g_clientWindow, FALSE) != nullptr;
    ASSERT_TRUE(PumpUntil([] { return Report(kClosed) != nullptr; }, kRoadTimeoutMs)) << "the window menu never closed";

    // The open menu made the program offer its item (a move is allowed only
    // then) and the chosen command reached it: it placed the window once,
    // on display 2, its size kept.
    ASSERT_TRUE(WaitForPlacements(1)) << "the program never moved the window";
    const road::PlacementReport placed = Placements().front();
    EXPECT_EQ(placed.window, reinterpret_cast<UINT64>(g_clientWindow));
    EXPECT_EQ(placed.placement.rcNormalPosition, kMovedWindowRect);
    EXPECT_EQ(placed.placement.showCmd, static_cast<UINT>(SW_SHOWNORMAL));
    if (placed.answer) {
        EXPECT_TRUE(PumpUntil([] {
            RECT r{};
            return ::GetWindowRect(g_clientWindow, &r) && r == kMovedWindowRect;
        }, kStepTimeoutMs)) << "the window did not reach display 2";
    }
    ::PostMessageW(g_clientWindow, kFinish, 0, 0);
    ASSERT_TRUE(PumpUntil([] { return Report(kFinal) != nullptr; }, kStepTimeoutMs));
    EXPECT_TRUE(PumpUntil([&] { return client.Wait(0); }, kStepTimeoutMs)) << "the client did not end";
    EXPECT_EQ(client.ExitCode(), static_cast<DWORD>(kOk));
    EXPECT_EQ(Placements().size(), 1u);

    const ClientReport& before = *Report(kBefore);
    const ClientReport& open = *Report(kOpen);
    const ClientReport& closed = *Report(kClosed);
    EXPECT_EQ(Report(kFinal)->chosenReceived, 1u);
    std::vector<UINT> expected = Ids(before);
    if (menuReachable) expected.push_back(next);
    EXPECT_EQ(Ids(open), expected);
    EXPECT_EQ(Ids(closed), Ids(before)) << "the menu is as it was once it closed";
}

}  // namespace
}  // namespace velk::test
