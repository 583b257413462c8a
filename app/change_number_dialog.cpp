#include "app/change_number_dialog.h"
#include "app/velkmira_app.h"
#include "display/display_list.h"
#include "display/shared_functions.h"
#include "framework/strings.h"
#include "resources/resource.h"
#include <cwchar>

using velk::command;

uint8_t UseAppNumberSwitch = 0;

namespace {

// Columns: heading string, width, alignment, and the error number a missing
// heading reports. Together 320 pixels, the list's width; the last column is
// wide enough for its heading "System ID".
struct NumberColumn {
    UINT stringId;
    int width;
    int format;
    int errorNumber;
};
constexpr NumberColumn kColumns[] = {
    {IDS_NUMBERING_COL_NUMBER, 40, LVCFMT_CENTER, 1012},
    {IDS_NUMBERING_COL_DESCRIPTION, 210, LVCFMT_LEFT, 1011},
    {IDS_NUMBERING_COL_SYSTEM_ID, 70, LVCFMT_CENTER, 1013},
};

}  // namespace

std::span<const velk::MessageEntry<CChangeNumber>> CChangeNumber::MessageTable() {
    static constexpr velk::MessageEntry<CChangeNumber> table[] = {
        command(IDC_NUM_UP, &CChangeNumber::OnNumberUp),
        command(IDC_NUM_DOWN, &CChangeNumber::OnNumberDown),
        command(IDC_NUM_USE_APP_NUMBER, &CChangeNumber::OnUseAppNumber),
    };
    return table;
}

void CChangeNumber::DoDataExchange(velk::DataExchange& dx) {
    dx.Control(IDC_NUM_LIST, NumberList);
    dx.Control(IDC_NUM_USE_APP_NUMBER, UseAppNumberCheck);
}

BOOL CChangeNumber::OnInitDialog() {
    velk::CDialog::OnInitDialog();
    UpdateData(false);
    // The title (the template's stands in when it is missing) and the captions.
    std::wstring text;
    if (velk::LoadResString(IDS_NUMBERING_TITLE, text)) SetWindowText(text);
    const DialogCaption captions[] = {
        {IDC_NUM_USE_APP_NUMBER, IDS_USE_APP_NUMBER}, {IDC_NUM_UP, IDS_NUMBER_UP}, {IDC_NUM_DOWN, IDS_NUMBER_DOWN}};
    SetCaptionsFromStrings(hwnd_, captions);
    ReadUserDisplayNumbers();
    NumberList.EnableWindow(UseAppNumberSwitch != 0);
    NumberList.SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    AddNumberColumns();
    FillNumberList();
    return TRUE;
}

void CChangeNumber::ReadUserDisplayNumbers() {
    UseAppNumberSwitch = theApp.GetProfileInt(L"AppSetting", L"UseAppNumber", 0) != 0 ? 1 : 0;
    UseAppNumberCheck.SetCheck(UseAppNumberSwitch ? BST_CHECKED : BST_UNCHECKED);
    DisplayList* table = CurrentDisplayList();
    if (!table) return;
    for (int i = 0; i < kDisplaySlots; ++i) {
        DisplayRecord& record = table->Records[i];
        if (record.DisplayNumber == 0) continue;
        const std::wstring section = velk::FormatText(L"Monitor%d", i);
        record.UserDispNumber = theApp.GetProfileInt(section.c_str(), L"UserDispNumber", 0);
    }
}

void CChangeNumber::AddNumberColumns() {
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
        std::wstring heading;
        if (!velk::LoadResString(kColumns[i].stringId, heading)) {
            ShowErrorNumber(kColumns[i].errorNumber);
            continue;
        }
        NumberList.InsertColumn(i, heading, kColumns[i].width, kColumns[i].format);
    }
}

void CChangeNumber::FillNumberList() {
    NumberList.DeleteAllItems();
    DisplayList* table = CurrentDisplayList();
    int count = 0;
    auto addRow = [&](const DisplayRecord& record, uint32_t number) {
        const int row = NumberList.InsertItem(count, velk::FormatText(L"%u", number));
        NumberList.SetItemText(row, 1, velk::FormatText(L"%s (%dx%d)", record.Name, record.Width, record.Height));
        NumberList.SetItemText(row, 2, velk::FormatText(L"%u", record.SystemsDispNumber));
        ++count;
    };
    if (table) {
        // The user's numbers first, then the displays without one, numbered on.
        for (const DisplayRecord& record : table->Records)
            if (record.UserDispNumber != 0) addRow(record, record.UserDispNumber);
        for (const DisplayRecord& record : table->Records)
            if (record.DisplayNumber != 0 && record.UserDispNumber == 0) addRow(record, static_cast<uint32_t>(count + 1));
    }
    IndexNumberRows();
    SortNumberRows();
}

void CChangeNumber::IndexNumberRows() {
    const int rows = NumberList.GetItemCount();
    for (int row = 0; row < rows; ++row) NumberList.SetItemData(row, row);
}

void CChangeNumber::SortNumberRows() {
    // The texts are read before the list starts moving its rows, so every
    // comparison sees the rows as they were indexed.
    std::vector<std::wstring> texts;
    const int rows = NumberList.GetItemCount();
    for (int row = 0; row < rows; ++row) texts.push_back(NumberList.GetItemText(row, 0));
    NumberRowSort sort{&texts, 0};
    NumberList.SendMessage(LVM_SORTITEMS, reinterpret_cast<WPARAM>(&sort), reinterpret_cast<LPARAM>(CompareNumberRows));
}

int CALLBACK CompareNumberRows(LPARAM a, LPARAM b, LPARAM sortParam) {
    const auto* sort = reinterpret_cast<const NumberRowSort*>(sortParam);
    const auto& texts = *sort->texts;
    const auto size = static_cast<LPARAM>(texts.size());
    if (a < 0 || b < 0 || a >= size || b >= size) return 0;
    const int order = std::wcscmp(texts[static_cast<size_t>(a)].c_str(), texts[static_cast<size_t>(b)].c_str());
    return sort->descending ? -order : order;
}

int CChangeNumber::SelectedRow() const noexcept {
    return static_cast<int>(NumberList.SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void CChangeNumber::ShiftNumber(int row, int delta) {
    const int number = static_cast<int>(std::wcstol(NumberList.GetItemText(row, 0).c_str(), nullptr, 10));
    NumberList.SetItemText(row, 0, velk::FormatText(L"%d", number + delta));
}

void CChangeNumber::AfterNumberShift() {
    IndexNumberRows();
    SortNumberRows();
    UpdateData(false);
    ::EnableWindow(::GetDlgItem(theApp.MainWindow(), IDC_APPLY), TRUE);
}

void CChangeNumber::OnNumberUp() {
    const int row = SelectedRow();
    if (row < 0) return;
    if (row > 0) {
        ShiftNumber(row, -1);
        ShiftNumber(row - 1, +1);
    }
    AfterNumberShift();
}

void CChangeNumber::OnNumberDown() {
    const int row = SelectedRow();
    if (row < 0) return;
    if (row < NumberList.GetItemCount() - 1) {
        ShiftNumber(row, +1);
        ShiftNumber(row + 1, -1);
    }
    AfterNumberShift();
}

void CChangeNumber::OnUseAppNumber() {
    UpdateData(true);
    NumberList.EnableWindow(UseAppNumberCheck.IsChecked());
    UpdateData(false);
    ::EnableWindow(::GetDlgItem(theApp.MainWindow(), IDC_APPLY), TRUE);
}

void RunChangeNumberDialog(HWND owner) {
    CChangeNumber dialog;
    dialog.SetOwner(owner);
    dialog.DoModal();
}
