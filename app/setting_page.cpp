#include "app/setting_page.h"
#include "app/change_number_dialog.h"
#include "app/velkmira_app.h"
#include "display/addon_api.h"
#include "display/display_list.h"
#include "display/program_messages.h"
#include "display/shared_functions.h"
#include "framework/app.h"
#include "framework/handles.h"
#include "framework/platform.h"
#include "framework/strings.h"
#include "framework/paths.h"
#include <shellapi.h>
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <cwchar>
#include <utility>

namespace {

constexpr wchar_t kSection[] = L"Setting";
constexpr wchar_t kFixSizeValue[] = L"WINFIXSIZE";
constexpr wchar_t kStartupValue[] = L"STARTUP";
constexpr wchar_t kMouseSonarValue[] = L"MOUSESONAR";
constexpr wchar_t kProgramFileName[] = L"Velkmira.exe";
constexpr wchar_t kAddOnAdapterText[] = L"DisplayLink Graphics Adapter";
constexpr int kMouseSonarErrorNumber = 1036;
// dlSetVideoOptimizeModeState: optimised for video, and not.
constexpr int32_t kVideoOptimizeOn = 1;
constexpr int32_t kVideoOptimizeOff = 5;
// Activity types of an add-on display as the hidden mode controls show them.
constexpr int32_t kActivityOff = 1;
constexpr int32_t kActivityMirror = 2;
constexpr int32_t kActivityExtend = 3;

// The label "Display" and the hidden DisplayLink controls that go grey together.
constexpr int kAddOnDisplayControls[] = {IDC_SET_DL_DISPLAYS,  IDC_SET_DISPLAY_LABEL,     IDC_SET_DL_MIRROR,
                                         IDC_SET_DL_EXTEND,    IDC_SET_DL_OFF,            IDC_SET_DL_MODE_LABEL,
                                         IDC_SET_DL_ROTATION_LABEL, IDC_SET_DL_ROTATION};

// Captions set at initialisation, in this order.
constexpr DialogCaption kCaptions[] = {
    {IDC_SET_DISPLAY_LABEL, IDS_DISPLAY},          {IDC_SET_RESIZE_FIXED, IDS_DO_NOT_RESIZE},
    {IDC_SET_RESIZE_SCALE, IDS_RESIZE},            {IDC_SET_RESIZE_GROUP, IDS_RESIZE_GROUP},
    {IDC_SET_MULTIDISPLAY_GROUP, IDS_MULTIDISPLAY_GROUP}, {IDC_SET_DL_MODE_LABEL, IDS_DISPLAY_MODE},
    {IDC_SET_DL_EXTEND, IDS_EXTEND_MODE},          {IDC_SET_DL_MIRROR, IDS_MIRROR_MODE},
    {IDC_SET_DL_ROTATION_LABEL, IDS_ROTATION},     {IDC_SET_UTILITY_GROUP, IDS_UTILITY_GROUP},
    {IDC_SET_RUN_AT_STARTUP, IDS_RUN_AT_STARTUP},  {IDC_SET_MOUSE_SONAR, IDS_MOUSE_SONAR},
};

// The entries of the hidden rotation list, in rotation order 1 to 4.
constexpr UINT kRotationTexts[] = {IDS_ROTATION_NORMAL, IDS_ROTATION_LEFT90, IDS_ROTATION_180, IDS_ROTATION_RIGHT90};

// Controls initialisation hides once more.
constexpr int kHiddenControls[] = {IDC_SET_DL_MIRROR,     IDC_SET_DL_EXTEND,         IDC_SET_DL_OFF,
                                   IDC_SET_DL_MODE_LABEL, IDC_SET_DL_ROTATION_LABEL, IDC_SET_DL_ROTATION};

// "Monitor%d_Rotation", d = 1 to 10: the rotation of the DisplayLink display
// with adapter id d, as the hidden rotation list numbers it (1 to 4); 0 when
// none is known. Anything else read or about to be written counts as 0.
constexpr int32_t kRotationNone = 0;
constexpr int32_t kRotationLast = 4;
std::wstring RotationValueName(int adapterId) { return velk::FormatText(L"Monitor%d_Rotation", adapterId); }
int32_t BoundedRotation(int64_t value) noexcept {
    return value >= kRotationNone && value <= kRotationLast ? static_cast<int32_t>(value) : kRotationNone;
}

bool WindowsMouseSonarOn() {
    BOOL on = FALSE;
    ::SystemParametersInfoW(SPI_GETMOUSESONAR, 0, &on, 0);
    return on == TRUE;
}

// Leading decimal digits of a text; 0 when it starts with none.
int LeadingNumber(const std::wstring& text) {
    int number = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9' || number > 100000) break;
        number = number * 10 + (c - L'0');
    }
    return number;
}

}  // namespace

std::wstring RunValueForProgram(const wchar_t* programPath) {
    std::wstring value = velk::FolderOfPath(programPath) + kProgramFileName;
    if (value.find(L' ') != std::wstring::npos) value = L"\"" + value + L"\"";
    return value;
}

CSettingProp::CSettingProp() noexcept : MessageMapped(kTemplateId) {}

std::span<const velk::MessageEntry<CSettingProp>> CSettingProp::MessageTable() {
    using T = CSettingProp;
    // The hidden DisplayLink mode, rotation and "Display ID" controls have no
    // handlers: nothing ever shows them, so nothing can change through them.
    static constexpr velk::MessageEntry<T> table[] = {
        velk::command<T>(IDC_SET_RESIZE_FIXED, &T::NotifyPageChanged),
        velk::command<T>(IDC_SET_RESIZE_SCALE, &T::NotifyPageChanged),
        velk::command<T>(IDC_SET_RUN_AT_STARTUP, &T::NotifyPageChanged),
        velk::command<T>(IDC_SET_MOUSE_SONAR, &T::OnSonarBoxClicked),
        velk::command<T>(IDC_SET_DISPLAY_SETTINGS, &T::OnDisplaySettingsButton),
        velk::command<T>(IDC_SET_USE_APP_NUMBER, &T::OnChangeNumber),
        velk::on<T>(WM_TIMER, &T::OnTimer),
        velk::on<T>(WM_DESTROY, &T::OnDestroy),
    };
    return table;
}

void CSettingProp::DoDataExchange(velk::DataExchange& dx) {
    dx.Control(IDC_SET_DL_DISPLAYS, DisplayListControl);
    dx.Control(IDC_SET_RESIZE_FIXED, ResizeRadio);
    dx.Control(IDC_SET_RESIZE_SCALE, ScaleRadio);
    dx.Control(IDC_SET_RUN_AT_STARTUP, StartupBox);
    dx.Control(IDC_SET_DL_MIRROR, MirrorRadio);
    dx.Control(IDC_SET_DL_EXTEND, ExtendRadio);
    dx.Control(IDC_SET_MOUSE_SONAR, SonarBox);
    dx.Control(IDC_SET_DL_ROTATION, RotationListControl);
    dx.Control(IDC_SET_DL_ROTATION_LABEL, RotationLabel);
    dx.Control(IDC_SET_DL_MODE_LABEL, ModeLabel);
    dx.Control(IDC_SET_DL_OFF, OffRadio);
    dx.Control(IDC_SET_DISPLAY_LABEL, DisplayLabel);
    dx.Text(IDC_SET_APPEARANCE_DESC, Description);
    dx.Control(IDC_SET_DISPLAY_SETTINGS, DisplaySettingsButton);
    dx.Control(IDC_SET_APPEARANCE_DESC, DescriptionControl);
}

BOOL CSettingProp::OnInitDialog() {
    CDialog::OnInitDialog();
    UpdateData(false);
    if (Host) AddOnAccess = Host->AddOnAccess();
    SetCaptionsFromStrings(hwnd_, kCaptions);
    velk::LoadResString(IDS_CHANGE_APPEARANCE_DESC, Description);
    std::wstring buttonText;
    if (LoadStringOrWarn(IDS_CHANGE_APPEARANCE, buttonText)) DisplaySettingsButton.SetWindowText(buttonText);
    if (IsWindowsOlderThan(5, 1)) SonarBox.ShowWindow(SW_HIDE);
    for (int control : kHiddenControls) ::ShowWindow(GetDlgItem(control), SW_HIDE);
    SetTimer(kTimerSonar, kSonarFollowMs);
    return TRUE;
}

BOOL CSettingProp::LoadSettingPage() {
    velk::CWinApp* app = velk::AfxGetApp();
    if (!app) {
        ScaleRadio.SetCheck(BST_CHECKED);
        ResizeRadio.SetCheck(BST_UNCHECKED);
        Applied.fixedSize = false;
    } else {
        // What the profile holds is what was applied.
        Applied.fixedSize = app->GetProfileInt(kSection, kFixSizeValue, 1) == 0;
        Applied.startup = app->GetProfileInt(kSection, kStartupValue, 1) != 0;
        // The profile can only turn the box off; Windows' own state decides
        // when the profile says on.
        Applied.sonar = app->GetProfileInt(kSection, kMouseSonarValue, 1) != 0 && WindowsMouseSonarOn();
        ShowApplied();
        RefreshAddOnDisplayList();
        // Listed displays whose states are still to be read take the saved
        // rotations after that step; the last whole set is not touched.
        if (!AddOnStatesPending) ReadSavedRotations();
        ListThenRotations = IsAddOnListPending();
    }
    RotationListControl.ResetContent();
    for (UINT stringId : kRotationTexts) {
        std::wstring text;
        if (!velk::LoadResString(stringId, text)) return TRUE;
        RotationListControl.AddString(text);
    }
    if (!AddOnStatesPending) ShowSelectedDisplay();
    ListThenShow = IsAddOnListPending();
    return TRUE;
}

void CSettingProp::ReadSavedRotations() {
    velk::CWinApp* app = velk::AfxGetApp();
    if (!app) return;
    for (int i = 0; i < kDisplayStates; ++i) {
        const UINT stored = app->GetProfileInt(kSection, RotationValueName(i + 1).c_str(), kRotationNone);
        DisplayStates[i].Rotation = BoundedRotation(stored);
    }
}

void CSettingProp::CommitShown() {
    Applied.fixedSize = ResizeRadio.IsChecked();
    Applied.startup = StartupBox.IsChecked();
    Applied.sonar = SonarBox.IsChecked();
}

void CSettingProp::ShowApplied() {
    ResizeRadio.SetCheck(Applied.fixedSize ? BST_CHECKED : BST_UNCHECKED);
    ScaleRadio.SetCheck(Applied.fixedSize ? BST_UNCHECKED : BST_CHECKED);
    StartupBox.SetCheck(Applied.startup ? BST_CHECKED : BST_UNCHECKED);
    SonarBox.SetCheck(Applied.sonar ? BST_CHECKED : BST_UNCHECKED);
}

bool CSettingProp::SaveSettingPage() {
    UpdateData(true);
    if (velk::CWinApp* app = velk::AfxGetApp()) {
        app->WriteProfileInt(kSection, kFixSizeValue, Applied.fixedSize ? 0 : 1);
        app->WriteProfileInt(kSection, kStartupValue, Applied.startup ? 1 : 0);
        app->WriteProfileInt(kSection, kMouseSonarValue, Applied.sonar ? 1 : 0);
        // All ten, display 1's too, so that every value the load reads follows the display.
        for (int i = 0; i < kDisplayStates; ++i) {
            app->WriteProfileInt(kSection, RotationValueName(i + 1).c_str(),
                                 BoundedRotation(DisplayStates[i].Rotation));
        }
    }
    velk::UniqueKey run;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, run.put(),
                          nullptr) != ERROR_SUCCESS)
        return false;
    if (Applied.startup) {
        const std::wstring value = RunValueForProgram(velk::ProgramPath().c_str());
        ::RegSetValueExW(run.get(), kRunValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    } else {
        ::RegDeleteValueW(run.get(), kRunValueName);
    }
    return true;
}

void CSettingProp::ApplyMouseSonar() {
    const BOOL on = Applied.sonar ? TRUE : FALSE;
    // Neither written to the user's profile nor broadcast.
    if (!::SystemParametersInfoW(SPI_SETMOUSESONAR, 0, reinterpret_cast<void*>(static_cast<UINT_PTR>(on)), 0))
        ShowErrorNumber(kMouseSonarErrorNumber);
}

BOOL CSettingProp::ApplySettingPage() {
    SonarBoxTouched = 0;
    LastDisplaySelection = DisplayListControl.GetCurSel();
    SaveSettingPage();
    ApplyMouseSonar();
    // The DisplayLink modes and rotations change only through the hidden
    // controls, which nothing shows: there is nothing of them to apply.
    // A second look of the list that is still due goes on by itself; the
    // steps after it do not wait for it.
    // One pump of the library serves the list and the ten display numbers.
    const AddOnReading reading;
    RefreshAddOnDisplayList(&reading);
    // Only a page that has its window acts on its host's choices.
    SettingPageHost* host = hwnd_ ? Host : nullptr;
    if (IsWindowsAtLeast(6, 1)) {
        const bool optimize = host && host->IsVideoOptimizeChosen();
        const std::vector<AddOnDisplayEntry> displays = reading.Displays();
        for (uint32_t number = 1; number <= kDisplaySlots; ++number) {
            if (AddOnDisplayHandle display = FindInAddOnDisplays(displays, number))
                dlSetVideoOptimizeModeState(display, optimize ? kVideoOptimizeOn : kVideoOptimizeOff);
        }
    }
    if (host) host->ApplyDefaultAudioDevice();
    // The new list's selection is shown with its states.
    if (!AddOnStatesPending) ShowSelectedDisplay();
    ListThenShow = IsAddOnListPending();
    return TRUE;
}

void CSettingProp::ShowSelectedDisplay() {
    LastDisplaySelection = DisplayListControl.GetCurSel();
    SelectRotationOfSelectedDisplay();
    UpdateData(false);
    ShowSelectedDisplayMode();
    UpdateData(false);
}

void CSettingProp::RefreshAddOnDisplayList(const AddOnReading* reading) {
    // A new load or apply starts the look and the states' step anew.
    if (AddOnLookPending) KillTimer(kTimerAddOnLook);
    AddOnLookPending = false;
    ListThenShow = false;
    ListThenRotations = false;
    std::optional<AddOnReading> own;
    if (AddOnAccess && !reading) reading = &own.emplace();
    const int count = AddOnAccess ? reading->ActiveCount() : 0;
    FillAddOnDisplayList(reading, count);
    if (AddOnAccess && count <= 0 && hwnd_) {
        // None yet: the list shows "-" until the second look.
        AddOnLookPending = SetTimer(kTimerAddOnLook, kAddOnLookMs) != 0;
    }
}

void CSettingProp::FinishAddOnLook() {
    KillTimer(kTimerAddOnLook);
    if (!AddOnLookPending) return;
    AddOnLookPending = false;
    // One reading for the whole handler: the library pumps once, however
    // many displays the list gets.
    std::optional<AddOnReadingScope> scope;
    std::optional<AddOnReading> reading;
    if (AddOnAccess) {
        scope.emplace();
        reading.emplace();
    }
    FillAddOnDisplayList(reading ? &*reading : nullptr, reading ? reading->ActiveCount() : 0);
    FollowUpFinishedList();
}

void CSettingProp::FillAddOnDisplayList(const AddOnReading* reading, int count) {
    // A fill replaces whatever an earlier one still had to read.
    if (AddOnStatesPending) KillTimer(kTimerAddOnStates);
    AddOnStatesPending = false;
    AddOnDisplayState listed[kDisplayStates] = {};
    bool anyListed = false;
    DisplayListControl.ResetContent();
    if (!AddOnAccess || !reading || count <= 0) {
        DisplayListControl.AddString(L"-");
        EnableAddOnDisplayControls(false);
    } else {
        for (int index = 0; index <= count; ++index) {
            const int32_t id = reading->AdapterIdAt(index);
            if (id < 1 || id > kDisplayStates) continue;
            EnableAddOnDisplayControls(true);
            AddOnDisplayState& state = listed[id - 1];
            if (reading->Find(static_cast<uint32_t>(id))) {
                state.AdapterId = id;
                anyListed = true;
                if (const DisplayList* table = CurrentDisplayList()) {
                    for (const DisplayRecord& record : table->Records) {
                        if (record.SystemsDispNumber != static_cast<uint32_t>(id)) continue;
                        if (record.DisplayNumber != 0) state.DisplayNumber = static_cast<int32_t>(record.DisplayNumber);
                        break;
                    }
                }
            }
            DisplayListControl.AddString(velk::FormatText(L"%d : %s", state.DisplayNumber, kAddOnAdapterText));
        }
    }
    if (DisplayListControl.SetCurSel(LastDisplaySelection) == CB_ERR) DisplayListControl.SetCurSel(0);
    // The states are read once the library has settled after this pump, in a
    // step of their own rather than by holding the thread; until then the
    // last whole set stays.
    if (anyListed && hwnd_ && SetTimer(kTimerAddOnStates, kAddOnStateSettleMilliseconds)) {
        std::copy(std::begin(listed), std::end(listed), std::begin(PendingStates));
        AddOnStatesPending = true;
        return;
    }
    if (anyListed) ReadAddOnStates(listed);
    std::copy(std::begin(listed), std::end(listed), std::begin(DisplayStates));
    UpdateData(false);
    ShowSelectedDisplayMode();
    UpdateData(false);
}

void CSettingProp::ReadAddOnStates(AddOnDisplayState (&states)[kDisplayStates]) const {
    for (AddOnDisplayState& state : states) {
        if (state.AdapterId == 0) continue;
        AddOnDisplayState read{};
        if (AddOnAccess && QueryAddOnDisplayState(static_cast<uint32_t>(state.AdapterId), &read)) {
            read.DisplayNumber = state.DisplayNumber;
            state = read;
        } else {
            state = AddOnDisplayState{};
        }
    }
}

void CSettingProp::FinishAddOnStates() {
    KillTimer(kTimerAddOnStates);
    if (!AddOnStatesPending) return;
    AddOnStatesPending = false;
    ReadAddOnStates(PendingStates);
    std::copy(std::begin(PendingStates), std::end(PendingStates), std::begin(DisplayStates));
    UpdateData(false);
    ShowSelectedDisplayMode();
    UpdateData(false);
    FollowUpFinishedList();
}

void CSettingProp::FollowUpFinishedList() {
    if (IsAddOnListPending()) return;
    if (ListThenRotations) ReadSavedRotations();
    if (ListThenShow) ShowSelectedDisplay();
    ListThenShow = false;
    ListThenRotations = false;
}

void CSettingProp::EnableAddOnDisplayControls(bool enable) {
    for (int control : kAddOnDisplayControls) ::EnableWindow(GetDlgItem(control), enable ? TRUE : FALSE);
}

int CSettingProp::SelectedAdapterId() const {
    const int selected = DisplayListControl.GetCurSel();
    if (selected < 0) return 0;
    const int number = LeadingNumber(DisplayListControl.GetLBText(selected));
    for (const AddOnDisplayState& state : DisplayStates)
        if (state.DisplayNumber == number) return state.AdapterId;
    return 0;
}

void CSettingProp::ShowSelectedDisplayMode() {
    const int selected = SelectedAdapterId();
    if (selected < 1) {
        EnableAddOnDisplayControls(false);
        return;
    }
    if (selected > kDisplayStates) return;
    switch (DisplayStates[selected - 1].ActivityType) {
    case kActivityOff:
        OffRadio.SetCheck(BST_CHECKED);
        MirrorRadio.SetCheck(BST_UNCHECKED);
        ExtendRadio.SetCheck(BST_UNCHECKED);
        RotationLabel.EnableWindow(false);
        RotationListControl.EnableWindow(false);
        break;
    case kActivityMirror:
        EnableAddOnDisplayControls(true);
        MirrorRadio.SetCheck(BST_CHECKED);
        ExtendRadio.SetCheck(BST_UNCHECKED);
        OffRadio.SetCheck(BST_UNCHECKED);
        break;
    case kActivityExtend:
        EnableAddOnDisplayControls(true);
        ExtendRadio.SetCheck(BST_CHECKED);
        MirrorRadio.SetCheck(BST_UNCHECKED);
        OffRadio.SetCheck(BST_UNCHECKED);
        break;
    default:
        break;
    }
}

void CSettingProp::SelectRotationOfSelectedDisplay() {
    const int selected = SelectedAdapterId();
    int entry = 0;
    if (selected >= 1 && selected <= kDisplayStates) {
        const int32_t rotation = DisplayStates[selected - 1].Rotation;
        if (rotation >= 1 && rotation <= 4) entry = rotation - 1;
    }
    RotationListControl.SetCurSel(entry);
}

void CSettingProp::NotifyPageChanged() { SendPageChanged(hwnd_); }

void CSettingProp::OnSonarBoxClicked() {
    SonarBoxTouched = 1;
    NotifyPageChanged();
}

void CSettingProp::OnDisplaySettingsButton() {
    OpenDisplaySettings();
}

LRESULT CSettingProp::OnTimer(WPARAM w, LPARAM l) {
    if (w == kTimerAddOnLook) FinishAddOnLook();
    if (w == kTimerAddOnStates) FinishAddOnStates();
    // Until the user touches the box, it follows Windows' own state, and so
    // does what the next Apply saves (an untouched box holds no edit).
    if (w == kTimerSonar && SonarBoxTouched != 1) {
        Applied.sonar = WindowsMouseSonarOn();
        SonarBox.SetCheck(Applied.sonar ? BST_CHECKED : BST_UNCHECKED);
    }
    return DefaultProc(WM_TIMER, w, l);
}

LRESULT CSettingProp::OnDestroy(WPARAM w, LPARAM l) {
    const LRESULT result = DefaultProc(WM_DESTROY, w, l);
    KillTimer(kTimerSonar);
    KillTimer(kTimerAddOnLook);
    KillTimer(kTimerAddOnStates);
    AddOnLookPending = false;
    AddOnStatesPending = false;
    return result;
}

// The hidden button 1082: runs the display renumbering dialog.
void CSettingProp::OnChangeNumber() { RunChangeNumberDialog(hwnd_); }
