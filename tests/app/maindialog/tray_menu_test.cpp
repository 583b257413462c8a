// The tray menu as the user works it: a right click on the icon opens the
// real menu, the keyboard picks an item, and the command it sends reaches the
// main dialog. "Display Property" and "Help" (no help viewer open) hand their
// file to the shell, whose call the platform seam records.
#include "app/main_dialog.h"
#include "app/tray_icon.h"
#include "display/program_messages.h"
#include "framework/platform.h"
#include "testing/harness.h"
#include "testing/support/in_process_dialog.h"
#include "testing/support/pump.h"
#include "testing/support/tray_fixture.h"
#include <gtest/gtest.h>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace velk;
using namespace velk::test;

namespace {

struct ShellCall {
    std::wstring verb, file, parameters;
    HWND window;
    int show;
};
std::vector<ShellCall> g_shellCalls;

std::wstring Text(LPCWSTR text) { return text ? text : L"(null)"; }

HINSTANCE WINAPI RecordedShellExecute(HWND window, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR,
                                      INT show) {
    g_shellCalls.push_back({Text(verb), Text(file), Text(parameters), window, show});
    return reinterpret_cast<HINSTANCE>(42);  // what the shell answers for a started program
}

BOOL CALLBACK FindShownMenu(HWND w, LPARAM found) {
    wchar_t cls[16] = {};
    DWORD pid = 0;
    ::GetWindowThreadProcessId(w, &pid);
    if (pid != ::GetCurrentProcessId() || !::IsWindowVisible(w)) return TRUE;
    ::GetClassNameW(w, cls, 16);
    if (std::wstring(cls) != L"#32768") return TRUE;
    *reinterpret_cast<HWND*>(found) = w;
    return FALSE;
}

// The popup menu of this process once it is shown; null after the time.
HWND WaitForPopupMenu(DWORD timeoutMs) {
    HWND found = nullptr;
    const bool shown = WaitUntil(timeoutMs, [&found] {
        ::EnumWindows(FindShownMenu, reinterpret_cast<LPARAM>(&found));
        return found != nullptr;
    });
    return shown ? found : nullptr;
}

class TrayMenu : public InProcessDialogTest {
protected:
    void SetUp() override {
        InProcessDialogTest::SetUp();
        g_shellCalls.clear();
        Platform().ShellExecuteW = RecordedShellExecute;
        tray = std::make_unique<FakeTray>();
        dialog = std::make_unique<CVELKMIRADlg>();
        ASSERT_TRUE(dialog->Create(nullptr));
        ASSERT_TRUE(dialog->IsInitialised());
    }
    void TearDown() override {
        dialog.reset();
        tray.reset();
    }

    // Right-clicks the icon and, once the menu is up, presses Down `downs`
    // times and Return, as the user picks the item; then runs the command the
    // menu sent. False when the menu never showed.
    bool Choose(int downs) {
        std::atomic<bool> shown{false};
        std::thread picker([&shown, downs] {
            HWND menu = WaitForPopupMenu(10000);
            if (!menu) return;
            shown = true;
            // The menu's loop reads the keys from its thread's queue.
            for (int i = 0; i < downs; ++i) ::PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
            ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
        });
        ::SendMessageW(dialog->GetSafeHwnd(), UM_TRAYNOTIFY, 128, WM_RBUTTONUP);  // returns when the menu has ended
        picker.join();
        if (!shown) return false;
        RunPendingMessages();  // the menu posted its command before it ended
        return true;
    }

    std::unique_ptr<FakeTray> tray;
    std::unique_ptr<CVELKMIRADlg> dialog;
};

TEST_F(TrayMenu, DisplayPropertyAndHelpHandTheirFilesToTheShell) {
    // The menu reads, by position: Setting, Display Property, Identify
    // Display, a separator, Help, Version, Exit.
    ASSERT_EQ(::FindWindowW(nullptr, L"Korvane Panomira Help"), nullptr) << "a help viewer is open";
    struct Case {
        const char* item;
        int downs;
        ShellCall expected;
    } cases[] = {
        {"Display Property", 2, {L"(null)", L"desk.cpl", L",3", nullptr, SW_SHOWNORMAL}},
        {"Help", 4, {L"open", HelpFilePath(), L"(null)", nullptr, SW_SHOWNORMAL}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        g_shellCalls.clear();
        ASSERT_TRUE(Choose(c.downs)) << "the tray menu did not open";
        ASSERT_EQ(g_shellCalls.size(), 1u) << "the shell was not asked once";
        const ShellCall& call = g_shellCalls.front();
        EXPECT_EQ(call.verb, c.expected.verb);
        EXPECT_EQ(call.file, c.expected.file);
        EXPECT_EQ(call.parameters, c.expected.parameters);
        EXPECT_EQ(call.window, nullptr);
        EXPECT_EQ(call.show, SW_SHOWNORMAL);
    }
    EXPECT_EQ(HelpFilePath(), BinDir() + L"VELKPanomira.chm");
    EXPECT_TRUE(::IsWindow(dialog->GetSafeHwnd())) << "the program ended";
}

// With the help open the same item brings the viewer to the front instead of
// asking the shell for a second one.
TEST_F(TrayMenu, HelpWithTheViewerOpenAsksTheShellForNothing) {
    TitledWindow viewer(L"Korvane Panomira Help");
    ASSERT_TRUE(viewer.Exists());
    ASSERT_TRUE(Choose(4));
    EXPECT_TRUE(g_shellCalls.empty());
}

}  // namespace
