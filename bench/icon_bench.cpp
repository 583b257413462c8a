// Restores the positions of 200 desktop icons in desktop_sim (a real list
// view in another process, as the shell holds the desktop's icons): the
// icons are saved, all moved, then restored. desktop_sim's list view is
// 1024 x 768, so the icons saved below its area come back clamped to it and
// can never be placed exactly: the restore's worst case. The restore runs in
// steps on the page's timer while this thread pumps its messages; prints the
// whole restore and the longest single message the thread handled meanwhile
// (the longest time it could answer nothing else).
#include "bench/figure.h"
#include "framework/app.h"
#include "framework/platform.h"
#include "taskbar/app_setting_page.h"
#include "testing/desktopsim/desktop_sim_protocol.h"
#include "testing/harness.h"

#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <cstdio>
#include <string>

namespace {

int WINAPI HugeVirtualScreen(int index) {
    // Every saved place counts as on the displays: the restore is not refused.
    return index == SM_CXVIRTUALSCREEN || index == SM_CYVIRTUALSCREEN ? 60000 : ::GetSystemMetrics(index);
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int count = argc > 1 ? _wtoi(argv[1]) : 200;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    velk::CWinApp app(L"Velkmira");
    app.SetRegistryKey(L"VELK-Panomira");
    velk::test::ResetProfile();

    std::wstring args = L"--class=Progman";
    for (int i = 0; i < count; ++i) args += L" Icon" + std::to_wstring(i);
    velk::test::ChildProcess sim = velk::test::ChildProcess::Start(L"desktop_sim.exe", args);
    HWND top = sim.Started() ? velk::test::WaitForWindow(L"Progman", L"Program Manager", 30000, sim.Id()) : nullptr;
    if (!top || ::SendMessageW(top, velk::test::desktop_sim::kReady, 0, 0) != 1) {
        std::printf("desktop_sim did not start\n");
        return 1;
    }
    velk::Platform().GetSystemMetrics = HugeVirtualScreen;

    int exitCode = 0;
    {
        HWND host = ::CreateWindowExW(0, L"STATIC", L"icon_bench", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                      nullptr, nullptr);
        CAppSettingProp page;
        if (!host || !page.Create(host)) {
            std::printf("the page could not be created\n");
            return 1;
        }
        auto pumpUntilDone = [&](double& longest) {
            while (page.IconJobRunning()) {
                ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
                MSG msg;
                while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                    LARGE_INTEGER from, to;
                    ::QueryPerformanceCounter(&from);
                    ::TranslateMessage(&msg);
                    ::DispatchMessageW(&msg);
                    ::QueryPerformanceCounter(&to);
                    longest = std::max(longest, Milliseconds(from, to));
                }
            }
        };
        double ignored = 0;
        page.StartIconJob(page.SaveIconPositions(L"IconPosition"));
        pumpUntilDone(ignored);
        for (int i = 0; i < count; ++i)
            ::SendMessageW(top, velk::test::desktop_sim::kSetPosition, static_cast<WPARAM>(i),
                           MAKELPARAM(500 + (i % 5), 300 + (i % 7)));
        LARGE_INTEGER a, b, started;
        ::QueryPerformanceCounter(&a);
        page.StartIconJob(page.RestoreIconPositions(L"IconPosition"));
        ::QueryPerformanceCounter(&started);
        double longest = Milliseconds(a, started);  // the first step runs within the start
        pumpUntilDone(longest);
        ::QueryPerformanceCounter(&b);
        const double whole = Milliseconds(a, b);
        const int misplaced = page.IconJobResult().value_or(-1);
        std::printf("%d icons restored, %d left clamped to the list view\n", count, misplaced);
        if (misplaced < 0) exitCode = 1;
        velk::bench::PrintFigure("200 icons restored (those outside the list view clamped): whole time", "-",
                                 "%.0f ms", whole);
        velk::bench::PrintFigure("200 icons restored: longest block of the user-interface thread", "<= 300 ms",
                                 "%.0f ms", longest);
        ::DestroyWindow(page.GetSafeHwnd());
        ::DestroyWindow(host);
    }
    velk::Platform().GetSystemMetrics = velk::RealPlatform().GetSystemMetrics;
    velk::test::ResetProfile();
    ::PostMessageW(top, WM_CLOSE, 0, 0);
    if (!sim.Wait(15000) || sim.ExitCode() != 0) exitCode = 1;
    return exitCode;
}
