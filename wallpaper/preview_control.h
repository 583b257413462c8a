// The Wallpaper page's preview (static 1015, owner-drawn) and the renderer of
// each display's picture: the picture in its style over the back colour, at
// the display's size, saved as "WallPaper<slot>.jpg".
#pragma once
#include "framework/window.h"
#include "wallpaper/wallpaper_settings.h"
#include <windows.h>
#include <cstdint>
#include <memory>

namespace Gdiplus {
class Image;
class Bitmap;
class Graphics;
}  // namespace Gdiplus

// Where a picture of w × h lands on a W × H display for the centre, stretch
// and keep-aspect styles (the tile style starts copies at the top-left
// corner). Integer arithmetic, truncating; a picture without width or height
// gets an empty rectangle.
struct PicturePlacement {
    int32_t x, y, width, height;
};
PicturePlacement PlacePicture(int32_t style, int32_t W, int32_t H, uint32_t w, uint32_t h) noexcept;

// COLORREF (0x00BBGGRR) to an opaque GDI+ colour value (0xFFRRGGBB).
uint32_t OpaqueArgb(COLORREF color) noexcept;

// Renders one display's picture: W × H of the colour with the picture in its
// style, saved as JPEG to target. The picture is released once drawn, before
// the encoder needs its memory. False when no canvas can be made, there is no
// JPEG encoder or the file could not be written. Needs no window, so it also
// runs on the recompose thread.
bool RenderDisplayPicture(std::unique_ptr<Gdiplus::Image>& picture, int32_t style, COLORREF color, int32_t W,
                          int32_t H, const wchar_t* target);

class CStaticWinPreview : public velk::CWnd {
public:
    // Starts GDI+ for this instance.
    CStaticWinPreview() noexcept;
    // Frees the picture and the drawing surface, then ends GDI+.
    ~CStaticWinPreview() override;

    // Binds the drawing surface to the control's window and takes the picture
    // of the stored path afresh; 0 when there is no window or no memory.
    virtual int LoadPreviewImage();
    // Stores the path (a path of MAX_PATH units or more is stored empty),
    // replaces the picture with the file's and repaints the control.
    void SetImageFile(const wchar_t* path);
    // Draws the whole picture over the whole client rectangle (not keeping
    // its aspect).
    void DrawItem(const DRAWITEMSTRUCT* item);
    // Renders display `index` (W × H) with the picture last given to
    // SetImageFile into folder + "WallPaper<index>.jpg" and then shows that
    // file. FALSE when source is null, no canvas can be made or there is no
    // JPEG encoder (nothing written then).
    BOOL ComposeDisplayWallpaper(int index, const wchar_t* source, int32_t style, COLORREF color,
                                 const wchar_t* folder, int32_t W, int32_t H);
    // Index of the JPEG encoder among GDI+'s encoders with its class id, or -1.
    static int FindJpegEncoderClsid(CLSID* clsid);
    // Saves a GDI+ image as JPEG with quality 90; false when there is no encoder.
    static bool SaveJpeg(Gdiplus::Image& image, const wchar_t* path);
    // The same with a known encoder; false when the file could not be written.
    static bool SaveJpegWith(const CLSID& encoder, Gdiplus::Image& image, const wchar_t* path);

    const wchar_t* PicturePath() const noexcept { return picturePath_; }
    bool GdiplusStarted() const noexcept { return token_ != 0; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override;

private:
    // The picture of the stored path, decoded on first use; null when the
    // file is missing or no picture.
    Gdiplus::Image* Picture();
    void FreeImage() noexcept;

    ULONG_PTR token_ = 0;
    wchar_t picturePath_[kWallpaperPathUnits] = {};
    std::unique_ptr<Gdiplus::Image> image_;
    std::unique_ptr<Gdiplus::Bitmap> shown_;  // the picture at the control's size, once drawn
    std::unique_ptr<Gdiplus::Graphics> graphics_;
};
