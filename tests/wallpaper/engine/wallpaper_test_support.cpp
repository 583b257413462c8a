#include "tests/wallpaper/engine/wallpaper_test_support.h"
#include "framework/strings.h"
#include "testing/fakedesktop/fake_active_desktop_control.h"
#include "testing/support/fake_topology.h"
#include "testing/support/pump.h"
#include <algorithm>
#include <cstdlib>
#include "wallpaper/gdiplus_headers.h"

namespace velk::test {
namespace {

constexpr wchar_t kServerKey[] = L"Software\\Classes\\CLSID\\{75048700-EF1F-11D0-9888-006097DEACF9}\\InprocServer32";
constexpr wchar_t kShellServer[] = L"C:\\windows\\system32\\shell32.dll";
constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kColorsKey[] = L"Control Panel\\Colors";

bool SaveAs(Gdiplus::Bitmap& bitmap, const std::wstring& path, const wchar_t* mime) {
    UINT count = 0, bytes = 0;
    Gdiplus::GetImageEncodersSize(&count, &bytes);
    std::vector<BYTE> buffer(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, bytes, codecs);
    for (UINT i = 0; i < count; ++i)
        if (::wcscmp(codecs[i].MimeType, mime) == 0) return bitmap.Save(path.c_str(), &codecs[i].Clsid, nullptr) == Gdiplus::Ok;
    return false;
}

Gdiplus::Color ToColor(COLORREF c) { return Gdiplus::Color(255, GetRValue(c), GetGValue(c), GetBValue(c)); }

}  // namespace

std::unique_ptr<CWinApp> WallpaperTest::app;

bool WriteQuarterPicture(const std::wstring& path, int w, int h) {
    Gdiplus::Bitmap bitmap(w, h, PixelFormat32bppARGB);
    Gdiplus::Graphics g(&bitmap);
    const COLORREF colors[4] = {kTopLeft, kTopRight, kBottomLeft, kBottomRight};
    for (int q = 0; q < 4; ++q) {
        Gdiplus::SolidBrush brush(ToColor(colors[q]));
        int x = q % 2 ? w / 2 : 0, y = q / 2 ? h / 2 : 0;
        g.FillRectangle(&brush, x, y, q % 2 ? w - w / 2 : w / 2, q / 2 ? h - h / 2 : h / 2);
    }
    return SaveAs(bitmap, path, L"image/png");
}

bool WriteSolidPicture(const std::wstring& path, int w, int h, COLORREF color, bool jpeg) {
    Gdiplus::Bitmap bitmap(w, h, PixelFormat32bppARGB);
    Gdiplus::Graphics g(&bitmap);
    Gdiplus::SolidBrush brush(ToColor(color));
    g.FillRectangle(&brush, 0, 0, w, h);
    return SaveAs(bitmap, path, jpeg ? L"image/jpeg" : L"image/png");
}

DecodedPicture::DecodedPicture(const std::wstring& path) {
    Gdiplus::Bitmap bitmap(path.c_str());
    if (bitmap.GetLastStatus() != Gdiplus::Ok) return;
    Gdiplus::Rect all(0, 0, static_cast<INT>(bitmap.GetWidth()), static_cast<INT>(bitmap.GetHeight()));
    Gdiplus::BitmapData data{};
    if (bitmap.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok) return;
    width_ = all.Width;
    height_ = all.Height;
    pixels_.resize(static_cast<size_t>(width_) * height_);
    for (int y = 0; y < height_; ++y)
        ::memcpy(&pixels_[static_cast<size_t>(y) * width_], static_cast<BYTE*>(data.Scan0) + y * data.Stride,
                 static_cast<size_t>(width_) * 4);
    bitmap.UnlockBits(&data);
}

COLORREF DecodedPicture::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    uint32_t argb = pixels_[static_cast<size_t>(y) * width_ + x];
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

bool DecodedPicture::Near(int x, int y, COLORREF color) const {
    COLORREF got = At(x, y);
    if (got == CLR_INVALID) return false;
    auto close = [](int a, int b) { return std::abs(a - b) <= 48; };
    return close(GetRValue(got), GetRValue(color)) && close(GetGValue(got), GetGValue(color)) &&
           close(GetBValue(got), GetBValue(color));
}

// Wine's COM finds in-process servers under HKLM only, so the fake takes the
// place of shell32's registration there for a while.
FakeActiveDesktopRegistration::FakeActiveDesktopRegistration() {
    DeleteTree(HKEY_CURRENT_USER, kFakeActiveDesktopKey);
    SetString(HKEY_LOCAL_MACHINE, kServerKey, nullptr, BinDir() + L"FakeActiveDesktop.dll");
    SetString(HKEY_CURRENT_USER, kFakeActiveDesktopKey, L"Log", L"");
}

FakeActiveDesktopRegistration::~FakeActiveDesktopRegistration() {
    RestoreShellRegistration();
    DeleteTree(HKEY_CURRENT_USER, kFakeActiveDesktopKey);
}

void RestoreShellRegistration() { SetString(HKEY_LOCAL_MACHINE, kServerKey, nullptr, kShellServer); }

void FakeActiveDesktopRegistration::SetWallpaper(const std::wstring& path, DWORD style) {
    SetString(HKEY_CURRENT_USER, kFakeActiveDesktopKey, L"Wallpaper", path);
    SetDword(HKEY_CURRENT_USER, kFakeActiveDesktopKey, L"Style", style);
}

std::wstring FakeActiveDesktopRegistration::Wallpaper() const {
    return GetString(HKEY_CURRENT_USER, kFakeActiveDesktopKey, L"Wallpaper").value_or(L"");
}

std::wstring FakeActiveDesktopRegistration::Log() const {
    return GetString(HKEY_CURRENT_USER, kFakeActiveDesktopKey, L"Log").value_or(L"");
}

void FakeActiveDesktopRegistration::ClearLog() { SetString(HKEY_CURRENT_USER, kFakeActiveDesktopKey, L"Log", L""); }

std::wstring SystemWallpaper() {
    wchar_t path[MAX_PATH] = {};
    ::SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, path, 0);
    return path;
}

bool SetSystemWallpaper(const std::wstring& path) {
    return ::SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, const_cast<wchar_t*>(path.c_str()),
                                   SPIF_UPDATEINIFILE) != FALSE;
}

void ResetDesktopValues() {
    SetSystemWallpaper(L"");
    for (const wchar_t* name : {L"ConvertedWallpaper", L"OriginalWallpaper"}) SetString(HKEY_CURRENT_USER, kDesktopKey, name, L"");
    SetString(HKEY_CURRENT_USER, kDesktopKey, L"TileWallpaper", L"0");
    SetString(HKEY_CURRENT_USER, kDesktopKey, L"WallpaperStyle", L"0");
    SetString(HKEY_CURRENT_USER, kColorsKey, L"Background", L"37 111 149");
}

void WallpaperTest::SetUpTestSuite() {
    if (!app) {
        app = std::make_unique<CWinApp>(L"Velkmira");
        app->SetRegistryKey(L"VELK-Panomira");
    }
}

void WallpaperTest::SetUp() {
    RestoreShellRegistration();  // also after a run that was cut short
    ResetDesktopValues();
    ResetProfile();
    FakeWindowsVersion(6, 1);
    SetCurrentDisplayList(&list);
    parent = ::CreateWindowExW(0, L"STATIC", L"wallpaper test", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                               nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    page = std::make_unique<CWallpaperProp>();
    ASSERT_TRUE(page->Create(parent));
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    scratch = std::wstring(temp) + L"velk_wallpaper_test\\";
    ::CreateDirectoryW(scratch.c_str(), nullptr);
    ::CreateDirectoryW(Folder().c_str(), nullptr);
    for (int i = 0; i < kDisplaySlots; ++i) ::DeleteFileW(RenderedFile(i).c_str());
    ::DeleteFileW((Folder() + kCompositeFileName).c_str());
}

void WallpaperTest::TearDown() {
    page.reset();
    if (parent) ::DestroyWindow(parent);
    SetCurrentDisplayList(nullptr);
    ResetDesktopValues();
    ResetProfile();
}

void WallpaperTest::SetDisplay(int slot, uint32_t number, RECT rect) {
    DisplayRecord& r = list.Records[slot];
    r = DisplayRecord{};
    velk::test::PlaceRecord(r, rect);
    r.DisplayNumber = number;
    r.Primary = rect.left == 0 && rect.top == 0;
    ::swprintf(r.Name, kDisplayNameLength, L"Display%u", number);
}

void WallpaperTest::SaveDisplaySnapshot() {
    for (int i = 0; i < kDisplaySlots; ++i) {
        const DisplayRecord& r = list.Records[i];
        std::wstring s = MonitorSection(i);
        const std::pair<const wchar_t*, int32_t> values[] = {
            {L"DisplayMode", r.DisplayMode}, {L"DisplayNumber", static_cast<int32_t>(r.DisplayNumber)},
            {L"Rotation", r.Rotation},       {L"Height", r.Height}, {L"Width", r.Width}, {L"top", r.top},
            {L"bottom", r.bottom},           {L"left", r.left},     {L"right", r.right}};
        for (auto [name, value] : values) app->WriteProfileInt(s.c_str(), name, value);
    }
}

void WallpaperTest::Settle() {
    ASSERT_TRUE(PumpUntil([&] { return !page || !page->IsRecomposePending(); }, 60000))
        << "the recompose did not finish";
}

void WallpaperTest::CheckUseWallpaper(bool on) {
    ::SendDlgItemMessageW(page->GetSafeHwnd(), 1011, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    page->UseOsWallpaper = page->AppliedUseOsWallpaper = on ? 0 : 1;
}

void WallpaperTest::ApplyPicture(int slot, const std::wstring& path, int32_t style, COLORREF back) {
    for (WallpaperRecord* record : {&page->WallpaperRecords[slot], &page->AppliedRecords[slot]}) {
        ::wcscpy(record->PicturePath, path.c_str());
        record->Style = style;
        record->BackColor = back;
    }
}

}  // namespace velk::test
