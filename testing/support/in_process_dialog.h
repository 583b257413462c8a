// What every fixture with the main dialog inside the test process shares:
// once, what the program makes before its main dialog and the simulated
// add-on library; for each test, a fresh profile, the platform seam
// restored at the end (first in, last out), the user-interface thread's
// blocking waits recorded instead of waited, and Windows 6.1.
#pragma once
#include "app/velkmira_app.h"
#include "testing/harness.h"
#include "testing/support/addon_test_support.h"
#include <gtest/gtest.h>
#include <commctrl.h>

namespace velk::test {

// What the program's start-up makes before its main dialog, once per test
// program: the common controls, the rich edit library the dialogs use, the
// profile's registry key and the main window class.
inline void PrepareForMainDialog() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    ::LoadLibraryW(L"RICHED20.DLL");  // stays loaded, as in the program
    theApp.SetRegistryKey(L"VELK-Panomira");
    RegisterMainWindowClass();
}

class InProcessDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        PrepareForMainDialog();
        // The dialog's add-on access loads the simulated library.
        addon_test::SetLibraryPath(addon_test::SimulatedLibraryPath());
    }
    static void TearDownTestSuite() { addon_test::RemoveLibraryPath(); }

    void SetUp() override {
        ResetProfile();
        RecordBlockingWaits();
        FakeWindowsVersion(6, 1);
    }

    PlatformOverride seam;
};

}  // namespace velk::test
