// Dialogs from resource templates, modal and modeless. A dialog is bound to
// its object at WM_INITDIALOG (DWLP_USER) and from then on every message that
// reaches the dialog procedure runs through the object's WindowProc, whose
// default is the dialog class's own processing.
#pragma once
#include "framework/message_table.h"
#include "framework/window.h"
#include <string>

namespace velk {

// Two-way transfer between members and a dialog's controls.
class DataExchange {
public:
    DataExchange(HWND dialog, bool saving) noexcept : dialog_(dialog), saving_(saving) {}
    bool Saving() const noexcept { return saving_; }
    HWND Dialog() const noexcept { return dialog_; }

    // Check box: BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE.
    void Check(int id, int& value) const;
    // Group of automatic radio buttons starting at firstId: index of the checked one, -1 for none.
    void Radio(int firstId, int& index) const;
    void Text(int id, std::wstring& value) const;
    void Int(int id, int& value) const;
    // Selected index of a combo box, -1 for none.
    void ComboIndex(int id, int& index) const;
    // Binds a control view to the dialog's control (both directions).
    void Control(int id, Wnd& control) const noexcept { control.Attach(::GetDlgItem(dialog_, id)); }
    // A window object of ours binds through its creation or subclassing.
    void Control(int id, CWnd& control) const = delete;

private:
    HWND dialog_;
    bool saving_;
};

class CDialog : public CWnd {
public:
    CDialog(UINT templateId, HWND parent = nullptr) noexcept : templateId_(templateId), parent_(parent) {}

    // Runs the dialog modally; answers the EndDialog result, or -1 when it
    // could not be created or a handler failed (see TakeHandlerFailure).
    INT_PTR DoModal();
    // Creates the dialog modeless as a window of parent (a child page or a popup).
    bool Create(HWND parent);
    void EndDialog(INT_PTR result) noexcept { ::EndDialog(hwnd_, result); }
    UINT TemplateId() const noexcept { return templateId_; }
    // The window that owns the next modal run (disabled while it runs).
    void SetOwner(HWND owner) noexcept { parent_ = owner; }

    // Data exchange: saving reads the controls into the members.
    bool UpdateData(bool saving = true);

    // The dialog object bound to a dialog window of ours, or null.
    static CDialog* FromDialog(HWND dialog) noexcept;

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    virtual void DoDataExchange(DataExchange&) {}

    LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override;

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) noexcept;

    UINT templateId_;
    HWND parent_;
};

}  // namespace velk
