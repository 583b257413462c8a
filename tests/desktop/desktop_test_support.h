// Shared fixture of the Extra desktop page tests: the page as a child of a
// stand-in main dialog, the profile of the test prefix, and desktop_sim, the
// program that plays the shell's process with a real icon list view.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_dialog_state.h"
#include "framework/app.h"
#include "framework/dialog.h"
#include "taskbar/app_setting_page.h"
#include "testing/harness.h"

namespace velk::test {

// The shell's process with icons of these texts at InitialPosition(i).
class DesktopSim {
public:
    explicit DesktopSim(const std::vector<std::wstring>& icons, const std::wstring& options = L"",
                        const wchar_t* topClass = L"Progman");
    // Closes the program and expects it to end with 0.
    ~DesktopSim();
    DesktopSim(const DesktopSim&) = delete;
    DesktopSim& operator=(const DesktopSim&) = delete;

    bool Ready() const noexcept { return top_ != nullptr; }
    DWORD Pid() const noexcept { return process_.Id(); }
    HWND List() const noexcept;
    // Read in the sim's own process; {-1, -1} when the item does not exist.
    POINT Position(int index) const noexcept;
    bool Move(int index, POINT to) const noexcept;
    int Add(const std::wstring& text) const noexcept;
    void ShrinkAfterReads(int reads, int keep) const noexcept;
    // Committed private regions of the sim's address space.
    int CommittedRegions() const noexcept;

private:
    ChildProcess process_;
    HWND top_ = nullptr;
};

// A stand-in main dialog: a hidden modeless dialog carrying the main
// dialog's shared members; records UM_PAGECHANGED.
class HostDialog : public CDialog, public MainDialogState {
public:
    HostDialog();
    int pageChanged = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override;
};

class PageTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Creates the page (its OnInitDialog reads the profile as it is now).
    void CreatePage();
    HWND Item(int id) const { return ::GetDlgItem(page.GetSafeHwnd(), id); }
    bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }
    bool Checked(int id) const { return ::IsDlgButtonChecked(page.GetSafeHwnd(), id) == BST_CHECKED; }
    // Clicks a button of the page as the user would (BN_CLICKED to the page).
    void Click(int id);
    // Profile values of the test prefix.
    static std::optional<DWORD> Int(const std::wstring& section, const wchar_t* name) {
        return GetDword(HKEY_CURRENT_USER, ProfileSection(section), name);
    }

    CWinApp app{L"Velkmira"};
    PlatformOverride platform;
    HostDialog host;
    CAppSettingProp page;
};

}  // namespace velk::test
