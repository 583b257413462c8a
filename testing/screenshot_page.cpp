// screenshot_page.exe <page 0..4> <file.png> | --exit
// Used by tools/screenshots: opens the running Velkmira's settings window on a
// page, the way a user would (the tray icon's double-click, then the arrow
// keys on the tab row), and saves a PNG picture of the window; --exit ends the
// program through its tray menu's Exit command. Answers 0 on success.
#include "app/velkmira_app.h"
#include "display/program_messages.h"
#include "resources/resource.h"
#include <windows.h>
#include <commctrl.h>
#include <objidl.h>  // before gdiplus.h: declares what it needs under WIN32_LEAN_AND_MEAN
#include <gdiplus.h>
#include <cstdio>
#include <cwchar>

namespace {

HWND g_found = nullptr;

BOOL CALLBACK FindMain(HWND window, LPARAM) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    if (std::wcscmp(name, kMainWindowClass) == 0 && ::GetPropW(window, kInstanceProperty)) {
        g_found = window;
        return FALSE;
    }
    return TRUE;
}

template <class Pred>
bool WaitFor(DWORD ms, Pred pred) {
    for (DWORD waited = 0; waited < ms; waited += 50) {
        if (pred()) return true;
        ::Sleep(50);
    }
    return pred();
}

bool FindPngEncoder(CLSID& clsid) {
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    if (size == 0) return false;
    auto* encoders = static_cast<Gdiplus::ImageCodecInfo*>(::operator new(size));
    Gdiplus::GetImageEncoders(count, size, encoders);
    bool found = false;
    for (UINT i = 0; i < count && !found; ++i) {
        if (std::wcscmp(encoders[i].MimeType, L"image/png") == 0) {
            clsid = encoders[i].Clsid;
            found = true;
        }
    }
    ::operator delete(encoders);
    return found;
}

// The window's client area as the screen shows it, saved as a 24-bit PNG
// (without the frame, which Wine draws itself without a window manager).
bool SaveWindowPicture(HWND window, const wchar_t* path) {
    RECT r{};
    ::GetClientRect(window, &r);
    ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    ::SelectObject(memory, old);
    bool saved = false;
    {
        Gdiplus::Bitmap picture(bitmap, nullptr);
        Gdiplus::Bitmap flat(width, height, PixelFormat24bppRGB);
        {
            Gdiplus::Graphics graphics(&flat);
            graphics.DrawImage(&picture, 0, 0, width, height);
        }
        CLSID png{};
        saved = FindPngEncoder(png) && flat.Save(path, &png, nullptr) == Gdiplus::Ok;
    }
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return saved;
}

int Fail(const char* what) {
    std::fprintf(stderr, "screenshot_page: %s\n", what);
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Fail("usage: screenshot_page <page 0..4> <file.png> | --exit");
    if (!WaitFor(30000, [] {
            g_found = nullptr;
            ::EnumWindows(FindMain, 0);
            return g_found != nullptr;
        }))
        return Fail("Velkmira is not running");
    HWND main = g_found;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(main, &pid);
    if (std::wcscmp(argv[1], L"--exit") == 0) {
        HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
        ::PostMessageW(main, WM_COMMAND, ID_TRAY_EXIT, 0);
        const bool ended = !process || ::WaitForSingleObject(process, 20000) == WAIT_OBJECT_0;
        if (process) ::CloseHandle(process);
        return ended ? 0 : Fail("Velkmira did not end");
    }
    if (argc < 3) return Fail("no file name");
    const int page = _wtoi(argv[1]);

    // Double-click on the tray icon: the settings window opens.
    ::PostMessageW(main, UM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK);
    if (!WaitFor(10000, [&] { return ::IsWindowVisible(main) != FALSE; })) return Fail("no settings window");
    HWND tab = ::FindWindowExW(main, nullptr, WC_TABCONTROLW, nullptr);
    if (!tab) return Fail("no tab control");
    // The arrow keys on the tab row move to the page.
    for (int tries = 0; tries < 10; ++tries) {
        const int current = static_cast<int>(::SendMessageW(tab, TCM_GETCURSEL, 0, 0));
        if (current == page) break;
        ::PostMessageW(tab, WM_KEYDOWN, current < page ? VK_RIGHT : VK_LEFT, 0);
        WaitFor(2000, [&] { return static_cast<int>(::SendMessageW(tab, TCM_GETCURSEL, 0, 0)) != current; });
    }
    if (static_cast<int>(::SendMessageW(tab, TCM_GETCURSEL, 0, 0)) != page) return Fail("could not select the page");
    ::SetForegroundWindow(main);
    ::RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    ::Sleep(1500);

    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return Fail("no GDI+");
    const bool saved = SaveWindowPicture(main, argv[2]);
    Gdiplus::GdiplusShutdown(token);
    return saved ? 0 : Fail("could not save the picture");
}
