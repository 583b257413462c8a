// The Wallpaper page driven through its controls, in process: captions in
// both languages, the enabling rules, "Use Wallpaper", the display choice, the
// automatic change's ticks and steps, and the colour and file dialogs.
#include "wallpaper/wallpaper_page.h"

#include "display/display_list.h"
#include "display/program_messages.h"
#include "framework/app.h"
#include "framework/strings.h"
#include "testing/harness.h"
#include "tests/wallpaper/engine/wallpaper_test_support.h"
#include "testing/support/tray_fixture.h"
#include "tests/wallpaper/page/page_test_support.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <atomic>
#include <thread>
#include <vector>

using namespace velk;
using namespace velk::test;

namespace {

std::atomic<int> PageChanged{0};

LRESULT CALLBACK CountPageChanged(HWND hwnd, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR) {
    if (msg == UM_PAGECHANGED && w == 0 && l == 1) ++PageChanged;
    return ::DefSubclassProc(hwnd, msg, w, l);
}

class WallpaperPage : public WallpaperTest {
protected:
    void SetUp() override {
        WallpaperTest::SetUp();
        PageChanged = 0;
        ::SetWindowSubclass(parent, CountPageChanged, 1, 0);
        // Seven small displays numbered 1 to 7, in slots 0 to 6.
        for (int i = 0; i < 7; ++i) SetDisplay(i, static_cast<uint32_t>(i + 1), RECT{64 * i, 0, 64 * i + 64, 48});
    }

    void TearDown() override {
        page.reset();
        ::RemoveWindowSubclass(parent, CountPageChanged, 1);
        WallpaperTest::TearDown();
    }

    // A fresh page, set up as the main dialog does.
    void MakePage(int32_t highest = 7) {
        page.reset();
        page = std::make_unique<CWallpaperProp>();
        ASSERT_TRUE(page->Create(parent));
        page->InitWallpaperPage(highest);
    }

    HWND Item(int id) const { return ::GetDlgItem(page->GetSafeHwnd(), id); }
    bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }
    void Click(int id) const { ::SendMessageW(Item(id), BM_CLICK, 0, 0); }
    void Command(int id, UINT code = BN_CLICKED) const {
        ::SendMessageW(page->GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(Item(id)));
    }
    void Choose(int comboId, int index) const {
        ::SendMessageW(Item(comboId), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        Command(comboId, CBN_SELCHANGE);
    }
    void Settle() { WallpaperTest::Settle(); }
    void SetBox(int id, bool on) const {
        if ((::SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED) != on) Click(id);
    }
    WallpaperRecord& Record(int slot) { return page->WallpaperRecords[slot]; }
};

TEST_F(WallpaperPage, CaptionsAndListsInBothLanguages) {
    struct Case {
        LANGID language;
        const wchar_t* useWallpaper;
        const wchar_t* autoChange;
        const wchar_t* interval;
        std::vector<std::wstring> styles;
        std::vector<std::wstring> orders;
    };
    const Case cases[] = {
        {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), L"Use Wallpaper", L"Automatically Change", L"Interval(min)",
         {L"Center", L"Tile", L"Expand", L"Fit (keep ratio)"},
         {L"Name (A to Z)", L"Date (oldest first)", L"Random"}},
        {MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT), L"\u58C1\u7D19\u3092\u6307\u5B9A\u3059\u308B",
         L"\u81EA\u52D5\u5909\u66F4", L"\u9593\u9694(\u5206)",
         {L"\u4E2D\u592E\u306B\u8868\u793A", L"\u4E26\u3079\u3066\u8868\u793A",
          L"\u753B\u9762\u306B\u5408\u308F\u305B\u3066\u8868\u793A", L"\u6BD4\u7387\u4FDD\u3061\u6700\u5927\u5316"},
         {L"\u540D\u524D\u9806( A \u2192 Z )", L"\u65E5\u4ED8( \u53E4 \u2192 \u65B0 )", L"\u30E9\u30F3\u30C0\u30E0"}},
    };
    for (const Case& c : cases) {
        static LANGID language;
        language = c.language;
        Platform().GetUserDefaultUILanguage = []() WINAPI { return language; };
        MakePage();
        EXPECT_EQ(TextOf(Item(IDC_WP_USE_WALLPAPER)), c.useWallpaper);
        EXPECT_EQ(TextOf(Item(IDC_WP_AUTO_CHANGE)), c.autoChange);
        EXPECT_EQ(TextOf(Item(IDC_WP_INTERVAL_LABEL)), c.interval);
        EXPECT_EQ(ComboItems(Item(IDC_WP_STYLE)), c.styles);
        EXPECT_EQ(ComboItems(Item(IDC_WP_ORDER)), c.orders);
        EXPECT_EQ(ComboItems(Item(IDC_WP_INTERVAL)),
                  (std::vector<std::wstring>{L"5", L"10", L"15", L"20", L"30", L"45", L"60"}));
        EXPECT_EQ(::SendMessageW(Item(IDC_WP_DISPLAY), CB_GETCOUNT, 0, 0), 7);
        EXPECT_EQ(::SendMessageW(Item(IDC_WP_INTERVAL), CB_GETCURSEL, 0, 0), 4) << "30 minutes by default";
    }
}

TEST_F(WallpaperPage, UseWallpaperOffThenOnKeepsEveryPath) {
    MakePage();
    wcscpy_s(Record(0).PicturePath, L"C:\\pictures\\sea.jpg");
    wcscpy_s(Record(1).PicturePath, L"D:\\other\\hill.bmp");
    Record(0).Style = 3;
    SetBox(IDC_WP_USE_WALLPAPER, true);
    Choose(IDC_WP_DISPLAY, 0);
    ASSERT_EQ(TextOf(Item(IDC_WP_PATH)), L"C:\\pictures\\sea.jpg");

    PageChanged = 0;
    Click(IDC_WP_USE_WALLPAPER);
    EXPECT_EQ(TextOf(Item(IDC_WP_PATH)), L"");
    EXPECT_EQ(Record(0).PicturePath[0], 0);
    EXPECT_EQ(::SendMessageW(Item(IDC_WP_STYLE), CB_GETCURSEL, 0, 0), 0) << "Center shown";
    for (int id : {IDC_WP_BROWSE, IDC_WP_BACKGROUND, IDC_WP_SWATCH, IDC_WP_STYLE, IDC_WP_AUTO_CHANGE, IDC_WP_INTERVAL,
                   IDC_WP_ORDER})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_EQ(page->UseOsWallpaper, 1);
    EXPECT_EQ(PageChanged, 1);

    Click(IDC_WP_USE_WALLPAPER);
    EXPECT_EQ(TextOf(Item(IDC_WP_PATH)), L"C:\\pictures\\sea.jpg");
    EXPECT_STREQ(Record(0).PicturePath, L"C:\\pictures\\sea.jpg");
    EXPECT_STREQ(Record(1).PicturePath, L"D:\\other\\hill.bmp");
    EXPECT_EQ(::SendMessageW(Item(IDC_WP_STYLE), CB_GETCURSEL, 0, 0), 3) << "the display's own style again";
    EXPECT_TRUE(Enabled(IDC_WP_BROWSE));
    EXPECT_EQ(page->UseOsWallpaper, 0);

    // Off, another display chosen, on: that display was cleared while shown.
    Click(IDC_WP_USE_WALLPAPER);
    Choose(IDC_WP_DISPLAY, 1);
    Click(IDC_WP_USE_WALLPAPER);
    EXPECT_EQ(page->CurrentDisplayIndex, 1);
    EXPECT_EQ(Record(1).PicturePath[0], 0);
}

TEST_F(WallpaperPage, FirstShowEnablesWhatTheBoxAllows) {
    // The box is on exactly while the composite is the Windows wallpaper.
    const std::wstring composite = RenderingFolderPath() + kCompositeFileName;
    ASSERT_TRUE(WriteSolidPicture(composite, 64, 48, kBack, true));
    struct Case {
        bool useWallpaper;
        DWORD style, autoChange;
        const char* enabled;  // path, "...", style, auto change, colour, swatch, interval, order, ">", "<"
    };
    const Case cases[] = {
        {true, 0, 1, "1111111111"},
        {true, 1, 0, "1111000000"},  // tile: no colour; no automatic change
        {false, 0, 1, "0000000000"},
    };
    const int ids[] = {IDC_WP_PATH,     IDC_WP_BROWSE,   IDC_WP_STYLE, IDC_WP_AUTO_CHANGE, IDC_WP_BACKGROUND,
                       IDC_WP_SWATCH,   IDC_WP_INTERVAL, IDC_WP_ORDER, IDC_WP_NEXT,        IDC_WP_PREV};
    for (const Case& c : cases) {
        SetSystemWallpaper(c.useWallpaper ? composite : L"");
        SetDword(HKEY_CURRENT_USER, ProfileSection(L"Monitor0"), L"MiniWallpaperStyle", c.style);
        SetDword(HKEY_CURRENT_USER, ProfileSection(L"Monitor0"), L"AutoChangeEnable", c.autoChange);
        MakePage();
        ASSERT_EQ(::IsDlgButtonChecked(page->GetSafeHwnd(), IDC_WP_USE_WALLPAPER) == BST_CHECKED, c.useWallpaper);
        std::string enabled;
        for (int id : ids) enabled += Enabled(id) ? '1' : '0';
        EXPECT_EQ(enabled, c.enabled) << "Use Wallpaper " << c.useWallpaper << ", style " << c.style;
        EXPECT_TRUE(Enabled(IDC_WP_DISPLAY));
        EXPECT_TRUE(Enabled(IDC_WP_USE_WALLPAPER));
        // A click on the box leaves the same states as the first show.
        Click(IDC_WP_USE_WALLPAPER);
        Click(IDC_WP_USE_WALLPAPER);
        std::string again;
        for (int id : ids) again += Enabled(id) ? '1' : '0';
        EXPECT_EQ(again, enabled);
    }
}

TEST_F(WallpaperPage, TileAndExpandDisableTheColour) {
    MakePage();
    SetBox(IDC_WP_USE_WALLPAPER, true);
    Choose(IDC_WP_DISPLAY, 0);
    const bool colourUsed[] = {true, false, false, true};
    for (int style = 0; style < 4; ++style) {
        PageChanged = 0;
        Choose(IDC_WP_STYLE, style);
        EXPECT_EQ(Record(0).Style, style);
        EXPECT_EQ(Enabled(IDC_WP_BACKGROUND), colourUsed[style]) << style;
        EXPECT_EQ(Enabled(IDC_WP_SWATCH), colourUsed[style]) << style;
        EXPECT_EQ(PageChanged, 1);
    }
}

TEST_F(WallpaperPage, DisplayChoiceFollowsTheLeadingNumber) {
    // Slot 0 shows display 3, slot 2 display 1; slot 1 is empty.
    list.Records[0].DisplayNumber = 3;
    list.Records[1] = DisplayRecord{};
    list.Records[2].DisplayNumber = 1;
    MakePage(3);
    HWND combo = Item(IDC_WP_DISPLAY);
    ASSERT_EQ(::SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
    ASSERT_EQ(_wtoi(ComboItems(combo)[1].c_str()), 1);
    Choose(IDC_WP_DISPLAY, 1);
    EXPECT_EQ(page->CurrentDisplayIndex, 2);
    Choose(IDC_WP_DISPLAY, 0);
    EXPECT_EQ(page->CurrentDisplayIndex, 0);
    // An item without a number names no slot (not the first empty one).
    ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Display"));
    Choose(IDC_WP_DISPLAY, 2);
    EXPECT_EQ(page->CurrentDisplayIndex, 0);
}

class AutoChange : public WallpaperPage {
protected:
    // Pictures p00.jpg ... in a folder; slot s shows p00.jpg with auto change on.
    void Prepare(int files, std::initializer_list<int> slots, int32_t interval = 0) {
        for (int i = 0; i < files; ++i) TouchFile(folder.Path() + velk::FormatText(L"p%02d.jpg", i));
        MakePage();
        SetBox(IDC_WP_USE_WALLPAPER, true);
        for (int slot : slots) {
            wcscpy_s(Record(slot).PicturePath, (folder.Path() + L"p00.jpg").c_str());
            Record(slot).AutoChange = 1;
            Record(slot).IntervalIndex = interval;
        }
        page->RebuildWallpaperFileLists();
        page->CommitWallpaperEdits();
        page->AnyAutoChange = 1;
    }
    ScratchFolder folder;
};

TEST_F(AutoChange, EachIntervalStepsOnItsTicks) {
    Prepare(40, {0, 1, 2, 3, 4, 5, 6});
    for (int slot = 0; slot < 7; ++slot) Record(slot).IntervalIndex = slot;
    page->CommitWallpaperEdits();
    // Displays 5, 10, 15, 20, 30, 45 and 60 minutes: which step on ticks 1 to 12.
    const char* expected[] = {"1000000", "1100000", "1010000", "1101000", "1000000", "1110100",
                              "1000000", "1101000", "1010010", "1100000", "1000000", "1111101"};
    page->RestartAutoChangeTimer();
    std::vector<int32_t> before(7), steps(7, 0);
    for (int tick = 1; tick <= CWallpaperProp::kTicksPerCycle; ++tick) {
        for (int s = 0; s < 7; ++s) before[s] = Record(s).CurrentNumber;
        ::SendMessageW(page->GetSafeHwnd(), WM_TIMER, CWallpaperProp::kAutoChangeTimer, 0);
        std::string stepped;
        for (int s = 0; s < 7; ++s) {
            stepped += Record(s).CurrentNumber != before[s] ? '1' : '0';
            steps[s] += Record(s).CurrentNumber != before[s];
        }
        if (tick <= 12) {
            EXPECT_EQ(stepped, expected[tick - 1]) << "tick " << tick;
        }
    }
    // Over the whole cycle of three hours every interval keeps its period.
    EXPECT_EQ(steps, (std::vector<int32_t>{36, 18, 12, 9, 6, 4, 3}));
    EXPECT_EQ(page->TickCounter, 0) << "a new cycle begins";

    // Every restart (an Apply) begins the cycle again; without any display
    // changing automatically there is no timer.
    for (int tick = 0; tick < 5; ++tick) ::SendMessageW(page->GetSafeHwnd(), WM_TIMER, CWallpaperProp::kAutoChangeTimer, 0);
    page->RestartAutoChangeTimer();
    EXPECT_EQ(page->TickCounter, 0);
    EXPECT_TRUE(::KillTimer(page->GetSafeHwnd(), CWallpaperProp::kAutoChangeTimer));
    page->AnyAutoChange = 0;
    page->RestartAutoChangeTimer();
    EXPECT_FALSE(::KillTimer(page->GetSafeHwnd(), CWallpaperProp::kAutoChangeTimer));
    // Every tick saved the positions.
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, ProfileSection(L"Monitor0"), L"CurrentWallpaperNumber"),
              static_cast<DWORD>(Record(0).CurrentNumber));
}

TEST_F(AutoChange, ATickDoesNothingWhileTheBoxIsOffAndComposesOnlyWhenADisplayStepped) {
    const std::wstring composite = RenderingFolderPath() + kCompositeFileName;
    const std::wstring section = ProfileSection(L"Monitor0");
    auto tick = [this] {
        ::SendMessageW(page->GetSafeHwnd(), WM_TIMER, CWallpaperProp::kAutoChangeTimer, 0);
        Settle();
    };
    Prepare(3, {0}, 6);  // every 60 minutes: due on tick 12 only
    SetBox(IDC_WP_USE_WALLPAPER, false);
    Record(0).IntervalIndex = 0;  // due on every tick
    page->CommitWallpaperEdits();
    tick();
    EXPECT_EQ(Record(0).CurrentNumber, 0) << "off: nothing steps";
    EXPECT_FALSE(GetDword(HKEY_CURRENT_USER, section, L"CurrentWallpaperNumber")) << "off: nothing saved";
    EXPECT_EQ(::GetFileAttributesW(composite.c_str()), INVALID_FILE_ATTRIBUTES) << "off: nothing composed";
    EXPECT_EQ(page->TickCounter, 0);

    SetBox(IDC_WP_USE_WALLPAPER, true);
    Record(0).IntervalIndex = 6;
    page->CommitWallpaperEdits();
    tick();
    EXPECT_EQ(Record(0).CurrentNumber, 0);
    EXPECT_FALSE(GetDword(HKEY_CURRENT_USER, section, L"CurrentWallpaperNumber")) << "no display stepped";
    EXPECT_EQ(::GetFileAttributesW(composite.c_str()), INVALID_FILE_ATTRIBUTES);

    Record(0).IntervalIndex = 0;
    page->CommitWallpaperEdits();
    tick();
    EXPECT_EQ(Record(0).CurrentNumber, 1);
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, section, L"CurrentWallpaperNumber"), 1u);
    EXPECT_NE(::GetFileAttributesW(composite.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(SystemWallpaper(), composite);
}

TEST_F(AutoChange, ATickStepsAndSavesTheAppliedSettingsAndLeavesAnEditOnScreen) {
    Prepare(3, {0, 1});  // both displays at p00.jpg, stepping every tick, applied
    ASSERT_TRUE(page->SaveWallpaperSettings());
    // Not applied: display 1 tiled, then "Use Wallpaper" switched off.
    Choose(IDC_WP_DISPLAY, 1);
    Choose(IDC_WP_STYLE, kWallpaperTile);
    Click(IDC_WP_USE_WALLPAPER);
    ::SendMessageW(page->GetSafeHwnd(), WM_TIMER, CWallpaperProp::kAutoChangeTimer, 0);
    Settle();
    const std::wstring next = folder.Path() + L"p01.jpg";
    for (int slot : {0, 1}) {
        const std::wstring section = ProfileSection(MonitorSection(slot).c_str());
        EXPECT_EQ(GetString(HKEY_CURRENT_USER, section, L"MiniWallpaper"), next) << slot;
        EXPECT_EQ(GetDword(HKEY_CURRENT_USER, section, L"MiniWallpaperStyle"), 0u) << slot;
        EXPECT_EQ(GetDword(HKEY_CURRENT_USER, section, L"CurrentWallpaperNumber"), 1u) << slot;
    }
    // The edit stays on screen; the display without one follows the step.
    EXPECT_EQ(::IsDlgButtonChecked(page->GetSafeHwnd(), IDC_WP_USE_WALLPAPER), BST_UNCHECKED);
    EXPECT_EQ(Record(1).Style, kWallpaperTile);
    EXPECT_EQ(Record(1).PicturePath[0], 0);
    EXPECT_EQ(std::wstring(Record(0).PicturePath), next);
    // Cancel: what was applied, with the stepped picture.
    page->ShowAppliedWallpaperSettings();
    EXPECT_EQ(::IsDlgButtonChecked(page->GetSafeHwnd(), IDC_WP_USE_WALLPAPER), BST_CHECKED);
    EXPECT_EQ(TextOf(Item(IDC_WP_PATH)), next);
    EXPECT_EQ(::SendMessageW(Item(IDC_WP_STYLE), CB_GETCURSEL, 0, 0), kWallpaperCenter);
}

TEST_F(WallpaperPage, CancelShowsTheAppliedUseWallpaperWhateverTheDesktopShows) {
    const std::wstring composite = RenderingFolderPath() + kCompositeFileName;
    ASSERT_TRUE(WriteSolidPicture(composite, 64, 48, kBack, true));
    ASSERT_TRUE(SetSystemWallpaper(composite));
    SetString(HKEY_CURRENT_USER, ProfileSection(L"Monitor0"), L"MiniWallpaper", L"C:\\pictures\\sea.jpg");
    SetString(HKEY_CURRENT_USER, ProfileSection(L"Monitor1"), L"MiniWallpaper", L"D:\\other\\hill.bmp");
    MakePage();
    ASSERT_EQ(::IsDlgButtonChecked(page->GetSafeHwnd(), IDC_WP_USE_WALLPAPER), BST_CHECKED);
    // Something else sets the Windows wallpaper; the box is switched off and cancelled.
    ASSERT_TRUE(SetSystemWallpaper(L""));
    Choose(IDC_WP_DISPLAY, 0);
    Click(IDC_WP_USE_WALLPAPER);
    page->ShowAppliedWallpaperSettings();
    EXPECT_EQ(::IsDlgButtonChecked(page->GetSafeHwnd(), IDC_WP_USE_WALLPAPER), BST_CHECKED);
    EXPECT_EQ(page->UseOsWallpaper, 0);
    EXPECT_EQ(TextOf(Item(IDC_WP_PATH)), L"C:\\pictures\\sea.jpg");
    EXPECT_TRUE(Enabled(IDC_WP_BROWSE));
    // The next automatic save keeps every display's picture.
    ASSERT_TRUE(page->SaveWallpaperSettings());
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, ProfileSection(L"Monitor0"), L"MiniWallpaper"), L"C:\\pictures\\sea.jpg");
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, ProfileSection(L"Monitor1"), L"MiniWallpaper"), L"D:\\other\\hill.bmp");
}

TEST_F(AutoChange, AListIsMadeAgainOnlyWhenItsFolderOrderOrFilesChange) {
    Prepare(3, {0});
    ASSERT_EQ(page->FileLists[0].size(), 3u);
    page->FileLists[0].pop_back();  // stands for a listing that would be redone
    page->LoadWallpaperSettings();
    wcscpy_s(Record(0).PicturePath, (folder.Path() + L"p00.jpg").c_str());
    page->RebuildWallpaperFileLists();
    EXPECT_EQ(page->FileLists[0].size(), 2u) << "nothing changed: the list stays";
    Record(0).SortStyle = 1;
    page->RebuildWallpaperFileLists();
    EXPECT_EQ(page->FileLists[0].size(), 3u) << "another order";
    page->FileLists[0].pop_back();
    ::Sleep(20);
    ASSERT_TRUE(TouchFile(folder.Path() + L"p99.jpg"));
    page->RebuildWallpaperFileLists();
    EXPECT_EQ(page->FileLists[0].size(), 4u) << "a file added";
}

TEST_F(AutoChange, StepsWrapAtBothEndsAndPassOverVanishedFiles) {
    Prepare(3, {0});
    Choose(IDC_WP_DISPLAY, 0);
    ASSERT_EQ(Record(0).CurrentNumber, 0);
    PageChanged = 0;
    Command(IDC_WP_PREV);
    EXPECT_EQ(Record(0).CurrentNumber, 2) << "< at the first picture goes to the last";
    EXPECT_EQ(TextOf(Item(IDC_WP_PATH)), folder.Path() + L"p02.jpg");
    EXPECT_EQ(PageChanged, 1);
    Command(IDC_WP_NEXT);
    EXPECT_EQ(Record(0).CurrentNumber, 0) << "> at the last picture goes to the first";

    // A file deleted after the listing is passed over (once the preview's
    // rendering in the background has let go of the pictures).
    Settle();
    ::DeleteFileW((folder.Path() + L"p01.jpg").c_str());
    Command(IDC_WP_NEXT);
    EXPECT_EQ(Record(0).CurrentNumber, 2);
    EXPECT_STREQ(Record(0).PicturePath, (folder.Path() + L"p02.jpg").c_str());
    // The whole folder gone: the display keeps its picture, the page goes on.
    Settle();
    for (int i = 0; i < 3; ++i) ::DeleteFileW((folder.Path() + velk::FormatText(L"p%02d.jpg", i)).c_str());
    ::RemoveDirectoryW(folder.Path().c_str());
    page->AdvanceAutoWallpaper(60);
    EXPECT_EQ(Record(0).CurrentNumber, 2);
    page->RebuildWallpaperFileLists();
    Command(IDC_WP_NEXT);
    EXPECT_EQ(Record(0).CurrentNumber, 2);
}

TEST_F(AutoChange, TheBoxFindsTheShownPictureAndTheOrderKeepsThePosition) {
    Prepare(5, {});
    Choose(IDC_WP_DISPLAY, 0);
    wcscpy_s(Record(0).PicturePath, (folder.Path() + L"P03.JPG").c_str());
    Click(IDC_WP_AUTO_CHANGE);
    EXPECT_EQ(Record(0).AutoChange, 1);
    EXPECT_EQ(Record(0).CurrentNumber, 3) << "found without regard to case";
    EXPECT_TRUE(Enabled(IDC_WP_NEXT));
    EXPECT_TRUE(Enabled(IDC_WP_INTERVAL));

    // By date, newest first in the folder's list: the position number stays.
    Choose(IDC_WP_ORDER, 1);
    EXPECT_EQ(Record(0).SortStyle, 1);
    EXPECT_EQ(Record(0).CurrentNumber, 3);

    // A picture outside the list: position 0, and ">" shows position 1.
    Click(IDC_WP_AUTO_CHANGE);
    EXPECT_FALSE(Enabled(IDC_WP_NEXT));
    EXPECT_EQ(Record(0).AutoChange, 0);
    wcscpy_s(Record(0).PicturePath, (folder.Path() + L"elsewhere.jpg").c_str());
    Choose(IDC_WP_ORDER, 0);
    Click(IDC_WP_AUTO_CHANGE);
    EXPECT_EQ(Record(0).CurrentNumber, 0);
    Command(IDC_WP_NEXT);
    EXPECT_STREQ(Record(0).PicturePath, (folder.Path() + L"p01.jpg").c_str());
}

TEST_F(AutoChange, ALoadResumesAtTheSavedPictureAndTheListMutexLivesWithTheWindow) {
    Prepare(6, {});
    const std::wstring section = ProfileSection(L"Monitor1");
    SetString(HKEY_CURRENT_USER, section, L"MiniWallpaper", folder.Path() + L"p04.jpg");
    SetDword(HKEY_CURRENT_USER, section, L"AutoChangeEnable", 1);
    SetDword(HKEY_CURRENT_USER, section, L"CurrentWallpaperNumber", 1);
    page->LoadWallpaperSettings();
    EXPECT_EQ(Record(1).CurrentNumber, 4) << "the position of the picture shown when the settings were saved";
    page->AdvanceAutoWallpaper(60);
    EXPECT_STREQ(Record(1).PicturePath, (folder.Path() + L"p05.jpg").c_str());

    velk::UniqueHandleObj mutex(::OpenMutexW(SYNCHRONIZE, FALSE, L"AppVelkmuWallpaperProp"));
    EXPECT_TRUE(mutex);
    mutex.reset();
    ::DestroyWindow(page->GetSafeHwnd());
    mutex.reset(::OpenMutexW(SYNCHRONIZE, FALSE, L"AppVelkmuWallpaperProp"));
    EXPECT_FALSE(mutex) << "deleted with the page's window";
}

// Runs `answer` on the next common dialog this process shows, from a thread.
template <class F>
std::thread AnswerDialog(F answer) {
    return std::thread([answer] {
        auto dialog = WaitForDialog(::GetCurrentProcessId(), 10000);
        if (dialog) answer(dialog->hwnd);
    });
}

TEST_F(WallpaperPage, ColourDialogOpensOnGreyAndSetsTheChosenColour) {
    MakePage();
    SetBox(IDC_WP_USE_WALLPAPER, true);
    Choose(IDC_WP_DISPLAY, 0);
    const COLORREF before = Record(0).BackColor;
    PageChanged = 0;
    std::thread cancel = AnswerDialog([](HWND dialog) { PressDialogButton(dialog, IDCANCEL); });
    Command(IDC_WP_BACKGROUND);
    cancel.join();
    EXPECT_EQ(Record(0).BackColor, before);
    EXPECT_EQ(PageChanged, 0) << "a cancelled dialog changes nothing";

    std::wstring initial[3];
    std::thread choose = AnswerDialog([&initial](HWND dialog) {
        const int edits[3] = {706, 707, 708};  // red, green, blue
        const wchar_t* values[3] = {L"10", L"20", L"30"};
        for (int i = 0; i < 3; ++i) {
            HWND edit = ::GetDlgItem(dialog, edits[i]);
            initial[i] = TextOf(edit);
            ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(values[i]));
        }
        PressDialogButton(dialog, IDOK);
    });
    Command(IDC_WP_BACKGROUND);
    choose.join();
    EXPECT_EQ(initial[0], L"128");
    EXPECT_EQ(initial[1], L"128");
    EXPECT_EQ(initial[2], L"128");
    EXPECT_EQ(Record(0).BackColor, RGB(10, 20, 30));
    EXPECT_EQ(PageChanged, 1);
}

TEST_F(AutoChange, FileDialogOffersPicturesFirstAndRebuildsTheList) {
    Prepare(4, {});
    Choose(IDC_WP_DISPLAY, 0);
    SetBox(IDC_WP_AUTO_CHANGE, true);
    PageChanged = 0;
    std::thread cancel = AnswerDialog([](HWND dialog) { PressDialogButton(dialog, IDCANCEL); });
    Command(IDC_WP_BROWSE);
    cancel.join();
    EXPECT_EQ(PageChanged, 0);

    // A name of no existing file is refused: the dialog says so and stays.
    bool refused = false;
    std::thread missing = AnswerDialog([&](HWND dialog) {
        const std::wstring gone = folder.Path() + L"gone.jpg";
        ::SendMessageW(FileNameEdit(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(gone.c_str()));
        PressDialogButton(dialog, IDOK);
        HWND box = nullptr;
        for (int i = 0; i < 200 && !(box = OtherDialog(dialog)); ++i) ::Sleep(50);
        refused = box != nullptr;
        if (box) PressDialogButton(box, IDOK);
        ::Sleep(200);
        PressDialogButton(dialog, IDCANCEL);
    });
    Command(IDC_WP_BROWSE);
    missing.join();
    EXPECT_TRUE(refused);
    EXPECT_EQ(PageChanged, 0);

    std::vector<std::wstring> filters;
    const std::wstring chosen = folder.Path() + L"p02.jpg";
    std::thread choose = AnswerDialog([&](HWND dialog) {
        filters = ComboItems(::GetDlgItem(dialog, 0x470));
        ::SendMessageW(FileNameEdit(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(chosen.c_str()));
        PressDialogButton(dialog, IDOK);
    });
    Command(IDC_WP_BROWSE);
    choose.join();
    EXPECT_EQ(filters, (std::vector<std::wstring>{L"(*.bmp;*.jpg)", L"All(*.*)"}));
    EXPECT_STREQ(Record(0).PicturePath, chosen.c_str());
    EXPECT_EQ(TextOf(Item(IDC_WP_PATH)), chosen);
    EXPECT_EQ(Record(0).CurrentNumber, 2) << "the list of the chosen folder, at the chosen picture";
    EXPECT_GE(PageChanged, 1);
}

}  // namespace
