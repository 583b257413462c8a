// The Hotkey page (third tab of the settings window): the list of the 24
// hotkeys with a check box each, the hotkey control to change the selected
// one, and the button that goes back to the defaults at the next Apply.
#pragma once
#include "app/hotkeys.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "resources/resource.h"
#include <span>
#include <string>

class CHotkeyDialog : public velk::MessageMapped<CHotkeyDialog, velk::CDialog> {
public:
    // Dialog template and control ids of the page.
    static constexpr UINT kTemplateId = IDD_HOTKEY_PAGE;
    static constexpr int kListId = IDC_HK_LIST;
    static constexpr int kHotkeyControlId = IDC_HK_HOTKEY;
    static constexpr int kLabelId = IDC_HK_FUNCTION;
    static constexpr int kChangeButtonId = IDC_HK_CHANGE;
    static constexpr int kListCaptionId = IDC_HK_LIST_LABEL;
    static constexpr int kChangeGroupId = IDC_HK_CHANGE_GROUP;
    static constexpr int kResetButtonId = IDC_HK_DEFAULT;

    CHotkeyDialog() noexcept;

    // Table operations the main dialog calls (start-up: LoadHotkeys,
    // ReadHotkeyChecks, RegisterHotkeys, FillHotkeyList).
    // 0 when there is no application object or the page has no parent window.
    int LoadHotkeys();
    // 0 when there is no application object (or a value could not be written).
    int SaveHotkeys();
    // Registers the wanted hotkeys on the parent window (the main dialog).
    BOOL RegisterHotkeys();
    // Unregisters ids 256..279 on window. Answers 1.
    int UnregisterHotkeys(HWND window);
    // Rebuilds the list; 0 when the list view does not exist.
    int FillHotkeyList();
    // Inserts the row of one entry at the top of the list.
    void InsertHotkeyRow(int entry);
    // Copies the rows' check states into their entries.
    void ReadHotkeyChecks();
    // LoadHotkeys, ReadHotkeyChecks, RegisterHotkeys, FillHotkeyList.
    void ReloadHotkeys();
    // Cancel and the close box: every entry gets back its keys and check as
    // the last RegisterHotkeys left them, and the list is refilled.
    void RestoreAppliedHotkeys();

    // Set by a confirmed Reset; the next Apply resets the section and clears it.
    bool IsResetPending() const noexcept { return ResetPending != 0; }
    void ClearResetPending() noexcept { ResetPending = 0; }

    HotkeyTable& Hotkeys() noexcept { return Table; }
    const HotkeyTable& Hotkeys() const noexcept { return Table; }
    int SelectedEntry() const noexcept { return Selected; }

    static std::span<const velk::MessageEntry<CHotkeyDialog>> MessageTable();

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(velk::DataExchange& dx) override;
    void OnCancel() override;

private:
    LRESULT OnHotkeyItemChanged(NMHDR* header);
    LRESULT OnHotkeyListDblClk(NMHDR* header);
    void OnHotkeyChangeButton();
    void OnHotkeyResetButton();
    LRESULT OnDestroy(WPARAM w, LPARAM l);

    void ShowKeyOf(int entry);
    // After a refill: the label and the hotkey control show the selected
    // entry again, or nothing when it has no row any more.
    void ShowSelectedAfterFill();
    int RowOfEntry(int entry) const;
    void NotifyParentChanged() const;
    HWND ParentWindow() const noexcept;

    HotkeyTable Table{};
    HotkeyTable Applied{};  // the table as the last RegisterHotkeys left it
    velk::CListCtrl List;
    velk::CHotKeyCtrl HotkeyControl;
    std::wstring SelectedLabel;  // label of the selected row, shown in static 1029
    int Selected = -1;           // selected entry, -1 when none
    uint8_t ResetPending = 0;
    bool Filling = false;        // FillHotkeyList is rebuilding the rows
};

// The text of a key combination as the hotkey control shows it, such as
// "Ctrl + Shift + Right".
std::wstring HotkeyName(uint16_t key, uint16_t modifiers);
