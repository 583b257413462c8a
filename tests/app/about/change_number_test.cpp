// The display renumbering dialog: rows from the display table and the stored
// user numbers, Up and Down, the numbering switch, and its columns.
#include "app/change_number_dialog.h"
#include "app/velkmira_app.h"
#include "display/display_list.h"
#include "resources/resource.h"
#include "testing/harness.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <algorithm>
#include <cwchar>
#include <vector>

using namespace velk::test;

namespace {

class ChangeNumber : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&controls);
        theApp.SetRegistryKey(L"VELK-Panomira");
        ResetProfile();
        // Three displays in slots 0 to 2 with their system numbers.
        const struct {
            const wchar_t* name;
            int width, height;
            uint32_t number;
        } displays[] = {{L"Left", 1920, 1080, 2}, {L"Middle", 1280, 1024, 1}, {L"Right", 800, 600, 3}};
        for (int i = 0; i < 3; ++i) {
            DisplayRecord& r = list.Records[i];
            r.DisplayNumber = r.SystemsDispNumber = displays[i].number;
            r.Width = displays[i].width;
            r.Height = displays[i].height;
            std::wcscpy(r.Name, displays[i].name);
        }
        SetCurrentDisplayList(&list);
        // A stand-in for the main dialog with its Apply button.
        main = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
        apply = ::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD, 0, 0, 9, 9, main, reinterpret_cast<HMENU>(IDC_APPLY),
                                  nullptr, nullptr);
        theApp.SetMainWindow(main);
    }
    void TearDown() override {
        theApp.SetMainWindow(nullptr);
        ::DestroyWindow(main);
        SetCurrentDisplayList(nullptr);
    }

    // Opens a fresh dialog with Apply disabled; answers its rows as
    // "number|description|system number", top to bottom.
    std::vector<std::wstring> Open() {
        dialog = std::make_unique<CChangeNumber>();
        ::EnableWindow(apply, FALSE);
        EXPECT_TRUE(dialog->Create(main));
        rows.Attach(dialog->ListWindow());
        return Rows();
    }
    std::vector<std::wstring> Rows() const {
        std::vector<std::wstring> texts;
        for (int i = 0; i < rows.GetItemCount(); ++i)
            texts.push_back(rows.GetItemText(i, 0) + L"|" + rows.GetItemText(i, 1) + L"|" + rows.GetItemText(i, 2));
        return texts;
    }
    void Click(int id) { ::SendMessageW(dialog->GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

    DisplayList list{};
    std::unique_ptr<CChangeNumber> dialog;
    velk::CListCtrl rows;
    HWND main = nullptr;
    HWND apply = nullptr;
};

TEST_F(ChangeNumber, RowsFromTheTableAndTheStoredNumbers) {
    const struct {
        DWORD user0, user1;  // "UserDispNumber" of slots 0 and 1 (0: none stored)
        std::vector<std::wstring> rows;
    } cases[] = {
        {0, 0, {L"1|Left (1920x1080)|2", L"2|Middle (1280x1024)|1", L"3|Right (800x600)|3"}},
        // The display without a number gets count + 1 = 3, unchecked against the others.
        {3, 1, {L"1|Middle (1280x1024)|1", L"3|Left (1920x1080)|2", L"3|Right (800x600)|3"}},
        // Text order: "10" before "2".
        {10, 2, {L"10|Left (1920x1080)|2", L"2|Middle (1280x1024)|1", L"3|Right (800x600)|3"}},
    };
    for (const auto& c : cases) {
        ResetProfile();
        if (c.user0) SetDword(HKEY_CURRENT_USER, ProfileSection(L"Monitor0"), L"UserDispNumber", c.user0);
        if (c.user1) SetDword(HKEY_CURRENT_USER, ProfileSection(L"Monitor1"), L"UserDispNumber", c.user1);
        SetDword(HKEY_CURRENT_USER, ProfileSection(L"Monitor4"), L"UserDispNumber", 7);  // an empty slot's: unread
        auto seen = Open();
        if (c.user0 == 3) std::sort(seen.begin() + 1, seen.end());  // equal numbers: either order
        EXPECT_EQ(seen, c.rows) << c.user0 << "," << c.user1;
    }
    // The columns, the title and the captions from the string table.
    const wchar_t* headings[] = {L"No.", L"Description", L"System ID"};
    const int formats[] = {LVCFMT_CENTER, LVCFMT_LEFT, LVCFMT_CENTER};
    for (int i = 0; i < 3; ++i) {
        wchar_t text[64] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_FMT;
        column.pszText = text;
        column.cchTextMax = 64;
        ASSERT_TRUE(rows.SendMessage(LVM_GETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column)));
        EXPECT_STREQ(text, headings[i]);
        EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, formats[i]);
    }
    EXPECT_TRUE(rows.SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE) & LVS_EX_FULLROWSELECT);
    EXPECT_EQ(dialog->GetWindowText(), L"Display Numbers");
    EXPECT_EQ(velk::Wnd(dialog->GetDlgItem(IDC_NUM_DOWN)).GetWindowText(), L"Down");
}

TEST_F(ChangeNumber, UpAndDownShiftNeighboursAndEnableApply) {
    const std::vector<std::wstring> unchanged = {L"1|Left (1920x1080)|2", L"2|Middle (1280x1024)|1",
                                                 L"3|Right (800x600)|3"};
    const struct {
        int select;  // -1: no selection
        int button;
        std::vector<std::wstring> rows;
        bool apply;
    } cases[] = {
        {1, IDC_NUM_UP, {L"1|Middle (1280x1024)|1", L"2|Left (1920x1080)|2", L"3|Right (800x600)|3"}, true},
        {1, IDC_NUM_DOWN, {L"1|Left (1920x1080)|2", L"2|Right (800x600)|3", L"3|Middle (1280x1024)|1"}, true},
        {0, IDC_NUM_UP, unchanged, true},     // first row: no number changes, still re-sorted and Apply
        {2, IDC_NUM_DOWN, unchanged, true},   // last row likewise
        {-1, IDC_NUM_UP, unchanged, false},   // nothing selected: nothing happens
        {-1, IDC_NUM_DOWN, unchanged, false},
    };
    for (const auto& c : cases) {
        Open();
        LVITEMW state{};
        state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
        if (c.select >= 0) rows.SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(c.select), reinterpret_cast<LPARAM>(&state));
        Click(c.button);
        EXPECT_EQ(Rows(), c.rows) << c.select << "," << c.button;
        EXPECT_EQ(::IsWindowEnabled(apply) != FALSE, c.apply) << c.select << "," << c.button;
    }
}

TEST_F(ChangeNumber, SwitchEnablesTheList) {
    for (DWORD stored : {0u, 1u, 5u}) {
        SetDword(HKEY_CURRENT_USER, ProfileSection(L"AppSetting"), L"UseAppNumber", stored);
        Open();
        HWND check = dialog->GetDlgItem(IDC_NUM_USE_APP_NUMBER);
        EXPECT_EQ(::SendMessageW(check, BM_GETCHECK, 0, 0) == BST_CHECKED, stored != 0);
        EXPECT_EQ(rows.IsWindowEnabled(), stored != 0);
        EXPECT_EQ(UseAppNumberSwitch, stored != 0 ? 1 : 0);
        // The user clicks the box: the list follows it and Apply lights up.
        ::SendMessageW(check, BM_CLICK, 0, 0);
        EXPECT_EQ(rows.IsWindowEnabled(), stored == 0);
        EXPECT_TRUE(::IsWindowEnabled(apply));
    }
}

}  // namespace
