// Plays the shell's process for the desktop icon tests: hosts a real list
// view in the "Progman" / "SHELLDLL_DefView" / "SysListView32" tree with
// the icons named on the command line, so that the program reads and moves
// them across processes exactly as it does on Windows.
//   desktop_sim [--autoarrange] [--class=Name] [icon text ...]
// Ends with 0 when its window is closed, 1 when it could not start.
#include "testing/desktopsim/desktop_sim_protocol.h"
#include "testing/desktopsim/desktop_windows.h"
#include <shellapi.h>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace velk::test;

HWND g_list = nullptr;
int g_readsUntilShrink = -1;
int g_keep = 0;
int g_setPositions = 0;
int g_readsUntilStall = -1;
DWORD g_stallMs = 0;
int g_stalls = 0;

void Stall(DWORD ms) {
    ++g_stalls;
    ::Sleep(ms);  // this process plays a hung shell: it takes no message meanwhile
}

LRESULT CALLBACK ListSubclass(HWND list, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR) {
    // Requests from another process arrive with InSendMessage true.
    if (msg == LVM_SETITEMPOSITION && ::InSendMessage()) ++g_setPositions;
    if (msg == LVM_GETITEMPOSITION && ::InSendMessage() && g_readsUntilStall >= 0 && g_readsUntilStall-- == 0)
        Stall(g_stallMs);
    if (msg == LVM_GETITEMPOSITION && ::InSendMessage() && g_readsUntilShrink >= 0 && g_readsUntilShrink-- == 0) {
        while (::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) > g_keep) {
            const LRESULT count = ::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
            ::SendMessageW(list, LVM_DELETEITEM, static_cast<WPARAM>(count - 1), 0);
        }
    }
    return ::DefSubclassProc(list, msg, w, l);
}

int AddIcon(const std::wstring& text) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(::SendMessageW(g_list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<wchar_t*>(text.c_str());
    const int index = static_cast<int>(::SendMessageW(g_list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (index >= 0) {
        const POINT p = desktop_sim::InitialPosition(index);
        ::SendMessageW(g_list, LVM_SETITEMPOSITION, static_cast<WPARAM>(index), MAKELPARAM(p.x, p.y));
    }
    return index;
}

LRESULT CALLBACK TopSubclass(HWND top, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR) {
    switch (msg) {
    case desktop_sim::kReady:
        return 1;
    case desktop_sim::kGetPosition: {
        POINT p{};
        if (!::SendMessageW(g_list, LVM_GETITEMPOSITION, w, reinterpret_cast<LPARAM>(&p))) return -1;
        return MAKELRESULT(p.x, p.y);
    }
    case desktop_sim::kSetPosition:
        return ::SendMessageW(g_list, LVM_SETITEMPOSITION, w, l);
    case desktop_sim::kTakeSetPositionCount:
        return std::exchange(g_setPositions, 0);
    case desktop_sim::kShrinkAfterReads:
        g_readsUntilShrink = static_cast<int>(w);
        g_keep = static_cast<int>(l);
        return 1;
    case desktop_sim::kStallAfterReads:
        g_readsUntilStall = static_cast<int>(w);
        g_stallMs = static_cast<DWORD>(l);
        return 1;
    case desktop_sim::kStallNow:
        Stall(static_cast<DWORD>(w));
        return 0;
    case desktop_sim::kTakeStallCount:
        return std::exchange(g_stalls, 0);
    case WM_COPYDATA: {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(l);
        if (!data || data->dwData != desktop_sim::kAddIcon) return -1;
        return AddIcon(std::wstring(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t)));
    }
    case WM_CLOSE:
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefSubclassProc(top, msg, w, l);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::vector<std::wstring> icons;
    std::wstring topClass = L"Progman";
    DesktopWindowsOptions options;
    for (int i = 1; argv && i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--autoarrange") options.listStyle |= LVS_AUTOARRANGE;
        else if (arg.rfind(L"--class=", 0) == 0) topClass = arg.substr(8);
        else icons.push_back(arg);
    }
    ::LocalFree(argv);
    options.topClass = topClass.c_str();

    DesktopWindows desktop(options);
    if (!desktop.List()) return 1;
    g_list = desktop.List();
    ::ShowWindow(desktop.Top(), SW_SHOWNOACTIVATE);
    // The list view arranges its icons at its first paint with icons: make
    // that paint happen (the null display driver may not ask for it), then
    // give every icon its place.
    for (const std::wstring& text : icons) AddIcon(text);
    ::SendMessageW(g_list, WM_PAINT, 0, 0);
    for (int i = 0; i < static_cast<int>(icons.size()); ++i) {
        const POINT p = desktop_sim::InitialPosition(i);
        ::SendMessageW(g_list, LVM_SETITEMPOSITION, static_cast<WPARAM>(i), MAKELPARAM(p.x, p.y));
    }
    ::SetWindowSubclass(g_list, ListSubclass, 1, 0);
    ::SetWindowSubclass(desktop.Top(), TopSubclass, 1, 0);

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    ::RemoveWindowSubclass(g_list, ListSubclass, 1);
    ::RemoveWindowSubclass(desktop.Top(), TopSubclass, 1);
    return 0;
}
