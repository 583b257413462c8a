// The display renumbering dialog: the attached displays, each with a number of
// the user's choosing that Up and Down shift, and the switch that turns the
// user's numbering on. Nothing writes the edited numbers back.
#pragma once
#include "framework/controls.h"
#include "framework/dialog.h"
#include "resources/resource.h"
#include <cstdint>
#include <string>
#include <vector>

// The user-numbering switch, read from "AppSetting" "UseAppNumber".
extern uint8_t UseAppNumberSwitch;

class CChangeNumber : public velk::MessageMapped<CChangeNumber, velk::CDialog> {
public:
    static constexpr UINT kTemplateId = IDD_CHANGE_NUMBER;
    CChangeNumber() noexcept : MessageMapped(kTemplateId) {}

    static std::span<const velk::MessageEntry<CChangeNumber>> MessageTable();

    // Rebuilds the rows from the display table, sorted by their numbers.
    void FillNumberList();
    HWND ListWindow() const noexcept { return NumberList.GetSafeHwnd(); }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(velk::DataExchange& dx) override;

private:
    void OnNumberUp();
    void OnNumberDown();
    void OnUseAppNumber();

    // The switch and each present display's "UserDispNumber".
    void ReadUserDisplayNumbers();
    void AddNumberColumns();
    // Item data := row index, then sorted by the number column's text.
    void IndexNumberRows();
    void SortNumberRows();
    // Adds delta to the number in row's first column.
    void ShiftNumber(int row, int delta);
    // The tail of Up and Down: re-sort, exchange, enable the main dialog's Apply.
    void AfterNumberShift();
    int SelectedRow() const noexcept;

    velk::CListCtrl NumberList;
    velk::CButton UseAppNumberCheck;
};

// Compares the number texts of rows a and b (the rows' item data) code unit by
// code unit; sortParam points at the texts and the direction.
struct NumberRowSort {
    const std::vector<std::wstring>* texts;
    int descending;  // 0: ascending
};
int CALLBACK CompareNumberRows(LPARAM a, LPARAM b, LPARAM sortParam);

// The Setting page's hidden button: runs a new renumbering dialog modally.
void RunChangeNumberDialog(HWND owner);
