#include "app/hotkey_page.h"

#include "app/velkmira_app.h"
#include "display/display_list.h"
#include "display/program_messages.h"
#include "display/shared_functions.h"
#include "framework/app.h"
#include "framework/message_box.h"
#include "framework/strings.h"
#include <algorithm>
#include <array>

namespace {

// The longest function label, which sets the width of the function column.
constexpr UINT kStringLongestLabel = IDS_MOVE_MOUSE_NEXT;

// The first "%d" of a label replaced by the number; labels without it stay as they are.
std::wstring FormatLabel(const std::wstring& label, uint32_t number) {
    std::wstring text = label;
    const size_t at = text.find(L"%d");
    if (at != std::wstring::npos) text.replace(at, 2, std::to_wstring(number));
    return text;
}

std::wstring KeyName(UINT virtualKey, bool extended, const wchar_t* fallback) {
    LONG lParam = static_cast<LONG>(::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC) << 16);
    if (extended) lParam |= 0x01000000;
    wchar_t buffer[64] = {};
    if (::GetKeyNameTextW(lParam, buffer, static_cast<int>(std::size(buffer))) > 0) return buffer;
    if (fallback) return fallback;
    if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z'))
        return std::wstring(1, static_cast<wchar_t>(virtualKey));
    return velk::FormatText(L"#%u", virtualKey);
}

// Widens each column to hold its widest row's text (never narrows one): the
// key names come from the keyboard driver and differ from one machine to
// the next, and the labels differ from one language to the next.
void WidenColumnsToRows(HWND list) noexcept {
    constexpr int kTextPadding = 12;
    HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
    const int columns = static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    const int rows = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int column = 0; column < columns; ++column) {
        const int width = static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
        int need = width;
        for (int row = 0; row < rows; ++row) {
            wchar_t text[256] = {};
            LVITEMW item{};
            item.iSubItem = column;
            item.pszText = text;
            item.cchTextMax = static_cast<int>(std::size(text));
            ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
            // The cell's label area is narrower than the column by the check box.
            RECT label{};
            label.top = column;
            label.left = LVIR_LABEL;
            ::SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&label));
            const int textWidth =
                static_cast<int>(::SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text)));
            need = std::max(need, textWidth + kTextPadding + width - static_cast<int>(label.right - label.left));
        }
        if (need > width) ::SendMessageW(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), need);
    }
}

}  // namespace

std::wstring HotkeyName(uint16_t key, uint16_t modifiers) {
    std::wstring name;
    auto add = [&name](const std::wstring& part) {
        if (!name.empty()) name += L" + ";
        name += part;
    };
    if (modifiers & HOTKEYF_CONTROL) add(KeyName(VK_CONTROL, false, L"Ctrl"));
    if (modifiers & HOTKEYF_SHIFT) add(KeyName(VK_SHIFT, false, L"Shift"));
    if (modifiers & HOTKEYF_ALT) add(KeyName(VK_MENU, false, L"Alt"));
    if (key != 0) add(KeyName(key, (modifiers & HOTKEYF_EXT) != 0, nullptr));
    return name;
}

CHotkeyDialog::CHotkeyDialog() noexcept : MessageMapped(kTemplateId) {}

std::span<const velk::MessageEntry<CHotkeyDialog>> CHotkeyDialog::MessageTable() {
    using T = CHotkeyDialog;
    static constexpr velk::MessageEntry<T> table[] = {
        velk::notify<T>(kListId, LVN_ITEMCHANGED, &T::OnHotkeyItemChanged),
        velk::notify<T>(kListId, NM_DBLCLK, &T::OnHotkeyListDblClk),
        velk::command<T>(kChangeButtonId, &T::OnHotkeyChangeButton),
        velk::command<T>(kResetButtonId, &T::OnHotkeyResetButton),
        velk::on<T>(WM_DESTROY, &T::OnDestroy),
    };
    return table;
}

HWND CHotkeyDialog::ParentWindow() const noexcept { return hwnd_ ? ::GetParent(hwnd_) : nullptr; }

void CHotkeyDialog::NotifyParentChanged() const { SendPageChanged(hwnd_); }

BOOL CHotkeyDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    UpdateData(false);

    const DialogCaption captions[] = {{kListCaptionId, IDS_HOTKEY_LIST},
                                      {kChangeGroupId, IDS_HOTKEY_CHANGE_GROUP},
                                      {kChangeButtonId, IDS_HOTKEY_CHANGE},
                                      {kResetButtonId, IDS_HOTKEY_DEFAULT}};
    SetCaptionsFromStrings(hwnd_, captions);

    const auto extended = static_cast<DWORD>(List.SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE));
    List.SetExtendedStyle(extended | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);

    // "Hotkey Assign" first, then "Function" in front of it.
    const std::wstring assign = velk::LoadResString(IDS_HOTKEY_COL_ASSIGN);
    if (assign.empty()) ShowErrorNumber(1010);
    else List.InsertColumn(0, assign, 150);
    const std::wstring function = velk::LoadResString(IDS_HOTKEY_COL_FUNCTION);
    if (function.empty()) {
        ShowErrorNumber(1011);
    } else {
        const std::wstring longest = velk::LoadResString(kStringLongestLabel);
        int width = 180;
        if (!longest.empty())
            width = static_cast<int>(List.SendMessage(LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(longest.c_str()))) + 50;
        List.InsertColumn(0, function, width);
    }
    return TRUE;
}

void CHotkeyDialog::DoDataExchange(velk::DataExchange& dx) {
    dx.Control(kListId, List);
    dx.Control(kHotkeyControlId, HotkeyControl);
    dx.Text(kLabelId, SelectedLabel);
}

void CHotkeyDialog::OnCancel() {
    // Esc on the page ends the program, as the main dialog's close does.
    if (HWND parent = ParentWindow()) ::SendMessageW(parent, WM_CLOSE, 0, 0);
}

LRESULT CHotkeyDialog::OnDestroy(WPARAM w, LPARAM l) {
    const LRESULT result = DefaultProc(WM_DESTROY, w, l);
    UnregisterHotkeys(ParentWindow());
    return result;
}

int CHotkeyDialog::LoadHotkeys() {
    if (!velk::AfxGetApp() || !ParentWindow()) return 0;
    LoadHotkeyTable(Table, CurrentDisplayList());
    return 1;
}

int CHotkeyDialog::SaveHotkeys() { return SaveHotkeyTable(Table) ? 1 : 0; }

BOOL CHotkeyDialog::RegisterHotkeys() {
    HWND parent = ParentWindow();
    if (!parent) return FALSE;
    const BOOL result = RegisterHotkeyTable(Table, parent);
    Applied = Table;
    return result;
}

void CHotkeyDialog::TakeAppliedIntoTable() {
    // Only what the user sets: which entries are available follows the
    // display table as it is now.
    for (size_t i = 0; i < Table.size(); ++i) {
        Table[i].modifiers = Applied[i].modifiers;
        Table[i].key = Applied[i].key;
        Table[i].enabled = Applied[i].enabled;
    }
}

void CHotkeyDialog::RestoreAppliedHotkeys() {
    TakeAppliedIntoTable();
    FillHotkeyList();
}

void CHotkeyDialog::CommitShown() {
    ReadHotkeyChecks();
    for (size_t i = 0; i < Table.size(); ++i) {
        Applied[i].modifiers = Table[i].modifiers;
        Applied[i].key = Table[i].key;
        Applied[i].enabled = Table[i].enabled;
    }
    if (ResetShown) ResetPending = 1;
    ResetShown = 0;
}

void CHotkeyDialog::ShowApplied() {
    ResetShown = 0;
    RestoreAppliedHotkeys();
}

int CHotkeyDialog::SaveAppliedHotkeys() {
    if (ResetPending) {
        DeleteProfileSection(kHotkeySection);
        return 1;
    }
    return SaveHotkeyTable(Applied) ? 1 : 0;
}

CHotkeyDialog::ShownEdits CHotkeyDialog::TakeShownEdits() {
    ShownEdits edits;
    ReadHotkeyChecks();
    edits.values = Table;
    for (size_t i = 0; i < Table.size(); ++i)
        edits.edited[i] = Table[i].modifiers != Applied[i].modifiers || Table[i].key != Applied[i].key ||
                          Table[i].enabled != Applied[i].enabled;
    edits.selected = Selected;
    if (HotkeyControl) HotkeyControl.GetHotKey(edits.controlKey, edits.controlModifiers);
    return edits;
}

void CHotkeyDialog::PutBackShownEdits(const ShownEdits& edits) {
    for (size_t i = 0; i < Table.size(); ++i) {
        if (!edits.edited[i]) continue;
        Table[i].modifiers = edits.values[i].modifiers;
        Table[i].key = edits.values[i].key;
        Table[i].enabled = edits.values[i].enabled;
    }
    FillHotkeyList();
    // A key typed into the control and not yet changed stays there too.
    if (edits.selected >= 0 && Selected == edits.selected && HotkeyControl)
        HotkeyControl.SetHotKey(edits.controlKey, edits.controlModifiers);
}

int CHotkeyDialog::ApplyHotkeys() {
    const ShownEdits edits = TakeShownEdits();
    // The list shows what is applied while the steps read it.
    TakeAppliedIntoTable();
    FillHotkeyList();
    int error = 0;
    if (ResetPending) {
        DeleteProfileSection(kHotkeySection);
        LoadHotkeys();
        ResetPending = 0;
    } else {
        ReadHotkeyChecks();
    }
    RegisterHotkeys();
    if (!FillHotkeyList()) {
        error = 1103;
    } else if (!SaveHotkeys()) {
        error = 1104;
    } else {
        LoadHotkeys();
        ReadHotkeyChecks();
        RegisterHotkeys();
        FillHotkeyList();
        if (!SaveHotkeys()) error = 1104;
    }
    PutBackShownEdits(edits);
    return error;
}

int CHotkeyDialog::UnregisterHotkeys(HWND window) {
    if (!window) return 1;
    return ::UnregisterHotkeys(window);
}

void CHotkeyDialog::ShowKeyOf(int entry) {
    if (entry < 0 || entry >= kHotkeyCount) return;
    const HotkeySlot& slot = Table[static_cast<size_t>(entry)];
    HotkeyControl.SetHotKey(static_cast<WORD>(slot.key & 0xFF), static_cast<WORD>(slot.modifiers & 0xFF));
}

void CHotkeyDialog::InsertHotkeyRow(int entry) {
    if (entry < 0 || entry >= kHotkeyCount || !List) return;
    const HotkeySlot& slot = Table[static_cast<size_t>(entry)];
    if (slot.available == 0) return;
    const std::wstring text =
        FormatLabel(velk::LoadResString(static_cast<UINT>(slot.label)), slot.userNumber ? slot.userNumber : slot.available);
    const int row = List.InsertItem(0, text);
    if (row < 0) return;
    ShowKeyOf(entry);
    List.SetItemText(row, 1, HotkeyName(slot.key & 0xFF, slot.modifiers & 0xFF));
    List.SetCheck(row, slot.enabled != 0);
    List.SetItemData(row, slot.index);
}

int CHotkeyDialog::FillHotkeyList() {
    if (!List || !::IsWindow(List.GetSafeHwnd())) return 0;
    // Rebuilding the rows is no change of the user's: keep it from enabling Apply.
    Filling = true;
    // One paint for the whole rebuild (an Apply rebuilds the list four times).
    const velk::RedrawHold held(List.GetSafeHwnd());
    List.DeleteAllItems();
    auto insertNumbered = [this](int first) {
        for (uint32_t number = kDisplaySlots; number >= 1; --number) {
            for (int i = first; i < first + kDisplaySlots; ++i) {
                if (Table[static_cast<size_t>(i)].available == number) InsertHotkeyRow(i);
            }
        }
    };
    insertNumbered(kFirstWindowSlotEntry);
    InsertHotkeyRow(kMousePreviousEntry);
    InsertHotkeyRow(kMouseNextEntry);
    insertNumbered(kFirstMouseSlotEntry);
    InsertHotkeyRow(kWindowPreviousEntry);
    InsertHotkeyRow(kWindowNextEntry);
    WidenColumnsToRows(List.GetSafeHwnd());
    Filling = false;
    ShowSelectedAfterFill();
    return 1;
}

int CHotkeyDialog::RowOfEntry(int entry) const {
    LVFINDINFOW find{};
    find.flags = LVFI_PARAM;
    find.lParam = entry;
    return static_cast<int>(List.SendMessage(LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

void CHotkeyDialog::ShowSelectedAfterFill() {
    // Each inserted row put its key into the control; the label still names
    // the selected entry, so the control must show that entry's key, or a
    // Change would copy another entry's key onto it.
    const int row = Selected >= 0 ? RowOfEntry(Selected) : -1;
    if (row >= 0) {
        SelectedLabel = List.GetItemText(row, 0);
        ShowKeyOf(Selected);
    } else {
        Selected = -1;
        SelectedLabel.clear();
        HotkeyControl.SetHotKey(0, 0);
    }
    UpdateData(false);
}

void CHotkeyDialog::ReadHotkeyChecks() {
    if (!List) return;
    const int rows = List.GetItemCount();
    for (int row = 0; row < rows; ++row) {
        const LPARAM entry = List.GetItemData(row);
        if (entry < 0 || entry >= kHotkeyCount) continue;
        Table[static_cast<size_t>(entry)].enabled = List.GetCheck(row) ? 1 : 0;
    }
}

void CHotkeyDialog::ReloadHotkeys() {
    const ShownEdits edits = TakeShownEdits();
    // The profile holds what is applied; the load makes the entries of the
    // displays now present available.
    LoadHotkeys();
    RegisterHotkeys();
    PutBackShownEdits(edits);
}

LRESULT CHotkeyDialog::OnHotkeyItemChanged(NMHDR* header) {
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    if (((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK) && !Filling) NotifyParentChanged();
    if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED) && change->iItem >= 0) {
        SelectedLabel = List.GetItemText(change->iItem, 0);
        const LPARAM entry = List.GetItemData(change->iItem);
        Selected = (entry >= 0 && entry < kHotkeyCount) ? static_cast<int>(entry) : -1;
        ShowKeyOf(Selected);
    }
    UpdateData(false);
    return 0;
}

LRESULT CHotkeyDialog::OnHotkeyListDblClk(NMHDR*) {
    ::SetFocus(HotkeyControl.GetSafeHwnd());
    return 0;
}

void CHotkeyDialog::OnHotkeyChangeButton() {
    ReadHotkeyChecks();
    WORD key = 0;
    WORD modifiers = 0;
    HotkeyControl.GetHotKey(key, modifiers);
    if (key == 0 && modifiers == 0) {
        velk::AfxMessageBox(velk::LoadResString(IDS_INVALID_SETTING), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (Selected < 0 || Selected >= kHotkeyCount) return;
    // Two entries with one combination cannot both be registered: the next
    // Apply would switch one of them off and forget its key.
    if (FindHotkeyHolder(Table, Selected, modifiers, key) >= 0) {
        velk::AfxMessageBox(velk::LoadResString(IDS_HOTKEY_IN_USE), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    HotkeySlot& slot = Table[static_cast<size_t>(Selected)];
    slot.modifiers = modifiers;
    slot.key = key;
    FillHotkeyList();

    const int row = RowOfEntry(Selected);
    if (row >= 0) {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        List.SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
        RECT label{};
        label.left = LVIR_LABEL;
        List.SendMessage(LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&label));
        List.SendMessage(LVM_SCROLL, 0, static_cast<LPARAM>(row) * (label.bottom - label.top));
        ::SetFocus(List.GetSafeHwnd());
    }
    NotifyParentChanged();
    UpdateData(false);
}

void CHotkeyDialog::OnHotkeyResetButton() {
    std::wstring question;
    if (!LoadStringOrWarn(IDS_HOTKEY_RESET_QUESTION, question)) return;
    if (velk::AfxMessageBox(question, MB_YESNO) != IDYES) return;
    NotifyParentChanged();
    ResetShown = 1;
}
