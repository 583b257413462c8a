// Dialogs from templates: modal run with its result, binding for the life of
// the window, the message table before the dialog class's processing, the
// answers through the dialog procedure, data exchange both ways, and a
// handler's failure ending the modal runs.
#include "framework/controls.h"
#include "framework/dialog.h"
#include "resources/resource.h"
#include "testing/harness.h"
#include <gtest/gtest.h>
#include <stdexcept>

using namespace velk;

namespace {

constexpr UINT kFinish = WM_APP + 7;

// Views (controls) are pointed at a window, also through data exchange; a
// window object of ours is bound only by its creation or subclassing.
template <class T>
concept Attachable = requires(T& window) { window.Attach(HWND{}); };
template <class T>
concept Exchangeable = requires(const DataExchange& dx, T& window) { dx.Control(0, window); };
static_assert(Attachable<Wnd> && Attachable<CButton> && Exchangeable<CComboBox>);
static_assert(!Attachable<CWnd> && !Attachable<CDialog> && !Exchangeable<CWnd> && !Exchangeable<CDialog>);

void RegisterMainDialogClass() {
    WNDCLASSW wc{};
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    if (::GetClassInfoW(instance, L"VELK-DORVIX UTILITY", &wc)) return;
    ::GetClassInfoW(instance, L"#32770", &wc);
    wc.lpszClassName = L"VELK-DORVIX UTILITY";
    wc.hInstance = instance;
    ASSERT_NE(::RegisterClassW(&wc), 0);
}

class ProbeDialog : public MessageMapped<ProbeDialog, CDialog> {
public:
    ProbeDialog() : MessageMapped(IDD_VELKMIRA_DIALOG) {}
    static std::span<const MessageEntry<ProbeDialog>> MessageTable() {
        static constexpr MessageEntry<ProbeDialog> table[] = {
            on(kFinish, &ProbeDialog::OnFinish),
            command(IDC_APPLY, &ProbeDialog::OnApply),
        };
        return table;
    }
    bool initialised = false;
    bool boundDuringRun = false;
    int applied = 0;
    int okPressed = 0;
    std::wstring caption = L"Probe caption";
    std::wstring readBack;

protected:
    BOOL OnInitDialog() override {
        initialised = true;
        UpdateData(false);
        ::PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_APPLY, BN_CLICKED), 0);
        ::PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        ::PostMessageW(hwnd_, kFinish, 0, 0);
        return TRUE;
    }
    void DoDataExchange(DataExchange& dx) override {
        if (dx.Saving()) dx.Text(IDC_APPLY, readBack);
        else dx.Text(IDC_APPLY, caption);
    }
    void OnOK() override { ++okPressed; }  // stays open: the table decides when it ends

private:
    void OnApply() { ++applied; }
    LRESULT OnFinish(WPARAM, LPARAM) {
        boundDuringRun = CDialog::FromDialog(hwnd_) == this && CWnd::FromHandle(hwnd_) == this;
        UpdateData(true);
        EndDialog(42);
        return 0;
    }
};

TEST(Dialogs, ModalRunDispatchesAndExchangesData) {
    RegisterMainDialogClass();
    ProbeDialog dialog;
    EXPECT_EQ(dialog.DoModal(), 42);
    EXPECT_TRUE(dialog.initialised);
    EXPECT_TRUE(dialog.boundDuringRun);
    EXPECT_EQ(dialog.applied, 1);
    EXPECT_EQ(dialog.okPressed, 1);
    EXPECT_EQ(dialog.readBack, L"Probe caption");
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);  // unbound once the window is gone
}

TEST(Dialogs, ModelessChildLivesUntilDestroyed) {
    RegisterMainDialogClass();
    HWND parent = ::CreateWindowExW(0, L"STATIC", L"parent", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr, nullptr,
                                    nullptr);
    ProbeDialog dialog;
    ASSERT_TRUE(dialog.Create(parent));
    HWND hwnd = dialog.GetSafeHwnd();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(dialog.initialised);
    EXPECT_EQ(::GetParent(hwnd) == parent || ::GetWindow(hwnd, GW_OWNER) == parent, true);
    ::DestroyWindow(parent);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
}

// Answers a handler gives, directly or after the dialog class's own processing.
class AnswerDialog : public MessageMapped<AnswerDialog, CDialog> {
public:
    AnswerDialog() : MessageMapped(IDD_VELKMIRA_DIALOG) {}
    static std::span<const MessageEntry<AnswerDialog>> MessageTable() {
        static constexpr MessageEntry<AnswerDialog> table[] = {
            on(kFinish, &AnswerDialog::OnFinish),
            on(WM_CTLCOLORDLG, &AnswerDialog::OnColor),
            on(WM_GETTEXTLENGTH, &AnswerDialog::OnTextLength),
        };
        return table;
    }
    HBRUSH brush = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
    int defaultCalls = 0;

private:
    LRESULT OnFinish(WPARAM w, LPARAM) { return static_cast<LRESULT>(w * 2); }
    LRESULT OnColor(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(brush); }
    LRESULT OnTextLength(WPARAM w, LPARAM l) {
        ++defaultCalls;
        return DefaultProc(WM_GETTEXTLENGTH, w, l) + 100;
    }
};

TEST(Dialogs, AnswersThroughTheDialogProcedure) {
    RegisterMainDialogClass();
    AnswerDialog dialog;
    ASSERT_TRUE(dialog.Create(nullptr));
    HWND hwnd = dialog.GetSafeHwnd();
    EXPECT_EQ(CWnd::FromHandle(hwnd), &dialog);
    EXPECT_EQ(::SendMessageW(hwnd, kFinish, 21, 0), 42);  // through DWLP_MSGRESULT
    EXPECT_EQ(reinterpret_cast<HBRUSH>(::SendMessageW(hwnd, WM_CTLCOLORDLG, 0, 0)), dialog.brush);  // directly
    // The default processing runs once, inside the handler, and its answer comes back.
    EXPECT_EQ(::SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0), LRESULT(16 + 100));  // "Korvane Panomira"
    EXPECT_EQ(dialog.defaultCalls, 1);
    EXPECT_EQ(dialog.GetWindowText(), L"Korvane Panomira");  // WM_GETTEXT left to the dialog class
    ::DestroyWindow(hwnd);
    EXPECT_EQ(CWnd::FromHandle(hwnd), nullptr);
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);

    // Someone else's dialog procedure, with its own pointer in DWLP_USER.
    HWND foreign = ::CreateDialogParamW(
        ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_VELKMIRA_DIALOG), nullptr,
        [](HWND window, UINT msg, WPARAM, LPARAM l) WINAPI -> INT_PTR {
            if (msg == WM_INITDIALOG) ::SetWindowLongPtrW(window, DWLP_USER, l);
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&dialog));
    ASSERT_NE(foreign, nullptr);
    EXPECT_EQ(CWnd::FromHandle(foreign), nullptr);
    ::DestroyWindow(foreign);
}

// A modal dialog that opens a nested one, or fails, when told.
class FailingDialog : public MessageMapped<FailingDialog, CDialog> {
public:
    FailingDialog() : MessageMapped(IDD_VELKMIRA_DIALOG) {}
    static std::span<const MessageEntry<FailingDialog>> MessageTable() {
        static constexpr MessageEntry<FailingDialog> table[] = {on(kFinish, &FailingDialog::OnFinish)};
        return table;
    }
    FailingDialog* nested = nullptr;  // opened modally from this one's run; else this one fails
    INT_PTR nestedResult = 0;

protected:
    BOOL OnInitDialog() override {
        ::PostMessageW(hwnd_, kFinish, 0, 0);
        return TRUE;
    }

private:
    LRESULT OnFinish(WPARAM, LPARAM) {
        if (!nested) throw std::runtime_error("the nested page failed");
        nestedResult = nested->DoModal();
        return 0;
    }
};

TEST(HandlerFailure, EndsEveryModalRunAndIsKeptUntilTaken) {
    RegisterMainDialogClass();
    FailingDialog inner;
    FailingDialog outer;
    outer.nested = &inner;
    EXPECT_EQ(outer.DoModal(), -1);
    EXPECT_EQ(outer.nestedResult, -1);
    EXPECT_EQ(outer.GetSafeHwnd(), nullptr);
    EXPECT_EQ(inner.GetSafeHwnd(), nullptr);
    EXPECT_EQ(TakeHandlerFailure(), std::optional<std::string>("the nested page failed"));
    EXPECT_EQ(TakeHandlerFailure(), std::nullopt);

    // A run after the failure was taken goes on as usual.
    ProbeDialog probe;
    EXPECT_EQ(probe.DoModal(), 42);
    EXPECT_EQ(TakeHandlerFailure(), std::nullopt);
}

}  // namespace
