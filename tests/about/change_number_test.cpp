// The display renumbering dialog: its rows from the display table and the
// stored user numbers, Up and Down, the numbering switch, its columns, and
// how the Setting page's hidden button reaches it.
#include "app/change_number_dialog.h"
#include "app/velkmira_app.h"
#include "display/display_list.h"
#include "framework/controls.h"
#include "resources/resource.h"
#include "testing/harness.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <cwchar>
#include <vector>

using namespace velk::test;

namespace {

class ChangeNumber : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&controls);
        theApp.SetRegistryKey(L"VELK-Panomira");
    }

    void SetUp() override {
        ResetProfile();
        // Three displays in slots 0 to 2; slot 4 is empty.
        const struct {
            int slot;
            const wchar_t* name;
            int width, height;
            uint32_t number;
        } displays[] = {{0, L"Left", 1920, 1080, 2}, {1, L"Middle", 1280, 1024, 1}, {2, L"Right", 800, 600, 3}};
        for (const auto& d : displays) {
            DisplayRecord& r = list.Records[d.slot];
            r.DisplayNumber = d.number;
            r.SystemsDispNumber = d.number;
            r.Width = d.width;
            r.Height = d.height;
            std::wcscpy(r.Name, d.name);
        }
        SetCurrentDisplayList(&list);
        // A stand-in for the main dialog with its Apply button, disabled.
        main = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
        apply = ::CreateWindowExW(0, L"BUTTON", L"Apply", WS_CHILD | WS_DISABLED, 0, 0, 50, 14, main,
                                  reinterpret_cast<HMENU>(IDC_APPLY), nullptr, nullptr);
        theApp.SetMainWindow(main);
    }

    void TearDown() override {
        dialog.DestroyWindowNow();
        theApp.SetMainWindow(nullptr);
        ::DestroyWindow(main);
        SetCurrentDisplayList(nullptr);
    }

    void Open() {
        ASSERT_TRUE(dialog.Create(main));
        listView.Attach(dialog.ListWindow());
    }

    // "number|description|system number" per row, top to bottom.
    std::vector<std::wstring> Rows() const {
        std::vector<std::wstring> rows;
        for (int i = 0; i < listView.GetItemCount(); ++i)
            rows.push_back(listView.GetItemText(i, 0) + L"|" + listView.GetItemText(i, 1) + L"|" + listView.GetItemText(i, 2));
        return rows;
    }
    void Select(int row) {
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = row >= 0 ? (LVIS_SELECTED | LVIS_FOCUSED) : 0;
        listView.SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
    void Click(int id) { ::SendMessageW(dialog.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

    DisplayList list{};
    CChangeNumber dialog;
    velk::CListCtrl listView;
    HWND main = nullptr;
    HWND apply = nullptr;
};

TEST_F(ChangeNumber, ColumnsTitleAndCaptions) {
    Open();
    HWND header = reinterpret_cast<HWND>(listView.SendMessage(LVM_GETHEADER));
    ASSERT_EQ(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 3);
    const struct {
        const wchar_t* heading;
        int format;
    } columns[] = {{L"No.", LVCFMT_CENTER}, {L"Description", LVCFMT_LEFT}, {L"System ID", LVCFMT_CENTER}};
    for (int i = 0; i < 3; ++i) {
        wchar_t text[64] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_FMT;
        column.pszText = text;
        column.cchTextMax = 64;
        ASSERT_TRUE(listView.SendMessage(LVM_GETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column)));
        EXPECT_STREQ(text, columns[i].heading);
        if (i > 0) {  // the first column is always left-aligned
            EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, columns[i].format);
        }
    }
    EXPECT_EQ(dialog.GetWindowText(), L"Display Numbers");
    EXPECT_EQ(velk::Wnd(dialog.GetDlgItem(IDC_NUM_UP)).GetWindowText(), L"Up");
    EXPECT_TRUE(listView.SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE) & LVS_EX_FULLROWSELECT);
}

TEST_F(ChangeNumber, RowsFromTheTableAndTheStoredNumbers) {
    const struct {
        int user0, user1;  // "UserDispNumber" of slots 0 and 1 (0: none stored)
        std::vector<std::wstring> rows;
    } cases[] = {
        // Nothing stored: numbered 1, 2, 3 in slot order.
        {0, 0, {L"1|Left (1920x1080)|2", L"2|Middle (1280x1024)|1", L"3|Right (800x600)|3"}},
        // The display without a number gets count + 1 = 3, unchecked against the others.
        {3, 1, {L"1|Middle (1280x1024)|1", L"3|Left (1920x1080)|2", L"3|Right (800x600)|3"}},
        // Text order: "10" before "2".
        {10, 2, {L"10|Left (1920x1080)|2", L"2|Middle (1280x1024)|1", L"3|Right (800x600)|3"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.user0 * 100 + c.user1);
        ResetProfile();
        if (c.user0) SetDword(HKEY_CURRENT_USER, ProfileSection(L"Monitor0"), L"UserDispNumber", c.user0);
        if (c.user1) SetDword(HKEY_CURRENT_USER, ProfileSection(L"Monitor1"), L"UserDispNumber", c.user1);
        // A number stored for an empty slot is not read.
        SetDword(HKEY_CURRENT_USER, ProfileSection(L"Monitor4"), L"UserDispNumber", 7);
        Open();
        auto rows = Rows();
        if (c.user0 == 3) std::sort(rows.begin() + 1, rows.end());  // equal numbers: either order
        EXPECT_EQ(rows, c.rows);
        dialog.DestroyWindowNow();
    }
}

TEST_F(ChangeNumber, UpAndDownShiftNeighboursAndEnableApply) {
    const struct {
        int select;  // -1: no selection
        int button;
        std::vector<std::wstring> numbersThenNames;
        bool applyEnabled;
    } cases[] = {
        {1, IDC_NUM_UP, {L"1", L"2", L"3", L"Middle", L"Left", L"Right"}, true},
        {1, IDC_NUM_DOWN, {L"1", L"2", L"3", L"Left", L"Right", L"Middle"}, true},
        {0, IDC_NUM_UP, {L"1", L"2", L"3", L"Left", L"Middle", L"Right"}, true},    // first row: no change
        {2, IDC_NUM_DOWN, {L"1", L"2", L"3", L"Left", L"Middle", L"Right"}, true},  // last row: no change
        {-1, IDC_NUM_UP, {L"1", L"2", L"3", L"Left", L"Middle", L"Right"}, false},  // nothing selected
        {-1, IDC_NUM_DOWN, {L"1", L"2", L"3", L"Left", L"Middle", L"Right"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.select * 10000 + c.button);
        ::EnableWindow(apply, FALSE);
        Open();
        if (c.select >= 0) Select(c.select);
        Click(c.button);
        std::vector<std::wstring> seen;
        for (int i = 0; i < 3; ++i) seen.push_back(listView.GetItemText(i, 0));
        for (int i = 0; i < 3; ++i) {
            std::wstring description = listView.GetItemText(i, 1);
            seen.push_back(description.substr(0, description.find(L' ')));
        }
        EXPECT_EQ(seen, c.numbersThenNames);
        EXPECT_EQ(::IsWindowEnabled(apply) != FALSE, c.applyEnabled);
        dialog.DestroyWindowNow();
    }
}

TEST_F(ChangeNumber, SwitchEnablesTheList) {
    for (DWORD stored : {0u, 1u, 5u}) {
        SCOPED_TRACE(stored);
        SetDword(HKEY_CURRENT_USER, ProfileSection(L"AppSetting"), L"UseAppNumber", stored);
        ::EnableWindow(apply, FALSE);
        Open();
        HWND check = dialog.GetDlgItem(IDC_NUM_USE_APP_NUMBER);
        EXPECT_EQ(::SendMessageW(check, BM_GETCHECK, 0, 0) == BST_CHECKED, stored != 0);
        EXPECT_EQ(listView.IsWindowEnabled(), stored != 0);
        EXPECT_EQ(UseAppNumberSwitch, stored != 0 ? 1 : 0);
        // The user clicks the box: the list follows it and Apply lights up.
        ::SendMessageW(check, BM_CLICK, 0, 0);
        EXPECT_EQ(listView.IsWindowEnabled(), stored == 0);
        EXPECT_TRUE(::IsWindowEnabled(apply));
        dialog.DestroyWindowNow();
    }
}

}  // namespace
