// The wallpaper engine's tests: a Wallpaper page inside a parent window over
// a display table of the test's making, test pictures, JPEG read-back, the
// fake Active Desktop object and the desktop's registry values.
#pragma once
#include "display/display_list.h"
#include "framework/app.h"
#include "testing/harness.h"
#include "wallpaper/wallpaper_page.h"
#include <gtest/gtest.h>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velk::test {

// The four colours of the test picture's quarters, and the back colour.
inline constexpr COLORREF kTopLeft = RGB(255, 0, 0), kTopRight = RGB(0, 255, 0), kBottomLeft = RGB(0, 0, 255),
                          kBottomRight = RGB(255, 255, 0), kBack = RGB(255, 0, 255);

// A picture of w × h whose quarters have the colours above (PNG, lossless),
// or of one colour.
bool WriteQuarterPicture(const std::wstring& path, int w, int h);
bool WriteSolidPicture(const std::wstring& path, int w, int h, COLORREF color, bool jpeg);

// A decoded picture file for pixel checks.
class DecodedPicture {
public:
    explicit DecodedPicture(const std::wstring& path);
    bool Loaded() const { return width_ > 0; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    COLORREF At(int x, int y) const;
    // The colour at (x, y) is near `color` (JPEG tolerance).
    bool Near(int x, int y, COLORREF color) const;

private:
    int width_ = 0, height_ = 0;
    std::vector<uint32_t> pixels_;
};

// Registers the fake Active Desktop object for the shell's class id and
// clears its state; Wine's own registration is back afterwards.
class FakeActiveDesktopRegistration {
public:
    FakeActiveDesktopRegistration();
    ~FakeActiveDesktopRegistration();
    void SetWallpaper(const std::wstring& path, DWORD style);
    std::wstring Wallpaper() const;
    std::wstring Log() const;
    void ClearLog();
};

// Wine's own Active Desktop object for the class id.
void RestoreShellRegistration();

// No wallpaper, and the desktop's wallpaper and colour values as a fresh
// prefix has them.
void ResetDesktopValues();

// SPI_GETDESKWALLPAPER of this process.
std::wstring SystemWallpaper();
bool SetSystemWallpaper(const std::wstring& path);

class WallpaperTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Slot i as a display named "Display<n>" at the rectangle.
    void SetDisplay(int slot, uint32_t number, RECT rect);
    // Writes the display snapshot values of every slot into "Monitor%d".
    void SaveDisplaySnapshot();
    // "Use Wallpaper" set as shown and as applied.
    void CheckUseWallpaper(bool on);
    // A display's picture, style and colour as shown and as applied.
    void ApplyPicture(int slot, const std::wstring& path, int32_t style = kWallpaperStretch, COLORREF back = 0);
    // Lets the page's recompose thread finish and its answer be handled.
    void Settle();
    std::wstring Folder() const { return RenderingFolderPath(); }

    static std::unique_ptr<CWinApp> app;
    PlatformOverride platform;
    DisplayList list{};
    HWND parent = nullptr;
    std::unique_ptr<CWallpaperProp> page;
    std::wstring scratch;  // a fresh folder for the test's pictures, ends in a backslash
};

}  // namespace velk::test
