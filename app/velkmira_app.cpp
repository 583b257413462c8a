#include "app/velkmira_app.h"
#include "app/tray_icon.h"
#include "app/main_dialog.h"
#include "display/program_messages.h"
#include "framework/message_box.h"
#include "framework/strings.h"
#include "resources/resource.h"
#include <commctrl.h>
#include <cwchar>
#include <optional>
#include <string>

CVELKMIRAApp theApp;

namespace {

// What a failed handler said (text of the narrow code page), in the debugger trace.
void TraceHandlerFailure(const std::string& what) {
    std::wstring said(what.size(), L'\0');
    const int length = ::MultiByteToWideChar(CP_ACP, 0, what.data(), static_cast<int>(what.size()), said.data(),
                                             static_cast<int>(said.size()));
    said.resize(length > 0 ? static_cast<size_t>(length) : 0);
    ::OutputDebugStringW((L"\nUnexpected error: " + said + L"\n").c_str());
}

}  // namespace

CVELKMIRAApp::CVELKMIRAApp() : velk::CWinApp(L"Velkmira") {}

BOOL CVELKMIRAApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&controls);
    velk::CWinApp::InitInstance();
    ::LoadLibraryW(L"RICHED20.DLL");  // rich edit controls of the dialogs; stays loaded
    SetRegistryKey(L"VELK-Panomira");

    // The mutex is held, never closed, until the process ends.
    HANDLE mutex = ::CreateMutexW(nullptr, TRUE, kInstanceMutexName);
    if (!mutex) return FALSE;
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::EnumWindows(FindRunningInstanceProc, 0);
        return FALSE;
    }

    RegisterMainWindowClass();

    CVELKMIRADlg dialog;
    dialog.DoModal();
    // A handler that threw has ended the modal run (the exception stopped at
    // the window procedure): the dialog goes down, and the program ends as
    // after any other end of the run.
    if (std::optional<std::string> failure = velk::TakeHandlerFailure()) {
        TraceHandlerFailure(*failure);
        dialog.DestroyWindow();
    }
    SetMainWindow(nullptr);
    return FALSE;
}

void RegisterMainWindowClass() {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSW mainClass{};
    if (::GetClassInfoW(instance, kMainWindowClass, &mainClass)) return;
    ::GetClassInfoW(instance, L"#32770", &mainClass);
    mainClass.lpszClassName = kMainWindowClass;
    mainClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_MAINFRAME));
    mainClass.hInstance = instance;
    ::RegisterClassW(&mainClass);
}

BOOL CALLBACK FindRunningInstanceProc(HWND window, LPARAM) {
    wchar_t title[257] = {};
    ::GetWindowTextW(window, title, 256);
    // Exactly that title: a locale-aware comparison would also match titles
    // that differ only in characters it ignores (a soft hyphen, for one).
    if (std::wcscmp(title, kErrorWindowTitle) == 0) return FALSE;
    if (!::GetPropW(window, kInstanceProperty)) return TRUE;
    // A running instance that does not answer in time must not hold this
    // start for ever: each send is bounded. A send that times out is taken
    // off the receiver's queue, so the request is then posted instead: it
    // stays queued and is handled as soon as the instance answers again.
    DWORD_PTR ignored = 0;
    if (!::SendMessageTimeoutW(window, UM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK, SMTO_NORMAL, kSecondStartSendTimeoutMs,
                               &ignored)) {
        ::PostMessageW(window, UM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK);
        ::PostMessageW(window, UM_TRAYNOTIFY, kTrayReAdd, 0);
        return FALSE;
    }
    if (::IsIconic(window)) ::ShowWindow(window, SW_RESTORE);
    if (!::SendMessageTimeoutW(window, UM_TRAYNOTIFY, kTrayReAdd, 0, SMTO_NORMAL, kSecondStartSendTimeoutMs, &ignored))
        ::PostMessageW(window, UM_TRAYNOTIFY, kTrayReAdd, 0);
    ::SetForegroundWindow(::GetLastActivePopup(window));
    return FALSE;
}

void ShowErrorNumber(int number) {
    std::wstring format = velk::LoadResString(IDS_ERROR_NUMBER);
    velk::AfxMessageBox(velk::FormatText(format.c_str(), number), MB_ICONEXCLAMATION | MB_OK);
}
