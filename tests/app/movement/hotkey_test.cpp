// The hotkey table, its profile section, its registration, and the Hotkey
// page as the main dialog drives it (start-up, Apply, Cancel).
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "app/hotkey_page.h"
#include "app/system_menu_items.h"
#include "app/velkmira_app.h"
#include "display/program_messages.h"
#include "display/shared_functions.h"
#include "tests/app/movement/hotkey_probe.h"
#include "tests/app/movement/movement_test_support.h"

namespace velk::test {
namespace {

const RECT kDisplay1{0, 0, 1920, 1080};
const RECT kDisplay2{1920, 0, 3840, 1080};
const RECT kDisplay3{3840, 0, 5760, 1080};
const std::wstring kSection = ProfileSection(L"HotkeyEntry");

// True when some window already holds the combination: a probe registration
// fails with ERROR_HOTKEY_ALREADY_REGISTERED.
bool IsHeld(UINT modifiers, UINT key) {
    HWND probe = ::CreateWindowExW(0, L"STATIC", L"probe", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    const BOOL registered = ::RegisterHotKey(probe, 0x7000, modifiers, key);
    const DWORD error = ::GetLastError();
    if (registered) ::UnregisterHotKey(probe, 0x7000);
    ::DestroyWindow(probe);
    EXPECT_TRUE(registered || error == ERROR_HOTKEY_ALREADY_REGISTERED) << "error " << error;
    return !registered;
}

constexpr UINT kWindowMods = MOD_SHIFT | MOD_ALT;
constexpr UINT kMouseMods = MOD_SHIFT | MOD_CONTROL;

// The main dialog stand-in: counts the pages' change reports and close
// requests, and carries out delivered hotkeys.
struct ParentRecord {
    int pageChanged = 0;
    int closes = 0;
    MainDialogState* state = nullptr;
};
ParentRecord g_parent;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
    case UM_PAGECHANGED:
        if (w == 0 && l == 1) ++g_parent.pageChanged;
        return 0;
    case WM_CLOSE:
        ++g_parent.closes;
        return 0;
    case WM_HOTKEY:
        if (g_parent.state) return OnHotKey(*g_parent.state, hwnd, w, l);
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, w, l);
}

class HotkeyTest : public MovementTest {
protected:
    void SetUp() override {
        MovementTest::SetUp();
        theApp.SetRegistryKey(L"VELK-Panomira");
        ResetProfile();
        g_parent = ParentRecord{};
        g_parent.state = &state;
        WNDCLASSW wc{};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VelkHotkeyTestParent";
        ::RegisterClassW(&wc);
        parent = ::CreateWindowExW(0, wc.lpszClassName, L"parent", WS_OVERLAPPEDWINDOW, 0, 0, 600, 500, nullptr,
                                   nullptr, wc.hInstance, nullptr);
        ASSERT_NE(parent, nullptr);
        ASSERT_TRUE(page.Create(parent));
        listView = ::GetDlgItem(page.GetSafeHwnd(), CHotkeyDialog::kListId);
        ASSERT_NE(listView, nullptr);
    }
    void TearDown() override {
        if (parent) ::DestroyWindow(parent);
        g_parent.state = nullptr;
        ResetProfile();
        MovementTest::TearDown();
    }

    // The main dialog's start-up steps.
    void StartUp() {
        EXPECT_EQ(page.LoadHotkeys(), 1);
        page.ReadHotkeyChecks();
        page.RegisterHotkeys();
        EXPECT_EQ(page.FillHotkeyList(), 1);
    }
    // The hotkey steps of the user's Apply in the main dialog.
    void Apply() {
        page.CommitShown();
        ASSERT_EQ(page.ApplyHotkeys(), 0);
    }

    int Rows() const { return static_cast<int>(::SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0)); }
    LPARAM RowEntry(int row) const {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        ::SendMessageW(listView, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        return item.lParam;
    }
    int RowOf(int entry) const {
        for (int row = 0; row < Rows(); ++row) {
            if (RowEntry(row) == entry) return row;
        }
        return -1;
    }
    std::wstring RowText(int row, int column) const { return CListCtrl(listView).GetItemText(row, column); }
    bool RowChecked(int row) const { return CListCtrl(listView).GetCheck(row) != FALSE; }
    void SetRowChecked(int row, bool on) const { CListCtrl(listView).SetCheck(row, on); }
    void SelectRow(int row) const {
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageW(listView, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
    void Click(int id) const {
        ::SendMessageW(page.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(page.GetSafeHwnd(), id)));
    }
    void TypeIntoHotkeyControl(WORD key, WORD modifiers) const {
        ::SendDlgItemMessageW(page.GetSafeHwnd(), CHotkeyDialog::kHotkeyControlId, HKM_SETHOTKEY,
                              MAKEWORD(key, modifiers), 0);
    }
    const HotkeySlot& Entry(int i) const { return page.Hotkeys()[static_cast<size_t>(i)]; }
    WORD HotkeyControlValue() const {
        return static_cast<WORD>(
            ::SendDlgItemMessageW(page.GetSafeHwnd(), CHotkeyDialog::kHotkeyControlId, HKM_GETHOTKEY, 0, 0));
    }

    HWND parent = nullptr;
    HWND listView = nullptr;
    CHotkeyDialog page;
};

TEST(HotkeyTable, ValueNamesInSaveOrder) {
    const auto names = HotkeyValueNames();
    EXPECT_EQ(names[0], L"WIN_NEXT_MOD");
    EXPECT_EQ(names[1], L"WIN_NEXT_KEY");
    EXPECT_EQ(names[2], L"WIN_NEXT_CHECK");
    EXPECT_EQ(names[5], L"WIN_BEFORE_CHECK");
    EXPECT_EQ(names[35], L"WIN_MON10_CHECK");
    EXPECT_EQ(names[37], L"MOUSE_NEXT_KEY");
    EXPECT_EQ(names[40], L"MOUSE_BEFORE_KEY");
    EXPECT_EQ(names[71], L"MOUSE_MON10_CHECK");
}

TEST(HotkeyTable, ModifierMapping) {
    EXPECT_EQ(HotkeyModifiersToRegister(0x0D), static_cast<UINT>(MOD_SHIFT | MOD_ALT));
    EXPECT_EQ(HotkeyModifiersToRegister(0x0B), static_cast<UINT>(MOD_SHIFT | MOD_CONTROL));
    EXPECT_EQ(HotkeyModifiersToRegister(HOTKEYF_EXT), 0u);
    EXPECT_EQ(HotkeyModifiersToRegister(0xFF) & MOD_WIN, 0u);
}

TEST_F(HotkeyTest, DefaultsWithNoSection) {
    UseDisplays({{1, kDisplay1}, {2, kDisplay2}});
    HotkeyTable table{};
    LoadHotkeyTable(table, &list);
    const std::array<UINT, 10> digits{'1', '2', '3', '4', '5', '6', '7', '8', '9', '0'};
    for (int i = 0; i < kHotkeyCount; ++i) {
        SCOPED_TRACE(i);
        const HotkeySlot& e = table[static_cast<size_t>(i)];
        const bool window = i < 12;
        const int within = window ? i : i - 12;
        EXPECT_EQ(e.index, i);
        EXPECT_EQ(e.modifiers, window ? 0x0D : 0x0B);
        EXPECT_EQ(e.enabled, 1);
        if (within < 2) {
            EXPECT_EQ(e.available, 1u);
            EXPECT_EQ(e.key, within == 0 ? VK_RIGHT : VK_LEFT);
            EXPECT_EQ(e.label, window ? 113 + within : 131 + within);
        } else {
            EXPECT_EQ(e.available, within - 2 < 2 ? static_cast<uint32_t>(within - 1) : 0u);
            EXPECT_EQ(e.key, digits[static_cast<size_t>(within - 2)]);
            EXPECT_EQ(e.label, window ? 195 : 196);
        }
    }
}

TEST_F(HotkeyTest, ProfileRoundTripKeepsDwords) {
    UseDisplays({{1, kDisplay1}});
    HotkeyTable table{};
    LoadHotkeyTable(table, &list);
    table[3].key = VK_F7;
    table[3].modifiers = HOTKEYF_CONTROL;
    table[20].enabled = 0;
    ASSERT_TRUE(SaveHotkeyTable(table));
    for (const std::wstring& name : HotkeyValueNames()) {
        EXPECT_EQ(GetValueType(HKEY_CURRENT_USER, kSection, name.c_str()), static_cast<DWORD>(REG_DWORD)) << ToUtf8(name);
    }
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kSection, L"WIN_MON2_KEY"), static_cast<DWORD>(VK_F7));
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kSection, L"WIN_MON2_MOD"), static_cast<DWORD>(HOTKEYF_CONTROL));
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kSection, L"MOUSE_MON7_CHECK"), 0u);
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kSection, L"MOUSE_MON10_KEY"), static_cast<DWORD>('0'));

    // A numbered entry whose display is gone keeps its saved values.
    HotkeyTable again{};
    LoadHotkeyTable(again, &list);
    EXPECT_EQ(again[3].key, VK_F7);
    EXPECT_EQ(again[3].available, 0u);
    EXPECT_EQ(again[20].enabled, 0);
    ASSERT_TRUE(SaveHotkeyTable(again));
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kSection, L"WIN_MON2_KEY"), static_cast<DWORD>(VK_F7));
}

TEST_F(HotkeyTest, DamagedBareAndModifierKeysFromTheProfileAreNeverRegistered) {
    UseDisplays({{1, kDisplay1}});
    constexpr uint16_t kDefaultMod = 0x0D;
    struct Case {
        DWORD mod, key;             // "WIN_NEXT_MOD", "WIN_NEXT_KEY" as stored, "_CHECK" 1
        uint16_t wantMod, wantKey;  // the entry after start-up
        bool registered;
    } cases[] = {
        {0, 'A', 0, 'A', false},                                   // the bare A key of every program
        {HOTKEYF_SHIFT, 'B', HOTKEYF_SHIFT, 'B', false},          // its capital
        {HOTKEYF_SHIFT | HOTKEYF_EXT, VK_SPACE, HOTKEYF_SHIFT | HOTKEYF_EXT, VK_SPACE, false},
        {0, VK_OEM_PERIOD, 0, VK_OEM_PERIOD, false},
        {0, VK_NUMPAD5, 0, VK_NUMPAD5, false},
        {0, 0, 0, 0, false},                                       // no key
        {kDefaultMod, 0xFF, kDefaultMod, VK_RIGHT, true},          // beyond the virtual keys: the default
        {kDefaultMod, 0xFFFF, kDefaultMod, VK_RIGHT, true},
        {kDefaultMod, 0x10041, kDefaultMod, VK_RIGHT, true},       // not cut to its low 16 bits
        {0xFFFF, VK_F7, kDefaultMod, VK_RIGHT, true},              // unknown modifier bits: the default
        {0x10 | HOTKEYF_CONTROL, VK_F7, kDefaultMod, VK_RIGHT, true},
        {HOTKEYF_ALT, VK_LBUTTON, kDefaultMod, VK_RIGHT, true},    // a mouse button
        {HOTKEYF_CONTROL, 'B', HOTKEYF_CONTROL, 'B', true},        // ordinary combinations stay
        {HOTKEYF_ALT | HOTKEYF_EXT, VK_OEM_PERIOD, HOTKEYF_ALT | HOTKEYF_EXT, VK_OEM_PERIOD, true},
        {0, VK_F9, 0, VK_F9, true},
        // Without Ctrl or Alt only the function keys and keys that type, edit and move nothing.
        {0, VK_RIGHT, 0, VK_RIGHT, false},
        {HOTKEYF_EXT, VK_RIGHT, HOTKEYF_EXT, VK_RIGHT, false},
        {HOTKEYF_SHIFT | HOTKEYF_EXT, VK_LEFT, HOTKEYF_SHIFT | HOTKEYF_EXT, VK_LEFT, false},
        {0, VK_RETURN, 0, VK_RETURN, false},
        {0, VK_TAB, 0, VK_TAB, false},
        {HOTKEYF_SHIFT, VK_TAB, HOTKEYF_SHIFT, VK_TAB, false},
        {0, VK_ESCAPE, 0, VK_ESCAPE, false},
        {0, VK_BACK, 0, VK_BACK, false},
        {HOTKEYF_EXT, VK_DELETE, HOTKEYF_EXT, VK_DELETE, false},
        {HOTKEYF_EXT, VK_INSERT, HOTKEYF_EXT, VK_INSERT, false},
        {HOTKEYF_EXT, VK_HOME, HOTKEYF_EXT, VK_HOME, false},
        {HOTKEYF_EXT, VK_END, HOTKEYF_EXT, VK_END, false},
        {HOTKEYF_EXT, VK_PRIOR, HOTKEYF_EXT, VK_PRIOR, false},
        {HOTKEYF_EXT, VK_NEXT, HOTKEYF_EXT, VK_NEXT, false},
        {0, VK_CAPITAL, 0, VK_CAPITAL, false},
        // A modifier key by itself, with or without others.
        {0, VK_SHIFT, 0, VK_SHIFT, false},
        {HOTKEYF_CONTROL, VK_SHIFT, HOTKEYF_CONTROL, VK_SHIFT, false},
        {HOTKEYF_ALT, VK_LCONTROL, HOTKEYF_ALT, VK_LCONTROL, false},
        {0, VK_LWIN, 0, VK_LWIN, false},
        {HOTKEYF_SHIFT, VK_F24, HOTKEYF_SHIFT, VK_F24, true},
        {0, VK_PAUSE, 0, VK_PAUSE, true},
        {HOTKEYF_EXT, VK_MEDIA_PLAY_PAUSE, HOTKEYF_EXT, VK_MEDIA_PLAY_PAUSE, true},
        {HOTKEYF_EXT, VK_BROWSER_HOME, HOTKEYF_EXT, VK_BROWSER_HOME, true},
        {HOTKEYF_CONTROL | HOTKEYF_EXT, VK_RIGHT, HOTKEYF_CONTROL | HOTKEYF_EXT, VK_RIGHT, true},
        {HOTKEYF_ALT, VK_RETURN, HOTKEYF_ALT, VK_RETURN, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "mod 0x" << c.mod << " key 0x" << c.key);
        ResetProfile();
        SetDword(HKEY_CURRENT_USER, kSection, L"WIN_NEXT_MOD", c.mod);
        SetDword(HKEY_CURRENT_USER, kSection, L"WIN_NEXT_KEY", c.key);
        SetDword(HKEY_CURRENT_USER, kSection, L"WIN_NEXT_CHECK", 1);
        ::SendMessageW(listView, LVM_DELETEALLITEMS, 0, 0);  // a fresh start has no rows yet
        StartUp();
        EXPECT_EQ(Entry(0).modifiers, c.wantMod);
        EXPECT_EQ(Entry(0).key, c.wantKey);
        EXPECT_EQ(Entry(0).enabled, c.registered ? 1 : 0);
        const int row = RowOf(0);
        ASSERT_GE(row, 0) << "the row stays";
        EXPECT_EQ(RowChecked(row), c.registered);
        // Seen from another process: the combination is held exactly when registered.
        std::vector<std::pair<UINT, UINT>> probes{{kWindowMods, VK_LEFT}};  // entry 1 as a control
        if (c.wantKey != 0) probes.emplace_back(HotkeyModifiersToRegister(c.wantMod), c.wantKey);
        if (c.key != c.wantKey && c.key >= 0x08 && c.key <= 0xFE)
            probes.emplace_back(HotkeyModifiersToRegister(static_cast<uint16_t>(c.mod)), c.key);
        const DWORD held = HeldElsewhere(probes);
        EXPECT_EQ(held & 1u, 1u);
        if (c.wantKey != 0) {
            EXPECT_EQ((held >> 1) & 1u, c.registered ? 1u : 0u);
        }
        if (probes.size() > 2) {
            EXPECT_EQ((held >> 2) & 1u, 0u);
        }
    }
}

TEST_F(HotkeyTest, PageWithoutWindowAnswersZero) {
    CHotkeyDialog detached;
    EXPECT_EQ(detached.LoadHotkeys(), 0);
    EXPECT_EQ(detached.FillHotkeyList(), 0);
}

TEST_F(HotkeyTest, StartUpListsAndRegistersOnlyPresentDisplays) {
    UseDisplays({{1, kDisplay1}, {2, kDisplay2}});
    StartUp();
    // Columns: "Function" first, then "Hotkey Assign".
    wchar_t heading[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = heading;
    column.cchTextMax = 64;
    ASSERT_TRUE(::SendMessageW(listView, LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ(heading, L"Function");
    ASSERT_TRUE(::SendMessageW(listView, LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ(heading, L"Hotkey Assign");

    const std::vector<LPARAM> order{0, 1, 14, 15, 12, 13, 2, 3};
    ASSERT_EQ(Rows(), static_cast<int>(order.size()));
    for (int row = 0; row < Rows(); ++row) {
        EXPECT_EQ(RowEntry(row), order[static_cast<size_t>(row)]) << row;
        EXPECT_TRUE(RowChecked(row)) << row;
        EXPECT_FALSE(RowText(row, 1).empty()) << row;
    }
    EXPECT_EQ(RowText(0, 0), L"Move Window to Next display");
    EXPECT_EQ(RowText(3, 0), L"Move mouse pointer to display 2");
    EXPECT_EQ(RowText(7, 0), L"Move Window to display 2");
    // Filling the list is no change of the user's.
    EXPECT_EQ(g_parent.pageChanged, 0);

    EXPECT_TRUE(IsHeld(kWindowMods, VK_RIGHT));
    EXPECT_TRUE(IsHeld(kWindowMods, '2'));
    EXPECT_TRUE(IsHeld(kMouseMods, '1'));
    EXPECT_FALSE(IsHeld(kWindowMods, '3'));
    EXPECT_FALSE(IsHeld(kMouseMods, '0'));

    // The page's end gives every hotkey back.
    page.DestroyWindowNow();
    EXPECT_FALSE(IsHeld(kWindowMods, VK_RIGHT));
    EXPECT_FALSE(IsHeld(kMouseMods, '1'));
}

TEST_F(HotkeyTest, UncheckApplyUnregistersAndSaves) {
    UseDisplays({{1, kDisplay1}, {2, kDisplay2}});
    StartUp();
    SetRowChecked(RowOf(0), false);
    EXPECT_GE(g_parent.pageChanged, 1);
    // Not before Apply.
    EXPECT_TRUE(IsHeld(kWindowMods, VK_RIGHT));
    Apply();
    EXPECT_FALSE(IsHeld(kWindowMods, VK_RIGHT));
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kSection, L"WIN_NEXT_CHECK"), 0u);
    EXPECT_FALSE(RowChecked(RowOf(0)));
    // Checked again: registered again.
    SetRowChecked(RowOf(0), true);
    Apply();
    EXPECT_TRUE(IsHeld(kWindowMods, VK_RIGHT));
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kSection, L"WIN_NEXT_CHECK"), 1u);
}

TEST_F(HotkeyTest, CombinationHeldByAnotherProcessComesOutOffWithoutKey) {
    UseDisplays({{1, kDisplay1}, {2, kDisplay2}});
    ChildProcess holder = ChildProcess::Start(L"hotkey_holder.exe", L"5 0x27");  // MOD_ALT|MOD_SHIFT, VK_RIGHT
    ASSERT_TRUE(holder.Started());
    // The holder titles its window only once it holds the hotkey.
    ASSERT_NE(WaitForWindow(L"Static", L"VelkHotkeyHolder", 20000, holder.Id()), nullptr);
    ASSERT_TRUE(IsHeld(kWindowMods, VK_RIGHT));

    StartUp();
    EXPECT_EQ(Entry(0).enabled, 0);
    EXPECT_EQ(Entry(0).key, 0);
    EXPECT_EQ(Entry(0).modifiers, 0);
    EXPECT_EQ(Entry(1).enabled, 1);  // the others are unaffected
    const int row = RowOf(0);
    ASSERT_GE(row, 0);
    EXPECT_FALSE(RowChecked(row));
    EXPECT_TRUE(RowText(row, 1).empty());
    ASSERT_EQ(page.SaveHotkeys(), 1);
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kSection, L"WIN_NEXT_CHECK"), 0u);
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kSection, L"WIN_NEXT_KEY"), 0u);
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kSection, L"WIN_NEXT_MOD"), 0u);

    HWND holderWindow = WaitForWindow(L"Static", L"VelkHotkeyHolder", 1000, holder.Id());
    ::PostMessageW(holderWindow, WM_CLOSE, 0, 0);
    ASSERT_TRUE(holder.Wait(20000));
    EXPECT_EQ(holder.ExitCode(), 0u);
}

TEST_F(HotkeyTest, ChangeNeedsAKeyAndTakesEffectAtApply) {
    UseDisplays({{1, kDisplay1}});
    StartUp();
    const int row = RowOf(1);
    SelectRow(row);
    EXPECT_EQ(page.SelectedEntry(), 1);
    EXPECT_EQ(Wnd(::GetDlgItem(page.GetSafeHwnd(), CHotkeyDialog::kLabelId)).GetWindowText(),
              L"Move Window to previous display");

    TypeIntoHotkeyControl(0, 0);
    {
        MessageBoxCatcher box(IDOK);
        Click(CHotkeyDialog::kChangeButtonId);
        auto shown = box.Result();
        ASSERT_TRUE(shown.has_value());
        EXPECT_EQ(shown->text, L"Invalid setting.");
    }
    EXPECT_EQ(Entry(1).key, VK_LEFT);

    const int before = g_parent.pageChanged;
    TypeIntoHotkeyControl(VK_F5, HOTKEYF_CONTROL);
    Click(CHotkeyDialog::kChangeButtonId);
    EXPECT_EQ(Entry(1).key, VK_F5);
    EXPECT_EQ(Entry(1).modifiers, HOTKEYF_CONTROL);
    EXPECT_GT(g_parent.pageChanged, before);
    EXPECT_NE(RowText(RowOf(1), 1), RowText(RowOf(0), 1));
    // Registered only at Apply.
    EXPECT_FALSE(IsHeld(MOD_CONTROL, VK_F5));
    EXPECT_TRUE(IsHeld(kWindowMods, VK_LEFT));
    Apply();
    EXPECT_TRUE(IsHeld(MOD_CONTROL, VK_F5));
    EXPECT_FALSE(IsHeld(kWindowMods, VK_LEFT));
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kSection, L"WIN_BEFORE_KEY"), static_cast<DWORD>(VK_F5));
}

TEST_F(HotkeyTest, AfterARefillTheControlShowsTheLabelledEntryAndChangeRefusesADuplicate) {
    UseDisplays({{1, kDisplay1}, {2, kDisplay2}});
    constexpr WORD kCtrlAlt = HOTKEYF_CONTROL | HOTKEYF_ALT;
    SetDword(HKEY_CURRENT_USER, kSection, L"WIN_MON2_MOD", kCtrlAlt);
    SetDword(HKEY_CURRENT_USER, kSection, L"WIN_MON2_KEY", 'N');
    StartUp();
    SelectRow(RowOf(3));
    Apply();  // refills the list twice
    EXPECT_EQ(page.SelectedEntry(), 3);
    EXPECT_EQ(Wnd(::GetDlgItem(page.GetSafeHwnd(), CHotkeyDialog::kLabelId)).GetWindowText(),
              L"Move Window to display 2");
    EXPECT_EQ(HotkeyControlValue(), MAKEWORD('N', kCtrlAlt));
    // Change with what the control shows keeps the entry's own key, silently.
    {
        MessageBoxCatcher box(IDOK, 1000);
        Click(CHotkeyDialog::kChangeButtonId);
        EXPECT_FALSE(box.Result().has_value());
    }
    Apply();
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kSection, L"WIN_MON2_KEY"), static_cast<DWORD>('N'));
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kSection, L"WIN_MON2_CHECK"), 1u);
    EXPECT_TRUE(IsHeld(MOD_CONTROL | MOD_ALT, 'N'));

    // Another entry's combination is refused: entry 0's (with and without the
    // extended-key flag, which registration drops), and that of entry 4,
    // whose display 3 is detached now.
    const std::pair<WORD, WORD> taken[] = {
        {VK_RIGHT, 0x0D}, {VK_RIGHT, HOTKEYF_SHIFT | HOTKEYF_ALT}, {'3', 0x0D}};
    for (const auto& [key, modifiers] : taken) {
        SCOPED_TRACE(key);
        TypeIntoHotkeyControl(key, modifiers);
        MessageBoxCatcher box(IDOK);
        Click(CHotkeyDialog::kChangeButtonId);
        auto shown = box.Result();
        ASSERT_TRUE(shown.has_value());
        EXPECT_EQ(shown->text, L"This hotkey is already assigned to another function.");
        EXPECT_EQ(Entry(3).key, 'N');
        EXPECT_EQ(Entry(3).modifiers, kCtrlAlt);
    }
    EXPECT_EQ(FindHotkeyHolder(page.Hotkeys(), 3, 0x0D, '3'), 4);
    EXPECT_EQ(FindHotkeyHolder(page.Hotkeys(), 4, 0x0D, '3'), -1);
}

TEST_F(HotkeyTest, CancelRestoresTheKeysAndChecksLastApplied) {
    UseDisplays({{1, kDisplay1}});
    StartUp();
    SelectRow(RowOf(1));
    TypeIntoHotkeyControl(VK_F5, HOTKEYF_CONTROL);
    Click(CHotkeyDialog::kChangeButtonId);
    ASSERT_EQ(Entry(1).key, VK_F5);
    SetRowChecked(RowOf(0), false);
    page.RestoreAppliedHotkeys();  // what Cancel and the close box do
    EXPECT_EQ(Entry(1).key, VK_LEFT);
    EXPECT_EQ(Entry(1).modifiers, 0x0D);
    EXPECT_TRUE(RowChecked(RowOf(0)));
    EXPECT_EQ(HotkeyControlValue(), MAKEWORD(VK_LEFT, 0x0D));
    // The next Apply of any kind registers and saves what was applied before.
    Apply();
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kSection, L"WIN_BEFORE_KEY"), static_cast<DWORD>(VK_LEFT));
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kSection, L"WIN_NEXT_CHECK"), 1u);
    EXPECT_TRUE(IsHeld(kWindowMods, VK_LEFT));
    EXPECT_FALSE(IsHeld(MOD_CONTROL, VK_F5));
}

TEST_F(HotkeyTest, ResetWaitsForApply) {
    UseDisplays({{1, kDisplay1}});
    SetDword(HKEY_CURRENT_USER, kSection, L"WIN_NEXT_KEY", VK_F6);
    StartUp();
    ASSERT_EQ(Entry(0).key, VK_F6);
    {
        MessageBoxCatcher box(IDNO);
        Click(CHotkeyDialog::kResetButtonId);
        ASSERT_TRUE(box.Result().has_value());
    }
    EXPECT_FALSE(page.IsResetPending());
    const int before = g_parent.pageChanged;
    {
        MessageBoxCatcher box(IDYES);
        Click(CHotkeyDialog::kResetButtonId);
        ASSERT_TRUE(box.Result().has_value());
    }
    EXPECT_TRUE(page.IsResetShown());
    EXPECT_FALSE(page.IsResetPending()) << "nothing to reset before the Reset is applied";
    EXPECT_EQ(g_parent.pageChanged, before + 1);
    // Cancel of the settings window refills the list; nothing is reset yet.
    page.FillHotkeyList();
    EXPECT_EQ(Entry(0).key, VK_F6);
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kSection, L"WIN_NEXT_KEY"), static_cast<DWORD>(VK_F6));
    EXPECT_TRUE(IsHeld(kWindowMods, VK_F6));
    // The next Apply resets.
    Apply();
    EXPECT_FALSE(page.IsResetPending());
    EXPECT_EQ(Entry(0).key, VK_RIGHT);
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, kSection, L"WIN_NEXT_KEY"), static_cast<DWORD>(VK_RIGHT));
    EXPECT_FALSE(IsHeld(kWindowMods, VK_F6));
    EXPECT_TRUE(IsHeld(kWindowMods, VK_RIGHT));
}

TEST_F(HotkeyTest, EscapeOnThePageClosesTheMainDialog) {
    UseDisplays({{1, kDisplay1}});
    ::SendMessageW(page.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(g_parent.closes, 1);
    EXPECT_TRUE(::IsWindow(page.GetSafeHwnd()));
}

TEST_F(HotkeyTest, JapaneseNumberedLabels) {
    Platform().GetUserDefaultUILanguage = []() WINAPI { return static_cast<LANGID>(MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)); };
    UseDisplays({{1, kDisplay1}, {2, kDisplay2}, {3, kDisplay3}});
    StartUp();
    EXPECT_EQ(RowText(RowOf(4), 0), L"ウィンドウをディスプレイ3へ");
    EXPECT_EQ(RowText(RowOf(16), 0), L"マウスポインタをディスプレイ3へ");
    // A user number, when set, is what the label shows.
    list.Records[2].UserDispNumber = 7;
    page.LoadHotkeys();
    page.FillHotkeyList();
    EXPECT_EQ(RowText(RowOf(4), 0), L"ウィンドウをディスプレイ7へ");
}

}  // namespace
}  // namespace velk::test
