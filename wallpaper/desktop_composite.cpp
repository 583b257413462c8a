// The whole-desktop picture from the per-display pictures, and its
// application as the tiled Windows wallpaper.
#include "wallpaper/desktop_composite.h"
#include "display/shared_functions.h"
#include "framework/strings.h"
#include "resources/resource.h"
#include "wallpaper/os_wallpaper.h"
#include "wallpaper/wallpaper_page.h"
#include <algorithm>
#include <memory>
#include <new>
#include "wallpaper/gdiplus_headers.h"

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
    case RestoreOutcome::Restored: return TRUE;
    case RestoreOutcome::Failed: return FALSE;
    case RestoreOutcome::NotRestoring: break;
    }
    if (!HasParentWindow() || !Preview.GdiplusStarted()) return FALSE;
    std::wstring folder = MakeRenderingFolder();
    std::wstring composite = folder + kCompositeFileName;
    static const DisplayList none{};
    const DisplayList& displays = CurrentDisplayList() ? *CurrentDisplayList() : none;
    DesktopBox box = ComputeDesktopBox(displays);
    CompositeLayout layout = ChooseCompositeLayout();

    CLSID encoder{};
    if (CStaticWinPreview::FindJpegEncoderClsid(&encoder) < 0) return FALSE;
    // Without a canvas (no area, or no memory for it) the file on disk, if
    // any, is what the shell gets.
    if (box.Width() > 0 && box.Height() > 0 && box.Width() <= INT32_MAX && box.Height() <= INT32_MAX) {
        auto W = static_cast<INT>(box.Width()), H = static_cast<INT>(box.Height());
        // 24 bits a pixel: the JPEG keeps no alpha, starts black where nothing
        // lands, and GDI+ encodes it without first copying a 32-bit canvas
        // into a 24-bit one, which for ten 4K displays would be 237 MB more.
        std::unique_ptr<Gdiplus::Bitmap> canvas(new Gdiplus::Bitmap(W, H, PixelFormat24bppRGB));
        if (canvas && canvas->GetLastStatus() == Gdiplus::Ok) {
            {
                Gdiplus::Graphics graphics(canvas.get());
                for (int i = 0; i < kDisplaySlots; ++i) {
                    const DisplayRecord& slot = displays.Records[i];
                    if (!slot.Name[0]) continue;
                    // One display's picture at a time, freed once drawn.
                    Gdiplus::Bitmap picture(velk::FormatText(kDisplayFileFormat, folder.c_str(), i).c_str());
                    if (picture.GetLastStatus() != Gdiplus::Ok) continue;  // that area stays black
                    CompositeDraw draws[2];
                    int count = PlanDisplayDraws(slot, box, layout, static_cast<int32_t>(picture.GetWidth()),
                                                 static_cast<int32_t>(picture.GetHeight()), draws);
                    for (int k = 0; k < count; ++k) {
                        const CompositeDraw& d = draws[k];
                        graphics.DrawImage(&picture, Gdiplus::Rect(d.x, d.y, d.width, d.height), d.srcX, d.srcY,
                                           d.width, d.height, Gdiplus::UnitPixel);
                    }
                }
            }
            CStaticWinPreview::SaveJpegWith(encoder, *canvas, composite.c_str());
        }
    }
    return ApplyWindowsWallpaper(composite.c_str(), WPSTYLE_TILE) ? TRUE : FALSE;
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
    ::SendDlgItemMessageW(hwnd_, IDC_WP_STYLE, CB_SETCURSEL, static_cast<WPARAM>(current.Style), 0);
    // An empty path keeps the text shown; the Windows wallpaper is read through
    // the system parameter where the Active Desktop object is missing, so its
    // absence is no reason to stop here.
    if (current.PicturePath[0]) {
        ::SetDlgItemTextW(hwnd_, IDC_WP_PATH, current.PicturePath);
        PathText = current.PicturePath;
    }
    SwatchBrush.reset(::CreateSolidBrush(current.BackColor));
    ::InvalidateRect(GetDlgItem(IDC_WP_SWATCH), nullptr, TRUE);

    // Every present display's picture; the preview ends on the current one.
    int last = -1;
    bool currentRendered = false;
    for (int i = 0; i < kDisplaySlots; ++i) {
        if (displays.Records[i].DisplayNumber == 0) continue;
        RecomposeDisplayPreview(i);
        last = i;
        if (i == CurrentDisplayIndex) currentRendered = ::lstrcmpiW(Preview.PicturePath(), RenderedFile(i).c_str()) == 0;
    }
    // Rendering the same inputs again would write the same file: show it.
    if (last != CurrentDisplayIndex) {
        if (currentRendered) Preview.SetImageFile(RenderedFile(CurrentDisplayIndex).c_str());
        else RecomposeDisplayPreview(CurrentDisplayIndex);
    }
    UpdateData(false);
    return TRUE;
}
