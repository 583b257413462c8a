// The Wallpaper page's controls: captions, initialisation, the enabling rules
// and the handlers through which the user sets each display's wallpaper.
#include "wallpaper/wallpaper_page.h"

#include "display/display_list.h"
#include "display/program_messages.h"
#include "display/shared_functions.h"
#include "framework/app.h"
#include "framework/strings.h"
#include "wallpaper/list_lock.h"
#include <commdlg.h>
#include <cwchar>

namespace {

constexpr UINT kStringStyleFirst = 109;  // 109 to 112: Center, Tile, Expand, keep the ratio
constexpr UINT kStringUseWallpaper = 143;
constexpr UINT kStringDisplay = 160;
constexpr UINT kStringFile = 161;
constexpr UINT kStringStyle = 162;
constexpr UINT kStringColor = 163;
constexpr UINT kStringAutoChange = 470;
constexpr UINT kStringInterval = 471;
constexpr UINT kStringOrder = 477;
// The orders offered: by name, by date (oldest first), random.
constexpr UINT kOrderStrings[] = {472, 475, 476};

constexpr wchar_t kListMutexName[] = L"AppVelkmuWallpaperProp";

// The colour dialog's custom colours, kept for the whole run.
COLORREF CustomColors[16] = {};

bool IsTileOrExpand(int style) noexcept { return style == 1 || style == 2; }

}  // namespace

std::span<const velk::MessageEntry<CWallpaperProp>> CWallpaperProp::MessageTable() {
    using T = CWallpaperProp;
    static constexpr velk::MessageEntry<T> table[] = {
        velk::command<T>(kBackgroundId, &T::OnBnClickedBackground),
        velk::on<T>(WM_CTLCOLORSTATIC, &T::OnCtlColorStatic),
        velk::command<T>(kBrowseId, &T::OnBnClickedBrowse),
        velk::command<T>(kDisplayComboId, CBN_SELCHANGE, &T::OnCbnSelchangeDisplay),
        velk::command<T>(kStyleComboId, CBN_SELCHANGE, &T::OnCbnSelchangeStyle),
        velk::command<T>(kPreviewId, &T::OnPreviewClicked),
        velk::command<T>(kUseWallpaperId, &T::OnBnClickedUseWallpaper),
        velk::command<T>(kAutoChangeId, &T::OnBnClickedAutoChange),
        velk::command<T>(kIntervalComboId, CBN_SELCHANGE, &T::OnCbnSelchangeInterval),
        velk::command<T>(kOrderComboId, CBN_SELCHANGE, &T::OnCbnSelchangeOrder),
        velk::on<T>(WM_TIMER, &T::OnTimer),
        velk::command<T>(kNextId, &T::OnBnClickedNext),
        velk::command<T>(kPrevId, &T::OnBnClickedPrev),
        velk::on<T>(WM_DESTROY, &T::OnDestroy),
    };
    return table;
}

void CWallpaperProp::DoDataExchange(velk::DataExchange& dx) {
    dx.Text(kStyleCaptionId, StyleCaption);
    dx.Text(kFileCaptionId, FileCaption);
    dx.Text(kPathId, PathText);
    dx.Text(kDisplayCaptionId, DisplayCaption);
    dx.Text(kIntervalCaptionId, IntervalCaption);
    dx.Text(kOrderCaptionId, OrderCaption);
}

void CWallpaperProp::NotifyParentChanged() const {
    if (HWND parent = ParentWindow()) ::SendMessageW(parent, UM_PAGECHANGED, 0, 1);
}

void CWallpaperProp::OnCancel() {
    // Esc on the page ends the program, as the main dialog's close does.
    if (HWND parent = ParentWindow()) ::SendMessageW(parent, WM_CLOSE, 0, 0);
}

BOOL CWallpaperProp::OnInitDialog() {
    CDialog::OnInitDialog();
    DisplayCombo.Attach(GetDlgItem(kDisplayComboId));
    StyleCombo.Attach(GetDlgItem(kStyleComboId));
    IntervalCombo.Attach(GetDlgItem(kIntervalComboId));
    OrderCombo.Attach(GetDlgItem(kOrderComboId));
    ListMutex.reset(::CreateMutexW(nullptr, FALSE, kListMutexName));

    std::wstring text;
    LoadStringOrWarn(kStringUseWallpaper, text);
    ::SetDlgItemTextW(hwnd_, kUseWallpaperId, text.c_str());
    text.clear();
    LoadStringOrWarn(kStringColor, text);
    ::SetDlgItemTextW(hwnd_, kBackgroundId, text.c_str());
    velk::LoadResString(kStringDisplay, DisplayCaption);
    velk::LoadResString(kStringFile, FileCaption);
    velk::LoadResString(kStringStyle, StyleCaption);
    text.clear();
    LoadStringOrWarn(kStringAutoChange, text);
    ::SetDlgItemTextW(hwnd_, kAutoChangeId, text.c_str());
    velk::LoadResString(kStringInterval, IntervalCaption);
    velk::LoadResString(kStringOrder, OrderCaption);

    LoadWallpaperSettings();
    UpdateData(false);
    return TRUE;
}

LRESULT CWallpaperProp::OnDestroy(WPARAM w, LPARAM l) {
    const LRESULT result = DefaultProc(WM_DESTROY, w, l);
    KillTimer(kAutoChangeTimer);
    ListMutex.reset();
    return result;
}

BOOL CWallpaperProp::InitWallpaperPage(int32_t highest) {
    if (!hwnd_) return FALSE;
    DisplayCombo.ResetContent();
    StyleCombo.ResetContent();
    IntervalCombo.ResetContent();
    OrderCombo.ResetContent();
    // One caption for every combo item: an entry the string table lacks
    // repeats the caption before it; without even the first, nothing more is set up.
    std::wstring caption;
    for (UINT id = kStringStyleFirst; id < kStringStyleFirst + 4; ++id) {
        velk::LoadResString(id, caption);
        if (caption.empty()) return 1;
        StyleCombo.AddString(caption);
    }
    for (int32_t index = 0; index <= 6; ++index) IntervalCombo.AddString(velk::FormatText(L"%d", IntervalMinutes(index)));
    const WallpaperRecord& record = Records[static_cast<size_t>(CurrentDisplayIndex)];
    IntervalCombo.SetCurSel(record.intervalIndex);
    ::CheckDlgButton(hwnd_, kAutoChangeId, record.autoChange == 1 ? BST_CHECKED : BST_UNCHECKED);
    for (UINT id : kOrderStrings) {
        velk::LoadResString(id, caption);
        OrderCombo.AddString(caption);
    }
    OrderCombo.SetCurSel(record.sortStyle);

    UpdateData(true);
    PathText = record.picturePath;
    if (CaptureOsWallpaper() == 1) {
        ::CheckDlgButton(hwnd_, kUseWallpaperId, BST_CHECKED);
        UseOsWallpaper = 0;
        EnableControl(kBackgroundId, true);
    } else {
        ::CheckDlgButton(hwnd_, kUseWallpaperId, BST_UNCHECKED);
        UseOsWallpaper = 1;
        EnableControl(kBackgroundId, false);
    }
    UpdateData(false);

    velk::CWinApp* app = velk::AfxGetApp();
    if (!app) return FALSE;
    PathText = app->GetProfileString(L"Wallpaper", L"CurrentWallpaper", L"");
    if (!RefreshWallpaperPage(static_cast<uint32_t>(highest))) return FALSE;
    RestartAutoChangeTimer();
    return 1;
}

int32_t CWallpaperProp::GetDisplayIndexFromCombo() {
    const int selected = DisplayCombo.GetCurSel();
    if (selected < 0) return 0;
    const auto length = DisplayCombo.SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(selected));
    if (length <= 0) return 0;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    DisplayCombo.SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(text.data()));
    const int number = _wtoi(text.c_str());
    // An item without a leading number names no display (and must not pick an empty slot).
    const DisplayList* displays = CurrentDisplayList();
    if (!ParentWindow() || !displays || number <= 0) return 0;
    for (int32_t slot = 0; slot < kDisplaySlots; ++slot)
        if (displays->Records[slot].DisplayNumber == static_cast<uint32_t>(number)) return slot;
    return 0;
}

void CWallpaperProp::SetSwatchColor(COLORREF color) {
    SwatchBrush.reset(::CreateSolidBrush(color));
    HWND swatch = GetDlgItem(kSwatchId);
    ::InvalidateRect(swatch, nullptr, TRUE);
}

void CWallpaperProp::OnCbnSelchangeDisplay() {
    if (!hwnd_) return;
    UpdateData(true);
    CurrentDisplayIndex = GetDisplayIndexFromCombo();
    EnableWallpaperControls();
    WallpaperRecord& record = Records[static_cast<size_t>(CurrentDisplayIndex)];
    PathText = record.picturePath;
    ::SetDlgItemTextW(hwnd_, kPathId, PathText.c_str());
    RecomposeDisplayPreview(CurrentDisplayIndex);
    SetSwatchColor(record.backColor);
    KeptAsidePath.clear();
    if (IsChecked(kAutoChangeId)) {
        EnableAutoChangeControls(1);
    } else {
        EnableControl(kIntervalComboId, false);
        EnableControl(kOrderComboId, false);
        EnableControl(kNextId, false);
        EnableControl(kPrevId, false);
    }
    UpdateData(false);
}

int CWallpaperProp::EnableWallpaperControls() {
    UpdateData(true);
    WallpaperRecord& record = Records[static_cast<size_t>(CurrentDisplayIndex)];
    if (IsChecked(kUseWallpaperId)) {
        UseOsWallpaper = 0;
        EnableControl(kPathId, true);
        if (record.picturePath[0] == 0) {
            PathText = KeptAsidePath;
            wcsncpy_s(record.picturePath, KeptAsidePath.c_str(), _TRUNCATE);
        } else {
            PathText = record.picturePath;
        }
        StyleCombo.SetCurSel(record.style);
        for (int id : {kBrowseId, kBackgroundId, kSwatchId, kStyleComboId, kAutoChangeId}) EnableControl(id, true);
        const bool colourUsed = !IsTileOrExpand(StyleCombo.GetCurSel());
        EnableControl(kBackgroundId, colourUsed);
        EnableControl(kSwatchId, colourUsed);
        if (record.autoChange == 1) {
            EnableControl(kIntervalComboId, true);
            IntervalCombo.SetCurSel(record.intervalIndex);
            EnableControl(kOrderComboId, true);
            OrderCombo.SetCurSel(record.sortStyle);
            ::CheckDlgButton(hwnd_, kAutoChangeId, BST_CHECKED);
        } else {
            EnableControl(kIntervalComboId, false);
            EnableControl(kOrderComboId, false);
            ::CheckDlgButton(hwnd_, kAutoChangeId, BST_UNCHECKED);
        }
    } else {
        UseOsWallpaper = 1;
        EnableControl(kPathId, false);
        KeptAsidePath = PathText;
        PathText.clear();
        record.picturePath[0] = 0;
        StyleCombo.SetCurSel(0);
        for (int id : {kBrowseId, kBackgroundId, kSwatchId, kStyleComboId, kAutoChangeId, kIntervalComboId, kOrderComboId})
            EnableControl(id, false);
    }
    UpdateData(false);
    return 1;
}

void CWallpaperProp::OnBnClickedUseWallpaper() {
    EnableWallpaperControls();
    RecomposeDisplayPreview(CurrentDisplayIndex);
    NotifyParentChanged();
    UpdateData(false);
}

void CWallpaperProp::OnCbnSelchangeStyle() {
    UpdateData(true);
    const int selected = StyleCombo.GetCurSel();
    EnableControl(kBackgroundId, !IsTileOrExpand(selected));
    EnableControl(kSwatchId, !IsTileOrExpand(selected));
    Records[static_cast<size_t>(CurrentDisplayIndex)].style = selected;
    RecomposeDisplayPreview(CurrentDisplayIndex);
    NotifyParentChanged();
}

void CWallpaperProp::OnBnClickedBackground() {
    CustomColors[0] = 0x806000;
    CHOOSECOLORW choose{};
    choose.lStructSize = sizeof(choose);
    choose.hwndOwner = hwnd_;
    choose.rgbResult = 0x808080;
    choose.lpCustColors = CustomColors;
    choose.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!::ChooseColorW(&choose)) return;
    SetSwatchColor(choose.rgbResult);
    ::InvalidateRect(GetDlgItem(kPreviewId), nullptr, TRUE);
    Records[static_cast<size_t>(CurrentDisplayIndex)].backColor = choose.rgbResult;
    RecomposeDisplayPreview(CurrentDisplayIndex);
    NotifyParentChanged();
}

LRESULT CWallpaperProp::OnCtlColorStatic(WPARAM dc, LPARAM control) {
    if (SwatchBrush && ::GetDlgCtrlID(reinterpret_cast<HWND>(control)) == kSwatchId)
        return reinterpret_cast<LRESULT>(SwatchBrush.get());
    return DefaultProc(WM_CTLCOLORSTATIC, dc, control);
}

void CWallpaperProp::OnBnClickedBrowse() {
    // The structure's full size for this build (152 bytes on x64).
    wchar_t file[kWallpaperPathUnits] = {};
    OPENFILENAMEW open{};
    open.lStructSize = sizeof(open);
    open.hwndOwner = hwnd_;
    open.lpstrFilter = L"(*.bmp;*.jpg)\0*.bmp;*.jpg\0All(*.*)\0*.*\0";
    open.lpstrFile = file;
    open.nMaxFile = kWallpaperPathUnits;
    open.Flags = OFN_FILEMUSTEXIST;
    if (!::GetOpenFileNameW(&open)) return;
    PathText = file;
    wcsncpy_s(Records[static_cast<size_t>(CurrentDisplayIndex)].picturePath, file, _TRUNCATE);
    RebuildWallpaperFileLists();
    RecomposeDisplayPreview(CurrentDisplayIndex);
    OnBnClickedAutoChange();
    UpdateData(false);
    NotifyParentChanged();
}

void CWallpaperProp::OnCbnSelchangeInterval() {
    UpdateData(true);
    Records[static_cast<size_t>(CurrentDisplayIndex)].intervalIndex = IntervalCombo.GetCurSel();
    NotifyParentChanged();
}

void CWallpaperProp::OnCbnSelchangeOrder() {
    UpdateData(true);
    {
        ListLock lock(ListMutex.get());
        WallpaperRecord& record = Records[static_cast<size_t>(CurrentDisplayIndex)];
        record.sortStyle = OrderCombo.GetCurSel();
        ListOperations[static_cast<size_t>(CurrentDisplayIndex)].SortFileList(
            FileLists[static_cast<size_t>(CurrentDisplayIndex)], record.sortStyle);
    }
    NotifyParentChanged();
}
