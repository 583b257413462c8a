// A stand-in for the shell's desktop, which Wine does not have: a top-level
// window (by default class "Progman", title "Program Manager") holding a
// "SHELLDLL_DefView" child that holds a real list view "SysListView32"
// titled "FolderView". Used in the tests' own process and, with icons, by
// the desktop_sim program that plays the shell's process.
#pragma once
#include <windows.h>
#include <commctrl.h>

namespace velk::test {

struct DesktopWindowsOptions {
    const wchar_t* topClass = L"Progman";
    const wchar_t* topTitle = L"Program Manager";
    bool listVisible = true;
    DWORD listStyle = LVS_ICON;  // LVS_AUTOARRANGE may be added
    RECT rect{0, 0, 1024, 768};
};

class DesktopWindows {
public:
    explicit DesktopWindows(const DesktopWindowsOptions& options = {});
    ~DesktopWindows();
    DesktopWindows(const DesktopWindows&) = delete;
    DesktopWindows& operator=(const DesktopWindows&) = delete;

    // Null when the window could not be created.
    HWND Top() const noexcept { return top_; }
    HWND View() const noexcept { return view_; }
    HWND List() const noexcept { return list_; }

private:
    HWND top_ = nullptr;
    HWND view_ = nullptr;
    HWND list_ = nullptr;
};

}  // namespace velk::test
