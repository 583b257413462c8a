// The wallpaper settings: the records, their profile values, and the test
// whether the desktop wallpaper must be composed again.
#include "wallpaper/wallpaper_settings.h"
#include "display/display_list.h"
#include "display/shared_functions.h"
#include "framework/app.h"
#include "framework/strings.h"
#include "wallpaper/os_wallpaper.h"
#include "wallpaper/wallpaper_page.h"
#include "resources/resource.h"
#include <algorithm>
#include <cwchar>
#include <iterator>

namespace {

// The display table, or an empty one when there is none.
const DisplayList& Displays() {
    static const DisplayList empty{};
    const DisplayList* list = CurrentDisplayList();
    return list ? *list : empty;
}

void ZeroRecords(WallpaperRecord (&records)[kDisplaySlots], int32_t currentNumber) {
    for (WallpaperRecord& record : records) {
        record = WallpaperRecord{};
        record.CurrentNumber = currentNumber;
    }
}

}  // namespace

bool SameUserSettings(const WallpaperRecord& a, const WallpaperRecord& b) noexcept {
    if (a.Style != b.Style || a.BackColor != b.BackColor || a.AutoChange != b.AutoChange ||
        a.IntervalIndex != b.IntervalIndex || a.SortStyle != b.SortStyle)
        return false;
    // Compared here rather than by the runtime, whose older editions lack the bounded compare.
    for (int i = 0; i < kWallpaperPathUnits; ++i) {
        if (a.PicturePath[i] != b.PicturePath[i]) return false;
        if (a.PicturePath[i] == 0) return true;
    }
    return true;
}

std::wstring MonitorSection(int index) { return velk::FormatText(kMonitorSectionFormat, index); }

bool CopyBounded(wchar_t* destination, size_t units, const wchar_t* text) noexcept {
    if (!destination || units == 0) return false;
    destination[0] = L'\0';
    if (!text) return true;
    size_t length = ::wcsnlen(text, units);
    if (length >= units) return false;
    ::wmemcpy(destination, text, length + 1);
    return true;
}

std::wstring RenderingFolderPath() {
    wchar_t temp[MAX_PATH + 1] = {};
    DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    std::wstring folder = (length > 0 && length <= MAX_PATH) ? std::wstring(temp, length) : std::wstring();
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return folder + L"VELKDORVIX_TEMP\\";
}

std::wstring MakeRenderingFolder() {
    std::wstring folder = RenderingFolderPath();
    ::CreateDirectoryW(folder.c_str(), nullptr);  // usually there already
    return folder;
}

std::wstring RenderedFile(int index) { return velk::FormatText(kDisplayFileFormat, RenderingFolderPath().c_str(), index); }

std::wstring LowerAscii(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}

CWallpaperProp::CWallpaperProp() noexcept
    : MessageMapped(kTemplateId), comInitialised_(SUCCEEDED(::CoInitialize(nullptr))) {
    ZeroRecords(WallpaperRecords, -1);
    ZeroRecords(AppliedRecords, -1);
}

bool CWallpaperProp::IsUseWallpaperChecked() const noexcept {
    return hwnd_ && UseWallpaperBox.GetCheck() != 0;
}

int CWallpaperProp::LoadWallpaperSettings() {
    ZeroRecords(WallpaperRecords, 0);
    if (velk::CWinApp* app = velk::AfxGetApp()) {
        for (int i = 0; i < kDisplaySlots; ++i) {
            std::wstring section = MonitorSection(i);
            WallpaperRecord& record = WallpaperRecords[i];
            UINT style = app->GetProfileInt(section.c_str(), L"MiniWallpaperStyle", 0);
            record.Style = style > kWallpaperKeepAspect ? kWallpaperCenter : static_cast<int32_t>(style);
            // A path too long for the record is dropped rather than cut.
            CopyBounded(record.PicturePath, kWallpaperPathUnits,
                        app->GetProfileString(section.c_str(), L"MiniWallpaper").c_str());
            record.BackColor = app->GetProfileInt(section.c_str(), L"MiniWallpaperBackColor",
                                                  static_cast<int>(kDefaultWallpaperBackColor));
            record.AutoChange = app->GetProfileInt(section.c_str(), L"AutoChangeEnable", 0) ? 1 : 0;
            record.SortStyle = static_cast<int32_t>(app->GetProfileInt(section.c_str(), L"SortStyle", 0));
            record.IntervalIndex =
                static_cast<int32_t>(app->GetProfileInt(section.c_str(), L"Interval", kDefaultWallpaperInterval));
        }
    }
    RebuildWallpaperFileLists();
    // What the profile holds is what was applied.
    std::copy(std::begin(WallpaperRecords), std::end(WallpaperRecords), std::begin(AppliedRecords));
    AnyAutoChange = IsAnyAutoChangeOn() ? 1 : 0;
    // Once the page is filled its controls and previews follow the load;
    // "Use Wallpaper" stays as applied.
    if (pageFilled_ && hwnd_) ShowAppliedWallpaperSettings();
    return 1;
}

BOOL CWallpaperProp::SaveWallpaperSettings() {
    velk::CWinApp* app = velk::AfxGetApp();
    if (!app) return FALSE;
    UpdateData(true);
    // What the desktop shows now, from the shell or, where its Active Desktop
    // object is missing or does not answer, from the system parameter.
    wchar_t current[kWallpaperPathUnits] = {};
    int32_t style = 0;
    ReadWindowsWallpaper(current, &style);
    app->WriteProfileString(kWallpaperSection, L"CurrentWallpaper", current);
    // The applied settings only: an edit not yet applied is never saved.
    for (int i = 0; i < kDisplaySlots; ++i) {
        std::wstring section = MonitorSection(i);
        const WallpaperRecord& record = AppliedRecords[i];
        if (AppliedUseOsWallpaper) {
            app->WriteProfileString(section.c_str(), L"MiniWallpaper", L"");
        } else {
            app->WriteProfileString(section.c_str(), L"MiniWallpaper", record.PicturePath);
            wchar_t folder[kWallpaperPathUnits] = {};
            if (record.PicturePath[0]) GetFolderOfPath(folder, record.PicturePath);
            app->WriteProfileString(section.c_str(), L"WallpaperPath", folder);
        }
        app->WriteProfileInt(section.c_str(), L"MiniWallpaperStyle", record.Style);
        app->WriteProfileInt(section.c_str(), L"MiniWallpaperBackColor", static_cast<int>(record.BackColor));
        app->WriteProfileInt(section.c_str(), L"AutoChangeEnable", record.AutoChange);
        app->WriteProfileInt(section.c_str(), L"SortStyle", record.SortStyle);
        app->WriteProfileInt(section.c_str(), L"Interval", record.IntervalIndex);
        app->WriteProfileInt(section.c_str(), L"CurrentWallpaperNumber", record.CurrentNumber);
    }
    AnyAutoChange = IsAnyAutoChangeOn() ? 1 : 0;
    return TRUE;
}

bool CWallpaperProp::IsAnyAutoChangeOn() {
    if (!HasParentWindow()) return false;
    const DisplayList& displays = Displays();
    for (int i = 0; i < kDisplaySlots; ++i)
        if (displays.Records[i].DisplayNumber != 0 && AppliedRecords[i].AutoChange == 1) return true;
    return false;
}

int CWallpaperProp::IsWallpaperRecomposeNeeded() {
    UpdateData(true);
    velk::CWinApp* app = velk::AfxGetApp();
    // "Use Wallpaper" and the records as applied: an edit on screen is not
    // the desktop's business until it is applied.
    if (AppliedUseOsWallpaper) {
        if (CaptureOsWallpaper() == 1) return 1;  // the Windows wallpaper must be put back
        return app && !app->GetProfileString(kWallpaperSection, L"OSWallpaper").empty() ? 1 : 0;
    }
    int result = CaptureOsWallpaper() == 1 ? 0 : 1;
    if (!app) return result;
    // Applied, but its composite never reached the desktop.
    if (app->GetProfileInt(kWallpaperSection, kRecomposePendingValue, 0) != 0) result = 1;
    UINT oldIconShow = app->GetProfileInt(kWallpaperSection, L"IconShow", 1);
    UINT iconShow = (!AreDesktopIconsHidden() && !IsActiveDesktopOn()) ? 1 : 0;
    app->WriteProfileInt(kWallpaperSection, L"IconShow", static_cast<int>(iconShow));
    if (oldIconShow != iconShow) result = 1;

    const DisplayList& displays = Displays();
    for (int i = 0; i < kDisplaySlots; ++i) {
        std::wstring section = MonitorSection(i);
        const wchar_t* s = section.c_str();
        const WallpaperRecord& record = AppliedRecords[i];
        if (app->GetProfileString(s, L"MiniWallpaper") != record.PicturePath) result = 1;
        if (app->GetProfileInt(s, L"MiniWallpaperBackColor", -1) != record.BackColor) result = 1;
        if (app->GetProfileInt(s, L"MiniWallpaperStyle", -1) != static_cast<UINT>(record.Style)) result = 1;
        const DisplayRecord& slot = displays.Records[i];
        auto stored = [&](const wchar_t* name) { return static_cast<int32_t>(app->GetProfileInt(s, name, -1)); };
        int32_t mode = stored(L"DisplayMode"), number = stored(L"DisplayNumber");
        stored(L"Rotation");  // read, not compared
        int32_t height = stored(L"Height"), width = stored(L"Width"), top = stored(L"top"),
                bottom = stored(L"bottom"), left = stored(L"left"), right = stored(L"right");
        if (slot.DisplayMode != mode || static_cast<int32_t>(slot.DisplayNumber) != number ||
            slot.Height != height || slot.Width != width || slot.top != top || slot.bottom != bottom ||
            slot.left != left || slot.right != right)
            result = 1;
    }
    return result;
}

void CWallpaperProp::CommitWallpaperEdits() {
    if (hwnd_) {
        UpdateData(true);
        // "Use Wallpaper" is applied as the box shows it.
        UseOsWallpaper = UseWallpaperBox.IsChecked() ? 0 : 1;
    }
    std::copy(std::begin(WallpaperRecords), std::end(WallpaperRecords), std::begin(AppliedRecords));
    AppliedUseOsWallpaper = UseOsWallpaper;
}

void CWallpaperProp::ShowAppliedWallpaperSettings() {
    std::copy(std::begin(AppliedRecords), std::end(AppliedRecords), std::begin(WallpaperRecords));
    UseOsWallpaper = AppliedUseOsWallpaper;
    if (!hwnd_) return;
    // The lists follow the folders and orders shown again.
    RebuildWallpaperFileLists();
    UseWallpaperBox.SetCheck(UseOsWallpaper ? BST_UNCHECKED : BST_CHECKED);
    KeptAsidePath.clear();
    // The chosen display's controls, swatch and preview.
    OnCbnSelchangeDisplay();
    // Pictures rendered for edits now dropped are rendered again as applied
    // (unchanged ones are not).
    if (const uint32_t present = PresentSlots()) QueueRecompose(present, false);
}

void CWallpaperProp::MarkRecomposePending(bool pending) {
    velk::CWinApp* app = velk::AfxGetApp();
    if (!app) return;
    const int value = pending ? 1 : 0;
    if (static_cast<int>(app->GetProfileInt(kWallpaperSection, kRecomposePendingValue, 0)) != value)
        app->WriteProfileInt(kWallpaperSection, kRecomposePendingValue, value);
}
