// Message boxes owned by the program's main window.
#pragma once
#include <windows.h>
#include <string>

namespace velk {

// The title every message box of the program carries.
inline constexpr wchar_t kMessageBoxTitle[] = L"Velkmira";

// Shows text with the given MB_* style, owned by the application's main
// window when it is visible, else by the active window of this thread.
int AfxMessageBox(const std::wstring& text, UINT type = MB_OK);

}  // namespace velk
