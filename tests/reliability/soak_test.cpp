// Foreign programs beside the real program: several processes make windows,
// open and close their window menus and destroy the windows over and over
// while the program runs, while its user-interface thread is suspended,
// after it was killed, and after it started again. No step of theirs waits
// longer than the hooks' report time-outs allow, none of them crashes, and
// the fresh start takes the system hooks again.
#include "hooklib/tarnlet.h"
#include "testing/support/tray_fixture.h"
#include "tests/reliability/program_runner.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace velk::test;

namespace {

constexpr wchar_t kStopEventName[] = L"VelkSoakStop";
constexpr wchar_t kSoakKey[] = L"Software\\VelkTest\\Soak";
constexpr int kClients = 3;
// A window menu's opening and closing are each reported with a bounded send;
// the rest is a generous margin for a loaded machine.
constexpr DWORD kAllowedStepMs = 2 * velk::hooklib::kReportSendTimeoutMs + 4000;

TEST(ForeignProcesses, KeepWorkingWhileTheProgramRunsIsSuspendedIsKilledAndStartsAgain) {
    ResetProfile();
    DeleteTree(HKEY_CURRENT_USER, kSoakKey);
    // Without any add-on library, as on most machines.
    ProgramAddOn addOn(AddOnMode::NoLibrary);
    FakeTray tray;
    velk::UniqueHandleObj stop(::CreateEventW(nullptr, TRUE, FALSE, kStopEventName));
    ASSERT_TRUE(stop);

    auto program = std::make_unique<RunningProgram>();
    ASSERT_TRUE(program->Start()) << program->Failure();
    std::vector<ChildProcess> clients;
    for (int i = 0; i < kClients; ++i) {
        clients.push_back(ChildProcess::Start(L"soak_client.exe", std::wstring(kStopEventName) + L" " +
                                                                      std::to_wstring(kAllowedStepMs)));
        ASSERT_TRUE(clients.back().Started());
    }
    ::Sleep(2000);
    EXPECT_TRUE(program->Responsive());

    // A blocked user-interface thread.
    DWORD threadId = ::GetWindowThreadProcessId(program->Main(), nullptr);
    {
        velk::UniqueHandleObj thread(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, threadId));
        ASSERT_TRUE(thread);
        ASSERT_NE(::SuspendThread(thread.get()), DWORD(-1));
        ::Sleep(4000);
        ::ResumeThread(thread.get());
    }
    EXPECT_TRUE(program->Responsive());

    // Killed: its hooks go with it.
    program->Process().Terminate();
    ::Sleep(2000);

    // Started again: it takes the hooks once more.
    program = std::make_unique<RunningProgram>();
    ASSERT_TRUE(program->Start()) << program->Failure();
    EXPECT_FALSE(HooksAreFree());
    ::Sleep(2000);

    ::SetEvent(stop.get());
    for (ChildProcess& client : clients) {
        EXPECT_TRUE(client.Wait(30000)) << "a foreign program did not end";
        EXPECT_EQ(client.ExitCode(), 0u) << "10: a step took too long, 20: no menu opened, 30: watchdog";
        const std::wstring key = std::wstring(kSoakKey) + L"\\" + std::to_wstring(client.Id());
        std::printf("foreign program %lu: %lu cycles, %lu window menus, longest step %lu ms\n", client.Id(),
                    GetDword(HKEY_CURRENT_USER, key, L"Cycles").value_or(0),
                    GetDword(HKEY_CURRENT_USER, key, L"MenusOpened").value_or(0),
                    GetDword(HKEY_CURRENT_USER, key, L"LongestStepMs").value_or(0));
        EXPECT_GT(GetDword(HKEY_CURRENT_USER, key, L"Cycles").value_or(0), 10u);
    }
    EXPECT_TRUE(program->Responsive());
    EXPECT_EQ(program->Close(), 0u);
    for (const std::wstring& box : program->Boxes()) ADD_FAILURE() << "message box: " << ToUtf8(box);
    EXPECT_TRUE(HooksAreFree());
    DeleteTree(HKEY_CURRENT_USER, kSoakKey);
    ResetProfile();
}

}  // namespace
