// For the Wallpaper page's tests: small files, and reading and filling
// controls of our own and of the common dialogs, also across processes.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace velk::test {

// Creates a small file; false when it cannot be made.
inline bool TouchFile(const std::wstring& path) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    ::WriteFile(file, "x", 1, &written, nullptr);
    return ::CloseHandle(file) != FALSE;
}

inline std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return text;
}

inline std::vector<std::wstring> ComboItems(HWND combo) {
    std::vector<std::wstring> items;
    for (int i = 0; i < static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0)); ++i) {
        wchar_t text[512] = {};
        if (::SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) < 512) ::SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

// The file name box of an open-file dialog: its own edit, or the edit inside
// its name combo.
inline HWND FileNameEdit(HWND dialog) {
    if (HWND edit = ::GetDlgItem(dialog, 0x480)) return edit;
    HWND found = nullptr;
    ::EnumChildWindows(
        ::GetDlgItem(dialog, 0x47C),
        [](HWND child, LPARAM p) WINAPI -> BOOL {
            wchar_t name[16] = {};
            ::GetClassNameW(child, name, 16);
            if (_wcsicmp(name, L"Edit") != 0) return TRUE;
            *reinterpret_cast<HWND*>(p) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// A visible top-level dialog of this process other than `except`, or null.
inline HWND OtherDialog(HWND except) {
    for (HWND box = ::FindWindowExW(nullptr, nullptr, L"#32770", nullptr); box;
         box = ::FindWindowExW(nullptr, box, L"#32770", nullptr)) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(box, &pid);
        if (box != except && pid == ::GetCurrentProcessId() && ::IsWindowVisible(box)) return box;
    }
    return nullptr;
}

}  // namespace velk::test
