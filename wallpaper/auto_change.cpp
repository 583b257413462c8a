// Picture lists and the automatic wallpaper change of the Wallpaper page.
#include "wallpaper/wallpaper_page.h"

#include "display/program_messages.h"
#include "display/shared_functions.h"
#include "framework/app.h"
#include "framework/paths.h"
#include <algorithm>
#include <cwchar>
#include <utility>
#include <vector>

namespace {

wchar_t FoldCase(wchar_t c) noexcept { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }

bool EqualFolded(const wchar_t* a, const wchar_t* b) noexcept {
    for (; *a && *b; ++a, ++b)
        if (FoldCase(*a) != FoldCase(*b)) return false;
    return *a == *b;
}

// The folder's last write time, which changes when a file in it is added,
// removed or renamed; 0 when it cannot be read.
uint64_t FolderWriteTime(const wchar_t* folder) {
    std::wstring path = folder;
    if (path.size() > 3 && path.back() == L'\\') path.pop_back();
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
}

bool FileExists(const std::wstring& path) noexcept {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

uint32_t CWallpaperProp::IntervalMinutes(int32_t index) noexcept {
    // A stored index outside the list (the profile bounds none) counts as the
    // default, 30 minutes, rather than an interval the cycle never reaches.
    auto i = static_cast<uint32_t>(index);
    if (i > 6) i = 4;
    return i < 4 ? 5 * (i + 1) : 15 * i - 30;
}

void CWallpaperProp::RebuildWallpaperFileLists() {
    velk::MutexLock lock(ListMutex.get());
    // Displays that show pictures of one folder share one listing of it (a
    // folder may hold tens of thousands of pictures); each sorts its own copy.
    std::vector<std::pair<std::wstring, ListOperation::FileList>> listings;
    for (int32_t slot = 0; slot < 10; ++slot) {
        WallpaperRecord& record = WallpaperRecords[static_cast<size_t>(slot)];
        record.PicturePath[kWallpaperPathUnits - 1] = 0;
        GetFolderOfPath(record.PictureFolder, record.PicturePath);
        if (record.PictureFolder[0] == 0) continue;
        ListOperation::FileList& list = FileLists[static_cast<size_t>(slot)];
        // A list is made again only when its folder, its order or the folder's
        // entries changed since it was made.
        ListKey key{true, record.PictureFolder, record.SortStyle, FolderWriteTime(record.PictureFolder)};
        ListKey& last = listKeys_[static_cast<size_t>(slot)];
        const bool unchanged = last.valid && key.folderWritten != 0 && last.folderWritten == key.folderWritten &&
                               last.sortStyle == key.sortStyle &&
                               EqualFolded(last.folder.c_str(), key.folder.c_str());
        last = key;
        if (unchanged) {
            wchar_t fileName[kWallpaperPathUnits] = {};
            GetFileNameOfPath(fileName, record.PicturePath);
            if (const int32_t found = FindInList(slot, fileName); found >= 0) record.CurrentNumber = found;
            continue;
        }
        ListOperation::FileList().swap(list);
        const ListOperation& op = ListOperations[static_cast<size_t>(slot)];
        auto listed = std::find_if(listings.begin(), listings.end(), [&record](const auto& entry) {
            return EqualFolded(entry.first.c_str(), record.PictureFolder);
        });
        if (listed != listings.end()) {
            list = listed->second;
        } else {
            op.GetFileList(L"jpg", record.PictureFolder, list);
            op.GetFileList(L"bmp", record.PictureFolder, list);
            listings.emplace_back(record.PictureFolder, list);
        }
        op.SortFileList(list, record.SortStyle);
        // Go on from the picture shown now, so the next step shows the one
        // after it also in a rebuilt (or reshuffled) list and after a restart.
        wchar_t fileName[kWallpaperPathUnits] = {};
        GetFileNameOfPath(fileName, record.PicturePath);
        const int32_t found = FindInList(slot, fileName);
        if (found >= 0) record.CurrentNumber = found;
        else if (!list.empty() && (record.CurrentNumber < 0 || static_cast<size_t>(record.CurrentNumber) >= list.size()))
            record.CurrentNumber = 0;
    }
}

int32_t CWallpaperProp::FindInList(int32_t slot, const wchar_t* fileName) const {
    const ListOperation::FileList& list = FileLists[static_cast<size_t>(slot)];
    if (!fileName || !*fileName) return -1;
    for (size_t i = list.size(); i-- > 0;)
        if (EqualFolded(list[i].name.c_str(), fileName)) return static_cast<int32_t>(i);
    return -1;
}

// Sets a picture path made of a folder and a list entry; false (and nothing
// changed) when it would not fit the record.
static bool SetPicturePath(WallpaperRecord& record, const std::wstring& path) noexcept {
    if (path.size() >= static_cast<size_t>(kWallpaperPathUnits)) return false;
    velk::CopyTruncated(record.PicturePath, path.c_str());
    return true;
}

bool CWallpaperProp::StepSlot(int32_t slot, WallpaperRecord& record, bool forward, const std::wstring& folder) {
    const ListOperation::FileList& list = FileLists[static_cast<size_t>(slot)];
    const auto count = static_cast<int32_t>(list.size());
    if (count == 0) return false;
    int32_t position = record.CurrentNumber;
    if (position < 0 || position >= count) position = forward ? -1 : 0;
    // Pictures deleted since the list was made are passed over; when none of
    // the listed pictures is left the display keeps its picture.
    for (int32_t tried = 0; tried < count; ++tried) {
        if (forward) position = position + 1 >= count ? 0 : position + 1;
        else position = position - 1 < 0 ? count - 1 : position - 1;
        const std::wstring path = folder + list[static_cast<size_t>(position)].name;
        if (FileExists(path) && SetPicturePath(record, path)) {
            record.CurrentNumber = position;
            return true;
        }
    }
    return false;
}

bool CWallpaperProp::ListServesApplied(int32_t slot) const {
    const ListKey& key = listKeys_[static_cast<size_t>(slot)];
    const WallpaperRecord& applied = AppliedRecords[static_cast<size_t>(slot)];
    return key.valid && applied.PictureFolder[0] && key.sortStyle == applied.SortStyle &&
           EqualFolded(key.folder.c_str(), applied.PictureFolder);
}

bool CWallpaperProp::RestartAutoChangeTimer() {
    if (!hwnd_) return false;
    KillTimer(kAutoChangeTimer);
    if (AnyAutoChange == 1) {
        TickCounter = 0;
        velk::CWinApp* app = velk::AfxGetApp();
        const bool test = app && app->GetProfileInt(L"Wallpaper", L"TestAutoChange", 0) == 1;
        SetTimer(kAutoChangeTimer, test ? 30000 : 300000);
    }
    return false;
}

LRESULT CWallpaperProp::OnTimer(WPARAM id, LPARAM l) {
    // While "Use Wallpaper" is off (as applied) the desktop shows the Windows
    // wallpaper and no picture of ours changes: the tick does nothing.
    if (id == kAutoChangeTimer && AppliedUseOsWallpaper == 0) {
        ++TickCounter;
        // The desktop is composed and the applied settings saved, with the
        // stepped pictures, only when some display stepped; otherwise nothing
        // on it changed.
        if (AdvanceAutoWallpaper(static_cast<uint32_t>(5 * TickCounter)) && steppedOnLastAdvance_) {
            ComposeDesktopWallpaper();
            SaveWallpaperSettings();
        }
        if (TickCounter >= kTicksPerCycle) TickCounter = 0;
    }
    return DefaultProc(WM_TIMER, id, l);
}

bool CWallpaperProp::AdvanceAutoWallpaper(uint32_t elapsed) {
    steppedOnLastAdvance_ = false;
    for (int32_t slot = 0; slot < 10; ++slot) {
        // The applied settings step; the display's controls follow only when
        // they show no edit of it, which stays as it is until applied or dropped.
        WallpaperRecord& applied = AppliedRecords[static_cast<size_t>(slot)];
        WallpaperRecord& shown = WallpaperRecords[static_cast<size_t>(slot)];
        if (elapsed % IntervalMinutes(applied.IntervalIndex) != 0 || applied.AutoChange != 1) continue;
        // A list made for an edited folder or order does not serve the
        // applied picture: that display steps again once the edit is settled.
        if (!ListServesApplied(slot)) continue;
        const bool follows = SameUserSettings(shown, applied);
        if (StepSlot(slot, applied, true, applied.PictureFolder)) {
            steppedOnLastAdvance_ = true;
            if (follows) {
                velk::CopyTruncated(shown.PicturePath, applied.PicturePath);
                shown.CurrentNumber = applied.CurrentNumber;
                RecomposeDisplayPreview(slot);
            }
        }
    }
    RecomposeDisplayPreview(CurrentDisplayIndex);
    PathText = WallpaperRecords[static_cast<size_t>(CurrentDisplayIndex)].PicturePath;
    UpdateData(false);
    return true;
}

bool CWallpaperProp::StepWallpaper(uint8_t forward) {
    WallpaperRecord& record = WallpaperRecords[static_cast<size_t>(CurrentDisplayIndex)];
    if (!FileLists[static_cast<size_t>(CurrentDisplayIndex)].empty()) {
        wchar_t folder[kWallpaperPathUnits] = {};
        GetFolderOfPath(folder, record.PicturePath);
        // Without a picture there is no folder to step through.
        if (folder[0]) StepSlot(CurrentDisplayIndex, record, forward == 1, folder);
    }
    RecomposeDisplayPreview(CurrentDisplayIndex);
    PathText = record.PicturePath;
    UpdateData(false);
    NotifyParentChanged();
    return true;
}

void CWallpaperProp::OnBnClickedAutoChange() {
    WallpaperRecord& record = WallpaperRecords[static_cast<size_t>(CurrentDisplayIndex)];
    {
        velk::MutexLock lock(ListMutex.get());
        ListOperation::FileList().swap(FileLists[static_cast<size_t>(CurrentDisplayIndex)]);
        listKeys_[static_cast<size_t>(CurrentDisplayIndex)].valid = false;
        record.CurrentNumber = 0;
    }
    if (AutoChangeBox.IsChecked()) {
        record.AutoChange = 1;
        RebuildWallpaperFileLists();
        wchar_t fileName[kWallpaperPathUnits] = {};
        GetFileNameOfPath(fileName, record.PicturePath);
        const int32_t found = FindInList(CurrentDisplayIndex, fileName);
        record.CurrentNumber = found >= 0 ? found : 0;
        EnableAutoChangeControls(1);
    } else {
        record.AutoChange = 0;
        EnableAutoChangeControls(0);
    }
    NotifyParentChanged();
}

void CWallpaperProp::EnableAutoChangeControls(uint8_t on) {
    const bool enable = on == 1;
    EnableControl(IDC_WP_INTERVAL, enable);
    EnableControl(IDC_WP_ORDER, enable);
    EnableControl(IDC_WP_NEXT, enable);
    EnableControl(IDC_WP_PREV, enable);
    if (enable) {
        const WallpaperRecord& record = WallpaperRecords[static_cast<size_t>(CurrentDisplayIndex)];
        IntervalCombo.SetCurSel(record.IntervalIndex);
        OrderCombo.SetCurSel(record.SortStyle);
    }
}
