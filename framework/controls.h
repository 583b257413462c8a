// Thin views of the standard controls a dialog holds; they own nothing.
#pragma once
#include "framework/wnd.h"
#include <commctrl.h>
#include <string>

namespace velk {

class CButton : public Wnd {
public:
    using Wnd::Wnd;
    int GetCheck() const noexcept { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int state) const noexcept { SendMessage(BM_SETCHECK, static_cast<WPARAM>(state)); }
    bool IsChecked() const noexcept { return GetCheck() == BST_CHECKED; }
};

class CStatic : public Wnd {
public:
    using Wnd::Wnd;
};

class CComboBox : public Wnd {
public:
    using Wnd::Wnd;
    int AddString(const std::wstring& text) const noexcept {
        return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }
    int GetCount() const noexcept { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    // The text of an entry; empty for an index the list does not hold.
    std::wstring GetLBText(int index) const {
        const LRESULT length = SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
        if (length < 0) return {};
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        const LRESULT got = SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
        text.resize(got < 0 ? 0 : static_cast<size_t>(got));
        return text;
    }
    int GetCurSel() const noexcept { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int index) const noexcept { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }
    void ResetContent() const noexcept { SendMessage(CB_RESETCONTENT); }
    LRESULT GetItemData(int index) const noexcept { return SendMessage(CB_GETITEMDATA, static_cast<WPARAM>(index)); }
    void SetItemData(int index, LPARAM data) const noexcept { SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(index), data); }
};

class CTabCtrl : public Wnd {
public:
    using Wnd::Wnd;
    int InsertItem(int index, const std::wstring& text) const noexcept {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(text.c_str());
        return static_cast<int>(SendMessage(TCM_INSERTITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
    }
    int GetCurSel() const noexcept { return static_cast<int>(SendMessage(TCM_GETCURSEL)); }
    int SetCurSel(int index) const noexcept { return static_cast<int>(SendMessage(TCM_SETCURSEL, static_cast<WPARAM>(index))); }
    int GetItemCount() const noexcept { return static_cast<int>(SendMessage(TCM_GETITEMCOUNT)); }
    // The display area of the control for a window rectangle (in place).
    void AdjustRect(bool larger, RECT& rect) const noexcept {
        SendMessage(TCM_ADJUSTRECT, larger ? TRUE : FALSE, reinterpret_cast<LPARAM>(&rect));
    }
};

// Holds a control's repaints while it is refilled, and repaints it whole at
// the end: a list rebuilt row by row then costs one paint instead of one per
// change. A control that is hidden is left alone (turning repaints back on
// would show it).
class RedrawHold {
public:
    explicit RedrawHold(HWND control) noexcept
        : control_(control && (::GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) ? control : nullptr) {
        if (control_) ::SendMessageW(control_, WM_SETREDRAW, FALSE, 0);
    }
    ~RedrawHold() {
        if (!control_) return;
        ::SendMessageW(control_, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(control_, nullptr, TRUE);
    }
    RedrawHold(const RedrawHold&) = delete;
    RedrawHold& operator=(const RedrawHold&) = delete;

private:
    HWND control_;
};

class CListCtrl : public Wnd {
public:
    using Wnd::Wnd;
    int GetItemCount() const noexcept { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    BOOL DeleteAllItems() const noexcept { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
    int InsertColumn(int index, const std::wstring& heading, int width, int format = LVCFMT_LEFT) const noexcept {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = format;
        column.cx = width;
        column.pszText = const_cast<wchar_t*>(heading.c_str());
        return static_cast<int>(SendMessage(LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)));
    }
    int InsertItem(int index, const std::wstring& text) const noexcept {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = index;
        item.pszText = const_cast<wchar_t*>(text.c_str());
        return static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    }
    BOOL SetItemText(int index, int subItem, const std::wstring& text) const noexcept {
        LVITEMW item{};
        item.iSubItem = subItem;
        item.pszText = const_cast<wchar_t*>(text.c_str());
        return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
    }
    std::wstring GetItemText(int index, int subItem) const {
        wchar_t buffer[512] = {};
        LVITEMW item{};
        item.iSubItem = subItem;
        item.pszText = buffer;
        item.cchTextMax = static_cast<int>(std::size(buffer));
        SendMessage(LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        return buffer;
    }
    // The value kept with a row (LVIF_PARAM); GetItemData answers -1 for a row that does not exist.
    BOOL SetItemData(int index, LPARAM data) const noexcept {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = index;
        item.lParam = data;
        return static_cast<BOOL>(SendMessage(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    }
    LPARAM GetItemData(int index) const noexcept {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = index;
        item.lParam = -1;
        if (!SendMessage(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return -1;
        return item.lParam;
    }
    DWORD SetExtendedStyle(DWORD style) const noexcept {
        return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style));
    }
    BOOL GetCheck(int index) const noexcept {
        auto state = static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_STATEIMAGEMASK));
        return ((state >> 12) - 1) == 1;
    }
    void SetCheck(int index, bool checked) const noexcept {
        LVITEMW item{};
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
        SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    }
};

class CHotKeyCtrl : public Wnd {
public:
    using Wnd::Wnd;
    void SetHotKey(WORD virtualKey, WORD modifiers) const noexcept { SendMessage(HKM_SETHOTKEY, MAKEWORD(virtualKey, modifiers)); }
    void GetHotKey(WORD& virtualKey, WORD& modifiers) const noexcept {
        auto value = static_cast<WORD>(SendMessage(HKM_GETHOTKEY));
        virtualKey = LOBYTE(value);
        modifiers = HIBYTE(value);
    }
};

}  // namespace velk
