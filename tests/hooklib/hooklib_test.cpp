// Tarnlet.dll under real hooks: this process installs them for its notify
// window, hook_client.exe (another process) makes the messages they watch, and
// the tests check every report that arrives and every one that must not.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>
#include "hooklib/hook_core.h"
#include "display/program_messages.h"
#include "hooklib/tarnlet.h"
#include "testing/harness.h"
#include "tests/hooklib/hook_client_protocol.h"
#include "tests/hooklib/notify_window.h"

namespace velk::test {
namespace {

using namespace velk::hooklib;

constexpr DWORD kClientTimeoutMs = 15000;

// The library's exports, bound by name as the main program binds them.
struct Library {
    UniqueModule module;
    HookInstallFn install = nullptr;
    ClearHookFn clear = nullptr;
    SetNotifyMessageFn setWinMoveNext = nullptr;
    SetNotifyMessageFn setMenuPopup = nullptr;
    SetNotifyMessageFn setMenuSelected = nullptr;
    SetNotifyMessageFn setAppCreateDestroy = nullptr;

    explicit Library(const std::wstring& path) : module(::LoadLibraryW(path.c_str())) {
        if (!module) return;
        install = GetExport<HookInstallFn>(module.get(), kHookInstallName);
        clear = GetExport<ClearHookFn>(module.get(), kClearHookName);
        setWinMoveNext = GetExport<SetNotifyMessageFn>(module.get(), kSetWinMoveNextNotifyMessageName);
        setMenuPopup = GetExport<SetNotifyMessageFn>(module.get(), kSetMenuPopupNotifyMessageName);
        setMenuSelected = GetExport<SetNotifyMessageFn>(module.get(), kSetMenuSelectedNotifyMessageName);
        setAppCreateDestroy = GetExport<SetNotifyMessageFn>(module.get(), kSetAppCreateDestroyNotifyMessageName);
    }
    bool Complete() const {
        return install && clear && setWinMoveNext && setMenuPopup && setMenuSelected && setAppCreateDestroy;
    }
    bool SetMessages() const {
        return setWinMoveNext(UM_WINMOVENEXT) && setMenuPopup(UM_MENUPOPUP) && setMenuSelected(UM_MENUSELECTED) &&
               setAppCreateDestroy(UM_APPCREATEDESTROY);
    }
};

std::wstring Hex(ULONG_PTR value) {
    wchar_t text[32];
    swprintf(text, 32, L"%llx", static_cast<unsigned long long>(value));
    return text;
}


LPARAM L(HWND hwnd) { return reinterpret_cast<LPARAM>(hwnd); }
WPARAM W(HWND hwnd) { return reinterpret_cast<WPARAM>(hwnd); }

class HookLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        library_ = std::make_unique<Library>(BinDir() + kLibraryFileName);
        ASSERT_TRUE(library_->Complete());
        ASSERT_TRUE(notify_.Hwnd());
    }
    void TearDown() override {
        // Hooks are removed before the library goes, or a hook call would land
        // in unloaded code.
        library_->clear(notify_.Hwnd());
        library_.reset();
    }

    void Install() {
        ASSERT_TRUE(library_->install(notify_.Hwnd(), ids_));
        ASSERT_TRUE(library_->SetMessages());
    }

    // Runs hook_client.exe to its end; answers its main window. Every report
    // the client posted or sent has arrived when this returns.
    HWND RunClient(const std::wstring& scenario, const std::wstring& args = L"") {
        std::wstring commandLine = scenario + L" " + Hex(reinterpret_cast<ULONG_PTR>(notify_.Hwnd()));
        if (!args.empty()) commandLine += L" " + args;
        ChildProcess client = ChildProcess::Start(L"hook_client.exe", commandLine);
        EXPECT_TRUE(client.Started());
        EXPECT_TRUE(client.Wait(kClientTimeoutMs)) << "hook_client " << ToUtf8(scenario) << " did not end";
        EXPECT_EQ(client.ExitCode(), 0u) << "hook_client " << ToUtf8(scenario);
        HWND window = ClientWindow(client.Id());
        EXPECT_TRUE(notify_.WaitFor(
            [&](const Report& r) { return r.message == hookclient::kDone && r.wParam == W(window); }, 5000));
        return window;
    }

    HWND ClientWindow(DWORD pid) const {
        for (const Report& r : notify_.Reports())
            if (r.message == hookclient::kHello && r.lParam == static_cast<LPARAM>(pid))
                return reinterpret_cast<HWND>(r.wParam);
        ADD_FAILURE() << "client " << pid << " never said hello";
        return nullptr;
    }

    // Reports of the call-window-procedure and get-message hooks about a window.
    std::vector<Report> ReportsAbout(HWND window) const {
        std::vector<Report> found;
        for (const Report& r : notify_.Reports())
            if (r.lParam == L(window) && r.message != hookclient::kDone) found.push_back(r);
        return found;
    }

    std::wstring IdArguments() const {
        std::wstring args;
        for (UINT id : ids_) args += Hex(id) + L" ";
        return args;
    }

    NotifyWindow notify_;
    std::unique_ptr<Library> library_;
    UINT ids_[kCommandIdCount] = {};
};

// --- The image: exports, shared section, imports -------------------------

const IMAGE_NT_HEADERS* Headers(HMODULE module) {
    auto base = reinterpret_cast<const BYTE*>(module);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    return reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
}

TEST(HookLibraryImage, ExportsExactlyTheSixEntryPointsByName) {
    Library library(BinDir() + kLibraryFileName);
    ASSERT_TRUE(library.module);
    EXPECT_TRUE(library.Complete());
    auto base = reinterpret_cast<const BYTE*>(library.module.get());
    const auto& dir = Headers(library.module.get())->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(dir.VirtualAddress, 0u);
    auto exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    auto names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    std::set<std::string> found;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) found.insert(reinterpret_cast<const char*>(base + names[i]));
    EXPECT_EQ(found, (std::set<std::string>{"ClearHook", "HookInstall", "SetAppCreateDestroyNotifyMessage",
                                             "SetMenuPopupNotifyMessage", "SetMenuSelectedNotifyMessage",
                                             "SetWinMoveNextNotifyMessage"}));
    EXPECT_EQ(exports->NumberOfFunctions, 6u);  // nothing exported by ordinal only
}

TEST(HookLibraryImage, SharedSectionAndSystemImportsOnly) {
    Library library(BinDir() + kLibraryFileName);
    ASSERT_TRUE(library.module);
    const IMAGE_NT_HEADERS* nt = Headers(library.module.get());
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    const IMAGE_SECTION_HEADER* shared = nullptr;
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i)
        if (std::string(reinterpret_cast<const char*>(section[i].Name), 8).rfind(".SHARDAT", 0) == 0)
            shared = &section[i];
    ASSERT_NE(shared, nullptr);
    const DWORD wanted = IMAGE_SCN_MEM_SHARED | IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_WRITE | IMAGE_SCN_CNT_INITIALIZED_DATA;
    EXPECT_EQ(shared->Characteristics & wanted, wanted);
    EXPECT_GE(shared->Misc.VirtualSize, sizeof(SharedRecord));
    EXPECT_GE(shared->SizeOfRawData, sizeof(SharedRecord));  // stored zeros, not uninitialised data

    auto base = reinterpret_cast<const BYTE*>(library.module.get());
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::set<std::string> imported;
    for (auto entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); entry->Name; ++entry) {
        std::string name = reinterpret_cast<const char*>(base + entry->Name);
        std::transform(name.begin(), name.end(), name.begin(), [](char c) { return static_cast<char>(::tolower(c)); });
        imported.insert(name);
    }
    for (const std::string& name : imported) EXPECT_TRUE(name == "user32.dll" || name == "kernel32.dll") << name;
}

// --- Install and clear ----------------------------------------------------

TEST_F(HookLibraryTest, InstallHandsOutThirteenDistinctRegisteredIdsOnce) {
    ASSERT_NO_FATAL_FAILURE(Install());
    std::set<UINT> distinct(std::begin(ids_), std::end(ids_));
    EXPECT_EQ(distinct.size(), static_cast<size_t>(kCommandIdCount));
    for (UINT id : ids_) EXPECT_TRUE(id >= 0xC000 && id <= 0xFFFF) << id;  // registered message range

    UINT again[kCommandIdCount];
    std::fill(std::begin(again), std::end(again), 0x5A5A5A5Au);
    EXPECT_FALSE(library_->install(notify_.Hwnd(), again));
    EXPECT_FALSE(library_->install(notify_.Other(), again));
    for (UINT id : again) EXPECT_EQ(id, 0x5A5A5A5Au);
}

TEST_F(HookLibraryTest, InstallRefusesAMissingWindowOrArray) {
    EXPECT_FALSE(library_->install(nullptr, ids_));
    EXPECT_FALSE(library_->install(notify_.Hwnd(), nullptr));
    ASSERT_NO_FATAL_FAILURE(Install());  // neither left anything installed
}

TEST_F(HookLibraryTest, AnotherProcessCannotInstallClearOrZeroAMessage) {
    ASSERT_NO_FATAL_FAILURE(Install());
    // The client checks its own answers: HookInstall 0 with its array
    // untouched, ClearHook of null and of its own window 0, a zero setter 0.
    HWND client = RunClient(L"install");
    // The hooks and the message number are still ours afterwards.
    EXPECT_EQ(ReportsAbout(client), (std::vector<Report>{{UM_MENUPOPUP, 0, L(client)}}));
}

TEST_F(HookLibraryTest, SettersRefuseZeroAndKeepTheirNumber) {
    ASSERT_NO_FATAL_FAILURE(Install());
    EXPECT_FALSE(library_->setWinMoveNext(0));
    EXPECT_FALSE(library_->setMenuPopup(0));
    EXPECT_FALSE(library_->setMenuSelected(0));
    EXPECT_FALSE(library_->setAppCreateDestroy(0));
    EXPECT_TRUE(library_->setMenuSelected(UM_MENUSELECTED + 0x10));
    HWND client = RunClient(L"menu");
    EXPECT_EQ(ReportsAbout(client), (std::vector<Report>{{UM_MENUPOPUP, 0, L(client)},
                                                         {UM_MENUSELECTED + 0x10, 0, L(client)}}));
}

TEST_F(HookLibraryTest, ClearHookNeedsTheInstalledWindowAndKeepsTheMessages) {
    ASSERT_NO_FATAL_FAILURE(Install());
    EXPECT_FALSE(library_->clear(nullptr));
    EXPECT_FALSE(library_->clear(notify_.Other()));
    HWND client = RunClient(L"menu");  // still hooked
    EXPECT_EQ(ReportsAbout(client).size(), 2u);

    EXPECT_TRUE(library_->clear(notify_.Hwnd()));
    EXPECT_FALSE(library_->clear(notify_.Hwnd()));  // not installed any more
    client = RunClient(L"menu");
    EXPECT_TRUE(ReportsAbout(client).empty());

    UINT ids[kCommandIdCount] = {};
    ASSERT_TRUE(library_->install(notify_.Hwnd(), ids));  // no setters this time
    client = RunClient(L"menu");
    EXPECT_EQ(ReportsAbout(client), (std::vector<Report>{{UM_MENUPOPUP, 0, L(client)},
                                                         {UM_MENUSELECTED, 0, L(client)}}));
}

TEST_F(HookLibraryTest, ALiveOwnerKeepsTheHooksWithoutItsWindowAndAKilledOneIsReplaced) {
    ChildProcess holder = ChildProcess::Start(
        L"hook_client.exe", L"hold " + Hex(reinterpret_cast<ULONG_PTR>(notify_.Hwnd())));
    // The holder has installed, destroyed the window it installed with and
    // made a new one: the stored notify window no longer exists.
    ASSERT_TRUE(WaitForWindow(hookclient::kClientClass, L"hook client holding", kClientTimeoutMs, holder.Id()));
    UINT ids[kCommandIdCount];
    std::fill(std::begin(ids), std::end(ids), 0x5A5A5A5Au);
    EXPECT_FALSE(library_->install(notify_.Hwnd(), ids));
    for (UINT id : ids) EXPECT_EQ(id, 0x5A5A5A5Au);
    EXPECT_EQ(holder.ExitCode(), static_cast<DWORD>(STILL_ACTIVE));

    // Ended without ClearHook, as a crash would end it: its claim is stale.
    holder.Terminate();
    ASSERT_TRUE(holder.Wait(kClientTimeoutMs));
    ASSERT_NO_FATAL_FAILURE(Install());
    HWND client = RunClient(L"menu");
    EXPECT_EQ(ReportsAbout(client), (std::vector<Report>{{UM_MENUPOPUP, 0, L(client)},
                                                         {UM_MENUSELECTED, 0, L(client)}}));
}

TEST_F(HookLibraryTest, OfTwoProcessesInstallingAtOnceExactlyOneWinsEachRound) {
    constexpr int kRounds = 25;
    UniqueHandleObj go(::CreateSemaphoreW(nullptr, 0, 2, hookclient::kRaceGo));
    UniqueHandleObj clear(::CreateSemaphoreW(nullptr, 0, 2, hookclient::kRaceClear));
    ASSERT_TRUE(go && clear);
    const std::wstring args = L"race " + Hex(reinterpret_cast<ULONG_PTR>(notify_.Hwnd())) + L" " +
                              std::to_wstring(kRounds);
    ChildProcess racers[2] = {ChildProcess::Start(L"hook_client.exe", args),
                              ChildProcess::Start(L"hook_client.exe", args)};
    ASSERT_TRUE(racers[0].Started() && racers[1].Started());
    const auto count = [&](UINT message, int round) {
        int n = 0;
        for (const Report& r : notify_.Reports())
            if (r.message == message && r.wParam == static_cast<WPARAM>(round)) ++n;
        return n;
    };
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        ::ReleaseSemaphore(go.get(), 2, nullptr);
        ASSERT_TRUE(WaitUntil(kClientTimeoutMs, [&] { return count(hookclient::kRaceResult, round) == 2; }));
        int winners = 0;
        for (const Report& r : notify_.Reports())
            if (r.message == hookclient::kRaceResult && r.wParam == static_cast<WPARAM>(round)) winners += r.lParam;
        EXPECT_EQ(winners, 1);
        ::ReleaseSemaphore(clear.get(), 2, nullptr);
        ASSERT_TRUE(WaitUntil(kClientTimeoutMs, [&] { return count(hookclient::kRaceCleared, round) == 2; }));
    }
    for (ChildProcess& racer : racers) {
        ASSERT_TRUE(racer.Wait(kClientTimeoutMs));
        EXPECT_EQ(racer.ExitCode(), 0u);
    }
    ASSERT_NO_FATAL_FAILURE(Install());  // nothing left behind
}

// --- What the hooks report --------------------------------------------------

TEST_F(HookLibraryTest, WindowMenuOpenAndCloseAreSentNothingElse) {
    ASSERT_NO_FATAL_FAILURE(Install());
    // The client also sends a drop-down menu, a non-menu with the window-menu
    // flag, WM_CAPTURECHANGED and item selections: none of them is reported.
    HWND client = RunClient(L"menu");
    EXPECT_EQ(ReportsAbout(client), (std::vector<Report>{{UM_MENUPOPUP, 0, L(client)},
                                                         {UM_MENUSELECTED, 0, L(client)}}));
}

TEST_F(HookLibraryTest, OurSystemCommandsArePostedWithTheWholeWParam) {
    ASSERT_NO_FATAL_FAILURE(Install());
    // The client's own ids must match ours for these to be recognised there.
    HWND client = RunClient(L"syscommand", IdArguments());
    std::vector<Report> expected;
    for (UINT id : ids_) expected.push_back({UM_WINMOVENEXT, id, L(client)});
    expected.push_back({UM_WINMOVENEXT, ids_[0] | 0x00010000u, L(client)});
    // SC_CLOSE and SC_MOVE are not reported; the client checked that its window
    // received all of them.
    EXPECT_EQ(ReportsAbout(client), expected);
}

TEST_F(HookLibraryTest, ShellEventsArePostedForAnyWindowWithMappedCodes) {
    ASSERT_NO_FATAL_FAILURE(Install());
    RunClient(L"shell");
    HWND other = nullptr;
    for (const Report& r : notify_.Reports())
        if (r.message == hookclient::kWindow) other = reinterpret_cast<HWND>(r.wParam);
    ASSERT_TRUE(other);
    std::vector<Report> events;
    for (const Report& r : notify_.Reports())
        if (r.message == UM_APPCREATEDESTROY && r.wParam == W(other)) events.push_back(r);
    EXPECT_EQ(events, (std::vector<Report>{{UM_APPCREATEDESTROY, W(other), kShellWindowCreated},
                                           {UM_APPCREATEDESTROY, W(other), HSHELL_APPCOMMAND},
                                           {UM_APPCREATEDESTROY, W(other), kShellWindowDestroyed}}));
}

TEST_F(HookLibraryTest, ShellHooksSetBeforeOursStillGetEveryEvent) {
    UniqueModule spy(::LoadLibraryW((BinDir() + L"ShellSpy.dll").c_str()));
    ASSERT_TRUE(spy);
    auto spyInstall = GetExport<BOOL(WINAPI*)(HWND)>(spy.get(), "SpyInstall");
    auto spyRemove = GetExport<BOOL(WINAPI*)()>(spy.get(), "SpyRemove");
    ASSERT_TRUE(spyInstall && spyRemove);
    ASSERT_TRUE(spyInstall(notify_.Hwnd()));
    ASSERT_NO_FATAL_FAILURE(Install());  // newer: called first
    RunClient(L"shell");
    HWND other = nullptr;
    for (const Report& r : notify_.Reports())
        if (r.message == hookclient::kWindow) other = reinterpret_cast<HWND>(r.wParam);
    ASSERT_TRUE(other);
    const auto seen = [&](UINT message, LPARAM code) {
        return notify_.WaitFor([&](const Report& r) { return r == Report{message, W(other), code}; }, 5000);
    };
    EXPECT_TRUE(seen(UM_APPCREATEDESTROY, kShellWindowCreated));
    EXPECT_TRUE(seen(hookclient::kSpyShell, HSHELL_WINDOWCREATED)) << "our shell hook kept the event to itself";
    EXPECT_TRUE(seen(hookclient::kSpyShell, HSHELL_WINDOWDESTROYED));
    library_->clear(notify_.Hwnd());  // ours first, then the spy's, then the library goes
    EXPECT_TRUE(spyRemove());
}

TEST_F(HookLibraryTest, MessagesOfTheNotifyWindowItselfAreNeverReported) {
    ASSERT_NO_FATAL_FAILURE(Install());
    for (HWND target : {notify_.Hwnd(), notify_.Other()}) {
        ::SendMessageW(target, WM_INITMENUPOPUP, W(reinterpret_cast<HWND>(::GetSystemMenu(target, FALSE))),
                       MAKELPARAM(0, TRUE));
        ::SendMessageW(target, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
        ::PostMessageW(target, WM_SYSCOMMAND, ids_[0], 0);
    }
    // The other window's posted report comes after anything the notify
    // window's own command could have caused.
    ASSERT_TRUE(notify_.WaitFor([&](const Report& r) { return r.message == UM_WINMOVENEXT; }, 5000));
    EXPECT_TRUE(ReportsAbout(notify_.Hwnd()).empty());
    EXPECT_EQ(ReportsAbout(notify_.Other()), (std::vector<Report>{{UM_MENUPOPUP, 0, L(notify_.Other())},
                                                                  {UM_MENUSELECTED, 0, L(notify_.Other())},
                                                                  {UM_WINMOVENEXT, ids_[0], L(notify_.Other())}}));
}

TEST_F(HookLibraryTest, ReportsBeforeTheSettersCarryMessageZero) {
    // A copy of the library under a name of its own starts with a fresh, zero
    // shared record, whichever processes still map the original.
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring copy = std::wstring(temp) + L"TarnletFresh" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                              std::to_wstring(::GetTickCount64()) + L".dll";
    ASSERT_TRUE(::CopyFileW((BinDir() + kLibraryFileName).c_str(), copy.c_str(), TRUE));
    {
        Library fresh(copy);
        ASSERT_TRUE(fresh.Complete());
        UINT ids[kCommandIdCount] = {};
        ASSERT_TRUE(fresh.install(notify_.Hwnd(), ids));
        HWND client = RunClient(L"menu");
        EXPECT_EQ(ReportsAbout(client), (std::vector<Report>{{WM_NULL, 0, L(client)}, {WM_NULL, 0, L(client)}}));
        EXPECT_TRUE(fresh.clear(notify_.Hwnd()));
    }
    ::DeleteFileW(copy.c_str());  // may stay while another process still maps it
}

TEST_F(HookLibraryTest, SentReportsGiveUpOnANotifyWindowThatDoesNotAnswer) {
    ASSERT_NO_FATAL_FAILURE(Install());
    notify_.BlockAfterNextHello();
    const ULONGLONG start = ::GetTickCount64();
    // The client opens its window menu while our thread answers nothing; it
    // fails itself when that send takes more than 2.5 s.
    ChildProcess client = ChildProcess::Start(
        L"hook_client.exe", L"timeout " + Hex(reinterpret_cast<ULONG_PTR>(notify_.Hwnd())) + L" 2500");
    const bool ended = client.Wait(8000);
    const ULONGLONG elapsed = ::GetTickCount64() - start;
    notify_.Unblock();
    ASSERT_TRUE(ended);
    EXPECT_EQ(client.ExitCode(), 0u);
    EXPECT_GE(elapsed, kReportSendTimeoutMs - 100);  // it did wait for an answer first
}

// --- The procedures called directly (this program's own copy of them) -----

class HookProcedureTest : public ::testing::Test {
protected:
    void SetUp() override {
        AttachProcess(::GetModuleHandleW(nullptr));
        SharedRecord& shared = SharedData();
        shared.NotifyWindow = notify_.Hwnd();
        shared.AppCreateDestroyMessage = UM_APPCREATEDESTROY;
        shared.MenuPopupMessage = UM_MENUPOPUP;
        shared.WinMoveNextMessage = UM_WINMOVENEXT;
    }
    void TearDown() override {
        SharedRecord& shared = SharedData();
        shared.NotifyWindow = nullptr;
        shared.AppCreateDestroyMessage = 0;
        shared.MenuPopupMessage = 0;
        shared.WinMoveNextMessage = 0;
    }
    std::vector<Report> ReportsUntilDone() {
        ::PostMessageW(notify_.Hwnd(), hookclient::kDone, 0, 0);
        EXPECT_TRUE(notify_.WaitFor([](const Report& r) { return r.message == hookclient::kDone; }, 5000));
        std::vector<Report> reports = notify_.Reports();
        reports.pop_back();
        return reports;
    }
    NotifyWindow notify_;
};

TEST_F(HookProcedureTest, ShellCodesAreMappedPostedAndPassedOn) {
    HWND w = notify_.Other();
    EXPECT_EQ(ShellHookProc(HSHELL_WINDOWCREATED, W(w), 0), 0);
    EXPECT_EQ(ShellHookProc(HSHELL_REDRAW, W(w), TRUE), 0);
    EXPECT_EQ(ShellHookProc(HSHELL_WINDOWACTIVATED, W(w), FALSE), 0);
    EXPECT_EQ(ShellHookProc(HSHELL_WINDOWDESTROYED, W(notify_.Hwnd()), 0), 0);  // no test on the notify window
    ShellHookProc(-1, W(w), 0);  // passed on, not reported
    EXPECT_EQ(ReportsUntilDone(), (std::vector<Report>{{UM_APPCREATEDESTROY, W(w), kShellWindowCreated},
                                                       {UM_APPCREATEDESTROY, W(w), kShellRedraw},
                                                       {UM_APPCREATEDESTROY, W(w), HSHELL_WINDOWACTIVATED},
                                                       {UM_APPCREATEDESTROY, W(notify_.Hwnd()),
                                                        kShellWindowDestroyed}}));
}

TEST_F(HookProcedureTest, NegativeCodesAndAMissingNotifyWindowReportNothing) {
    HWND w = notify_.Other();
    CWPSTRUCT popup{MAKELPARAM(0, TRUE), W(reinterpret_cast<HWND>(::GetSystemMenu(w, FALSE))), WM_INITMENUPOPUP, w};
    MSG command{w, WM_SYSCOMMAND, SystemMenuCommandIds()[0], 0, 0, {}};
    CallWndProcHookProc(-1, 0, reinterpret_cast<LPARAM>(&popup));
    GetMessageHookProc(-1, PM_REMOVE, reinterpret_cast<LPARAM>(&command));
    EXPECT_TRUE(ReportsUntilDone().empty());

    // Without a notify window nothing may land in the hooked thread's own queue.
    SharedData().NotifyWindow = nullptr;
    ShellHookProc(HSHELL_WINDOWCREATED, W(w), 0);
    GetMessageHookProc(HC_ACTION, PM_REMOVE, reinterpret_cast<LPARAM>(&command));
    MSG stray;
    EXPECT_FALSE(::PeekMessageW(&stray, nullptr, 0, 0, PM_REMOVE));
}

}  // namespace
}  // namespace velk::test
