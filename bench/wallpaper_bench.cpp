// Wallpaper recompose benchmark (run by hand under Wine, see bench/README.md).
//
//   wallpaper_bench.exe            three 4K displays side by side: the whole
//                                  recompose (each display rendered, the
//                                  composite written and applied) against the
//                                  bare GDI+ sequence for the same pictures
//                                  (decode, draw, encode; no logic), best of
//                                  five runs each, taking turns, and their
//                                  ratio; the longest time the page's window
//                                  took to answer during an Apply of 3 and of
//                                  10 such displays; then the peak memory of
//                                  the recompose of 3 and 10 displays, each
//                                  in a fresh process.
//   wallpaper_bench.exe --memory N  one recompose of N displays; prints the
//                                  process's memory before and at its peak.
//   wallpaper_bench.exe --memory-bare N  the same for the bare GDI+ sequence.
#include "bench/figure.h"
#include "display/display_list.h"
#include "framework/app.h"
#include "wallpaper/wallpaper_page.h"
#include <windows.h>
#include <psapi.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "wallpaper/gdiplus_headers.h"

namespace {

constexpr int kW = 3840, kH = 2160;
constexpr int kSources = 3;
constexpr int kRuns = 5;

std::wstring BenchFolder() {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"velk_wallpaper_bench\\";
}
std::wstring SourcePath(int i) { return BenchFolder() + L"source" + std::to_wstring(i % kSources) + L".jpg"; }

CLSID JpegEncoder() {
    CLSID clsid{};
    CStaticWinPreview::FindJpegEncoderClsid(&clsid);
    return clsid;
}

// At quality 90, as the program saves.
void SaveJpeg90(Gdiplus::Image& image, const std::wstring& path) {
    CStaticWinPreview::SaveJpegWith(JpegEncoder(), image, path.c_str());
}

// Photographs stand-ins: gradients and shapes, so the codec has work to do.
void PrepareSources() {
    ::CreateDirectoryW(BenchFolder().c_str(), nullptr);
    for (int i = 0; i < kSources; ++i) {
        if (::GetFileAttributesW(SourcePath(i).c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        Gdiplus::Bitmap bitmap(kW, kH, PixelFormat32bppARGB);
        Gdiplus::Graphics g(&bitmap);
        Gdiplus::LinearGradientBrush gradient(Gdiplus::Point(0, 0), Gdiplus::Point(kW, kH),
                                              Gdiplus::Color(255, 40 * i, 90, 200), Gdiplus::Color(255, 250, 200 - 50 * i, 30));
        g.FillRectangle(&gradient, 0, 0, kW, kH);
        for (int k = 0; k < 200; ++k) {
            Gdiplus::SolidBrush brush(Gdiplus::Color(160, (k * 37) % 256, (k * 91 + i * 50) % 256, (k * 53) % 256));
            g.FillEllipse(&brush, (k * 997) % kW, (k * 613) % kH, 80 + k % 300, 60 + (k * 7) % 250);
        }
        SaveJpeg90(bitmap, SourcePath(i));
    }
}

struct Setup {
    DisplayList list{};
    HWND parent = nullptr;
    CWallpaperProp page;

    explicit Setup(int displays) {
        parent = ::CreateWindowExW(0, L"STATIC", L"bench", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                   nullptr, nullptr);
        page.Create(parent);
        page.LoadWallpaperSettings();
        for (int i = 0; i < displays; ++i) {
            DisplayRecord& r = list.Records[i];
            r.Width = kW;
            r.Height = kH;
            r.left = i * kW;
            r.right = r.left + kW;
            r.bottom = kH;
            r.DisplayNumber = static_cast<uint32_t>(i + 1);
            ::swprintf(r.Name, kDisplayNameLength, L"Display%d", i + 1);
            ::wcscpy(page.WallpaperRecords[i].PicturePath, SourcePath(i).c_str());
            page.WallpaperRecords[i].Style = 0;
        }
        SetCurrentDisplayList(&list);
        page.UseOsWallpaper = 0;
        ::SendDlgItemMessageW(page.GetSafeHwnd(), 1011, BM_SETCHECK, BST_CHECKED, 0);
    }
    ~Setup() {
        SetCurrentDisplayList(nullptr);
        ::DestroyWindow(parent);
    }
    // Every display's colour, so that each run renders every display afresh.
    void Recolour(COLORREF color) {
        for (WallpaperRecord& record : page.WallpaperRecords) record.BackColor = color;
    }
    // Until the recompose thread is done and its answer handled.
    void Finish() {
        while (page.IsRecomposePending()) {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }
    // What the main dialog's wallpaper apply runs, through to the applied
    // composite.
    void Recompose(int displays) {
        page.RefreshWallpaperPage(static_cast<uint32_t>(displays));
        page.SaveWallpaperSettings();
        page.ComposeDesktopWallpaper();
        Finish();
    }
    // The wallpaper's part of the main dialog's Apply: the page refreshed,
    // the wallpaper applied (refresh, save, compose), the settings saved.
    void Apply(int displays) {
        page.RefreshWallpaperPage(static_cast<uint32_t>(displays));
        page.RefreshWallpaperPage(static_cast<uint32_t>(displays));
        page.SaveWallpaperSettings();
        page.ComposeDesktopWallpaper();
        page.SaveWallpaperSettings();
        Finish();
    }
};

// The longest time the page's parent took to answer a message sent every
// 10 ms from another thread while an Apply of `displays` 4K displays ran.
double LongestAnswer(int displays) {
    Setup setup(displays);
    setup.Recolour(RGB(1, 2, 3));
    // The page shown, as in the settings window, so its preview draws too.
    ::SetWindowPos(setup.parent, nullptr, 0, 0, 500, 400, SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(setup.parent, SW_SHOWNOACTIVATE);
    ::ShowWindow(setup.page.GetSafeHwnd(), SW_SHOWNOACTIVATE);
    setup.page.Preview.LoadPreviewImage();
    std::atomic<bool> done{false};
    double longest = 0;
    std::thread pinger([&] {
        while (!done) {
            auto start = std::chrono::steady_clock::now();
            DWORD_PTR answer = 0;
            ::SendMessageTimeoutW(setup.parent, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &answer);
            longest = std::max(longest, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            ::Sleep(10);
        }
    });
    auto start = std::chrono::steady_clock::now();
    setup.Apply(displays);
    double whole = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    done = true;
    pinger.join();
    std::printf("%2d x 4K Apply: %.3f s through to the applied composite, window answered within %.0f ms\n", displays,
                whole, longest * 1000);
    return longest;
}

// The same pictures through GDI+ alone.
void BareSequence(int displays) {
    std::wstring folder = BenchFolder();
    for (int i = 0; i < displays; ++i) {
        Gdiplus::Bitmap canvas(kW, kH, PixelFormat32bppARGB);
        {
            Gdiplus::Bitmap source(SourcePath(i).c_str());
            Gdiplus::Graphics g(&canvas);
            g.Clear(Gdiplus::Color(255, 0, 96, 128));
            g.DrawImage(&source, Gdiplus::Rect(0, 0, kW, kH), 0, 0, kW, kH, Gdiplus::UnitPixel);
        }
        SaveJpeg90(canvas, folder + L"bare" + std::to_wstring(i) + L".jpg");
    }
    Gdiplus::Bitmap desktop(kW * displays, kH, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics g(&desktop);
        for (int i = 0; i < displays; ++i) {
            Gdiplus::Bitmap picture((folder + L"bare" + std::to_wstring(i) + L".jpg").c_str());
            g.DrawImage(&picture, Gdiplus::Rect(i * kW, 0, kW, kH), 0, 0, kW, kH, Gdiplus::UnitPixel);
        }
    }
    SaveJpeg90(desktop, folder + L"bare_desktop.jpg");
}

template <class F>
double Seconds(F f) {
    auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters));
    return counters;
}

double Mb(SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

int MemoryRun(int displays, bool bare) {
    Setup setup(displays);
    PROCESS_MEMORY_COUNTERS before = Memory();
    if (bare) BareSequence(displays);
    else setup.Recompose(displays);
    PROCESS_MEMORY_COUNTERS after = Memory();
    double canvas = Mb(static_cast<SIZE_T>(kW) * displays * kH * 4), display = Mb(static_cast<SIZE_T>(kW) * kH * 4);
    std::printf("%2d x 4K, %-10s (desktop x 4 bytes %3.0f MB, display x 4 bytes %.0f MB): working set %.0f MB before, "
                "peak %.0f MB (+%.0f MB)\n",
                displays, bare ? "bare GDI+" : "recompose", canvas, display, Mb(before.WorkingSetSize),
                Mb(after.PeakWorkingSetSize), Mb(after.PeakWorkingSetSize - before.WorkingSetSize));
    char what[96];
    std::snprintf(what, sizeof(what), "wallpaper, %d x 4K %s, peak working set above the start", displays,
                  bare ? "bare GDI+ sequence" : "recompose");
    velk::bench::PrintFigure(what, "-", "+%.0f MB", Mb(after.PeakWorkingSetSize - before.WorkingSetSize));
    std::fflush(stdout);
    return 0;
}

int RunChild(int displays, bool bare) {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + (bare ? L"\" --memory-bare " : L"\" --memory ") +
                           std::to_wstring(displays);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return 1;
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    velk::CWinApp app(L"VelkmiraBench");  // a profile of its own, not the program's
    app.SetRegistryKey(L"VELK-Panomira");
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    int result = 0;
    if (argc == 3 && (std::wstring(argv[1]) == L"--memory" || std::wstring(argv[1]) == L"--memory-bare")) {
        result = MemoryRun(std::max(1, std::min(kDisplaySlots, _wtoi(argv[2]))), std::wstring(argv[1]) != L"--memory");
    } else {
        PrepareSources();
        // The two take turns, so that a load of the machine meanwhile falls on both.
        double whole = 1e9, bare = 1e9;
        {
            Setup setup(3);
            for (int run = 0; run < kRuns; ++run) {
                whole = std::min(whole, Seconds([&] {
                    setup.Recolour(RGB(0, 96, 128 + run));
                    setup.Recompose(3);
                }));
                bare = std::min(bare, Seconds([] { BareSequence(3); }));
            }
        }
        std::printf("3 x 4K recompose (best of %d): whole %.3f s, bare GDI+ %.3f s, ratio %.2f\n", kRuns, whole, bare,
                    whole / bare);
        velk::bench::PrintFigure("wallpaper, 3 x 4K whole recompose (best of 5)", "-", "%.3f s", whole);
        velk::bench::PrintFigure("wallpaper, 3 x 4K bare GDI+ sequence (best of 5)", "-", "%.3f s", bare);
        velk::bench::PrintFigure("wallpaper, 3 x 4K recompose over bare GDI+", "<= 1.1", "%.2f", whole / bare);
        for (int displays : {3, 10}) {
            char what[96];
            std::snprintf(what, sizeof(what), "wallpaper, %d x 4K Apply, longest wait for the window's answer", displays);
            velk::bench::PrintFigure(what, "<= 300 ms", "%.0f ms", LongestAnswer(displays) * 1000);
        }
        std::fflush(stdout);
        result = RunChild(3, false) | RunChild(3, true) | RunChild(10, false) | RunChild(10, true);
    }
    Gdiplus::GdiplusShutdown(token);
    return result;
}
