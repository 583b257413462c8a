// What the tests of the Setting and Other settings pages share, on their
// stand-in host here and inside the main dialog (tests/app/maindialog): the
// simulated add-on library stands in for DisplayLink's, the simulated policy
// server (registered in the test prefix) for Windows' audio policy objects;
// the user-interface thread's blocking waits and sleeps go through the seam
// and are recorded, not waited.
#pragma once
#include "app/main_dialog.h"
#include "app/other_setting_page.h"
#include "app/setting_page.h"
#include "display/display_list.h"
#include "testing/harness.h"
#include "testing/policysim/policysim_control.h"
#include "testing/support/fake_topology.h"
#include "testing/support/in_process_dialog.h"
#include "testing/support/tray_fixture.h"
#include <optional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace settings_test {

inline std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return text;
}
inline std::wstring OtherSection() { return velk::test::ProfileSection(L"OtherSetting"); }
inline std::wstring ListText(HWND list, int index) {
    wchar_t text[256] = {};
    ::SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}

// Display 1 (primary) with displays 2 and 3 to its right, behind the seam and
// in the monitor enumeration key: the layout the display table numbers the
// DisplayLink displays 2 and 3 by.
struct ThreeDisplaysSideBySide {
    ThreeDisplaysSideBySide();
    velk::test::FakeTopology topology;
    velk::test::MonitorEnumKey monitors;
};

class SettingsFixture : public velk::test::InProcessDialogTest {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    static void Command(HWND window, UINT id, UINT code = BN_CLICKED);
    static bool Checked(HWND page, int id) { return ::IsDlgButtonChecked(page, id) == BST_CHECKED; }
    // An active display of the simulated add-on library, removed after the test.
    void AddSimDisplay(uint32_t adapterId);
    // Active displays of the simulated library, each with video optimisation off.
    void AddDisplayLinkDisplays(std::initializer_list<uint32_t> adapterIds);
    void RemoveSimDisplays();

    // The calls recorded by the simulated policy server.
    static std::vector<PolicySimCall> PolicyCalls();
    // Forgets the calls and the refused interfaces.
    static void ResetPolicySim();
    static void RefusePolicyInterface(const IID& iid);

    std::vector<uint32_t> simDisplays;
};

// A stand-in for the window that holds the two pages (hidden, modeless):
// it answers what the Setting page reads of its host and counts
// UM_PAGECHANGED. Its add-on access is real, against the simulated library,
// and it keeps the program's display table, which the Setting page numbers
// the DisplayLink displays by.
class FakeSettingHost : public velk::CDialog, public SettingPageHost {
public:
    FakeSettingHost();
    ~FakeSettingHost() override;
    AddOnMonitor* AddOnAccess() const noexcept override { return addOn.get(); }
    bool IsVideoOptimizeChosen() const override { return videoOptimize; }
    void ApplyDefaultAudioDevice() override { ++defaultDeviceApplies; }

    std::unique_ptr<AddOnMonitor> addOn;
    DisplayList table{};
    CSettingProp setting;
    OtherSetting other;
    bool videoOptimize = false;
    int defaultDeviceApplies = 0;
    int pageChanged = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override;
};

// The pages on the stand-in host, created and loaded as start-up does after
// it has made the program's profile key and built the display table.
class SettingPagesTest : public SettingsFixture {
protected:
    void TearDown() override;
    void Start();
    CSettingProp& Setting() const { return host->setting; }
    OtherSetting& Other() const { return host->other; }
    HWND SettingHwnd() const { return host->setting.GetSafeHwnd(); }
    HWND OtherHwnd() const { return host->other.GetSafeHwnd(); }
    // Three displays side by side, of which DisplayLink adapters with these
    // ids show the numbers the display table gives them; then Start.
    void StartWithDisplayLinkDisplays(std::initializer_list<uint32_t> adapterIds) {
        threeDisplays.emplace();
        Start();
        AddDisplayLinkDisplays(adapterIds);
    }
    // The DisplayLink list's states' step, due after a load or apply that
    // listed displays, run now.
    void ReadListedStates() {
        ASSERT_TRUE(Setting().IsAddOnStateReadPending());
        ::SendMessageW(SettingHwnd(), WM_TIMER, CSettingProp::kTimerAddOnStates, 0);
        ASSERT_FALSE(Setting().IsAddOnStateReadPending());
    }

    std::unique_ptr<FakeSettingHost> host;
    std::optional<ThreeDisplaysSideBySide> threeDisplays;
};

// The main dialog of the test process with its five pages.
class SettingsInMainDialog : public SettingsFixture {
protected:
    void TearDown() override {
        dialog.reset();
        tray.reset();
        SettingsFixture::TearDown();
    }
    // Creates the main dialog (as the program does at start-up).
    void Start() {
        tray = std::make_unique<velk::test::FakeTray>();
        dialog = std::make_unique<CVELKMIRADlg>();
        ASSERT_TRUE(dialog->Create(nullptr));
        hwnd = dialog->GetSafeHwnd();
        ASSERT_TRUE(dialog->IsInitialised());
    }
    void Apply() { Command(hwnd, IDC_APPLY); }
    HWND SettingHwnd() const { return dialog->Page(0)->GetSafeHwnd(); }
    HWND OtherHwnd() const { return dialog->Page(4)->GetSafeHwnd(); }
    OtherSetting& Other() const { return *static_cast<OtherSetting*>(dialog->Page(4)); }

    std::unique_ptr<velk::test::FakeTray> tray;
    std::unique_ptr<CVELKMIRADlg> dialog;
    HWND hwnd = nullptr;
};

}  // namespace settings_test
