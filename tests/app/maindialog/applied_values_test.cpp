// What the user applied is what is kept: the Setting, Hotkey, Extra desktop
// and Other settings pages inside the main dialog, each with an applied edit
// and an edit on screen that is not applied, through Cancel, the close box
// and every automatic step (display change, resume, add-on notification,
// setting change, delayed Apply), and OK with the delay before its Apply.
#include "app/hotkey_page.h"
#include "display/program_messages.h"
#include "taskbar/app_setting_page.h"
#include "testing/support/pump.h"
#include "tests/app/settings/settings_fixture.h"
#include <commctrl.h>
#include <functional>
#include <string>

using namespace velk::test;
using namespace settings_test;

namespace {

std::optional<DWORD> Value(const wchar_t* section, const wchar_t* name) {
    return GetDword(HKEY_CURRENT_USER, ProfileSection(section), name);
}

class AppliedValues : public SettingsInMainDialog {
protected:
    void Open() { ::SendMessageW(hwnd, UM_TRAYNOTIFY, 128, WM_LBUTTONDBLCLK); }
    void Timer(UINT_PTR id) { ::SendMessageW(hwnd, WM_TIMER, id, 0); }
    CHotkeyDialog& Hotkeys() const { return *static_cast<CHotkeyDialog*>(dialog->Page(2)); }
    CAppSettingProp& Extra() const { return *static_cast<CAppSettingProp*>(dialog->Page(3)); }
    HWND HotkeyList() const { return ::GetDlgItem(Hotkeys().GetSafeHwnd(), IDC_HK_LIST); }
    HWND DeviceList() const { return ::GetDlgItem(OtherHwnd(), IDC_OTHER_PLAYBACK_DEVICE); }
    int RowOf(int entry) const {
        LVFINDINFOW find{};
        find.flags = LVFI_PARAM;
        find.lParam = entry;
        return static_cast<int>(
            ::SendMessageW(HotkeyList(), LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
    }
    bool RowChecked(int entry) const { return ListView_GetCheckState(HotkeyList(), RowOf(entry)) != FALSE; }
    void CheckRow(int entry, bool on) const { ListView_SetCheckState(HotkeyList(), RowOf(entry), on); }
    // Selects the entry's row, types the keys into the hotkey control and presses Change.
    void ChangeKey(int entry, WORD key, WORD modifiers) const {
        ListView_SetItemState(HotkeyList(), RowOf(entry), LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        HWND page = Hotkeys().GetSafeHwnd();
        ::SendDlgItemMessageW(page, IDC_HK_HOTKEY, HKM_SETHOTKEY, MAKEWORD(key, modifiers), 0);
        Command(page, IDC_HK_CHANGE);
    }
    void Click(HWND page, int id) const {
        ::CheckDlgButton(page, id, Checked(page, id) ? BST_UNCHECKED : BST_CHECKED);
        Command(page, id);
    }

    // The edit that gets applied: "Do not resize", no start at logon, the
    // first hotkey off, icons restored at start, video optimisation on.
    void MakeAppliedEdit() {
        ::CheckRadioButton(SettingHwnd(), IDC_SET_RESIZE_FIXED, IDC_SET_RESIZE_SCALE, IDC_SET_RESIZE_FIXED);
        ::CheckDlgButton(SettingHwnd(), IDC_SET_RUN_AT_STARTUP, BST_UNCHECKED);
        CheckRow(kWindowNextEntry, false);
        ::CheckDlgButton(Extra().GetSafeHwnd(), IDC_APP_RESTORE_AT_START, BST_CHECKED);
        ::CheckDlgButton(OtherHwnd(), IDC_OTHER_VIDEO_OPTIMIZE, BST_CHECKED);
    }
    // The edit left on screen: each of the above undone, a hotkey changed,
    // the extra taskbar on top switched on, another playback device chosen.
    void MakeShownEdit() {
        ::CheckRadioButton(SettingHwnd(), IDC_SET_RESIZE_FIXED, IDC_SET_RESIZE_SCALE, IDC_SET_RESIZE_SCALE);
        ::CheckDlgButton(SettingHwnd(), IDC_SET_RUN_AT_STARTUP, BST_CHECKED);
        CheckRow(kWindowNextEntry, true);
        ChangeKey(kWindowPreviousEntry, VK_F5, HOTKEYF_CONTROL);
        ::CheckDlgButton(Extra().GetSafeHwnd(), IDC_APP_RESTORE_AT_START, BST_UNCHECKED);
        Click(Extra().GetSafeHwnd(), IDC_APP_USE_TASKBAR);
        ::CheckDlgButton(Extra().GetSafeHwnd(), IDC_APP_ON_TOP, BST_CHECKED);
        ::CheckDlgButton(OtherHwnd(), IDC_OTHER_VIDEO_OPTIMIZE, BST_UNCHECKED);
        ::SendMessageW(DeviceList(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Chosen"));
        const LRESULT chosen = ::SendMessageW(DeviceList(), CB_GETCOUNT, 0, 0) - 1;
        ::SendMessageW(DeviceList(), CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
        Command(OtherHwnd(), IDC_OTHER_PLAYBACK_DEVICE, CBN_SELCHANGE);
    }

    // The profile and what the program runs with hold the applied edit.
    void ExpectAppliedKept() const {
        EXPECT_EQ(Value(L"Setting", L"WINFIXSIZE"), 0u);
        EXPECT_EQ(Value(L"Setting", L"STARTUP"), 0u);
        EXPECT_EQ(Value(L"HotkeyEntry", L"WIN_NEXT_CHECK"), 0u);
        EXPECT_EQ(Value(L"HotkeyEntry", L"WIN_BEFORE_KEY"), static_cast<DWORD>(VK_LEFT));
        EXPECT_EQ(Value(L"AppSetting", L"RestoreIcon"), 1u);
        EXPECT_NE(Value(L"AppSetting", L"UseTaskbar"), std::optional<DWORD>(1u));
        EXPECT_EQ(Value(L"OtherSetting", L"VIDEOOPTIMIZE"), 1u);
        EXPECT_NE(GetString(HKEY_CURRENT_USER, OtherSection(), L"DEFAULTAUDIODEVICENAME"), L"Chosen");
        EXPECT_EQ(dialog->ResizeMode, 0);
        EXPECT_EQ(Extra().UseTaskbar, 0);
        EXPECT_EQ(Extra().Running, 0) << "the extra taskbar started without being applied";
        EXPECT_TRUE(Other().IsVideoOptimizeApplied());
        EXPECT_NE(std::wstring(Other().AppliedName()), L"Chosen");
    }
    // The pages show the edit on screen (shown) or the applied one.
    void ExpectPagesShow(bool shown) const {
        EXPECT_EQ(Checked(SettingHwnd(), IDC_SET_RESIZE_SCALE), shown);
        EXPECT_EQ(Checked(SettingHwnd(), IDC_SET_RUN_AT_STARTUP), shown);
        EXPECT_EQ(RowChecked(kWindowNextEntry), shown);
        EXPECT_EQ(Hotkeys().Hotkeys()[kWindowPreviousEntry].key, shown ? VK_F5 : VK_LEFT);
        EXPECT_EQ(Checked(Extra().GetSafeHwnd(), IDC_APP_RESTORE_AT_START), !shown);
        EXPECT_EQ(Checked(Extra().GetSafeHwnd(), IDC_APP_USE_TASKBAR), shown);
        EXPECT_EQ(Checked(Extra().GetSafeHwnd(), IDC_APP_ON_TOP), shown);
        EXPECT_EQ(Checked(OtherHwnd(), IDC_OTHER_VIDEO_OPTIMIZE), !shown);
        const LRESULT selected = ::SendMessageW(DeviceList(), CB_GETCURSEL, 0, 0);
        EXPECT_EQ(selected >= 0 && ListText(DeviceList(), static_cast<int>(selected)) == L"Chosen", shown);
    }
};

// Each step: what it does, and whether it puts the applied values back on screen.
struct Step {
    const char* name;
    std::function<void()> run;
    bool showsApplied;
};

TEST_F(AppliedValues, EveryStepKeepsTheAppliedEditAndOnlyCancelAndTheCloseBoxDropTheOneOnScreen) {
    auto delayedApply = [this] { Timer(CVELKMIRADlg::TIMER_REAPPLY); };
    const Step steps[] = {
        {"Cancel", [this] { Command(hwnd, IDCANCEL); }, true},
        {"close box", [this] { ::SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0); }, true},
        {"display change",
         [&] {
             ::SendMessageW(hwnd, UM_DISPLAYCHANGED, 1, 0);
             delayedApply();
         },
         false},
        {"resume",
         [this] {
             ::SendMessageW(hwnd, WM_POWERBROADCAST, 0x12 /* resumed automatically */, 0);
             Timer(CVELKMIRADlg::TIMER_RESUME_SETTLE);
             Timer(CVELKMIRADlg::TIMER_RESUME_AFTER);
         },
         false},
        {"add-on notification",
         [&] {
             ::SendMessageW(hwnd, UM_ADDONCALLBACK, 3, 0);
             delayedApply();
         },
         false},
        {"setting change",
         [this] { ::SendMessageW(hwnd, WM_SETTINGCHANGE, 24, reinterpret_cast<LPARAM>(L"Policy")); },
         false},
        {"delayed Apply", delayedApply, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        Start();
        Open();
        MakeAppliedEdit();
        Apply();
        Timer(CVELKMIRADlg::TIMER_APPLY_GUARD);
        MakeShownEdit();
        ASSERT_TRUE(::IsWindowEnabled(dialog->ApplyButtonWindow()));

        step.run();
        ExpectAppliedKept();
        ExpectPagesShow(!step.showsApplied);
        if (!step.showsApplied) {
            EXPECT_TRUE(::IsWindowEnabled(dialog->ApplyButtonWindow())) << "the edit on screen can still be applied";
            Command(hwnd, IDCANCEL);
            ExpectAppliedKept();
            ExpectPagesShow(false);
        }
        // Reopened, the pages show what was applied.
        Open();
        ExpectPagesShow(false);
        dialog.reset();
        tray.reset();
        ResetProfile();
    }
}

// OK keeps what the pages show at once, though its Apply follows only after
// the delay: a Cancel within the delay drops nothing of it.
TEST_F(AppliedValues, OkThenCancelWithinTheDelayKeepsTheOk) {
    Start();
    Open();
    MakeAppliedEdit();
    Command(hwnd, IDOK);
    EXPECT_EQ(Value(L"Setting", L"WINFIXSIZE"), 0u) << "OK keeps the values in the profile at once";
    Open();
    Command(hwnd, IDCANCEL);
    ExpectPagesShow(false);
    ASSERT_TRUE(::KillTimer(hwnd, CVELKMIRADlg::TIMER_REAPPLY)) << "OK's Apply waits for the delay";
    Timer(CVELKMIRADlg::TIMER_REAPPLY);
    ExpectPagesShow(false);
    EXPECT_EQ(Value(L"Setting", L"WINFIXSIZE"), 0u);
    EXPECT_EQ(Value(L"HotkeyEntry", L"WIN_NEXT_CHECK"), 0u);
    EXPECT_EQ(Value(L"AppSetting", L"RestoreIcon"), 1u);
    EXPECT_EQ(Value(L"OtherSetting", L"VIDEOOPTIMIZE"), 1u);
    EXPECT_EQ(dialog->ResizeMode, 0);
    EXPECT_TRUE(Other().IsVideoOptimizeApplied());
}

// OK while re-applying is suppressed: its Apply runs when the suppression ends.
TEST_F(AppliedValues, OkWhileReapplyingIsSuppressedAppliesWhenTheSuppressionEnds) {
    Start();
    Timer(CVELKMIRADlg::TIMER_REAPPLY);
    ASSERT_TRUE(dialog->IsReapplySuppressed());
    Timer(CVELKMIRADlg::TIMER_APPLY_GUARD);
    Open();
    MakeAppliedEdit();
    Command(hwnd, IDOK);
    EXPECT_FALSE(::KillTimer(hwnd, CVELKMIRADlg::TIMER_REAPPLY));
    EXPECT_FALSE(dialog->IsApplyRunning());
    EXPECT_EQ(dialog->ResizeMode, 1) << "applied before the suppression ended";
    Timer(CVELKMIRADlg::TIMER_REAPPLY_GUARD);
    EXPECT_TRUE(dialog->IsApplyRunning()) << "the OK's Apply was dropped";
    EXPECT_EQ(dialog->ResizeMode, 0);
    EXPECT_TRUE(dialog->IsReapplySuppressed()) << "the Apply is guarded as every delayed one";
}

}  // namespace
