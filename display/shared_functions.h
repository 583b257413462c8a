// Small functions that every part of the main program uses.
#pragma once
#include <windows.h>
#include <span>
#include <string>

// The work area of the display that holds the window (the primary display
// when none does); all zero when the display cannot be asked. Always true.
bool GetMonitorWorkAreaOfWindow(HWND window, RECT* workArea);

// Loads a string resource into text. When text is still empty afterwards,
// warns the user that something unexpected happened and answers false.
bool LoadStringOrWarn(UINT id, std::wstring& text);

// A control of a dialog and the string its caption comes from.
struct DialogCaption {
    int control;
    UINT text;
};
// Sets the captions in order through LoadStringOrWarn; a control whose string
// is missing keeps its caption.
void SetCaptionsFromStrings(HWND dialog, std::span<const DialogCaption> captions);

// Tells a settings page's parent (the main dialog) that the page changed, so
// that it enables its Apply button: UM_PAGECHANGED (wParam 0, lParam 1), sent.
void SendPageChanged(HWND page);

// Opens the system's display settings (the control panel's settings tab).
void OpenDisplaySettings();

// Windows version tests, major version first, then minor.
bool IsWindowsAtLeast(DWORD major, DWORD minor);
bool IsWindowsOlderThan(DWORD major, DWORD minor);

// Deletes one section of the settings profile with everything under it.
// False only when the profile key cannot be opened.
bool DeleteProfileSection(const wchar_t* section);

// True when the desktop's icon list is missing or not visible.
bool AreDesktopIconsHidden();

// The shell's Active Desktop switch (COM must be initialised on the thread).
BOOL IsActiveDesktopOn();

// Path splitters into 260-unit buffers: "C:\pictures\a.jpg" gives
// "C:\pictures\" and "a.jpg". Always true.
bool GetFolderOfPath(wchar_t* out, const wchar_t* path);
bool GetFileNameOfPath(wchar_t* out, const wchar_t* path);

// The warning LoadStringOrWarn shows.
inline constexpr wchar_t kUnexpectedErrorText[] =
    L"\u4E88\u671F\u305B\u306C\u30A8\u30E9\u30FC\u304C\u767A\u751F\u3057\u307E\u3057\u305F\u3002\nAn unexpected error occurred.";
