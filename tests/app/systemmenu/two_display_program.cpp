// The main program over two fake displays side by side on Wine's one real
// display, for the end-to-end tests of the system-menu road and the hotkeys
// across processes: everything is the real program except the display
// entries of the platform seam, and its window placements, which are reported
// to the test (placement_report.h) with the answer of the real call.
#include "app/velkmira_app.h"
#include "framework/platform.h"
#include "testing/support/fake_topology.h"
#include "tests/app/systemmenu/placement_report.h"
#include <windows.h>
#include <cwchar>

namespace {

using namespace velk::test::road;

HWND g_report = nullptr;

BOOL WINAPI ReportedSetWindowPlacement(HWND window, const WINDOWPLACEMENT* placement) {
    const BOOL answer = velk::RealPlatform().SetWindowPlacement(window, placement);
    if (g_report && placement) {
        PlacementReport report{reinterpret_cast<UINT64>(window), *placement, answer};
        COPYDATASTRUCT data{kPlacementReport, sizeof(report), &report};
        DWORD_PTR result = 0;
        ::SendMessageTimeoutW(g_report, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                              SMTO_ABORTIFHUNG | SMTO_BLOCK, 2000, &result);
    }
    return answer;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t text[32] = {};
    if (::GetEnvironmentVariableW(kReportWindowVariable, text, 32))
        g_report = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(std::wcstoull(text, nullptr, 16)));
    velk::test::FakeTopology topology;
    topology.Add(velk::test::ActiveDisplay(1, kLeftDisplay, true));
    topology.Add(velk::test::ActiveDisplay(2, kRightDisplay));
    velk::test::MonitorEnumKey monitorKey(velk::test::MonitorEnumKey::ValuesFor(topology));
    velk::Platform().SetWindowPlacement = ReportedSetWindowPlacement;
    return velk::RunApplication(theApp);
}
