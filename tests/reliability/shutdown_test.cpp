// Shut-down of the real program in each state it can be in: the settings
// window open, the About box open over it, a page's colour or file dialog
// open, windows gathered, in the middle of the add-on poll's samples, with
// a resume from standby or the Setting page's second look at the DisplayLink
// list still to come; by WM_CLOSE and by the tray menu's Exit; without the
// add-on library and with the simulated one with one add-on display. Each
// ends promptly with exit code 0, takes its tray icon away and leaves the
// system hooks free.
#include "app/main_dialog.h"
#include "display/program_messages.h"
#include "resources/resource.h"
#include "testing/support/tray_fixture.h"
#include "tests/reliability/program_runner.h"
#include <gtest/gtest.h>
#include <chrono>
#include <functional>
#include <memory>

using namespace velk::test;

namespace {

// From WM_CLOSE (or Exit) to the process's end, in every state: a loaded
// machine keeps it; a shut-down that waits out a 5 s step does not.
constexpr DWORD kPromptMs = 3000;
// A message sent to the program and handled, within the time.
bool Handled(RunningProgram& program, UINT message, WPARAM wParam, LPARAM lParam = 0) {
    DWORD_PTR ignored = 0;
    return ::SendMessageTimeoutW(program.Main(), message, wParam, lParam, SMTO_NORMAL, kProgramWaitMs, &ignored) != 0;
}

bool SettingsShown(RunningProgram& program) {
    ::PostMessageW(program.Main(), UM_TRAYNOTIFY, 128, WM_LBUTTONDBLCLK);
    return WaitUntil(5000, [&] { return ::IsWindowVisible(program.Main()) != FALSE; });
}

// A page's button that opens a common dialog, pressed in the settings window.
std::function<bool(RunningProgram&)> PageDialogOpen(int button, int sibling) {
    return [button, sibling](RunningProgram& program) {
        return SettingsShown(program) && program.Press(button, sibling, false) &&
               WaitForDialog(program.Process().Id(), 10000).has_value();
    };
}

// A visible window of the test process, there before the program starts, so
// that the gather finds it. Wine shows one display, so it is already on
// display 1: its placement is read and kept only when it lies elsewhere.
std::unique_ptr<TitledWindow> g_foreignWindow;

struct State {
    const char* name;
    std::function<bool(RunningProgram&)> enter;  // false: the state was not reached
};

const State kStates[] = {
    {"settings window open", SettingsShown},
    {"About box open over the settings window",
     [](RunningProgram& program) {
         if (!SettingsShown(program)) return false;
         ::PostMessageW(program.Main(), WM_COMMAND, ID_TRAY_VERSION, 0);
         return WaitForDialog(program.Process().Id(), 5000).has_value();
     }},
    {"Wallpaper page's colour dialog open", PageDialogOpen(IDC_WP_BACKGROUND, IDC_WP_PREVIEW)},
    {"Wallpaper page's file dialog open", PageDialogOpen(IDC_WP_BROWSE, IDC_WP_PREVIEW)},
    {"windows gathered on the Extra desktop page",
     [](RunningProgram& program) {
         if (!SettingsShown(program) || !program.Press(IDC_APP_GATHER, IDC_APP_RESTORE_WINDOWS, false)) return false;
         // The gather done: Restore is offered and Gather no longer.
         HWND page = program.PageHolding(IDC_APP_GATHER, IDC_APP_RESTORE_WINDOWS);
         return WaitUntil(5000, [&] {
             return ::IsWindowEnabled(::GetDlgItem(page, IDC_APP_RESTORE_WINDOWS)) &&
                    !::IsWindowEnabled(::GetDlgItem(page, IDC_APP_GATHER));
         });
     }},
    {"add-on poll taking its samples",
     [](RunningProgram& program) {
         // The poll's tick, then its first sample: the next one is pending.
         return Handled(program, WM_TIMER, CVELKMIRADlg::TIMER_ADDON_POLL) &&
                Handled(program, WM_TIMER, CVELKMIRADlg::TIMER_ADDON_SAMPLE);
     }},
    {"resume from standby pending",
     [](RunningProgram& program) {
         // Sent, so that the resume's steps are pending once it returns.
         return Handled(program, WM_POWERBROADCAST, 0x12);
     }},
    // Without an active add-on display the list looks again 5 s later.
    {"after Apply", [](RunningProgram& program) { return program.Apply(); }},
};

struct Ending {
    const char* name;
    UINT message;
    WPARAM wParam;
};
const Ending kEndings[] = {{"WM_CLOSE", WM_CLOSE, 0}, {"Exit", WM_COMMAND, ID_TRAY_EXIT}};

TEST(ShutDown, EveryStateEndsPromptlyWithExitCodeZeroAndLeavesNothingBehind) {
    for (AddOnMode mode : {AddOnMode::NoLibrary, AddOnMode::OneDisplay})
    for (const State& state : kStates) {
        for (const Ending& ending : kEndings) {
            SCOPED_TRACE(std::string(state.name) + ", by " + ending.name + ", " + AddOnModeName(mode));
            ResetProfile();
            ProgramAddOn addOn(mode);
            FakeTray tray;
            g_foreignWindow = std::make_unique<TitledWindow>(L"A window of the test process");
            {
                RunningProgram program;
                ASSERT_TRUE(program.Start(L"Velkmira.exe", false)) << program.Failure();
                ASSERT_TRUE(state.enter(program));
                ASSERT_TRUE(HooksAreFree() == false) << "the running program holds the hooks";
                const auto start = std::chrono::steady_clock::now();
                ::PostMessageW(program.Main(), ending.message, ending.wParam, 0);
                EXPECT_TRUE(program.Process().Wait(kPromptMs)) << "still running " << kPromptMs << " ms after the end";
                // Not ended in time: ended now, so that the next state starts alone.
                if (program.Process().ExitCode() == STILL_ACTIVE) program.Close(kProgramWaitMs);
                EXPECT_EQ(program.Process().ExitCode(), 0u);
                const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - start)
                                    .count();
                RecordProperty(std::string(state.name) + " by " + ending.name + " (ms)", static_cast<int>(ms));
            }
            EXPECT_TRUE(g_foreignWindow->Exists()) << "the program took a window of another process along";
            g_foreignWindow.reset();
            const auto calls = tray.Calls();
            int added = 0, deleted = 0;
            for (const TrayCall& call : calls) {
                added += call.action == NIM_ADD;
                deleted += call.action == NIM_DELETE;
            }
            EXPECT_EQ(added, 1);
            EXPECT_EQ(deleted, 1);
            ASSERT_FALSE(calls.empty());
            EXPECT_EQ(calls.back().action, DWORD(NIM_DELETE));
            EXPECT_TRUE(HooksAreFree());
        }
    }
    ResetProfile();
}

}  // namespace
