// The Hotkey page (third tab of the settings window): the list of the 24
// hotkeys with a check box each, the hotkey control to change the selected
// one, and the button that goes back to the defaults at the next Apply.
#pragma once
#include "app/hotkeys.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "resources/resource.h"
#include <array>
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
    // The displays changed: the applied hotkeys are loaded again for the
    // displays now present and registered; edits on screen that are not
    // applied stay on screen (and unregistered).
    void ReloadHotkeys();
    // Cancel and the close box: every entry gets back its keys and check as
    // last applied, and the list is refilled.
    void RestoreAppliedHotkeys();
    // Apply and OK: the keys changed and the checks set on screen, and a
    // confirmed Reset, become what is applied.
    void CommitShown();
    // Cancel and the close box: the applied hotkeys on screen again; a Reset
    // not applied is dropped.
    void ShowApplied();
    // Saves what is applied: the applied table, or, with a Reset applied and
    // not yet carried out, no section (so the defaults are what a start loads).
    // 0 when the table could not be saved.
    int SaveAppliedHotkeys();
    // Apply's hotkey steps on the applied table: registered, listed, saved
    // and read back once more; edits on screen that are not applied are
    // shown again afterwards. 0, or the error number to report (1103 the
    // list could not be filled, 1104 the table could not be saved).
    int ApplyHotkeys();

    // A Reset the user applied; the next Apply resets the section and clears it.
    bool IsResetPending() const noexcept { return ResetPending != 0; }
    void ClearResetPending() noexcept { ResetPending = 0; }
    // A confirmed Reset not applied yet.
    bool IsResetShown() const noexcept { return ResetShown != 0; }

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

    // The edits on screen that differ from what is applied, per entry, and
    // what the hotkey control holds: kept across a step that works on the
    // applied table and refills the list.
    struct ShownEdits {
        std::array<bool, kHotkeyCount> edited{};
        HotkeyTable values{};
        int selected = -1;
        WORD controlKey = 0;
        WORD controlModifiers = 0;
    };
    ShownEdits TakeShownEdits();
    void PutBackShownEdits(const ShownEdits& edits);
    // The applied keys and checks into the table.
    void TakeAppliedIntoTable();

    void ShowKeyOf(int entry);
    // After a refill: the label and the hotkey control show the selected
    // entry again, or nothing when it has no row any more.
    void ShowSelectedAfterFill();
    int RowOfEntry(int entry) const;
    void NotifyParentChanged() const;
    HWND ParentWindow() const noexcept;

    HotkeyTable Table{};
    HotkeyTable Applied{};  // the table as last applied (OK) or registered
    velk::CListCtrl List;
    velk::CHotKeyCtrl HotkeyControl;
    std::wstring SelectedLabel;  // label of the selected row, shown in static 1029
    int Selected = -1;           // selected entry, -1 when none
    uint8_t ResetPending = 0;
    uint8_t ResetShown = 0;  // a confirmed Reset, not applied yet
    bool Filling = false;        // FillHotkeyList is rebuilding the rows
};

// The text of a key combination as the hotkey control shows it, such as
// "Ctrl + Shift + Right".
std::wstring HotkeyName(uint16_t key, uint16_t modifiers);
