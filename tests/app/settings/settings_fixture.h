// The main dialog of the test process with its five pages, for the tests of
// the Setting and Other settings pages. The simulated add-on library stands
// in for DisplayLink's, the simulated policy server (registered in the test
// prefix) for Windows' audio policy objects; the user-interface thread's
// blocking waits and sleeps go through the seam and are recorded, not waited.
#pragma once
#include "app/main_dialog.h"
#include "testing/harness.h"
#include "testing/policysim/policysim_control.h"
#include "testing/support/in_process_dialog.h"
#include "testing/support/tray_fixture.h"
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace settings_test {

class SettingsFixture : public velk::test::InProcessDialogTest {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Creates the main dialog (as the program does at start-up).
    void Start();
    void Command(HWND window, UINT id, UINT code = BN_CLICKED);
    void Apply() { Command(hwnd, IDC_APPLY); }
    // An active display of the simulated add-on library, removed after the test.
    void AddSimDisplay(uint32_t adapterId);
    void RemoveSimDisplays();

    HWND SettingHwnd() const { return dialog->Page(0)->GetSafeHwnd(); }
    HWND OtherHwnd() const { return dialog->Page(4)->GetSafeHwnd(); }
    OtherSetting& Other() const { return *static_cast<OtherSetting*>(dialog->Page(4)); }
    bool Checked(HWND page, int id) const { return ::IsDlgButtonChecked(page, id) == BST_CHECKED; }

    // The calls recorded by the simulated policy server.
    static std::vector<PolicySimCall> PolicyCalls();
    // Forgets the calls and the refused interfaces.
    static void ResetPolicySim();
    static void RefusePolicyInterface(const IID& iid);

    std::unique_ptr<velk::test::FakeTray> tray;
    std::unique_ptr<CVELKMIRADlg> dialog;
    HWND hwnd = nullptr;
    std::vector<uint32_t> simDisplays;
};

}  // namespace settings_test
