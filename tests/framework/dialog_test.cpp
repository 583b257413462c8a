// Dialogs from templates: modal run with its result, binding for the life of
// the window, the message table before the dialog class's processing, and
// data exchange both ways.
#include "framework/dialog.h"
#include "resources/resource.h"
#include "testing/harness.h"
#include <gtest/gtest.h>

using namespace velk;

namespace {

constexpr UINT kFinish = WM_APP + 7;

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

}  // namespace
