// The preview control and the per-display rendering.
#include "wallpaper/preview_control.h"
#include "framework/handles.h"
#include "framework/strings.h"
#include <algorithm>
#include <cwchar>
#include <vector>
// GDI+ wants min and max, which NOMINMAX keeps out of windows.h.
#include "wallpaper/gdiplus_headers.h"

namespace {

constexpr ULONG kJpegQuality = 90;

}  // namespace

PicturePlacement PlacePicture(int32_t style, int32_t W, int32_t H, uint32_t w, uint32_t h) noexcept {
    switch (style) {
    case 0:  // centre: signed division truncating toward zero
        return {(W - static_cast<int32_t>(w)) / 2, (H - static_cast<int32_t>(h)) / 2, static_cast<int32_t>(w),
                static_cast<int32_t>(h)};
    case 2:
        return {0, 0, W, H};
    case 3: {
        // A picture or display without area has no aspect to keep.
        if (w == 0 || h == 0 || W <= 0 || H <= 0) return {0, 0, 0, 0};
        auto dW = static_cast<uint64_t>(W), dH = static_cast<uint64_t>(H);
        if (static_cast<double>(W) / H > static_cast<double>(w) / h) {
            auto width = static_cast<uint32_t>(w * dH / h);
            return {(W - static_cast<int32_t>(width)) / 2, 0, static_cast<int32_t>(width), H};
        }
        auto height = static_cast<uint32_t>(h * dW / w);
        return {0, (H - static_cast<int32_t>(height)) / 2, W, static_cast<int32_t>(height)};
    }
    default:  // tile: copies from the top-left corner
        return {0, 0, static_cast<int32_t>(w), static_cast<int32_t>(h)};
    }
}

uint32_t OpaqueArgb(COLORREF color) noexcept {
    return 0xFF000000u | (static_cast<uint32_t>(GetRValue(color)) << 16) |
           (static_cast<uint32_t>(GetGValue(color)) << 8) | GetBValue(color);
}

CStaticWinPreview::CStaticWinPreview() noexcept {
    Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, background thread on
    if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
}

CStaticWinPreview::~CStaticWinPreview() {
    image_.reset();
    shown_.reset();
    graphics_.reset();
    if (token_) Gdiplus::GdiplusShutdown(token_);
}

void CStaticWinPreview::FreeImage() noexcept { image_.reset(); }

Gdiplus::Image* CStaticWinPreview::Picture() {
    if (!image_ && token_) image_.reset(new Gdiplus::Image(picturePath_));
    // A missing or broken file gives an image without size, which draws nothing.
    return image_ && image_->GetLastStatus() == Gdiplus::Ok ? image_.get() : nullptr;
}

int CStaticWinPreview::LoadPreviewImage() {
    if (!hwnd_ || !token_) return 0;
    FreeImage();
    shown_.reset();
    graphics_.reset(new Gdiplus::Graphics(hwnd_));
    return graphics_ && graphics_->GetLastStatus() == Gdiplus::Ok ? 1 : 0;
}

void CStaticWinPreview::SetImageFile(const wchar_t* path) {
    CopyBounded(picturePath_, kWallpaperPathUnits, path);
    // The file is decoded when it is drawn, and let go of once drawn.
    FreeImage();
    shown_.reset();
    if (hwnd_) ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void CStaticWinPreview::DrawItem(const DRAWITEMSTRUCT* item) {
    if (!item || !graphics_) return;
    const RECT& r = item->rcItem;
    INT width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return;
    // The picture scaled to the control is kept instead of the picture itself,
    // which may be as large as a display.
    if (!shown_ || static_cast<INT>(shown_->GetWidth()) != width || static_cast<INT>(shown_->GetHeight()) != height) {
        shown_.reset();
        Gdiplus::Image* picture = Picture();
        if (!picture) return;
        std::unique_ptr<Gdiplus::Bitmap> scaled(new Gdiplus::Bitmap(width, height, PixelFormat32bppARGB));
        if (!scaled || scaled->GetLastStatus() != Gdiplus::Ok) return;
        {
            Gdiplus::Graphics g(scaled.get());
            g.DrawImage(picture, Gdiplus::Rect(0, 0, width, height), 0, 0, static_cast<INT>(picture->GetWidth()),
                        static_cast<INT>(picture->GetHeight()), Gdiplus::UnitPixel);
        }
        FreeImage();
        shown_ = std::move(scaled);
    }
    graphics_->DrawImage(shown_.get(), Gdiplus::Rect(r.left, r.top, width, height), 0, 0, width, height,
                         Gdiplus::UnitPixel);
}

LRESULT CStaticWinPreview::WindowProc(UINT msg, WPARAM w, LPARAM l) {
    // The owner-drawn static draws itself here instead of through its parent.
    if (msg == WM_PAINT) {
        velk::PaintDc dc(hwnd_);
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_STATIC;
        item.CtlID = static_cast<UINT>(::GetDlgCtrlID(hwnd_));
        item.itemAction = ODA_DRAWENTIRE;
        item.hwndItem = hwnd_;
        item.hDC = dc.get();
        ::GetClientRect(hwnd_, &item.rcItem);
        DrawItem(&item);
        return 0;
    }
    return CWnd::WindowProc(msg, w, l);
}

int CStaticWinPreview::FindJpegEncoderClsid(CLSID* clsid) {
    UINT count = 0, bytes = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) return -1;
    std::vector<BYTE> buffer;
    try {
        buffer.resize(bytes);
    } catch (...) {
        return -1;
    }
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, bytes, encoders) != Gdiplus::Ok) return -1;
    for (UINT i = 0; i < count; ++i) {
        if (encoders[i].MimeType && ::wcscmp(encoders[i].MimeType, L"image/jpeg") == 0) {
            if (clsid) *clsid = encoders[i].Clsid;
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool CStaticWinPreview::SaveJpeg(Gdiplus::Image& image, const wchar_t* path) {
    CLSID encoder{};
    if (FindJpegEncoderClsid(&encoder) < 0) return false;
    SaveJpegWith(encoder, image, path);
    return true;
}

bool CStaticWinPreview::SaveJpegWith(const CLSID& encoder, Gdiplus::Image& image, const wchar_t* path) {
    ULONG quality = kJpegQuality;
    Gdiplus::EncoderParameters parameters{};
    parameters.Count = 1;
    parameters.Parameter[0].Guid = Gdiplus::EncoderQuality;
    parameters.Parameter[0].Type = Gdiplus::EncoderParameterValueTypeLong;
    parameters.Parameter[0].NumberOfValues = 1;
    parameters.Parameter[0].Value = &quality;
    // A failed save leaves an old or no file.
    return image.Save(path, &encoder, &parameters) == Gdiplus::Ok;
}

bool RenderDisplayPicture(std::unique_ptr<Gdiplus::Image>& picture, int32_t style, COLORREF color, int32_t W,
                          int32_t H, const wchar_t* target) {
    if (!target || W <= 0 || H <= 0) return false;
    Gdiplus::Bitmap canvas(W, H, PixelFormat32bppARGB);
    if (canvas.GetLastStatus() != Gdiplus::Ok) return false;
    {
        Gdiplus::Graphics graphics(&canvas);
        if (graphics.GetLastStatus() != Gdiplus::Ok) return false;
        Gdiplus::SolidBrush back{Gdiplus::Color(OpaqueArgb(color))};
        graphics.FillRectangle(&back, 0, 0, W, H);
        Gdiplus::Image* image = picture && picture->GetLastStatus() == Gdiplus::Ok ? picture.get() : nullptr;
        UINT w = image ? image->GetWidth() : 0, h = image ? image->GetHeight() : 0;
        if (w > 0 && h > 0) {
            PicturePlacement at = PlacePicture(style, W, H, w, h);
            switch (style) {
            case 0:
            case 2:
            case 3:
                graphics.DrawImage(image, Gdiplus::Rect(at.x, at.y, at.width, at.height), 0, 0, static_cast<INT>(w),
                                   static_cast<INT>(h), Gdiplus::UnitPixel);
                break;
            default: {
                Gdiplus::TextureBrush texture(image, Gdiplus::WrapModeTile);
                graphics.FillRectangle(&texture, 0, 0, W, H);
                break;
            }
            }
        }
    }
    CLSID encoder{};
    if (CStaticWinPreview::FindJpegEncoderClsid(&encoder) < 0) return false;
    // The source is drawn: free it before the encoder needs its memory.
    picture.reset();
    return CStaticWinPreview::SaveJpegWith(encoder, canvas, target);
}

BOOL CStaticWinPreview::ComposeDisplayWallpaper(int index, const wchar_t* source, int32_t style, COLORREF color,
                                                const wchar_t* folder, int32_t W, int32_t H) {
    if (!source || !folder || !token_) return FALSE;
    std::wstring target = velk::FormatText(kDisplayFileFormat, folder, index);
    if (W <= 0 || H <= 0) return FALSE;
    CLSID encoder{};
    if (FindJpegEncoderClsid(&encoder) < 0) return FALSE;  // the control keeps the source
    Picture();  // decodes the source when it is not yet
    RenderDisplayPicture(image_, style, color, W, H, target.c_str());
    SetImageFile(target.c_str());
    return TRUE;
}
