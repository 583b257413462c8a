// The Setting page (first tab of the settings window): the window resize
// policy of window movement, start at logon and Windows' mouse sonar, and a
// button to Windows' display settings. Its apply also carries out two choices
// of the Other settings page: the DisplayLink video optimisation and the
// default playback device. At every load and apply it rebuilds a hidden list
// of the active DisplayLink displays, of which the user sees only whether the
// label "Display" is enabled.
#pragma once
#include "app/setting_page_host.h"
#include "display/addon_access.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "resources/resource.h"
#include <cstdint>
#include <span>
#include <string>

// The Run value of HKEY_CURRENT_USER "Software\Microsoft\Windows\CurrentVersion\Run"
// that starts the program at logon.
inline constexpr wchar_t kRunKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kRunValueName[] = L"VELKMU";

// The Run value for a program file: its drive and folder followed by
// "Velkmira.exe", in double quotes when that contains a space (so that Windows
// cannot take a leading part of the path for another program).
std::wstring RunValueForProgram(const wchar_t* programPath);

class CSettingProp : public velk::MessageMapped<CSettingProp, velk::CDialog> {
public:
    static constexpr UINT kTemplateId = IDD_SETTING_PAGE;
    // TIMER_SONAR: the sonar box follows Windows' mouse sonar at this period.
    static constexpr UINT_PTR kTimerSonar = 1;
    static constexpr UINT kSonarFollowMs = 3000;
    // The DisplayLink list's second look, when the first found no active
    // display: a one-shot timer of the page.
    static constexpr UINT_PTR kTimerAddOnLook = 2;
    static constexpr UINT kAddOnLookMs = 5000;
    // The listed DisplayLink displays' states, read once the library has had
    // its settle time after the pump that listed them: a one-shot timer.
    static constexpr UINT_PTR kTimerAddOnStates = 3;
    // Slots of the DisplayLink display states (adapter ids 1 to 10).
    static constexpr int kDisplayStates = 10;

    CSettingProp() noexcept;
    // The window that will hold the page; set before the page is created.
    void SetHost(SettingPageHost* host) noexcept { Host = host; }

    // Fills the controls from the profile and the system; the result is not used.
    BOOL LoadSettingPage();
    // Saves and applies the page's settings; the result is not used.
    BOOL ApplySettingPage();
    // Writes the applied values to the profile and the Run value; false when
    // the Run key could not be opened.
    bool SaveSettingPage();
    // Apply and OK: what the controls show becomes what is applied.
    void CommitShown();
    // Cancel and the close box: the controls show what is applied again.
    void ShowApplied();

    // The resize policy of window movement as last applied: 0 for "Do not
    // resize a window.", else 1.
    int ResizeModeApplied() const noexcept { return Applied.fixedSize ? 0 : 1; }

    const AddOnDisplayState& DisplayState(int index) const noexcept { return DisplayStates[index]; }
    bool IsSonarBoxTouched() const noexcept { return SonarBoxTouched != 0; }
    // The DisplayLink list waits for its second look.
    bool IsAddOnLookPending() const noexcept { return AddOnLookPending; }
    // The listed displays' states are still to be read.
    bool IsAddOnStateReadPending() const noexcept { return AddOnStatesPending; }

    static std::span<const velk::MessageEntry<CSettingProp>> MessageTable();

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(velk::DataExchange& dx) override;

private:
    void NotifyPageChanged();
    void OnSonarBoxClicked();
    void OnDisplaySettingsButton();
    // The hidden button 1082: runs the display renumbering dialog.
    void OnChangeNumber();
    LRESULT OnTimer(WPARAM w, LPARAM l);
    LRESULT OnDestroy(WPARAM w, LPARAM l);

    // Rebuilds the DisplayLink display list and the display states. When the
    // add-on access finds no active display, the list shows "-" meanwhile and
    // the page's timer looks once more kAddOnLookMs later.
    // reading: the library as the caller's one pump left it (null: the
    // refresh pumps itself when there is add-on access).
    void RefreshAddOnDisplayList(const AddOnReading* reading = nullptr);
    // The second look: the refresh finished with what the library reports
    // then, followed by the selection step of the load or apply that began it.
    void FinishAddOnLook();
    // The states' step: the listed displays' states read and swapped in
    // whole, then the selection step of the load or apply that began it.
    void FinishAddOnStates();
    // Reads the state of each display listed in `states` (by adapter id);
    // a display gone meanwhile counts as a failed query.
    void ReadAddOnStates(AddOnDisplayState (&states)[kDisplayStates]) const;
    // A load's or apply's steps after the list, once neither the second look
    // nor the states' step is still due.
    void FollowUpFinishedList();
    bool IsAddOnListPending() const noexcept { return AddOnLookPending || AddOnStatesPending; }
    // The saved rotations take the place of what the displays reported.
    void ReadSavedRotations();
    // Fills the list for count active displays (none: "-"); the states of
    // the listed displays follow in the states' step.
    void FillAddOnDisplayList(const AddOnReading* reading, int count);
    // Enables or disables the label "Display" and the hidden DisplayLink controls.
    void EnableAddOnDisplayControls(bool enable);
    // Adapter id of the display selected in the DisplayLink list; 0 for none.
    int SelectedAdapterId() const;
    // Shows the selected display's activity type on the hidden mode controls.
    void ShowSelectedDisplayMode();
    // Selects the selected display's rotation in the hidden rotation list.
    void SelectRotationOfSelectedDisplay();
    // Selection, rotation, data exchange and mode after a fill of the list.
    void ShowSelectedDisplay();
    // Sets Windows' mouse sonar as last applied.
    void ApplyMouseSonar();

    // The page's choices as last applied (or loaded): every step but the
    // user's Apply and OK saves and applies these, never the controls.
    struct SettingValues {
        bool fixedSize = false;  // "Do not resize a window."
        bool startup = true;     // "Run when system starts"
        bool sonar = false;      // mouse sonar
    };
    SettingValues Applied;

    velk::CComboBox DisplayListControl;
    AddOnDisplayState DisplayStates[kDisplayStates] = {};
    velk::CButton ResizeRadio;  // "Do not resize a window."
    velk::CButton ScaleRadio;
    velk::CButton StartupBox;
    velk::CButton MirrorRadio;
    velk::CButton ExtendRadio;
    int32_t SonarBoxTouched = 0;
    velk::CButton SonarBox;
    velk::CComboBox RotationListControl;
    SettingPageHost* Host = nullptr;       // not owned
    AddOnMonitor* AddOnAccess = nullptr;  // the host's; not owned
    int32_t LastDisplaySelection = 0;
    velk::CStatic RotationLabel;
    velk::CStatic ModeLabel;
    velk::CButton OffRadio;
    velk::CStatic DisplayLabel;
    std::wstring Description;
    velk::CButton DisplaySettingsButton;
    velk::CStatic DescriptionControl;
    bool AddOnLookPending = false;
    // The listed displays (adapter id and number) whose states the pending
    // states' step reads; DisplayStates keep the last whole set until then.
    AddOnDisplayState PendingStates[kDisplayStates] = {};
    bool AddOnStatesPending = false;
    // The load or apply whose list is still due shows the selection after it.
    bool ListThenShow = false;
    // The list still due belongs to a load, whose rotations follow the list.
    bool ListThenRotations = false;
};
