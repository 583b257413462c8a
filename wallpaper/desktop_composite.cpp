// The whole-desktop picture from the per-display pictures, and its
// application as the tiled Windows wallpaper.
#include "wallpaper/desktop_composite.h"
#include "display/shared_functions.h"
#include "framework/strings.h"
#include "resources/resource.h"
#include "wallpaper/os_wallpaper.h"
#include "wallpaper/wallpaper_page.h"
#include <algorithm>

DesktopBox ComputeDesktopBox(const DisplayList& displays) noexcept {
    const DisplayRecord& first = displays.Records[0];
    DesktopBox box{first.left, first.top, first.right, first.bottom};
    for (int i = 1; i < kDisplaySlots; ++i) {
        const DisplayRecord& slot = displays.Records[i];
        if (slot.Width == 0) continue;
        box.minLeft = std::min(box.minLeft, slot.left);
        box.minTop = std::min(box.minTop, slot.top);
        box.maxRight = std::max(box.maxRight, slot.right);
        box.maxBottom = std::max(box.maxBottom, slot.bottom);
    }
    return box;
}

CompositeLayout ChooseCompositeLayout() {
    if (!IsWindowsAtLeast(5, 1) || IsWindowsAtLeast(6, 2)) return CompositeLayout::Offset;
    if (!AreDesktopIconsHidden() && !IsActiveDesktopOn()) return CompositeLayout::Wrap;
    return IsWindowsAtLeast(6, 0) ? CompositeLayout::Wrap : CompositeLayout::Offset;
}

int PlanDisplayDraws(const DisplayRecord& d, const DesktopBox& box, CompositeLayout layout, int32_t pictureWidth,
                     int32_t pictureHeight, CompositeDraw (&draws)[2]) noexcept {
    if (pictureWidth <= 0 || pictureHeight <= 0) return 0;
    int n = 0;
    // Pieces never reach past the picture itself.
    auto add = [&](int64_t x, int64_t y, int64_t sx, int64_t sy, int64_t w, int64_t h) {
        w = std::min<int64_t>(w, pictureWidth - sx);
        h = std::min<int64_t>(h, pictureHeight - sy);
        if (w <= 0 || h <= 0 || sx < 0 || sy < 0) return;
        if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX) return;
        draws[n++] = {static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(sx),
                      static_cast<int32_t>(sy), static_cast<int32_t>(w), static_cast<int32_t>(h)};
    };
    const int64_t L = d.left, T = d.top, R = d.right, B = d.bottom, w = d.Width, h = d.Height;
    if (layout == CompositeLayout::Offset) {
        add(L - box.minLeft, T - box.minTop, 0, 0, pictureWidth, pictureHeight);
        return n;
    }
    const int64_t W = box.Width(), H = box.Height();
    auto whole = [&](int64_t x, int64_t y) { add(x, y, 0, 0, w, h); };
    if (L >= 0 && T >= 0) {
        whole(L, T);
    } else if (L < 0 && T >= 0) {
        if (R > 0) {
            add(0, T, -L, 0, w + L, h);
            whole(L + W, T);
        } else {
            whole(L + W, T);
            whole(L + W, T);
        }
    } else if (L >= 0 && T < 0) {
        if (B > 0) {
            add(L, 0, 0, -T, w, h + T);
            whole(L, T + H);
        } else {
            whole(L, T + H);
            whole(L, T + H);
        }
    } else {
        if (R > 0) add(0, T + H, -L, 0, w + L, h);
        else whole(L + W, T + H);
        if (B > 0) add(L + W, 0, 0, -T, w, h + T);
        else whole(L + W, T + H);
    }
    return n;
}

BOOL CWallpaperProp::ComposeDesktopWallpaper() {
    switch (RestoreOsWallpaperOutcome()) {
    case RestoreOutcome::Restored:
        composeRequest_ = 0;  // a composite still being made is not applied any more
        MarkRecomposePending(false);
        return TRUE;
    case RestoreOutcome::Failed:
        composeRequest_ = 0;
        return FALSE;
    case RestoreOutcome::NotRestoring: break;
    }
    if (!HasParentWindow() || !Preview.GdiplusStarted()) return FALSE;
    CLSID encoder{};
    if (CStaticWinPreview::FindJpegEncoderClsid(&encoder) < 0) return FALSE;
    // Made on the recompose thread from the rendered files; applied when it
    // is done (OnRecomposed).
    const uint64_t id = QueueRecompose(0, true);
    if (id == 0) return FALSE;
    composeRequest_ = id;
    // Until it is the desktop wallpaper, the next start makes it again.
    MarkRecomposePending(true);
    return TRUE;
}

BOOL CWallpaperProp::RefreshWallpaperPage(uint32_t count) {
    if (count == 0) return FALSE;
    if (hwnd_) {
        HWND combo = GetDlgItem(IDC_WP_DISPLAY);
        for (int i = static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0)) - 1; i >= 0; --i)
            ::SendMessageW(combo, CB_DELETESTRING, static_cast<WPARAM>(i), 0);
    }
    if (!HasParentWindow()) return FALSE;
    static const DisplayList none{};
    const DisplayList& displays = CurrentDisplayList() ? *CurrentDisplayList() : none;
    if (CurrentDisplayIndex < 0 || CurrentDisplayIndex >= kDisplaySlots ||
        displays.Records[CurrentDisplayIndex].DisplayNumber == 0)
        CurrentDisplayIndex = 0;

    HWND combo = GetDlgItem(IDC_WP_DISPLAY);
    int remembered = -1;
    for (uint32_t i = 0; i < count && i < static_cast<uint32_t>(kDisplaySlots); ++i) {
        const DisplayRecord& slot = displays.Records[i];
        if (slot.Width == 0 && slot.Height == 0) continue;
        std::wstring entry = velk::FormatText(L"%d: %s (%dx%d)", static_cast<int>(slot.DisplayNumber), slot.Name,
                                              slot.Width, slot.Height);
        auto added = static_cast<int>(::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str())));
        if (static_cast<int32_t>(i) == CurrentDisplayIndex) remembered = added;
    }
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(remembered >= 0 ? remembered : 0), 0);
    const WallpaperRecord& current = WallpaperRecords[CurrentDisplayIndex];
    StyleCombo.SetCurSel(current.Style);
    // An empty path keeps the text shown; the Windows wallpaper is read through
    // the system parameter where the Active Desktop object is missing, so its
    // absence is no reason to stop here.
    if (current.PicturePath[0]) {
        ::SetDlgItemTextW(hwnd_, IDC_WP_PATH, current.PicturePath);
        PathText = current.PicturePath;
    }
    SwatchBrush.reset(::CreateSolidBrush(current.BackColor));
    ::InvalidateRect(GetDlgItem(IDC_WP_SWATCH), nullptr, TRUE);

    // Every present display's picture, rendered on the recompose thread; the
    // preview then ends on the current one.
    if (const uint32_t present = PresentSlots()) QueueRecompose(present, false);
    UpdateData(false);
    return TRUE;
}
