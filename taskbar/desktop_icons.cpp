// Saving and restoring the positions of the desktop icons, in steps on the
// page's timer. Every call on the shell's list view is bounded; a shell that
// stops answering postpones the step until it answers again (within the
// search's patience), and the saved sets are replaced only whole.
#include "taskbar/desktop_icons.h"

#include "display/display_lookup.h"
#include "display/foreign_window.h"
#include "display/shared_functions.h"
#include "framework/app.h"
#include "framework/message_box.h"
#include "framework/platform.h"
#include "framework/strings.h"
#include "resources/resource.h"
#include "taskbar/app_setting_page.h"
#include "taskbar/desktop_icon_sets.h"
#include <algorithm>
#include <commctrl.h>
#include <functional>
#include <vector>

namespace {

// Set by the enumeration callback when it finds the folder view.
uint8_t g_folderViewFound = 0;

// How often and how long the search waits for a shell that is still starting;
// a shell that stops answering is given the same patience.
constexpr int kFolderViewRetries = 11;
constexpr DWORD kFolderViewRetryMs = 1000;
constexpr int kMaxRestorePasses = 10;  // the counter runs 0..11: twelve passes

std::wstring IconKey(const wchar_t* section, const std::wstring& text) {
    return std::wstring(section) + L"\\" + IconKeyName(text);
}

int ReadInt(const velk::CWinApp& app, const std::wstring& key, const wchar_t* name, int fallback) {
    return static_cast<int>(app.GetProfileInt(key.c_str(), name, fallback));
}

int AskYesNo(UINT id) { return velk::AfxMessageBox(velk::LoadResString(id), MB_YESNO | MB_ICONEXCLAMATION); }

}  // namespace

IconTask CAppSettingProp::NewIconAccess() {
    ReleaseDesktopIconAccess();
    DesktopIcons = std::make_unique<DesktopIconAccess>();
    co_await FindDesktopListView(*DesktopIcons);
    co_return 0;
}

void CAppSettingProp::ReleaseDesktopIconAccess() noexcept {
    if (DesktopIcons) DesktopIcons->List.Attach(nullptr);
    DesktopIcons.reset();  // its remote blocks go with it
}

IconTask CAppSettingProp::AwaitShell(DesktopIconAccess& access) {
    // Looks again after each wait (a step of its own) until the list view
    // answers; a window that is gone will not answer again.
    for (int i = 0; i < kFolderViewRetries && ::IsWindow(access.ListView); ++i) {
        co_await Step(kFolderViewRetryMs);
        if (WindowAnswers(access.ListView)) {
            access.Checked = true;
            access.Unsettled = false;
            co_return 1;
        }
    }
    access.GaveUp = true;
    co_return 0;
}

IconTask CAppSettingProp::WhenShellAnswers(DesktopIconAccess& access, std::function<bool()> call) {
    for (;;) {
        access.Stalled = false;
        const bool made = call();
        if (!access.Stalled) co_return made ? 1 : 0;
        if (!co_await AwaitShell(access)) co_return 0;
    }
}

IconTask CAppSettingProp::ReadIconWhenAnswered(DesktopIconAccess& access, int index, DesktopIconItem& item) {
    co_return co_await WhenShellAnswers(access, [&] { return ReadDesktopIconItem(access, index, item); });
}

IconTask CAppSettingProp::CountIconsWhenAnswered(DesktopIconAccess& access) {
    int count = 0;
    if (access.ListView) co_await WhenShellAnswers(access, [&] { return (count = access.ItemCount()) >= 0; });
    co_return access.GaveUp ? 0 : count;
}

bool CAppSettingProp::StartIconJob(IconTask task) {
    if (IconJob || !task) return false;
    IconJob = std::move(task);
    IconCancelled = false;
    LastIconResult.reset();
    ResumeIconJob(IconJob.Coroutine());
    return true;
}

bool CAppSettingProp::IconStepGoesOn(DWORD waitMs) const noexcept {
    if (IconCancelled) return false;
    if (!hwnd_) return true;  // no window, no timer: nothing to wait by
    return waitMs == 0 && velk::Platform().GetTickCount() - IconStepStart < kIconSliceMs;
}

void CAppSettingProp::SuspendIconJob(std::coroutine_handle<> at, DWORD waitMs) noexcept {
    if (IconCancelled) return;  // left where it stands, destroyed after this step
    IconResume = at;
    SetTimer(kTimerIconSteps, waitMs ? waitMs : kIconStepGapMs);
}

void CAppSettingProp::ResumeIconJob(std::coroutine_handle<> at) noexcept {
    IconStepping = true;
    if (DesktopIcons) DesktopIcons->Checked = false;  // a new step checks the shell first
    IconStepStart = velk::Platform().GetTickCount();
    at.resume();
    IconStepping = false;
    if (IconCancelled) {
        CancelIconJob();
    } else if (IconJob.Done()) {
        LastIconResult = IconJob.Result();
        IconJob.reset();
    }
}

void CAppSettingProp::CancelIconJob() noexcept {
    if (hwnd_) KillTimer(kTimerIconSteps);
    IconResume = {};
    if (IconStepping) {
        // The task is in a message box of its own: it ends at its next step.
        IconCancelled = true;
        return;
    }
    IconJob.reset();
    IconCancelled = false;
    ReleaseDesktopIconAccess();
}

LRESULT CAppSettingProp::OnIconJobQuery(WPARAM, LPARAM) { return IconJob ? 1 : 0; }

BOOL CALLBACK CAppSettingProp::FindFolderViewProc(HWND window, LPARAM parameter) {
    auto* access = reinterpret_cast<DesktopIconAccess*>(parameter);
    // Only the shell's own desktop windows: another program's window with a
    // folder view of its own is not the desktop.
    wchar_t className[16] = {};
    ::GetClassNameW(window, className, 16);
    if (::lstrcmpW(className, L"Progman") != 0 && ::lstrcmpW(className, L"WorkerW") != 0) return TRUE;
    HWND view = ::FindWindowExW(window, nullptr, L"SHELLDLL_DefView", L"");
    HWND list = view ? ::FindWindowExW(view, nullptr, L"SysListView32", L"FolderView") : nullptr;
    if (!list) return TRUE;
    g_folderViewFound = 1;
    access->ListView = list;
    return FALSE;
}

IconTask CAppSettingProp::FindDesktopListView(DesktopIconAccess& access) {
    g_folderViewFound = 0;
    HWND progman = ::FindWindowW(L"Progman", L"Program Manager");
    HWND view = progman ? ::FindWindowExW(progman, nullptr, L"SHELLDLL_DefView", nullptr) : nullptr;
    if (view) {
        access.ListView = ::FindWindowExW(view, nullptr, L"SysListView32", nullptr);
        if (!access.ListView) co_return 0;
    } else {
        // The shell may still be starting: look again after each wait (a
        // step of its own), so that a folder view that comes up late is found.
        ::EnumWindows(FindFolderViewProc, reinterpret_cast<LPARAM>(&access));
        for (int i = 0; i < kFolderViewRetries && !g_folderViewFound; ++i) {
            co_await Step(kFolderViewRetryMs);
            ::EnumWindows(FindFolderViewProc, reinterpret_cast<LPARAM>(&access));
        }
        if (!access.ListView) co_return 0;
    }
    access.List.Attach(access.ListView);
    co_return 0;
}

bool CAppSettingProp::ReadDesktopIconItem(DesktopIconAccess& access, int index, DesktopIconItem& item) {
    if (!access.ListView || index < 0) return false;
    if (!access.Remote) {
        // Opened and allocated once for all the reads of this access.
        DWORD pid = 0;
        ::GetWindowThreadProcessId(access.ListView, &pid);
        if (!pid) return false;
        access.Remote = RemoteIconBuffers::Open(pid);
        if (!access.Remote) return false;
    }
    POINT position{};
    std::wstring text;
    if (!access.Remote->Read(access, index, position, text)) return false;
    item.text = std::move(text);
    item.x = position.x;
    item.y = position.y;
    item.index = index;
    return true;
}

IconTask CAppSettingProp::SaveIconPositions(std::wstring section) {
    const velk::CWinApp* app = velk::AfxGetApp();
    if (!app) co_return 0;
    co_await NewIconAccess();
    DesktopIconAccess& access = *DesktopIcons;
    const int count = co_await CountIconsWhenAnswered(access);
    for (int i = count - 1; i >= 0 && !access.GaveUp; --i) {
        co_await Step();
        DesktopIconItem item;
        // An icon that cannot be read, or has no text to key it by, is left out.
        if (!co_await ReadIconWhenAnswered(access, i, item) || item.text.empty()) continue;
        std::wstring key = IconKey(section.c_str(), item.text);
        if (ReadInt(*app, key, L"ExistCheck", 0) == 1) key += L"_S";
        app->WriteProfileString(key.c_str(), item.text.c_str(), item.text.c_str());
        app->WriteProfileInt(key.c_str(), L"Index", i);
        app->WriteProfileInt(key.c_str(), L"x", item.x);
        app->WriteProfileInt(key.c_str(), L"y", item.y);
        app->WriteProfileInt(key.c_str(), L"ExistCheck", 1);
        app->WriteProfileInt(key.c_str(), L"MonitorNumber",
                             static_cast<int>(GetSystemNumberFromDesktopPoint(POINT{item.x, item.y})));
    }
    // A shell that stopped answering leaves the set incomplete.
    const bool gaveUp = access.GaveUp;
    ReleaseDesktopIconAccess();
    co_return gaveUp ? kIconTaskGaveUp : 0;
}

IconTask CAppSettingProp::CheckIconLayout(std::wstring section) {
    const velk::CWinApp* app = velk::AfxGetApp();
    if (!app) co_return -1;
    co_await NewIconAccess();
    DesktopIconAccess& access = *DesktopIcons;
    const int count = co_await CountIconsWhenAnswered(access);
    const int width = velk::Platform().GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = velk::Platform().GetSystemMetrics(SM_CYVIRTUALSCREEN);
    int misfits = 0;
    for (int i = 0; i < count && !access.GaveUp; ++i) {
        co_await Step();
        DesktopIconItem item;
        if (!co_await ReadIconWhenAnswered(access, i, item) || item.text.empty()) continue;
        const std::wstring key = IconKey(section.c_str(), item.text);
        const int sx = ReadInt(*app, key, L"x", -1);
        const int sy = ReadInt(*app, key, L"y", -1);
        if (sx > width || sy > height) ++misfits;
        const int number = static_cast<int>(GetSystemNumberFromDesktopPoint(POINT{sx, sy}));
        if (number != ReadInt(*app, key, L"MonitorNumber", -1)) ++misfits;
    }
    co_return access.GaveUp ? kIconTaskGaveUp : misfits;
}

IconTask CAppSettingProp::ClearAutoArrange(DesktopIconAccess& access) {
    HWND list = access.ListView;
    const LONG_PTR style = ::GetWindowLongPtrW(list, GWL_STYLE);
    // The style change makes the list view's thread handle WM_STYLECHANGING
    // and WM_STYLECHANGED: made now when the shell answers, else handed to
    // a thread that waits for it, and looked for here in steps.
    ChangeWindowWithoutWaiting(list, [list, style] {
        ::SetWindowLongPtrW(list, GWL_STYLE, style & ~static_cast<LONG_PTR>(LVS_AUTOARRANGE));
        return true;
    });
    for (int i = 0; i < kFolderViewRetries && (::GetWindowLongPtrW(list, GWL_STYLE) & LVS_AUTOARRANGE); ++i)
        co_await Step(kFolderViewRetryMs);
    if (::GetWindowLongPtrW(list, GWL_STYLE) & LVS_AUTOARRANGE) access.GaveUp = true;
    co_return 0;
}

IconTask CAppSettingProp::RestoreIconPositions(std::wstring section) {
    const velk::CWinApp* app = velk::AfxGetApp();
    if (!app) co_return -1;
    // The layout check makes the fresh access that the restore works with.
    const int misfits = co_await CheckIconLayout(section);
    if (misfits == kIconTaskGaveUp) co_return kIconTaskGaveUp;
    if (misfits > 0) co_return -20;
    DesktopIconAccess& access = *DesktopIcons;
    HWND list = access.ListView;

    const LONG_PTR style = list ? ::GetWindowLongPtrW(list, GWL_STYLE) : 0;
    if (style & LVS_AUTOARRANGE) {
        if (AskYesNo(IDS_ASK_UNCHECK_AUTO_ARRANGE) != IDYES) co_return -10;
        co_await ClearAutoArrange(access);
        if (access.GaveUp) co_return kIconTaskGaveUp;
    }
    // Marks left by a restore that was ended between its passes would send
    // icons to their "_S" places.
    ClearRestoreMarks(section);

    RECT client{};
    if (list) ::GetClientRect(list, &client);
    for (int pass = 0;;) {
        int misplaced = 0;
        const int count = co_await CountIconsWhenAnswered(access);
        // Where each icon stood before this pass placed it.
        std::vector<POINT> before(static_cast<size_t>(count), POINT{-1, -1});
        // Place: the first icon of a text takes the plain subkey, the next one the "_S" subkey.
        for (int i = 0; i < count && !access.GaveUp; ++i) {
            co_await Step();
            DesktopIconItem item;
            if (!co_await ReadIconWhenAnswered(access, i, item) || item.text.empty()) continue;
            before[static_cast<size_t>(i)] = POINT{item.x, item.y};
            std::wstring key = IconKey(section.c_str(), item.text);
            if (ReadInt(*app, key, L"AlreadyRestore", 0) == 1) key += L"_S";
            const int sx = ReadInt(*app, key, L"x", -1);
            const int sy = ReadInt(*app, key, L"y", -1);
            if (sx > 0 && sy > 0) {
                const POINT p = ClampIconPosition(sx, sy, client);
                LRESULT placed = 0;
                co_await WhenShellAnswers(access, [&] {
                    return access.Send(LVM_SETITEMPOSITION, static_cast<WPARAM>(i), MAKELPARAM(p.x, p.y), placed);
                });
                if (access.GaveUp) break;
            }
            app->WriteProfileInt(key.c_str(), L"AlreadyRestore", 1);
        }
        // Unmark the plain subkeys for the next pass.
        for (int i = 0; i < count && !access.GaveUp; ++i) {
            co_await Step();
            DesktopIconItem item;
            if (!co_await ReadIconWhenAnswered(access, i, item) || item.text.empty()) continue;
            app->WriteProfileInt(IconKey(section.c_str(), item.text).c_str(), L"AlreadyRestore", 0);
        }
        // Verify: either saved position of a text is accepted for either icon.
        bool moved = false;
        for (int i = count - 1; i >= 0 && !access.GaveUp; --i) {
            co_await Step();
            DesktopIconItem item;
            if (!co_await ReadIconWhenAnswered(access, i, item) || item.text.empty()) continue;
            const POINT& was = before[static_cast<size_t>(i)];
            if (was.x != item.x || was.y != item.y) moved = true;
            const std::wstring key = IconKey(section.c_str(), item.text);
            const int sx = ReadInt(*app, key, L"x", -1);
            const int sy = ReadInt(*app, key, L"y", -1);
            if (sx > 0 && sy > 0 && (sx != item.x || sy != item.y)) {
                const std::wstring second = key + L"_S";
                if (ReadInt(*app, second, L"x", -1) != item.x || ReadInt(*app, second, L"y", -1) != item.y)
                    ++misplaced;
            }
        }
        if (access.GaveUp) {
            // Icons may have moved: the restore is incomplete, every icon unverified.
            ClearRestoreMarks(section);
            ReleaseDesktopIconAccess();
            co_return std::max(count, 1);
        }
        // A pass that moved no icon leaves the next one nothing to change:
        // an icon the list view snaps or clamps stays where it is.
        if (pass > kMaxRestorePasses || (!moved && misplaced > 0)) {
            ReleaseDesktopIconAccess();
            co_return misplaced;
        }
        ++pass;
        if (misplaced == 0) {
            ReleaseDesktopIconAccess();
            co_return 0;
        }
    }
}

IconTask CAppSettingProp::SaveIconsJob() {
    // The new set is written aside and replaces the saved one (and empties
    // the backup) only once complete: an end before keeps the old set whole.
    BeginIconSet(kIconSetSection);
    const int rc = co_await SaveIconPositions(IconSetAside(kIconSetSection));
    if (rc != 0) {
        BeginIconSet(kIconSetSection);
        co_return rc;
    }
    if (!co_await SwapInStepwise(kIconSetSection)) co_return kIconTaskGaveUp;
    EnableItem(IDC_APP_RESTORE_ICONS, true);
    EnableItem(IDC_APP_RESTORE_AT_START, true);
    co_return 0;
}

IconTask CAppSettingProp::SwapInStepwise(std::wstring section) {
    // From the mark on, an end at any step leaves a complete set aside that
    // the next start swaps in; each step stays short with many icons.
    if (!MarkIconSetComplete(section)) co_return 0;
    if (section == kIconSetSection) {
        co_await Step();
        DropBackupForNewSet();
    }
    co_await Step();
    if (!StartSwap(section)) co_return 0;
    for (const std::wstring& part : IconSetParts(section)) {
        co_await Step();
        if (!CopyIconSetPart(section, part)) co_return 0;
    }
    co_await Step();
    co_return EndSwap(section) ? 1 : 0;
}

IconTask CAppSettingProp::RestoreIconsJob() {
    // The backup holds exactly the positions from before this restore (an
    // older one left in place would push every icon into its "_S" subkey),
    // and replaces the previous backup only once complete.
    BeginIconSet(kIconBackupSection);
    int rc = co_await SaveIconPositions(IconSetAside(kIconBackupSection));
    if (rc != 0) BeginIconSet(kIconBackupSection);  // incomplete: dropped
    else if (!co_await SwapInStepwise(kIconBackupSection)) rc = kIconTaskGaveUp;
    // Without a whole backup nothing is moved.
    if (rc == 0) rc = co_await RestoreIconPositions(kIconSetSection);
    if (rc != 0) {
        if (AskYesNo(IDS_ICON_RESTORE_FAILED) == IDYES) co_await SaveIconsJob();
        else if (rc > 0) co_await RestoreIconPositions(kIconBackupSection);
    }
    if (rc < 0) co_return rc;
    RepaintDesktopList();
    co_return rc;
}

void CAppSettingProp::RepaintDesktopList() {
    HWND progman = ::FindWindowW(L"Progman", L"Program Manager");
    HWND view = progman ? ::FindWindowExW(progman, nullptr, L"SHELLDLL_DefView", nullptr) : nullptr;
    HWND list = view ? ::FindWindowExW(view, nullptr, L"SysListView32", nullptr) : nullptr;
    if (!list) return;
    // Invalidating waits for no one; the paint itself only while the shell answers.
    ::InvalidateRect(list, nullptr, TRUE);
    DWORD_PTR painted = 0;
    if (WindowAnswers(list))
        ::SendMessageTimeoutW(list, WM_PAINT, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kShellCallMs, &painted);
}

void CAppSettingProp::OnBnClickedSaveIcons() { StartIconJob(SaveIconsJob()); }

void CAppSettingProp::OnBnClickedRestoreIcons() { StartIconJob(RestoreIconsJob()); }
