// Shared support of the Extra desktop page tests: the page as a child of a
// stand-in main dialog, and desktop_sim, the program that plays the shell's
// process with a real icon list view.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/app.h"
#include "taskbar/app_setting_page.h"
#include "testing/harness.h"

namespace velk::test {

// The shell's process with icons of these texts at InitialPosition(i).
class DesktopSim {
public:
    explicit DesktopSim(const std::vector<std::wstring>& icons, const std::wstring& options = L"",
                        const wchar_t* topClass = L"Progman");
    ~DesktopSim();  // closes the program and expects exit code 0
    bool Ready() const noexcept { return top_ != nullptr; }
    HWND List() const noexcept;
    // Read in the sim's own process; {-1, -1} when the item does not exist.
    POINT Position(int index) const noexcept;
    bool Move(int index, POINT to) const noexcept;
    int Add(const std::wstring& text) const noexcept;
    void ShrinkAfterReads(int reads, int keep) const noexcept;
    // LVM_SETITEMPOSITION requests from outside since the last call.
    int TakeSetPositionCount() const noexcept;
    // The sim stops answering for ms: inside the request after `reads` more
    // position reads from outside, or (StallNow) at once; StallNow returns
    // once the stall has begun.
    void StallAfterReads(int reads, DWORD ms) const noexcept;
    bool StallNow(DWORD ms) const noexcept;
    // Stalls begun since the last call.
    int TakeStallCount() const noexcept;
    // Committed private regions of the sim's address space.
    int CommittedRegions() const noexcept;

private:
    ChildProcess process_;
    HWND top_ = nullptr;
};

// A stand-in main dialog (hidden, modeless) that the page reads as its host;
// counts UM_PAGECHANGED.
class HostDialog : public CDialog, public AppSettingHost, public MoveGate {
public:
    HostDialog();
    int pageChanged = 0;
    bool SettingsShown = false;
    bool IsSettingsShown() const noexcept override { return SettingsShown; }
    MoveGate& WindowMoveGate() noexcept override { return *this; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override;
};

// The page on its host, with a fresh profile; both go with the object.
struct PageHost {
    PageHost();
    ~PageHost();
    void Create();  // OnInitDialog reads the profile as it is now
    HWND Item(int id) const { return ::GetDlgItem(page.GetSafeHwnd(), id); }
    bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }
    bool Checked(int id) const { return ::IsDlgButtonChecked(page.GetSafeHwnd(), id) == BST_CHECKED; }
    void Click(int id) const { ::SendMessageW(Item(id), BM_CLICK, 0, 0); }

    CWinApp app{L"Velkmira"};
    HostDialog host;
    CAppSettingProp page;
};

::testing::AssertionResult Same(POINT a, POINT b);
// Pumps this thread's messages until the page's icon task has ended (a
// generous limit); the task's answer, or nothing when it did not end.
std::optional<int> FinishIconJob(CAppSettingProp& page, DWORD limitMs = 120000);
// Starts the task on the page and waits for its end as above.
std::optional<int> RunIconJob(CAppSettingProp& page, IconTask task);
inline std::optional<DWORD> ProfileInt(const std::wstring& section, const wchar_t* name) {
    return GetDword(HKEY_CURRENT_USER, ProfileSection(section), name);
}

}  // namespace velk::test
