// Saving and restoring the positions of the desktop icons. The icons live in
// the shell's list view in the shell's process: every position and text is
// asked for through blocks allocated in that process, and every block is
// released and the process handle closed on every path.
#include "taskbar/desktop_icons.h"

#include "display/display_lookup.h"
#include "display/shared_functions.h"
#include "framework/app.h"
#include "framework/message_box.h"
#include "framework/platform.h"
#include "framework/strings.h"
#include "resources/resource.h"
#include "taskbar/app_setting_page.h"
#include <algorithm>
#include <commctrl.h>
#include <cstddef>
#include <cwchar>
#include <type_traits>
#include <vector>

namespace {

// Set by the enumeration callback when it finds the folder view.
uint8_t g_folderViewFound = 0;

// How often and how long the search waits for a shell that is still starting.
constexpr int kFolderViewRetries = 11;
constexpr DWORD kFolderViewRetryMs = 1000;
constexpr int kMaxRestorePasses = 10;  // the counter runs 0..11: twelve passes

std::wstring IconKey(const wchar_t* section, const std::wstring& text) {
    return std::wstring(section) + L"\\" + IconKeyName(text);
}

// Registry key names hold at most 255 characters; the second icon's key adds "_S".
constexpr size_t kKeyNameUnits = 255 - 2;
constexpr size_t kCutUnits = 240;

bool EndsWith(const std::wstring& text, const wchar_t* end) {
    const size_t n = std::wcslen(end);
    return text.size() >= n && text.compare(text.size() - n, n, end) == 0;
}

// Longest run between backslashes (each makes a key of its own).
size_t LongestPart(const std::wstring& name) {
    size_t longest = 0, run = 0;
    for (wchar_t c : name) {
        run = c == L'\\' ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return longest;
}

int ReadInt(const velk::CWinApp& app, const std::wstring& key, const wchar_t* name, int fallback) {
    return static_cast<int>(app.GetProfileInt(key.c_str(), name, fallback));
}

int AskYesNo(UINT id) { return velk::AfxMessageBox(velk::LoadResString(id), MB_YESNO | MB_ICONEXCLAMATION); }

}  // namespace

namespace {

// LVITEMW as the two processor kinds lay it out, every field up to the last
// one of the version 6 list view (iGroup).
struct ListItem32 {
    uint32_t mask;
    int32_t iItem, iSubItem;
    uint32_t state, stateMask;
    uint32_t pszText;
    int32_t cchTextMax, iImage;
    uint32_t lParam;
    int32_t iIndent, iGroupId;
    uint32_t cColumns;
    uint32_t puColumns, piColFmt;
    int32_t iGroup;
};
struct ListItem64 {
    uint32_t mask;
    int32_t iItem, iSubItem;
    uint32_t state, stateMask;
    uint64_t pszText;
    int32_t cchTextMax, iImage;
    uint64_t lParam;
    int32_t iIndent, iGroupId;
    uint32_t cColumns;
    uint64_t puColumns, piColFmt;
    int32_t iGroup;
};
static_assert(sizeof(ListItem32) == 60 && offsetof(ListItem32, pszText) == 20);
static_assert(sizeof(ListItem64) == 88 && offsetof(ListItem64, pszText) == 24);
// This build's own layout is one of the two.
using NativeListItem = std::conditional_t<sizeof(void*) == 8, ListItem64, ListItem32>;
static_assert(offsetof(LVITEMW, pszText) == offsetof(NativeListItem, pszText));
static_assert(offsetof(LVITEMW, cchTextMax) == offsetof(NativeListItem, cchTextMax));
static_assert(offsetof(LVITEMW, lParam) == offsetof(NativeListItem, lParam));

template <class Item>
std::vector<BYTE> Record(uint64_t textAddress, int capacity) {
    Item item{};
    item.mask = LVIF_TEXT;
    item.iSubItem = 0;
    item.state = 0;
    item.pszText = static_cast<decltype(item.pszText)>(textAddress);
    item.cchTextMax = capacity;
    item.iImage = 0;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&item);
    return std::vector<BYTE>(bytes, bytes + sizeof(item));
}

bool IsWow64(HANDLE process) noexcept {
    using Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
    static const Fn isWow64 = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(process, &wow64) && wow64;
}

}  // namespace

std::wstring IconKeyName(const std::wstring& text) {
    std::wstring name = text;
    if (EndsWith(text, L"_S") || EndsWith(text, L":")) name += L':';
    if (LongestPart(name) <= kKeyNameUnits) return name;
    // FNV-1a over the whole text: the same text gets the same key in every run.
    uint32_t hash = 2166136261u;
    for (wchar_t c : text) {
        hash = (hash ^ static_cast<uint32_t>(c & 0xFF)) * 16777619u;
        hash = (hash ^ static_cast<uint32_t>(c >> 8)) * 16777619u;
    }
    return text.substr(0, kCutUnits) + velk::FormatText(L":%08X", static_cast<unsigned>(hash));
}

ItemLayout ChooseItemLayout(bool selfIs64Bit, bool selfWow64, bool targetWow64) noexcept {
    if (selfIs64Bit) return targetWow64 ? ItemLayout::Bits32 : ItemLayout::Bits64;
    return selfWow64 && !targetWow64 ? ItemLayout::Bits64 : ItemLayout::Bits32;
}

ItemLayout ItemLayoutOfProcess(HANDLE process) noexcept {
    return ChooseItemLayout(sizeof(void*) == 8, IsWow64(::GetCurrentProcess()), IsWow64(process));
}

std::vector<BYTE> TextRequestRecord(ItemLayout layout, uint64_t textAddress, int capacity) {
    return layout == ItemLayout::Bits64 ? Record<ListItem64>(textAddress, capacity)
                                        : Record<ListItem32>(textAddress, capacity);
}

RemoteBlock::RemoteBlock(HANDLE process, SIZE_T size, DWORD allocationType) noexcept : process_(process) {
    if (process_) address_ = ::VirtualAllocEx(process_, nullptr, size, allocationType, PAGE_READWRITE);
}

bool RemoteBlock::Read(void* local, SIZE_T size) const noexcept {
    SIZE_T done = 0;
    return address_ && ::ReadProcessMemory(process_, address_, local, size, &done) && done == size;
}

bool RemoteBlock::Write(const void* local, SIZE_T size) const noexcept {
    SIZE_T done = 0;
    return address_ && ::WriteProcessMemory(process_, address_, local, size, &done) && done == size;
}

void RemoteBlock::Free() noexcept {
    if (address_) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    address_ = nullptr;
}

DesktopIconAccess::DesktopIconAccess() = default;
DesktopIconAccess::~DesktopIconAccess() = default;

std::unique_ptr<RemoteIconBuffers> RemoteIconBuffers::Open(DWORD processId) {
    std::unique_ptr<RemoteIconBuffers> remote(new RemoteIconBuffers());
    remote->process_.reset(::OpenProcess(kIconProcessAccess, FALSE, processId));
    HANDLE process = remote->process_.get();
    if (!process) return nullptr;
    remote->point_ = std::make_unique<RemoteBlock>(process, sizeof(POINT), MEM_COMMIT | MEM_RESERVE);
    remote->text_ = std::make_unique<RemoteBlock>(process, kIconTextUnits * sizeof(wchar_t), MEM_COMMIT);
    if (!*remote->point_ || !*remote->text_) return nullptr;
    // The item record is laid out as the shell's process expects it (by its
    // processor kind, not ours), its text pointer holding the remote text block.
    remote->request_ = TextRequestRecord(ItemLayoutOfProcess(process),
                                         reinterpret_cast<uintptr_t>(remote->text_->Address()), kIconTextUnits);
    remote->item_ = std::make_unique<RemoteBlock>(process, remote->request_.size(), MEM_COMMIT | MEM_RESERVE);
    if (!*remote->item_) return nullptr;
    return remote;
}

RemoteIconBuffers::~RemoteIconBuffers() {
    // The blocks go before the process handle they need.
    point_.reset();
    item_.reset();
    text_.reset();
}

bool RemoteIconBuffers::Read(HWND list, int index, POINT& position, std::wstring& text) {
    // An index that no longer exists (the shell removed an icon meanwhile)
    // answers FALSE: the item cannot be read.
    if (!::SendMessageW(list, LVM_GETITEMPOSITION, static_cast<WPARAM>(index), point_->AsParam()) ||
        !point_->Read(&position, sizeof(position)))
        return false;
    // Written afresh each time: the list view may change the record.
    if (!item_->Write(request_.data(), request_.size())) return false;
    ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(index), item_->AsParam());
    wchar_t buffer[kIconTextUnits] = {};
    if (!text_->Read(buffer, sizeof(buffer))) return false;
    buffer[kIconTextUnits - 1] = L'\0';  // a text as long as the buffer ends here
    text = buffer;
    return true;
}

POINT ClampIconPosition(int32_t x, int32_t y, const RECT& listClient) noexcept {
    int32_t maxX = 0x7FFF;
    int32_t maxY = 0x7FFF;
    if (listClient.right > 0) maxX = std::min<int32_t>(maxX, listClient.right - 1);
    if (listClient.bottom > 0) maxY = std::min<int32_t>(maxY, listClient.bottom - 1);
    return POINT{std::clamp<int32_t>(x, 0, maxX), std::clamp<int32_t>(y, 0, maxY)};
}

IconTask CAppSettingProp::NewIconAccess() {
    ReleaseDesktopIconAccess();
    DesktopIcons = std::make_unique<DesktopIconAccess>();
    co_await FindDesktopListView(*DesktopIcons);
    co_return 0;
}

void CAppSettingProp::ReleaseDesktopIconAccess() noexcept {
    if (DesktopIcons) DesktopIcons->List.Attach(nullptr);
    DesktopIcons.reset();
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
    if (!access.Remote->Read(access.ListView, index, position, text)) return false;
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
    const int count = access.ListView ? access.List.GetItemCount() : 0;
    for (int i = count - 1; i >= 0; --i) {
        co_await Step();
        DesktopIconItem item;
        // An icon that cannot be read, or has no text to key it by, is left out.
        if (!ReadDesktopIconItem(access, i, item) || item.text.empty()) continue;
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
    ReleaseDesktopIconAccess();
    co_return 0;
}

IconTask CAppSettingProp::CheckIconLayout(std::wstring section) {
    const velk::CWinApp* app = velk::AfxGetApp();
    if (!app) co_return -1;
    co_await NewIconAccess();
    DesktopIconAccess& access = *DesktopIcons;
    const int count = access.ListView ? access.List.GetItemCount() : 0;
    const int width = velk::Platform().GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = velk::Platform().GetSystemMetrics(SM_CYVIRTUALSCREEN);
    int misfits = 0;
    for (int i = 0; i < count; ++i) {
        co_await Step();
        DesktopIconItem item;
        if (!ReadDesktopIconItem(access, i, item) || item.text.empty()) continue;
        const std::wstring key = IconKey(section.c_str(), item.text);
        const int sx = ReadInt(*app, key, L"x", -1);
        const int sy = ReadInt(*app, key, L"y", -1);
        if (sx > width || sy > height) ++misfits;
        const int number = static_cast<int>(GetSystemNumberFromDesktopPoint(POINT{sx, sy}));
        if (number != ReadInt(*app, key, L"MonitorNumber", -1)) ++misfits;
    }
    co_return misfits;
}

IconTask CAppSettingProp::RestoreIconPositions(std::wstring section) {
    const velk::CWinApp* app = velk::AfxGetApp();
    if (!app) co_return -1;
    // The layout check makes the fresh access that the restore works with.
    const int misfits = co_await CheckIconLayout(section);
    if (misfits > 0) co_return -20;
    DesktopIconAccess& access = *DesktopIcons;
    HWND list = access.ListView;

    const LONG_PTR style = list ? ::GetWindowLongPtrW(list, GWL_STYLE) : 0;
    if (style & LVS_AUTOARRANGE) {
        if (AskYesNo(IDS_ASK_UNCHECK_AUTO_ARRANGE) != IDYES) co_return -10;
        ::SetWindowLongPtrW(list, GWL_STYLE, style & ~static_cast<LONG_PTR>(LVS_AUTOARRANGE));
    }

    RECT client{};
    if (list) ::GetClientRect(list, &client);
    for (int pass = 0;;) {
        int misplaced = 0;
        const int count = list ? access.List.GetItemCount() : 0;
        // Where each icon stood before this pass placed it.
        std::vector<POINT> before(static_cast<size_t>(count), POINT{-1, -1});
        // Place: the first icon of a text takes the plain subkey, the next one the "_S" subkey.
        for (int i = 0; i < count; ++i) {
            co_await Step();
            DesktopIconItem item;
            if (!ReadDesktopIconItem(access, i, item) || item.text.empty()) continue;
            before[static_cast<size_t>(i)] = POINT{item.x, item.y};
            std::wstring key = IconKey(section.c_str(), item.text);
            if (ReadInt(*app, key, L"AlreadyRestore", 0) == 1) key += L"_S";
            const int sx = ReadInt(*app, key, L"x", -1);
            const int sy = ReadInt(*app, key, L"y", -1);
            if (sx > 0 && sy > 0) {
                const POINT p = ClampIconPosition(sx, sy, client);
                ::SendMessageW(list, LVM_SETITEMPOSITION, static_cast<WPARAM>(i), MAKELPARAM(p.x, p.y));
            }
            app->WriteProfileInt(key.c_str(), L"AlreadyRestore", 1);
        }
        // Unmark the plain subkeys for the next pass.
        for (int i = 0; i < count; ++i) {
            co_await Step();
            DesktopIconItem item;
            if (!ReadDesktopIconItem(access, i, item) || item.text.empty()) continue;
            app->WriteProfileInt(IconKey(section.c_str(), item.text).c_str(), L"AlreadyRestore", 0);
        }
        // Verify: either saved position of a text is accepted for either icon.
        bool moved = false;
        for (int i = count - 1; i >= 0; --i) {
            co_await Step();
            DesktopIconItem item;
            if (!ReadDesktopIconItem(access, i, item) || item.text.empty()) continue;
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
    DeleteProfileSection(L"IconPosition");
    DeleteProfileSection(L"IconPositionBackup");
    co_await SaveIconPositions(L"IconPosition");
    if (const velk::CWinApp* app = velk::AfxGetApp()) app->WriteProfileInt(L"IconPosition", L"IconSaveFlag", 1);
    EnableItem(IDC_APP_RESTORE_ICONS, true);
    EnableItem(IDC_APP_RESTORE_AT_START, true);
    co_return 0;
}

IconTask CAppSettingProp::RestoreIconsJob() {
    // The backup holds exactly the positions from before this restore: an
    // older backup left in place would push every icon into its "_S" subkey.
    DeleteProfileSection(L"IconPositionBackup");
    co_await SaveIconPositions(L"IconPositionBackup");
    const int rc = co_await RestoreIconPositions(L"IconPosition");
    if (rc != 0) {
        if (AskYesNo(IDS_ICON_RESTORE_FAILED) == IDYES) co_await SaveIconsJob();
        else if (rc > 0) co_await RestoreIconPositions(L"IconPositionBackup");
    }
    if (rc < 0) co_return rc;
    HWND progman = ::FindWindowW(L"Progman", L"Program Manager");
    HWND view = progman ? ::FindWindowExW(progman, nullptr, L"SHELLDLL_DefView", nullptr) : nullptr;
    HWND list = view ? ::FindWindowExW(view, nullptr, L"SysListView32", nullptr) : nullptr;
    if (list) {
        ::InvalidateRect(list, nullptr, TRUE);
        ::SendMessageW(list, WM_PAINT, 0, 0);
    }
    co_return rc;
}

void CAppSettingProp::OnBnClickedSaveIcons() { StartIconJob(SaveIconsJob()); }

void CAppSettingProp::OnBnClickedRestoreIcons() { StartIconJob(RestoreIconsJob()); }
