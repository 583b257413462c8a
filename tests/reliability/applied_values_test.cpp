// What the user applied is what is kept, through the real program: on every
// page at once an edit is applied, then another edit is made and left
// unapplied, and then one way out or one automatic step comes (Cancel, the
// close box, a display change, resume, an add-on notification, a tick of the
// automatic wallpaper change). The profile and the desktop wallpaper keep
// the applied values, the unapplied edit stays on screen until it is
// dropped, and the reopened window shows the applied values. Also OK, then
// the window reopened and cancelled before the delayed Apply: the OK holds.
#include "app/hotkeys.h"
#include "app/velkmira_app.h"
#include "display/program_messages.h"
#include "resources/resource.h"
#include "testing/addonsim/addonsim_control.h"
#include "testing/support/remote_list_view.h"
#include "testing/support/tray_fixture.h"
#include "tests/reliability/program_runner.h"
#include "tests/wallpaper/engine/wallpaper_test_support.h"
#include "wallpaper/wallpaper_settings.h"
#include <gdiplus.h>
#include <gtest/gtest.h>
#include <commctrl.h>
#include <cctype>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using namespace velk;
using namespace velk::test;

namespace {

constexpr DWORD kWaitMs = 30000;
// Resume waits 10 s and 5 s in the program.
constexpr DWORD kResumeWaitMs = 60000;
constexpr WPARAM kResumeAutomatic = 0x12;
constexpr UINT_PTR kAutoChangeTimer = 1;
// Written by every Apply (the Extra desktop page's save), by no other step:
// its return shows that the delayed Apply has run.
constexpr wchar_t kApplyMarkerSection[] = L"AppSetting";
constexpr wchar_t kApplyMarkerValue[] = L"UseTaskbar";

std::optional<LRESULT> Sent(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kWaitMs, &answer)) return std::nullopt;
    return static_cast<LRESULT>(answer);
}

std::optional<int> StoredInt(const wchar_t* section, const std::wstring& name) {
    auto value = GetDword(HKEY_CURRENT_USER, ProfileSection(section), name.c_str());
    if (!value) return std::nullopt;
    return static_cast<int>(*value);
}

std::wstring DesktopWallpaper() {
    return GetString(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"Wallpaper").value_or(L"");
}

bool SamePath(const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) == 0; }

// The running program with its settings window, the simulated add-on
// library (with one display, and fired from here) and two pictures in a
// folder, display 1 changing between them automatically every tick.
struct AppliedValues : ::testing::Test {
    void SetUp() override {
        ResetProfile();
        ResetDesktopValues();
        ASSERT_EQ(Gdiplus::GdiplusStartup(&gdiplus_, &gdiplusInput_, nullptr), Gdiplus::Ok);
        pictures_ = {folder_.Path() + L"first.jpg", folder_.Path() + L"second.jpg"};
        ASSERT_TRUE(WriteSolidPicture(pictures_[0], 200, 100, RGB(255, 0, 0), true));
        ASSERT_TRUE(WriteSolidPicture(pictures_[1], 200, 100, RGB(0, 0, 255), true));
        const std::wstring monitor = ProfileSection(L"Monitor0");
        SetString(HKEY_CURRENT_USER, monitor, L"MiniWallpaper", pictures_[0]);
        SetDword(HKEY_CURRENT_USER, monitor, L"AutoChangeEnable", 1);
        SetDword(HKEY_CURRENT_USER, monitor, L"Interval", 0);  // 5 minutes: every tick steps
        // A saved set of icon positions offers their restore at start.
        SetDword(HKEY_CURRENT_USER, ProfileSection(L"IconPosition"), L"IconSaveFlag", 1);

        const std::wstring fire = L"VelkAppliedFire" + std::to_wstring(::GetCurrentProcessId());
        fire_.reset(::CreateEventW(nullptr, FALSE, FALSE, fire.c_str()));
        fired_.reset(::CreateEventW(nullptr, FALSE, FALSE, (fire + kAddOnSimFiredSuffix).c_str()));
        ASSERT_TRUE(fire_ && fired_);
        ::SetEnvironmentVariableW(kAddOnSimFireEventVariable, fire.c_str());

        ASSERT_TRUE(program_.Start()) << program_.Failure();
        ASSERT_TRUE(Open());
        setting_ = program_.PageHolding(IDC_SET_RESIZE_FIXED, IDC_SET_RESIZE_SCALE);
        wallpaper_ = program_.PageHolding(IDC_WP_USE_WALLPAPER, IDC_WP_STYLE);
        hotkey_ = program_.PageHolding(IDC_HK_LIST, IDC_HK_CHANGE);
        extra_ = program_.PageHolding(IDC_APP_RESTORE_AT_START, IDC_APP_SAVE_ICONS);
        other_ = program_.PageHolding(IDC_OTHER_VIDEO_OPTIMIZE, IDC_OTHER_PLAYBACK_DEVICE);
        ASSERT_TRUE(setting_ && wallpaper_ && hotkey_ && extra_ && other_) << "a page is missing";
        hotkeys_.emplace(::GetDlgItem(hotkey_, IDC_HK_LIST));
        ASSERT_TRUE(hotkeys_->Valid());
        ASSERT_GT(hotkeys_->Count(), 0);
        const auto entry = hotkeys_->ItemData(0);
        ASSERT_TRUE(entry && *entry >= 0 && *entry < kHotkeyCount);
        hotkeyEntry_ = static_cast<int>(*entry);
    }

    void TearDown() override {
        if (program_.Process().Started() && program_.Process().ExitCode() == STILL_ACTIVE) {
            EXPECT_EQ(program_.Close(), 0u);
            EXPECT_TRUE(program_.Boxes().empty()) << ToUtf8(program_.Boxes().front());
        }
        hotkeys_.reset();
        ::SetEnvironmentVariableW(kAddOnSimFireEventVariable, nullptr);
        if (gdiplus_) Gdiplus::GdiplusShutdown(gdiplus_);
        ResetDesktopValues();
        ResetProfile();
    }

    HWND Main() { return program_.Main(); }
    bool Visible() { return ::IsWindowVisible(Main()) != FALSE; }
    bool Open() {
        ::PostMessageW(Main(), UM_TRAYNOTIFY, 128, WM_LBUTTONDBLCLK);
        return WaitUntil(kWaitMs, [&] { return Visible(); });
    }
    bool Hidden() { return WaitUntil(kWaitMs, [&] { return !Visible(); }); }
    void Cancel() {
        ::PostMessageW(Main(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        ASSERT_TRUE(Hidden());
    }

    // A button as the user clicks it; a check box or radio button only when
    // it does not show the state yet.
    void Click(HWND page, int id) {
        HWND button = ::GetDlgItem(page, id);
        ASSERT_TRUE(::IsWindowEnabled(button)) << "control " << id << " is disabled";
        ASSERT_TRUE(Sent(button, BM_CLICK));
    }
    void SetChecked(HWND page, int id, bool on) {
        if (Checked(page, id) != on) Click(page, id);
        ASSERT_EQ(Checked(page, id), on) << "control " << id;
    }
    bool Checked(HWND page, int id) { return Sent(::GetDlgItem(page, id), BM_GETCHECK) == BST_CHECKED; }
    int HotkeyRow() {
        for (int row = 0; row < hotkeys_->Count(); ++row) {
            if (hotkeys_->ItemData(row) == hotkeyEntry_) return row;
        }
        return -1;
    }

    // One setting of a page: what the test puts into its control, what the
    // control shows and what the profile holds (as 0/1 or a number; nothing
    // when the value is missing).
    struct Setting {
        const char* name;
        int applied, dropped;
        std::function<void(AppliedValues&, int)> put;
        std::function<int(AppliedValues&)> shown;
        std::function<std::optional<int>(AppliedValues&)> stored;
        // The dropped value stays readable on screen: not so for the style
        // once "Use Wallpaper" is off, when the page offers no style.
        bool shownWhileDropped = true;
    };
    std::vector<Setting> Settings() {
        return {
            {"Setting page: \"Do not resize a window.\"", 1, 0,
             [](AppliedValues& t, int v) { t.Click(t.setting_, v ? IDC_SET_RESIZE_FIXED : IDC_SET_RESIZE_SCALE); },
             [](AppliedValues& t) { return t.Checked(t.setting_, IDC_SET_RESIZE_FIXED) ? 1 : 0; },
             [](AppliedValues&) -> std::optional<int> {
                 auto v = StoredInt(L"Setting", L"WINFIXSIZE");
                 if (!v) return std::nullopt;
                 return *v == 0 ? 1 : 0;
             }},
            {"Wallpaper page: \"Use Wallpaper\"", 1, 0,
             [](AppliedValues& t, int v) { t.SetChecked(t.wallpaper_, IDC_WP_USE_WALLPAPER, v != 0); },
             [](AppliedValues& t) { return t.Checked(t.wallpaper_, IDC_WP_USE_WALLPAPER) ? 1 : 0; },
             [](AppliedValues& t) -> std::optional<int> { return t.StoredPicture().empty() ? 0 : 1; }},
            {"Wallpaper page: display 1's style", 2, 1,
             [](AppliedValues& t, int v) {
                 HWND combo = ::GetDlgItem(t.wallpaper_, IDC_WP_STYLE);
                 ASSERT_TRUE(Sent(combo, CB_SETCURSEL, static_cast<WPARAM>(v)));
                 ASSERT_TRUE(Sent(t.wallpaper_, WM_COMMAND, MAKEWPARAM(IDC_WP_STYLE, CBN_SELCHANGE),
                                  reinterpret_cast<LPARAM>(combo)));
             },
             [](AppliedValues& t) {
                 return static_cast<int>(Sent(::GetDlgItem(t.wallpaper_, IDC_WP_STYLE), CB_GETCURSEL).value_or(-1));
             },
             [](AppliedValues&) { return StoredInt(L"Monitor0", L"MiniWallpaperStyle"); }, false},
            {"Hotkey page: the first row's check", 0, 1,
             [](AppliedValues& t, int v) { ASSERT_TRUE(t.hotkeys_->SetChecked(t.HotkeyRow(), v != 0)); },
             [](AppliedValues& t) { return t.hotkeys_->Checked(t.HotkeyRow()) ? 1 : 0; },
             [](AppliedValues& t) { return StoredInt(L"HotkeyEntry", HotkeyValueName(t.hotkeyEntry_, L"_CHECK")); }},
            {"Extra desktop page: restore the icons at start", 1, 0,
             [](AppliedValues& t, int v) { t.SetChecked(t.extra_, IDC_APP_RESTORE_AT_START, v != 0); },
             [](AppliedValues& t) { return t.Checked(t.extra_, IDC_APP_RESTORE_AT_START) ? 1 : 0; },
             [](AppliedValues&) { return StoredInt(L"AppSetting", L"RestoreIcon"); }},
            {"Other settings page: \"Optimize\"", 1, 0,
             [](AppliedValues& t, int v) { t.SetChecked(t.other_, IDC_OTHER_VIDEO_OPTIMIZE, v != 0); },
             [](AppliedValues& t) { return t.Checked(t.other_, IDC_OTHER_VIDEO_OPTIMIZE) ? 1 : 0; },
             [](AppliedValues&) { return StoredInt(L"OtherSetting", L"VIDEOOPTIMIZE"); }},
        };
    }

    // Every page's applied (or dropped) value into its control; "Use
    // Wallpaper" goes on before and off after the style, which it enables.
    void PutAll(bool applied) {
        auto settings = Settings();
        if (!applied) std::swap(settings[1], settings[2]);
        for (const Setting& s : settings) {
            SCOPED_TRACE(s.name);
            s.put(*this, applied ? s.applied : s.dropped);
            ASSERT_EQ(s.shown(*this), applied ? s.applied : s.dropped);
        }
    }
    void ExpectShown(bool applied, const char* when) {
        for (const Setting& s : Settings()) {
            if (!applied && !s.shownWhileDropped) continue;
            EXPECT_EQ(s.shown(*this), applied ? s.applied : s.dropped) << s.name << ", " << when;
        }
    }
    void ExpectStored(const char* when) {
        for (const Setting& s : Settings()) EXPECT_EQ(s.stored(*this), s.applied) << s.name << ", " << when;
    }

    std::wstring StoredPicture() {
        return GetString(HKEY_CURRENT_USER, ProfileSection(L"Monitor0"), L"MiniWallpaper").value_or(L"");
    }
    std::wstring Composite() { return RenderingFolderPath() + kCompositeFileName; }
    bool CompositeOnDesktop() { return SamePath(DesktopWallpaper(), Composite()); }

    // The applied picture is kept (or, after a tick, replaced by the other
    // picture of its folder: the applied settings change automatically) and
    // the composite stays the desktop wallpaper.
    void ExpectWallpaperKept(bool stepped, const char* when) {
        const std::wstring picture = StoredPicture();
        if (stepped) {
            const std::wstring& other = SamePath(appliedPicture_, pictures_[0]) ? pictures_[1] : pictures_[0];
            EXPECT_TRUE(SamePath(picture, other)) << when << ": the tick did not step to the next picture; "
                                                  << ToUtf8(picture);
        } else {
            EXPECT_TRUE(SamePath(picture, appliedPicture_)) << when << ": " << ToUtf8(picture);
        }
        // A recompose runs beside the user-interface thread: watch a while.
        EXPECT_FALSE(WaitUntil(3000, [&] { return !CompositeOnDesktop(); }))
            << when << ": the desktop shows " << ToUtf8(DesktopWallpaper());
    }

    // Waits for the delayed Apply that the step started.
    void ClearApplyMarker() {
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, ProfileSection(kApplyMarkerSection).c_str(), kApplyMarkerValue);
    }
    bool DelayedApplyRan() {
        return WaitUntil(kWaitMs, [&] {
            return GetValueType(HKEY_CURRENT_USER, ProfileSection(kApplyMarkerSection), kApplyMarkerValue) ==
                   REG_DWORD;
        });
    }

    // Every page edited and applied; the composite of the applied picture on
    // the desktop.
    void ApplyEdits() {
        PutAll(true);
        ASSERT_TRUE(::IsWindowEnabled(::GetDlgItem(Main(), IDC_APPLY))) << "the edits enable Apply";
        ASSERT_TRUE(program_.Apply()) << program_.Failure();
        ASSERT_TRUE(WaitUntil(kWaitMs, [&] { return CompositeOnDesktop(); }))
            << "the desktop shows " << ToUtf8(DesktopWallpaper());
        appliedPicture_ = StoredPicture();
        ExpectStored("after Apply");
    }

    RunningProgram program_;
    HWND setting_ = nullptr, wallpaper_ = nullptr, hotkey_ = nullptr, extra_ = nullptr, other_ = nullptr;
    std::optional<RemoteListView> hotkeys_;
    int hotkeyEntry_ = -1;
    UniqueHandleObj fire_, fired_;
    std::wstring appliedPicture_;
    std::vector<std::wstring> pictures_;
    ScratchFolder folder_;
    FakeTray tray_;
    SimulatedAddOnDisplay addOn_;
    Gdiplus::GdiplusStartupInput gdiplusInput_;
    ULONG_PTR gdiplus_ = 0;
};

// How the unapplied edit meets its end, or an automatic step that must pass
// it by. A step that hides the window drops the edit itself; after the
// others the edit is still on screen and Cancel drops it.
struct Ending {
    const char* name;
    bool hidesWindow;
    bool stepsPicture;
    std::function<void(AppliedValues&)> run;
};

const Ending kEndings[] = {
    {"Cancel", true, false, [](AppliedValues& t) { t.Cancel(); }},
    {"the close box", true, false,
     [](AppliedValues& t) {
         ::PostMessageW(t.Main(), WM_SYSCOMMAND, SC_CLOSE, 0);
         ASSERT_TRUE(t.Hidden());
     }},
    {"a display change", false, false,
     [](AppliedValues& t) {
         t.ClearApplyMarker();
         ASSERT_TRUE(t.program_.DisplayChange()) << t.program_.Failure();
         ASSERT_TRUE(t.DelayedApplyRan()) << "no delayed Apply after the display change";
     }},
    {"resume", false, false,
     [](AppliedValues& t) {
         // The last display value and the wallpaper save come back when the
         // resume has rebuilt the display table and refreshed the pages.
         const std::wstring last = ProfileSection(L"Monitor9");
         const std::wstring wallpaper = ProfileSection(L"Wallpaper");
         ::RegDeleteKeyValueW(HKEY_CURRENT_USER, last.c_str(), L"right");
         ::RegDeleteKeyValueW(HKEY_CURRENT_USER, wallpaper.c_str(), L"CurrentWallpaper");
         ::PostMessageW(t.Main(), WM_POWERBROADCAST, kResumeAutomatic, 0);
         ASSERT_TRUE(WaitUntil(kResumeWaitMs, [&] {
             return GetValueType(HKEY_CURRENT_USER, last, L"right") == REG_DWORD &&
                    GetValueType(HKEY_CURRENT_USER, wallpaper, L"CurrentWallpaper") == REG_SZ;
         })) << "the resume was not handled";
         ASSERT_TRUE(t.program_.Responsive());
     }},
    {"an add-on notification", false, false,
     [](AppliedValues& t) {
         t.ClearApplyMarker();
         ASSERT_TRUE(::SetEvent(t.fire_.get()));
         ASSERT_EQ(::WaitForSingleObject(t.fired_.get(), kWaitMs), WAIT_OBJECT_0) << "the notification was not sent";
         ASSERT_TRUE(t.DelayedApplyRan()) << "no delayed Apply after the add-on notification";
     }},
    {"a tick of the automatic change", false, true,
     [](AppliedValues& t) {
         ASSERT_TRUE(Sent(t.wallpaper_, WM_TIMER, kAutoChangeTimer)) << "the tick did not return";
     }},
};

struct AppliedValuesAfter : AppliedValues, ::testing::WithParamInterface<const Ending*> {};

// One program run per ending.
TEST_P(AppliedValuesAfter, UnappliedEditIsDroppedAndTheAppliedOneKept) {
    const Ending& ending = *GetParam();
    ASSERT_NO_FATAL_FAILURE(ApplyEdits());
    ASSERT_NO_FATAL_FAILURE(PutAll(false));
    ASSERT_NO_FATAL_FAILURE(ending.run(*this));
    if (!ending.hidesWindow) {
        ExpectShown(false, "the unapplied edit on screen after the step");
        ExpectStored("after the step");
        ExpectWallpaperKept(ending.stepsPicture, "after the step");
        ASSERT_NO_FATAL_FAILURE(Cancel());
    }
    ExpectStored("after the window was closed");
    ExpectWallpaperKept(ending.stepsPicture, "after the window was closed");
    ASSERT_TRUE(Open());
    ExpectShown(true, "the window reopened");
}

std::vector<const Ending*> EndingRows() {
    std::vector<const Ending*> rows;
    for (const Ending& ending : kEndings) rows.push_back(&ending);
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Endings, AppliedValuesAfter, ::testing::ValuesIn(EndingRows()),
                         [](const ::testing::TestParamInfo<const Ending*>& info) {
                             std::string name;
                             for (const char* c = info.param->name; *c; ++c) {
                                 if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
                             }
                             return name;
                         });

TEST_F(AppliedValues, OkThenCancelWithinTheDelayKeepsWhatOkApplied) {
    ClearApplyMarker();
    ASSERT_NO_FATAL_FAILURE(PutAll(true));
    // OK, reopened and cancelled before the delayed Apply (DisplayCount s).
    ::PostMessageW(Main(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ::PostMessageW(Main(), UM_TRAYNOTIFY, 128, WM_LBUTTONDBLCLK);
    ::PostMessageW(Main(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(DelayedApplyRan()) << "OK applied nothing";
    ASSERT_TRUE(WaitUntil(kWaitMs, [&] { return CompositeOnDesktop(); }))
        << "the desktop shows " << ToUtf8(DesktopWallpaper());
    EXPECT_FALSE(Visible());
    ExpectStored("after OK and Cancel");
    appliedPicture_ = pictures_[0];
    ExpectWallpaperKept(false, "after OK and Cancel");
    ASSERT_TRUE(Open());
    ExpectShown(true, "the window reopened");
}

}  // namespace
