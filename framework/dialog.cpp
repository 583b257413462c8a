#include "framework/dialog.h"
#include <cwchar>

namespace velk {

void DataExchange::Check(int id, int& value) const {
    HWND control = ::GetDlgItem(dialog_, id);
    if (saving_) value = static_cast<int>(::SendMessageW(control, BM_GETCHECK, 0, 0));
    else ::SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DataExchange::Radio(int firstId, int& index) const {
    // The group runs from firstId to the next control with WS_GROUP.
    HWND control = ::GetDlgItem(dialog_, firstId);
    if (saving_) index = -1;
    for (int i = 0; control; ++i) {
        if (saving_) {
            if (::SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED) index = i;
        } else {
            ::SendMessageW(control, BM_SETCHECK, i == index ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        control = ::GetWindow(control, GW_HWNDNEXT);
        if (!control || (::GetWindowLongPtrW(control, GWL_STYLE) & WS_GROUP)) break;
    }
}

void DataExchange::Text(int id, std::wstring& value) const {
    if (saving_) value = Wnd(::GetDlgItem(dialog_, id)).GetWindowText();
    else ::SetDlgItemTextW(dialog_, id, value.c_str());
}

void DataExchange::Int(int id, int& value) const {
    if (saving_) {
        BOOL ok = FALSE;
        int read = static_cast<int>(::GetDlgItemInt(dialog_, id, &ok, TRUE));
        if (ok) value = read;
    } else {
        ::SetDlgItemInt(dialog_, id, static_cast<UINT>(value), TRUE);
    }
}

void DataExchange::ComboIndex(int id, int& index) const {
    if (saving_) index = static_cast<int>(::SendDlgItemMessageW(dialog_, id, CB_GETCURSEL, 0, 0));
    else ::SendDlgItemMessageW(dialog_, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

INT_PTR CDialog::DoModal() {
    ModalRun run(*this);
    return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent_,
                             StaticDialogProc, reinterpret_cast<LPARAM>(this));
}

bool CDialog::Create(HWND parent) {
    parent_ = parent;
    return ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent,
                                StaticDialogProc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

bool CDialog::UpdateData(bool saving) {
    if (!hwnd_) return false;
    DataExchange dx(hwnd_, saving);
    DoDataExchange(dx);
    return true;
}

CDialog* CDialog::FromDialog(HWND dialog) noexcept {
    // DWLP_USER belongs to whoever owns the dialog procedure: read it only
    // when that is ours.
    if (!dialog || ::GetWindowLongPtrW(dialog, DWLP_DLGPROC) != reinterpret_cast<LONG_PTR>(&StaticDialogProc))
        return nullptr;
    return reinterpret_cast<CDialog*>(::GetWindowLongPtrW(dialog, DWLP_USER));
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM w, LPARAM l) {
    LRESULT result = 0;
    if (OnMessage(msg, w, l, result)) return result;
    switch (msg) {
    case WM_INITDIALOG:
        // Reached from the dialog procedure only; the class processing has run.
        return OnInitDialog();
    case WM_COMMAND:
        if (HIWORD(w) == BN_CLICKED || l == 0) {
            if (LOWORD(w) == IDOK) {
                OnOK();
                return 0;
            }
            if (LOWORD(w) == IDCANCEL) {
                OnCancel();
                return 0;
            }
        }
        break;
    }
    return DefaultProc(msg, w, l);
}

namespace {
// Messages whose answer the dialog procedure returns itself instead of
// through DWLP_MSGRESULT.
bool AnswersDirectly(UINT msg) noexcept {
    return (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) || msg == WM_COMPAREITEM ||
           msg == WM_VKEYTOITEM || msg == WM_CHARTOITEM || msg == WM_QUERYDRAGICON || msg == WM_INITDIALOG;
}
}  // namespace

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) noexcept {
    CDialog* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(l);
        if (!self) return TRUE;
        self->BindDialog(hwnd);
    } else {
        // Messages before WM_INITDIALOG find no object.
        self = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
        if (!self || self->TakeDefaultCall()) return FALSE;
    }
    bool failed = false;
    const LRESULT result = self->Route(msg, w, l, failed);
    // After a failure the dialog class goes on as if the message were not ours.
    if (failed) return FALSE;
    if (AnswersDirectly(msg)) return result;
    ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace velk
