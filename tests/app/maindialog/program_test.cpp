// The real program under Wine: a full start with its tray icon, the settings
// window, shut-down by Exit and by WM_CLOSE, the start-up and shut-down
// failures of the hook library, and a handler that fails during the run.
#include "app/velkmira_app.h"
#include "display/program_messages.h"
#include "hooklib/tarnlet.h"
#include <shellapi.h>
#include "resources/resource.h"
#include "testing/harness.h"
#include "testing/support/tray_fixture.h"
#include <gtest/gtest.h>
#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

using namespace velk;
using namespace velk::test;

namespace {

constexpr DWORD kStartMs = 20000;

BOOL CALLBACK FindIconControl(HWND child, LPARAM found) {
    wchar_t cls[16] = {};
    ::GetClassNameW(child, cls, 16);
    if (::lstrcmpiW(cls, L"Static") == 0 && (::GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        SendWithin(child, STM_GETICON, 0, 0)) {
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
    }
    return TRUE;
}

bool HasIcon(HWND box) {
    bool found = false;
    ::EnumChildWindows(box, FindIconControl, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Reads the debugger trace of other processes from the shared buffer that
// OutputDebugString fills while a trace viewer listens.
class DebugTraceReader {
public:
    DebugTraceReader()
        : bufferReady_(::CreateEventW(nullptr, FALSE, TRUE, L"DBWIN_BUFFER_READY")),
          dataReady_(::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY")),
          mapping_(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSize, L"DBWIN_BUFFER")) {
        view_ = mapping_ ? static_cast<const char*>(::MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, kSize))
                         : nullptr;
        if (bufferReady_ && dataReady_ && view_) reader_ = std::thread([this] { Read(); });
    }
    ~DebugTraceReader() {
        stop_ = true;
        if (reader_.joinable()) reader_.join();
        if (view_) ::UnmapViewOfFile(view_);
    }
    bool Listening() const { return reader_.joinable(); }
    std::string TextOf(DWORD pid) {
        std::lock_guard lock(mutex_);
        return texts_[pid];
    }

private:
    static constexpr DWORD kSize = 4096;
    void Read() {
        while (!stop_) {
            if (::WaitForSingleObject(dataReady_.get(), 50) != WAIT_OBJECT_0) continue;
            DWORD pid = 0;
            std::memcpy(&pid, view_, sizeof(pid));
            const char* text = view_ + sizeof(pid);
            {
                std::lock_guard lock(mutex_);
                texts_[pid].append(text, strnlen(text, kSize - sizeof(pid)));
            }
            ::SetEvent(bufferReady_.get());
        }
    }
    UniqueHandleObj bufferReady_;
    UniqueHandleObj dataReady_;
    UniqueHandleObj mapping_;
    const char* view_ = nullptr;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::map<DWORD, std::string> texts_;
    std::thread reader_;
};

struct Program : ::testing::Test {
    void SetUp() override {
        ResetProfile();
        DeleteTree(HKEY_CURRENT_USER, kFakeTarnletKey);
        tray = std::make_unique<FakeTray>();
    }
    void TearDown() override {
        if (process.Started() && process.ExitCode() == STILL_ACTIVE) {
            if (main) ::PostMessageW(main, WM_CLOSE, 0, 0);
            process.Wait(10000);
        }
        tray.reset();
    }

    // Starts a program and waits until its start-up has completed.
    void StartAndWaitUntilRunning(const std::wstring& exe) {
        process = ChildProcess::Start(exe);
        ASSERT_TRUE(process.Started());
        main = WaitForWindow(kMainWindowClass, nullptr, kStartMs, process.Id());
        ASSERT_NE(main, nullptr) << "the main dialog did not appear";
        ASSERT_TRUE(WaitUntil(kStartMs, [&] { return ::GetPropW(main, kInstanceProperty) != nullptr; }));
    }

    // Waits for a message box of the program, checks its text, and answers it.
    void ExpectBoxAndAnswer(const std::wstring& text, int answer = IDOK, LPCWSTR icon = IDI_EXCLAMATION) {
        auto box = WaitForDialog(process.Id(), kStartMs);
        ASSERT_TRUE(box.has_value()) << "no message box";
        ::Sleep(200);  // let the box finish its initialisation
        box = ReadDialog(box->hwnd);
        EXPECT_EQ(box->text, text);
        // The harness tells icons apart only inside its own process; across
        // processes it is enough that the box shows one.
        if (icon) {
            EXPECT_TRUE(HasIcon(box->hwnd));
        }
        PressDialogButton(box->hwnd, answer);
    }

    void ExpectCleanEnd() {
        ASSERT_TRUE(process.Wait(kStartMs)) << "the program did not end";
        EXPECT_EQ(process.ExitCode(), 0u);
    }

    // The Setting page's load and apply block the program for 5 s while no
    // DisplayLink display is active.
    bool WaitVisible(bool visible) {
        return WaitUntil(kStartMs, [&] { return (::IsWindowVisible(main) != FALSE) == visible; });
    }

    std::unique_ptr<FakeTray> tray;
    ChildProcess process;
    HWND main = nullptr;
};

TEST_F(Program, FullStartShowsAndHidesTheSettingsWindowAndExits) {
    StartAndWaitUntilRunning(L"Velkmira.exe");
    ASSERT_TRUE(tray->WaitForCalls(2, kStartMs));
    auto calls = tray->Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].action, DWORD(NIM_ADD));
    EXPECT_EQ(calls[0].window, main);
    EXPECT_EQ(calls[0].id, 128u);
    EXPECT_EQ(calls[0].flags, 7u);
    EXPECT_EQ(calls[0].callbackMessage, UM_TRAYNOTIFY);
    EXPECT_EQ(calls[0].tip, L"Please wait for a while...");
    EXPECT_TRUE(calls[0].payloadSizeMatched);
    EXPECT_EQ(calls[0].iconColorBits, IconColorBits(IDI_TRAY_WAIT));
    EXPECT_EQ(calls[1].action, DWORD(NIM_MODIFY));
    EXPECT_EQ(calls[1].tip, L"Korvane Panomira");
    EXPECT_EQ(calls[1].iconColorBits, IconColorBits(IDI_TRAY));
    EXPECT_NE(IconColorBits(IDI_TRAY), IconColorBits(IDI_TRAY_WAIT));
    // The property comes last: not yet there when the tip changed; Apply was disabled by then.
    EXPECT_FALSE(calls[0].instancePropertySet);
    EXPECT_FALSE(calls[1].instancePropertySet);
    EXPECT_FALSE(calls[1].applyEnabled);

    EXPECT_FALSE(::IsWindowVisible(main));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(main, IDC_APPLY)));
    ::ShowWindow(main, SW_SHOWNORMAL);  // nothing but the settings commands shows it
    ::Sleep(200);
    EXPECT_FALSE(::IsWindowVisible(main));

    ::PostMessageW(main, UM_TRAYNOTIFY, 128, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(WaitVisible(true));
    ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(WaitVisible(false));

    ::PostMessageW(main, WM_COMMAND, ID_TRAY_SETTING, 0);
    ASSERT_TRUE(WaitVisible(true));
    ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(WaitVisible(false));

    ::PostMessageW(main, UM_TRAYNOTIFY, 128, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(WaitVisible(true));
    ::PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitVisible(false));
    EXPECT_EQ(process.ExitCode(), DWORD(STILL_ACTIVE));

    tray->Clear();
    ::PostMessageW(main, WM_COMMAND, ID_TRAY_EXIT, 0);
    ExpectCleanEnd();
    calls = tray->Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].action, DWORD(NIM_DELETE));
    EXPECT_EQ(calls[0].window, main);
    EXPECT_EQ(calls[0].id, 128u);
    EXPECT_TRUE(HooksAreFree());
}

TEST_F(Program, WmCloseShutsDownInOrder) {
    StartAndWaitUntilRunning(L"Velkmira.exe");
    EXPECT_FALSE(HooksAreFree());  // the running program holds them
    tray->Clear();
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    ExpectCleanEnd();
    auto calls = tray->Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].action, DWORD(NIM_DELETE));
    EXPECT_TRUE(HooksAreFree());
}

TEST_F(Program, MissingHookLibraryEndsWithTheLoadError) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.CopyFromBin(L"Velkmira.exe", L"Velkmira.exe"));
    process = ChildProcess::Start(folder.Path() + L"Velkmira.exe");
    ASSERT_TRUE(process.Started());
    ExpectBoxAndAnswer(L"Could not load library. please run setup program again. Err=126");
    ExpectCleanEnd();
    // The icon added while starting does not stay behind.
    auto calls = tray->Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].action, DWORD(NIM_ADD));
    EXPECT_EQ(calls[1].action, DWORD(NIM_DELETE));
}

TEST_F(Program, HooksHeldByAnotherProgramEndTheStart) {
    HookHolder holder;
    ASSERT_TRUE(holder.Install());
    process = ChildProcess::Start(L"Velkmira.exe");
    ASSERT_TRUE(process.Started());
    ExpectBoxAndAnswer(L"Could not hook the system.");
    ExpectCleanEnd();
    holder.Release();
    EXPECT_TRUE(HooksAreFree());
}

TEST_F(Program, HookLibraryWithoutHookInstallEndsTheStart) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.CopyFromBin(L"Velkmira.exe", L"Velkmira.exe"));
    ASSERT_TRUE(folder.CopyFromBin(L"FakeTarnlet_no_install.dll", L"Tarnlet.dll"));
    process = ChildProcess::Start(folder.Path() + L"Velkmira.exe");
    ExpectBoxAndAnswer(L"Could not get function HookInstall from library. please run setup program again.");
    ExpectCleanEnd();
}

TEST_F(Program, MissingSetterIsReportedAndStartUpGoesOn) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.CopyFromBin(L"Velkmira.exe", L"Velkmira.exe"));
    ASSERT_TRUE(folder.CopyFromBin(L"FakeTarnlet_no_popup_setter.dll", L"Tarnlet.dll"));
    process = ChildProcess::Start(folder.Path() + L"Velkmira.exe");
    ASSERT_TRUE(process.Started());
    ExpectBoxAndAnswer(
        L"Could not get function SetMenuPopupNotifyMessage from library. please run setup program again.");
    main = WaitForWindow(kMainWindowClass, nullptr, kStartMs, process.Id());
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil(kStartMs, [&] { return ::GetPropW(main, kInstanceProperty) != nullptr; }));
    ASSERT_TRUE(tray->WaitForCalls(2, kStartMs));
    EXPECT_EQ(tray->Calls()[1].tip, L"Korvane Panomira");

    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kFakeTarnletKey, L"HookInstall"), 1u);
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kFakeTarnletKey, L"SetWinMoveNextNotifyMessage"), ::UM_WINMOVENEXT);
    // The binding stops at the first missing setter.
    EXPECT_FALSE(GetDword(HKEY_CURRENT_USER, kFakeTarnletKey, L"SetMenuSelectedNotifyMessage").has_value());
    EXPECT_FALSE(GetDword(HKEY_CURRENT_USER, kFakeTarnletKey, L"SetAppCreateDestroyNotifyMessage").has_value());

    ::PostMessageW(main, WM_COMMAND, ID_TRAY_EXIT, 0);
    ExpectCleanEnd();
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kFakeTarnletKey, L"ClearHook"), 1u);
    // The marker is gone before the hooks are released.
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kFakeTarnletKey, L"PropertyAtClearHook"), 0u);
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kFakeTarnletKey, L"FreedByProgram"), 1u);
}

TEST_F(Program, HookLibraryStaysLoadedWhenItsHooksCouldNotBeRemoved) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.CopyFromBin(L"Velkmira.exe", L"Velkmira.exe"));
    ASSERT_TRUE(folder.CopyFromBin(L"FakeTarnlet_clear_fails.dll", L"Tarnlet.dll"));
    StartAndWaitUntilRunning(folder.Path() + L"Velkmira.exe");
    ::PostMessageW(main, WM_COMMAND, ID_TRAY_EXIT, 0);
    ExpectCleanEnd();
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kFakeTarnletKey, L"ClearHook"), 1u);
    EXPECT_FALSE(GetDword(HKEY_CURRENT_USER, kFakeTarnletKey, L"FreedByProgram").has_value());
}

TEST_F(Program, HookLibraryWithoutClearHookIsReportedAtExit) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.CopyFromBin(L"Velkmira.exe", L"Velkmira.exe"));
    ASSERT_TRUE(folder.CopyFromBin(L"FakeTarnlet_no_clear_hook.dll", L"Tarnlet.dll"));
    StartAndWaitUntilRunning(folder.Path() + L"Velkmira.exe");
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kFakeTarnletKey, L"SetAppCreateDestroyNotifyMessage"),
              ::UM_APPCREATEDESTROY);
    ::PostMessageW(main, WM_COMMAND, ID_TRAY_EXIT, 0);
    ExpectBoxAndAnswer(L"Could not get function lpfnClearhook from library. please run setup program again.");
    ExpectCleanEnd();
}

TEST_F(Program, ExitAsksWhetherToCloseTheOpenHelp) {
    for (int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
        TitledWindow help(L"Korvane Panomira Help");
        StartAndWaitUntilRunning(L"Velkmira.exe");
        ::PostMessageW(main, WM_COMMAND, ID_TRAY_EXIT, 0);
        auto box = WaitForDialog(process.Id(), kStartMs);
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->text, L"Close the help file?");
        EXPECT_TRUE(box->HasButton(IDYES) && box->HasButton(IDNO));
        PressDialogButton(box->hwnd, answer);
        ExpectCleanEnd();
        EXPECT_EQ(help.CloseReceived(), answer == IDYES);
        EXPECT_EQ(help.Exists(), answer == IDNO);
        main = nullptr;
    }
}

// A handler that throws during the modal run: the exception stops at the
// dialog procedure, the run ends, and the start-up guard takes the dialog
// down and ends the program normally, leaving the failure's text in the
// debugger trace.
TEST_F(Program, FailedHandlerEndsTheRunThroughTheGuard) {
    DebugTraceReader trace;
    ASSERT_TRUE(trace.Listening());
    StartAndWaitUntilRunning(L"GuardProbe.exe");
    ASSERT_TRUE(tray->WaitForCalls(2, kStartMs));
    tray->Clear();
    // The window hotkey asks for the foreground window, which the probe cannot read.
    ::PostMessageW(main, WM_HOTKEY, 256, 0);
    ExpectCleanEnd();
    const std::string expected = "\nUnexpected error: probe: the foreground window is out of reach\n";
    EXPECT_TRUE(WaitUntil(5000, [&] { return trace.TextOf(process.Id()).find(expected) != std::string::npos; }))
        << trace.TextOf(process.Id());
    // The one shut-down ran: the tray icon went and the hooks were released.
    auto calls = tray->Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].action, DWORD(NIM_DELETE));
    EXPECT_TRUE(HooksAreFree());
}

// The program's manifest, as the system reads it from Velkmira.exe: aware of
// each display's DPI (other programs' windows are read and written in real
// pixels), version 2 where the system has it and system-wide before. At 96
// DPI the program's own window has exactly the size its template gives it in
// the system font.
TEST_F(Program, ManifestAwareOfEachDisplaysDpiAndTheWindowRightAt96Dpi) {
    ACTCTXW request{};
    request.cbSize = sizeof(request);
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    const std::wstring exe = BinDir() + L"Velkmira.exe";
    request.lpSource = exe.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE context = ::CreateActCtxW(&request);
    ASSERT_NE(context, INVALID_HANDLE_VALUE) << ::GetLastError();
    const auto setting = [context](const wchar_t* ns, const wchar_t* name) {
        wchar_t value[128] = {};
        SIZE_T written = 0;
        if (!::QueryActCtxSettingsW(0, context, ns, name, value, std::size(value), &written)) return std::wstring();
        return std::wstring(value);
    };
    EXPECT_EQ(setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"),
              L"PerMonitorV2, System");
    EXPECT_EQ(setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"), L"true");
    ::ReleaseActCtx(context);

    StartAndWaitUntilRunning(L"Velkmira.exe");
    using DpiFn = UINT(WINAPI*)(HWND);
    auto dpiOf = reinterpret_cast<DpiFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    ASSERT_NE(dpiOf, nullptr);
    EXPECT_EQ(dpiOf(main), 96u);
    // The template is 266 x 222 dialog units, laid out in the system font.
    const LONG units = ::GetDialogBaseUnits();
    RECT client{};
    ::GetClientRect(main, &client);
    EXPECT_EQ(client.right, MulDiv(266, LOWORD(units), 4));
    EXPECT_EQ(client.bottom, MulDiv(222, HIWORD(units), 8));
    ::PostMessageW(main, WM_COMMAND, ID_TRAY_EXIT, 0);
    ExpectCleanEnd();
}

}  // namespace
