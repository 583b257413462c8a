// The Wallpaper page's controls: captions, initialisation, the enabling rules
// and the handlers through which the user sets each display's wallpaper.
#include "wallpaper/wallpaper_page.h"

#include "display/display_list.h"
#include "display/program_messages.h"
#include "display/shared_functions.h"
#include "framework/app.h"
#include "framework/strings.h"
#include "framework/paths.h"
#include <commdlg.h>
#include <cwchar>

namespace {

// The styles in order: Center, Tile, Expand, keep the ratio.
constexpr UINT kStyleStrings[] = {IDS_STYLE_CENTER, IDS_STYLE_TILE, IDS_STYLE_EXPAND, IDS_STYLE_KEEP_RATIO};
// The orders offered: by name, by date (oldest first), random.
constexpr UINT kOrderStrings[] = {IDS_ORDER_NAME_ASC, IDS_ORDER_DATE_OLDEST, IDS_ORDER_RANDOM};

constexpr wchar_t kListMutexName[] = L"AppVelkmuWallpaperProp";

// The colour dialog's custom colours, kept for the whole run.
COLORREF CustomColors[16] = {};

bool IsTileOrExpand(int style) noexcept { return style == 1 || style == 2; }

}  // namespace

std::span<const velk::MessageEntry<CWallpaperProp>> CWallpaperProp::MessageTable() {
    using T = CWallpaperProp;
    static constexpr velk::MessageEntry<T> table[] = {
        velk::command<T>(IDC_WP_BACKGROUND, &T::OnBnClickedBackground),
        velk::on<T>(WM_CTLCOLORSTATIC, &T::OnCtlColorStatic),
        velk::command<T>(IDC_WP_BROWSE, &T::OnBnClickedBrowse),
        velk::command<T>(IDC_WP_DISPLAY, CBN_SELCHANGE, &T::OnCbnSelchangeDisplay),
        velk::command<T>(IDC_WP_STYLE, CBN_SELCHANGE, &T::OnCbnSelchangeStyle),
        velk::command<T>(IDC_WP_PREVIEW, &T::OnPreviewClicked),
        velk::command<T>(IDC_WP_USE_WALLPAPER, &T::OnBnClickedUseWallpaper),
        velk::command<T>(IDC_WP_AUTO_CHANGE, &T::OnBnClickedAutoChange),
        velk::command<T>(IDC_WP_INTERVAL, CBN_SELCHANGE, &T::OnCbnSelchangeInterval),
        velk::command<T>(IDC_WP_ORDER, CBN_SELCHANGE, &T::OnCbnSelchangeOrder),
        velk::on<T>(WM_TIMER, &T::OnTimer),
        velk::command<T>(IDC_WP_NEXT, &T::OnBnClickedNext),
        velk::command<T>(IDC_WP_PREV, &T::OnBnClickedPrev),
        velk::on<T>(WM_DESTROY, &T::OnDestroy),
        velk::on<T>(kRecomposedMessage, &T::OnRecomposed),
    };
    return table;
}

void CWallpaperProp::DoDataExchange(velk::DataExchange& dx) {
    dx.Control(IDC_WP_DISPLAY, DisplayCombo);
    dx.Control(IDC_WP_STYLE, StyleCombo);
    dx.Control(IDC_WP_INTERVAL, IntervalCombo);
    dx.Control(IDC_WP_ORDER, OrderCombo);
    dx.Control(IDC_WP_USE_WALLPAPER, UseWallpaperBox);
    dx.Control(IDC_WP_AUTO_CHANGE, AutoChangeBox);
    dx.Text(IDC_WP_STYLE_LABEL, StyleCaption);
    dx.Text(IDC_WP_FILE_LABEL, FileCaption);
    dx.Text(IDC_WP_PATH, PathText);
    dx.Text(IDC_WP_DISPLAY_LABEL, DisplayCaption);
    dx.Text(IDC_WP_INTERVAL_LABEL, IntervalCaption);
    dx.Text(IDC_WP_ORDER_LABEL, OrderCaption);
}

void CWallpaperProp::NotifyParentChanged() const { SendPageChanged(hwnd_); }

void CWallpaperProp::OnCancel() {
    // Esc on the page ends the program, as the main dialog's close does.
    if (HWND parent = ParentWindow()) ::SendMessageW(parent, WM_CLOSE, 0, 0);
}

BOOL CWallpaperProp::OnInitDialog() {
    CDialog::OnInitDialog();
    Preview.SubclassDlgItem(IDC_WP_PREVIEW, hwnd_);
    ListMutex.reset(::CreateMutexW(nullptr, FALSE, kListMutexName));

    std::wstring text;
    LoadStringOrWarn(IDS_USE_WALLPAPER, text);
    ::SetDlgItemTextW(hwnd_, IDC_WP_USE_WALLPAPER, text.c_str());
    text.clear();
    LoadStringOrWarn(IDS_WALLPAPER_COLOR, text);
    ::SetDlgItemTextW(hwnd_, IDC_WP_BACKGROUND, text.c_str());
    velk::LoadResString(IDS_WALLPAPER_DISPLAY, DisplayCaption);
    velk::LoadResString(IDS_WALLPAPER_FILE, FileCaption);
    velk::LoadResString(IDS_WALLPAPER_STYLE, StyleCaption);
    text.clear();
    LoadStringOrWarn(IDS_AUTO_CHANGE, text);
    ::SetDlgItemTextW(hwnd_, IDC_WP_AUTO_CHANGE, text.c_str());
    velk::LoadResString(IDS_AUTO_CHANGE_INTERVAL, IntervalCaption);
    velk::LoadResString(IDS_AUTO_CHANGE_ORDER, OrderCaption);

    LoadWallpaperSettings();
    UpdateData(false);
    return TRUE;
}

LRESULT CWallpaperProp::OnDestroy(WPARAM w, LPARAM l) {
    const LRESULT result = DefaultProc(WM_DESTROY, w, l);
    // A recompose still running stops between displays; the desktop keeps
    // the wallpaper it has.
    Recomposer.Stop();
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
    for (UINT id : kStyleStrings) {
        velk::LoadResString(id, caption);
        if (caption.empty()) return 1;
        StyleCombo.AddString(caption);
    }
    for (int32_t index = 0; index <= 6; ++index) IntervalCombo.AddString(velk::FormatText(L"%d", IntervalMinutes(index)));
    const WallpaperRecord& record = WallpaperRecords[static_cast<size_t>(CurrentDisplayIndex)];
    IntervalCombo.SetCurSel(record.IntervalIndex);
    AutoChangeBox.SetCheck(record.AutoChange == 1 ? BST_CHECKED : BST_UNCHECKED);
    for (UINT id : kOrderStrings) {
        velk::LoadResString(id, caption);
        OrderCombo.AddString(caption);
    }
    OrderCombo.SetCurSel(record.SortStyle);

    UpdateData(true);
    PathText = record.PicturePath;
    SetUseWallpaperFromDesktop();
    pageFilled_ = true;
    UpdateData(false);

    velk::CWinApp* app = velk::AfxGetApp();
    if (!app) return FALSE;
    PathText = app->GetProfileString(L"Wallpaper", L"CurrentWallpaper", L"");
    Preview.LoadPreviewImage();
    Preview.SetImageFile(PathText.c_str());
    const BOOL refreshed = RefreshWallpaperPage(static_cast<uint32_t>(highest));
    // The controls offered from the start are those a click on the box leaves.
    UpdateControlStates();
    if (!refreshed) return FALSE;
    RestartAutoChangeTimer();
    return 1;
}

void CWallpaperProp::SetUseWallpaperFromDesktop() {
    // On exactly while the program's composite is the Windows wallpaper, or
    // is on its way there (from the recompose thread, or asked for by a run
    // that ended before it got there). This is the applied state at start.
    velk::CWinApp* app = velk::AfxGetApp();
    const bool pending = app && app->GetProfileInt(kWallpaperSection, kRecomposePendingValue, 0) != 0;
    const bool on = CaptureOsWallpaper() == 1 || composeRequest_ != 0 || pending;
    UseWallpaperBox.SetCheck(on ? BST_CHECKED : BST_UNCHECKED);
    UseOsWallpaper = on ? 0 : 1;
    AppliedUseOsWallpaper = UseOsWallpaper;
    EnableControl(IDC_WP_BACKGROUND, on);
    KeptAsidePath.clear();
}

void CWallpaperProp::UpdateControlStates() {
    const bool on = UseWallpaperBox.IsChecked();
    const WallpaperRecord& record = WallpaperRecords[static_cast<size_t>(CurrentDisplayIndex)];
    for (int id : {IDC_WP_PATH, IDC_WP_BROWSE, IDC_WP_STYLE, IDC_WP_AUTO_CHANGE}) EnableControl(id, on);
    const bool colourUsed = on && !IsTileOrExpand(StyleCombo.GetCurSel());
    EnableControl(IDC_WP_BACKGROUND, colourUsed);
    EnableControl(IDC_WP_SWATCH, colourUsed);
    // The automatic change's controls, the arrows too, only while the box is
    // on: a step made while it is off would be dropped by the next save.
    const bool autoChange = on && record.AutoChange == 1;
    for (int id : {IDC_WP_INTERVAL, IDC_WP_ORDER, IDC_WP_NEXT, IDC_WP_PREV}) EnableControl(id, autoChange);
}

int32_t CWallpaperProp::GetDisplayIndexFromCombo() {
    const int selected = DisplayCombo.GetCurSel();
    if (selected < 0) return 0;
    const int number = _wtoi(DisplayCombo.GetLBText(selected).c_str());
    // An item without a leading number names no display (and must not pick an empty slot).
    const DisplayList* displays = CurrentDisplayList();
    if (!ParentWindow() || !displays || number <= 0) return 0;
    for (int32_t slot = 0; slot < kDisplaySlots; ++slot)
        if (displays->Records[slot].DisplayNumber == static_cast<uint32_t>(number)) return slot;
    return 0;
}

void CWallpaperProp::SetSwatchColor(COLORREF color) {
    SwatchBrush.reset(::CreateSolidBrush(color));
    HWND swatch = GetDlgItem(IDC_WP_SWATCH);
    ::InvalidateRect(swatch, nullptr, TRUE);
}

void CWallpaperProp::OnCbnSelchangeDisplay() {
    if (!hwnd_) return;
    UpdateData(true);
    CurrentDisplayIndex = GetDisplayIndexFromCombo();
    EnableWallpaperControls();
    WallpaperRecord& record = WallpaperRecords[static_cast<size_t>(CurrentDisplayIndex)];
    PathText = record.PicturePath;
    ::SetDlgItemTextW(hwnd_, IDC_WP_PATH, PathText.c_str());
    RecomposeDisplayPreview(CurrentDisplayIndex);
    SetSwatchColor(record.BackColor);
    KeptAsidePath.clear();
    if (AutoChangeBox.IsChecked() && UseWallpaperBox.IsChecked()) {
        EnableAutoChangeControls(1);
    } else {
        EnableControl(IDC_WP_INTERVAL, false);
        EnableControl(IDC_WP_ORDER, false);
        EnableControl(IDC_WP_NEXT, false);
        EnableControl(IDC_WP_PREV, false);
    }
    UpdateData(false);
}

int CWallpaperProp::EnableWallpaperControls() {
    UpdateData(true);
    WallpaperRecord& record = WallpaperRecords[static_cast<size_t>(CurrentDisplayIndex)];
    if (UseWallpaperBox.IsChecked()) {
        UseOsWallpaper = 0;
        if (record.PicturePath[0] == 0) {
            PathText = KeptAsidePath;
            velk::CopyTruncated(record.PicturePath, KeptAsidePath.c_str());
        } else {
            PathText = record.PicturePath;
        }
        StyleCombo.SetCurSel(record.Style);
        if (record.AutoChange == 1) {
            IntervalCombo.SetCurSel(record.IntervalIndex);
            OrderCombo.SetCurSel(record.SortStyle);
        }
        AutoChangeBox.SetCheck(record.AutoChange == 1 ? BST_CHECKED : BST_UNCHECKED);
    } else {
        UseOsWallpaper = 1;
        KeptAsidePath = PathText;
        PathText.clear();
        record.PicturePath[0] = 0;
        StyleCombo.SetCurSel(0);
    }
    UpdateControlStates();
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
    EnableControl(IDC_WP_BACKGROUND, !IsTileOrExpand(selected));
    EnableControl(IDC_WP_SWATCH, !IsTileOrExpand(selected));
    WallpaperRecords[static_cast<size_t>(CurrentDisplayIndex)].Style = selected;
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
    ::InvalidateRect(GetDlgItem(IDC_WP_PREVIEW), nullptr, TRUE);
    WallpaperRecords[static_cast<size_t>(CurrentDisplayIndex)].BackColor = choose.rgbResult;
    RecomposeDisplayPreview(CurrentDisplayIndex);
    NotifyParentChanged();
}

LRESULT CWallpaperProp::OnCtlColorStatic(WPARAM dc, LPARAM control) {
    if (SwatchBrush && ::GetDlgCtrlID(reinterpret_cast<HWND>(control)) == IDC_WP_SWATCH)
        return reinterpret_cast<LRESULT>(SwatchBrush.get());
    return DefaultProc(WM_CTLCOLORSTATIC, dc, control);
}

// The structure's full size for this build: 152 bytes on x64, 88 on x86.
static_assert(sizeof(OPENFILENAMEW) == (sizeof(void*) == 8 ? 152 : 88));

void CWallpaperProp::OnBnClickedBrowse() {
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
    velk::CopyTruncated(WallpaperRecords[static_cast<size_t>(CurrentDisplayIndex)].PicturePath, file);
    RebuildWallpaperFileLists();
    RecomposeDisplayPreview(CurrentDisplayIndex);
    OnBnClickedAutoChange();
    UpdateData(false);
    NotifyParentChanged();
}

void CWallpaperProp::OnCbnSelchangeInterval() {
    UpdateData(true);
    WallpaperRecords[static_cast<size_t>(CurrentDisplayIndex)].IntervalIndex = IntervalCombo.GetCurSel();
    NotifyParentChanged();
}

void CWallpaperProp::OnCbnSelchangeOrder() {
    UpdateData(true);
    {
        velk::MutexLock lock(ListMutex.get());
        WallpaperRecord& record = WallpaperRecords[static_cast<size_t>(CurrentDisplayIndex)];
        record.SortStyle = OrderCombo.GetCurSel();
        ListOperations[static_cast<size_t>(CurrentDisplayIndex)].SortFileList(
            FileLists[static_cast<size_t>(CurrentDisplayIndex)], record.SortStyle);
        listKeys_[static_cast<size_t>(CurrentDisplayIndex)].sortStyle = record.SortStyle;
    }
    NotifyParentChanged();
}
