#include "tests/app/systemmenu/program_road.h"
#include "app/velkmira_app.h"
#include "testing/support/pump.h"
#include <cwchar>

namespace velk::test::road {
namespace {
constexpr wchar_t kReportClass[] = L"VelkRoadReport";
std::vector<PlacementReport> g_placements;
OtherReportHandler g_other = nullptr;
}  // namespace

std::vector<PlacementReport>& ProgramRoad::Placements() { return g_placements; }

LRESULT CALLBACK ProgramRoad::RoadReportProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_COPYDATA) {
        auto* data = reinterpret_cast<const COPYDATASTRUCT*>(l);
        if (data && data->dwData == kPlacementReport && data->cbData == sizeof(PlacementReport)) {
            g_placements.push_back(*static_cast<const PlacementReport*>(data->lpData));
            return TRUE;
        }
    }
    if (g_other) return g_other(hwnd, message, w, l);
    return ::DefWindowProcW(hwnd, message, w, l);
}

void ProgramRoad::SetUp() {
    ResetProfile();
    g_placements.clear();
    g_other = otherReports;
    WNDCLASSW wc{};
    wc.lpfnWndProc = RoadReportProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kReportClass;
    ::RegisterClassW(&wc);  // already there after the first test
    report = ::CreateWindowExW(0, kReportClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(report, nullptr);
    tray = std::make_unique<FakeTray>();
    wchar_t text[32];
    std::swprintf(text, 32, L"%llx", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(report)));
    ::SetEnvironmentVariableW(kReportWindowVariable, text);
    program = ChildProcess::Start(programName);
    ::SetEnvironmentVariableW(kReportWindowVariable, nullptr);
    ASSERT_TRUE(program.Started());
    // The program's start-up may report to this thread: wait pumping.
    ASSERT_TRUE(PumpUntil([this] {
        main = main ? main : ::FindWindowW(kMainWindowClass, nullptr);
        return main && ::GetPropW(main, kInstanceProperty) != nullptr;
    }, kRoadWaitMs)) << "the program did not complete its start-up";
    DWORD pid = 0;
    ::GetWindowThreadProcessId(main, &pid);
    ASSERT_EQ(pid, program.Id());
}

void ProgramRoad::TearDown() {
    if (program.Started()) {
        if (main) ::PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_TRUE(PumpUntil([this] { return program.Wait(0); }, kRoadWaitMs)) << "the program did not end";
        EXPECT_EQ(program.ExitCode(), 0u) << "the program did not end cleanly";
    }
    tray.reset();
    if (report) ::DestroyWindow(report);
    g_other = nullptr;
    ResetProfile();
}

bool ProgramRoad::WaitForPlacements(size_t count) const {
    return PumpUntil([count] { return g_placements.size() >= count; }, kRoadWaitMs);
}

}  // namespace velk::test::road
