// End to end: the running program's Extra desktop page saves and restores
// the icons of desktop_sim, three processes as on a user's machine.
#include "tests/taskbar/desktop/desktop_test_support.h"

#include "app/velkmira_app.h"
#include "display/program_messages.h"
#include "resources/resource.h"
#include "testing/desktopsim/desktop_sim_protocol.h"
#include "testing/support/tray_fixture.h"

namespace velk::test {
namespace {

BOOL CALLBACK FindPage(HWND child, LPARAM found) {
    if (!::GetDlgItem(child, IDC_APP_SAVE_ICONS)) return TRUE;
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
}

// The started program's main window once start-up is complete, and its
// Extra desktop page.
void WaitForStartedProgram(const ChildProcess& program, HWND& main, HWND& page) {
    ASSERT_TRUE(program.Started());
    main = WaitForWindow(kMainWindowClass, nullptr, 20000, program.Id());
    ASSERT_TRUE(main && WaitUntil(20000, [&] { return ::GetPropW(main, kInstanceProperty) != nullptr; }));
    ::EnumChildWindows(main, FindPage, reinterpret_cast<LPARAM>(&page));
    ASSERT_NE(page, nullptr);
}

// The icons a section holds, or -1 when it is absent.
int IconsIn(const wchar_t* section) {
    UniqueKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, ProfileSection(section).c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return -1;
    DWORD subkeys = 0;
    ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr);
    return static_cast<int>(subkeys);
}

TEST(ProgramDesktop, TheRunningProgramSavesAndRestoresTheShellsIcons) {
    ResetProfile();
    FakeTray tray;
    DesktopSim sim({L"Alpha", L"Beta", L"Gamma"});
    ASSERT_TRUE(sim.Ready());
    ChildProcess program = ChildProcess::Start(L"Velkmira.exe");
    HWND main = nullptr, page = nullptr;
    ASSERT_NO_FATAL_FAILURE(WaitForStartedProgram(program, main, page));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDC_APP_RESTORE_ICONS)));

    ::PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_APP_SAVE_ICONS, BN_CLICKED), 0);
    EXPECT_TRUE(WaitUntil(10000, [&] { return ::IsWindowEnabled(::GetDlgItem(page, IDC_APP_RESTORE_ICONS)) != FALSE; }));
    EXPECT_EQ(ProfileInt(L"IconPosition\\Gamma", L"x"), DWORD(desktop_sim::InitialPosition(2).x));
    ASSERT_TRUE(sim.Move(2, POINT{640, 480}));
    ::PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_APP_RESTORE_ICONS, BN_CLICKED), 0);
    EXPECT_TRUE(WaitUntil(10000, [&] { return Same(sim.Position(2), desktop_sim::InitialPosition(2)); }));
    EXPECT_TRUE(WaitUntil(60000, [&] { return SendWithin(page, UM_ICONJOBRUNNING, 0, 0) == 0; }))
        << "the restore did not end";
    EXPECT_FALSE(WaitForDialog(program.Id(), 500).has_value()) << "a complete restore asks nothing";

    ::PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.Wait(20000)) << "the program did not end";
    EXPECT_EQ(program.ExitCode(), 0u);
    ResetProfile();
}

// The program closed while a long restore, then a long save, is under way:
// it ends at once with its code 0, its blocks in the shell's process are
// gone, and the saved set and the backup are whole.
TEST(ProgramDesktop, ClosingTheProgramInTheMiddleOfARestoreOrASaveEndsItCleanlyWithWholeSets) {
    ResetProfile();
    FakeTray tray;
    std::vector<std::wstring> icons;
    for (int i = 0; i < 400; ++i) icons.push_back(L"Icon" + std::to_wstring(i));
    DesktopSim sim(icons);
    ASSERT_TRUE(sim.Ready());
    const int regions = sim.CommittedRegions();
    ChildProcess program = ChildProcess::Start(L"Velkmira.exe");
    HWND main = nullptr, page = nullptr;
    ASSERT_NO_FATAL_FAILURE(WaitForStartedProgram(program, main, page));
    ::PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_APP_SAVE_ICONS, BN_CLICKED), 0);
    ASSERT_TRUE(WaitUntil(60000, [&] { return ::IsWindowEnabled(::GetDlgItem(page, IDC_APP_RESTORE_ICONS)) != FALSE; }));
    ASSERT_TRUE(WaitUntil(60000, [&] { return SendWithin(page, UM_ICONJOBRUNNING, 0, 0) == 0; }));

    ::PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_APP_RESTORE_ICONS, BN_CLICKED), 0);
    EXPECT_TRUE(WaitUntil(20000, [&] { return sim.CommittedRegions() > regions; })) << "the restore's blocks";
    EXPECT_EQ(SendWithin(page, UM_ICONJOBRUNNING, 0, 0), 1) << "the restore ended too soon for this test";
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.Wait(20000)) << "the program did not end";
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_LE(sim.CommittedRegions(), regions) << "blocks left in the shell's process";
    // The saved set and the backup stay whole.
    EXPECT_EQ(ProfileInt(L"IconPosition", L"IconSaveFlag"), 1u);
    EXPECT_EQ(IconsIn(L"IconPosition"), 400);
    EXPECT_TRUE(IconsIn(L"IconPositionBackup") == -1 || IconsIn(L"IconPositionBackup") == 400);

    // A save closed half-way keeps the old set whole, and the next start offers it.
    const POINT old = desktop_sim::InitialPosition(5);
    ASSERT_TRUE(sim.Move(5, POINT{640, 480}));
    ChildProcess again = ChildProcess::Start(L"Velkmira.exe");
    ASSERT_NO_FATAL_FAILURE(WaitForStartedProgram(again, main, page));
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(page, IDC_APP_RESTORE_ICONS)));
    ::PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_APP_SAVE_ICONS, BN_CLICKED), 0);
    EXPECT_TRUE(WaitUntil(20000, [&] { return ::SendMessageW(page, UM_ICONJOBRUNNING, 0, 0) == 1; }));
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(again.Wait(20000)) << "the program did not end";
    EXPECT_EQ(again.ExitCode(), 0u);
    EXPECT_EQ(ProfileInt(L"IconPosition", L"IconSaveFlag"), 1u);
    EXPECT_EQ(IconsIn(L"IconPosition"), 400);
    const auto x = ProfileInt(L"IconPosition\\Icon5", L"x");
    EXPECT_TRUE(x == DWORD(old.x) || x == 640u);
    ResetProfile();
}

}  // namespace
}  // namespace velk::test
