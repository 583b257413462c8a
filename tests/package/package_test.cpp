// The unpacked release package (folder in VELK_PACKAGE_DIR): Velkmira.exe
// starts from there with its tray icon, and a second start opens the first
// one's settings window.
#include "app/velkmira_app.h"
#include "resources/resource.h"
#include "testing/harness.h"
#include "testing/support/tray_fixture.h"
#include <gtest/gtest.h>
#include <shellapi.h>
#include <tlhelp32.h>
#include <cstdlib>

using namespace velk::test;

namespace {

constexpr DWORD kStartMs = 20000;

// True when the process has loaded the module of that full path.
bool HasModule(DWORD pid, const std::wstring& path) {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    MODULEENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    bool found = false;
    for (BOOL more = ::Module32FirstW(snapshot, &entry); more && !found; more = ::Module32NextW(snapshot, &entry))
        found = ::lstrcmpiW(entry.szExePath, path.c_str()) == 0;
    ::CloseHandle(snapshot);
    return found;
}

TEST(ReleasePackage, StartsFromItsFolderAndASecondStartOpensTheSettings) {
    const wchar_t* folder = _wgetenv(L"VELK_PACKAGE_DIR");
    ASSERT_NE(folder, nullptr) << "run through run_package_test.sh";
    const std::wstring exe = std::wstring(folder) + L"Velkmira.exe";
    ResetProfile();
    FakeTray tray;

    ChildProcess first = ChildProcess::Start(exe);
    ASSERT_TRUE(first.Started()) << first.StartError();
    HWND main = WaitForWindow(kMainWindowClass, nullptr, kStartMs, first.Id());
    ASSERT_NE(main, nullptr) << "the program did not start";
    ASSERT_TRUE(tray.WaitForCalls(2, kStartMs));
    const auto calls = tray.Calls();
    EXPECT_EQ(calls[0].action, DWORD(NIM_ADD));
    EXPECT_EQ(calls[1].action, DWORD(NIM_MODIFY));
    EXPECT_EQ(calls[1].tip, L"Korvane Panomira");
    EXPECT_FALSE(::IsWindowVisible(main));
    // The hook library is the one of the package's folder.
    EXPECT_TRUE(HasModule(first.Id(), std::wstring(folder) + L"Tarnlet.dll"));
    ASSERT_TRUE(WaitUntil(kStartMs, [&] { return ::GetPropW(main, kInstanceProperty) != nullptr; }));

    ChildProcess second = ChildProcess::Start(exe);
    ASSERT_TRUE(second.Started());
    // The second start finds the first through its window, which this thread
    // does not own: it only has to wait.
    ASSERT_TRUE(second.Wait(kStartMs));
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_TRUE(WaitUntil(5000, [&] { return ::IsWindowVisible(main) != FALSE; }));
    EXPECT_EQ(first.ExitCode(), DWORD(STILL_ACTIVE));

    ::PostMessageW(main, WM_COMMAND, ID_TRAY_EXIT, 0);
    ASSERT_TRUE(first.Wait(kStartMs));
    EXPECT_EQ(first.ExitCode(), 0u);
}

}  // namespace
