#include "taskbar/taskbar_control.h"
#include "display/display_list.h"
#include "display/display_lookup.h"
#include "display/shared_functions.h"
#include "framework/handles.h"
#include "framework/platform.h"
#include "resources/resource.h"
#include "taskbar/app_setting_page.h"
#include "taskbar/taskbar_window.h"
#include <shobjidl.h>
#include <algorithm>
#include <vector>

namespace {

constexpr int kButtonWidth = 160;
constexpr int kButtonMargin = 5;
constexpr UINT kButtonControlId = 4134;
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | BS_ICON | BS_OWNERDRAW;  // 0x5000004B

// {56FDF344-FD6D-11D0-958A-006097C9A090} and {56FDF342-FD6D-11D0-958A-006097C9A090}
constexpr CLSID kTaskbarListClass = {0x56FDF344, 0xFD6D, 0x11D0, {0x95, 0x8A, 0x00, 0x60, 0x97, 0xC9, 0xA0, 0x90}};
constexpr IID kTaskbarListInterface = {0x56FDF342, 0xFD6D, 0x11D0, {0x95, 0x8A, 0x00, 0x60, 0x97, 0xC9, 0xA0, 0x90}};

const DisplayRecord* SlotOfNumber(int number) noexcept {
    const DisplayList* list = CurrentDisplayList();
    if (!list || number == 0) return nullptr;
    for (const DisplayRecord& record : list->Records)
        if (static_cast<int>(record.SystemsDispNumber) == number) return &record;
    return nullptr;
}

}  // namespace

RECT TaskButtonRect(int k, int displayWidth, int buttonHeight) noexcept {
    // Slots per row: the buttons whose right edge stays within the display,
    // at least one, so that the row-0 test and the row arithmetic agree.
    const int perRow = std::max(1, (displayWidth - kButtonMargin) / kButtonWidth);
    const int row = k / perRow;
    RECT rect{};
    rect.left = kButtonMargin + kButtonWidth * (k - row * perRow);
    rect.top = row == 0 ? 3 : (buttonHeight + 3) * row;
    rect.right = rect.left + kButtonWidth;
    // A display narrower than one button gets a button as wide as it allows.
    if (rect.right > displayWidth) rect.right = std::max<LONG>(rect.left + 1, displayWidth);
    rect.bottom = rect.top + buttonHeight;
    return rect;
}

TaskbarTabRound::~TaskbarTabRound() {
    list_.reset();
    if (started_ && SUCCEEDED(init_)) ::CoUninitialize();
}

bool TaskbarTabRound::Set(HWND window, bool shown) noexcept {
    if (!started_) {
        // The first change of the round makes the one object of the round.
        started_ = true;
        init_ = ::CoInitialize(nullptr);
        if (SUCCEEDED(velk::Platform().CoCreateInstance(kTaskbarListClass, nullptr, CLSCTX_INPROC_SERVER,
                                                        kTaskbarListInterface, list_.put_void())) &&
            list_)
            list_->HrInit();
        else
            list_.reset();
    }
    if (!list_) return false;  // without the object the change is skipped
    if (shown) list_->AddTab(window);
    else list_->DeleteTab(window);
    return true;
}

void CAppSettingProp::SetTaskbarTab(TaskbarTabRound& round, HWND window, bool shown) {
    // A window this program never changed has its tab as Windows gave it.
    auto it = TabsDeleted.find(window);
    if ((it != TabsDeleted.end()) == !shown) return;
    // A change the round could not make is not recorded: the next round,
    // at the latest the next tick, makes it again.
    if (!round.Set(window, shown)) return;
    if (shown && it != TabsDeleted.end()) TabsDeleted.erase(it);
    else TabsDeleted.insert(window);
}

HWND CAppSettingProp::MainWindow() const noexcept { return hwnd_ ? ::GetParent(hwnd_) : nullptr; }

CTaskbarEx* CAppSettingProp::ExtraTaskbarOf(int number) const noexcept {
    return number >= 1 && number <= kExtraTaskbarNumbers ? ExtraTaskbarByNumber[number].get() : nullptr;
}

void CAppSettingProp::ApplyUseTaskbar() {
    // The bars follow the applied flags; the boxes keep what the user shows
    // in them, applied or not.
    DetectTaskbarTheme();
    bool tooNew = false;
    if (IsWindowsAtLeast(6, 2)) {
        UseTaskbar = 0;
        tooNew = true;
    }
    HWND page = hwnd_;
    if (UseTaskbar == 1) {
        if (!Running) {
            CreateExtraTaskbars(TaskbarOnTop);
            SyncTaskbarButtons();
        }
        if (page) SetTimer(kTaskbarRefreshTimer, kTaskbarRefreshMs);
    } else if (tooNew) {
        // Bars never run on these versions; one left from before goes too.
        if (Running) {
            if (page) KillTimer(kTaskbarRefreshTimer);
            DestroyExtraTaskbars();
        }
        UseTaskbarCheck.SetCheck(BST_UNCHECKED);
        ::EnableWindow(GetDlgItem(IDC_APP_USE_TASKBAR), FALSE);
    } else {
        if (Running) {
            if (page) KillTimer(kTaskbarRefreshTimer);
            DestroyExtraTaskbars();
        }
        ::EnableWindow(GetDlgItem(IDC_APP_USE_TASKBAR), TRUE);
    }
    EnableTaskbarOptions();
}

void CAppSettingProp::ReapplyTaskbarSettings() {
    if (!Running) return;
    HWND page = hwnd_;
    if (page) KillTimer(kTaskbarRefreshTimer);
    DestroyExtraTaskbars();
    RefreshWindowTable();
    EnableTaskbarOptions();
    CreateExtraTaskbars(TaskbarOnTop);
    SyncTaskbarButtons();
    if (page) SetTimer(kTaskbarRefreshTimer, kTaskbarRefreshMs);
}

void CAppSettingProp::CreateExtraTaskbars(uint8_t onTop) {
    for (int n = 1; n <= kExtraTaskbarNumbers; ++n) RemoveExtraTaskbar(n);
    if (!MainWindow()) return;
    if (const DisplayList* list = CurrentDisplayList()) {
        for (const DisplayRecord& slot : list->Records) {
            const int n = static_cast<int>(slot.SystemsDispNumber);
            if (slot.Primary != 0 || n < 1 || n > kExtraTaskbarNumbers) continue;
            RemoveExtraTaskbar(n);
            ExtraTaskbarByNumber[n] = std::make_unique<CTaskbarEx>();
            CTaskbarEx* bar = ExtraTaskbarByNumber[n].get();
            CreateTaskbarWindow(bar, n, slot.left, slot.top, slot.right, slot.bottom);
            bar->OnTop = onTop;
            if (bar->Window)
                ::SetWindowPos(bar->Window, onTop == 1 ? HWND_TOPMOST : HWND_BOTTOM, 0, 0, 0, 0,
                               SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
        }
    }
    Running = 1;
}

void CAppSettingProp::RemoveExtraTaskbar(int number) {
    std::unique_ptr<CTaskbarEx>& bar = ExtraTaskbarByNumber[number];
    if (!bar) return;
    RemoveTaskbarWindow(*bar);
    bar.reset();
}

void CAppSettingProp::DestroyExtraTaskbars() {
    velk::MutexLock lock(EnumAppMutex.get());
    ::EnableWindow(GetDlgItem(IDC_APP_ON_TOP), FALSE);
    ::EnableWindow(GetDlgItem(IDC_APP_SEPARATE_BUTTONS), FALSE);
    RemoveAllTaskbarButtons();
    // Every window whose tab this program took gets it back; the main
    // dialog's window keeps one only while the settings window is shown.
    HWND main = MainWindow();
    const bool settingsShown = Host && Host->IsSettingsShown();
    {
        TaskbarTabRound round;
        if (main) SetTaskbarTab(round, main, settingsShown && FindTrackedWindow(main));
        const std::vector<HWND> deleted(TabsDeleted.begin(), TabsDeleted.end());
        for (HWND window : deleted)
            if (window != main) SetTaskbarTab(round, window, true);
    }
    for (int n = 1; n <= kExtraTaskbarNumbers; ++n) RemoveExtraTaskbar(n);
    ClearTrackedWindowTable();
    Running = 0;
}

void CAppSettingProp::RemoveAllTaskbarButtons() {
    for (CTaskBarButton& button : TaskButtons) {
        if (button.GetSafeHwnd()) button.DestroyWindowNow();
        button.Target = nullptr;
        button.DisplayNumber = 0;
    }
    for (auto& bar : ExtraTaskbarByNumber)
        if (bar) bar->ButtonCount = 0;
}

void CAppSettingProp::RegisterExtraTaskbarsAgain() {
    for (auto& bar : ExtraTaskbarByNumber)
        if (bar && bar->Window) bar->RegisterAgain();
    // The new shell shows every window's tab again: what this program took
    // from the old one is forgotten, and a full round takes them again.
    TabsDeleted.clear();
    if (Running) {
        RefreshWindowTable();
        SyncTaskbarButtons();
    }
}

int CAppSettingProp::FindFreeButtonSlot() const noexcept {
    for (int i = 0; i < kTaskButtonCount; ++i)
        if (!TaskButtons[i].Target) return i;
    return -1;
}

void CAppSettingProp::DropTaskButton(int i) {
    CTaskBarButton& dropped = TaskButtons[i];
    const int number = dropped.DisplayNumber;
    CTaskbarEx* bar = ExtraTaskbarOf(number);
    dropped.DestroyWindowNow();
    dropped.Target = nullptr;
    // The buttons right of it on the same bar go too; they come back one
    // place further left when the missing buttons are created.
    for (int j = kTaskButtonCount - 1; j >= 0; --j) {
        CTaskBarButton& right = TaskButtons[j];
        if (j == i || !right.Target || right.DisplayNumber != number || right.Position <= dropped.Position) continue;
        if (TrackedWindow* entry = FindTrackedWindow(right.Target)) entry->HasButton = 0;
        right.DestroyWindowNow();
        right.Target = nullptr;
        if (bar && bar->ButtonCount > 0) --bar->ButtonCount;
        right.DisplayNumber = 0;
    }
    if (bar && bar->ButtonCount > 0) --bar->ButtonCount;
    dropped.DisplayNumber = 0;
}

void CAppSettingProp::SyncTaskbarButtons() {
    if (!MainWindow()) return;
    int primary = 0;
    if (const DisplayList* list = CurrentDisplayList())
        for (const DisplayRecord& slot : list->Records)
            if (slot.Primary == 1) primary = static_cast<int>(slot.SystemsDispNumber);
    if (UseTaskbar == 0) return;

    velk::MutexLock lock(EnumAppMutex.get());
    // Drop the buttons whose window is gone or changed display.
    for (int i = kTaskButtonCount - 1; i >= 0; --i) {
        CTaskBarButton& button = TaskButtons[i];
        if (!button.Target) continue;
        TrackedWindow* entry = FindTrackedWindow(button.Target);
        if (entry && entry->DisplayNumber == button.DisplayNumber) {
            entry->HasButton = 1;
        } else {
            if (entry) entry->HasButton = 0;
            DropTaskButton(i);
        }
    }
    // Create the missing ones, in table order.
    for (TrackedWindow& entry : TrackedWindowTable) {
        if (!entry.Window || entry.HasButton) continue;
        // A window that died since the table was built gets no button.
        if (!::IsWindow(entry.Window)) continue;
        entry.DisplayNumber = static_cast<int32_t>(GetSystemNumberFromWindow(entry.Window));
        const int height = IsWindowsAtLeast(6, 0) ? 29 : 25;
        const DisplayRecord* slot = SlotOfNumber(entry.DisplayNumber);
        CTaskbarEx* bar = ExtraTaskbarOf(entry.DisplayNumber);
        if (!slot || !bar || !bar->Window) continue;
        const int s = FindFreeButtonSlot();
        if (s < 0) continue;
        CTaskBarButton& button = TaskButtons[s];
        const int k = bar->ButtonCount;
        if (!button.Create(L"B1", kButtonStyle, TaskButtonRect(k, slot->Width, height), bar->Window, kButtonControlId))
            continue;
        if (Skin.NormalBitmap != 0) button.ApplySkin(Skin);
        button.Position = k;
        entry.HasButton = 1;
        button.Target = entry.Window;
        button.DisplayNumber = entry.DisplayNumber;
        TaskButtonStateTable[s].Target = entry.Window;
        // The class's icon now, the window's own once it answers (a window
        // of this thread has answered inside the call).
        button.Icon = nullptr;
        const HICON known = GetWindowIconHandle(entry.Window, button.GetSafeHwnd());
        if (!button.Icon) button.Icon = known;
        ++bar->ButtonCount;
    }
    // Tell the Windows taskbar which windows to show: only the windows whose
    // wanted tab changed since the last round, all with one object.
    std::erase_if(TabsDeleted, [](HWND window) { return !::IsWindow(window); });
    TaskbarTabRound round;
    for (const TrackedWindow& entry : TrackedWindowTable) {
        if (!entry.Window) continue;
        SetTaskbarTab(round, entry.Window, SeparateButtons == 1 ? entry.DisplayNumber == primary : true);
    }
}

LRESULT CAppSettingProp::OnAppCreateDestroyNotify(WPARAM, LPARAM l) {
    if (l >= 10001 && l <= 10004) {
        RefreshWindowTable();
        SyncTaskbarButtons();
    }
    return 1;
}
