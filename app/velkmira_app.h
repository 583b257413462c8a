// The application object: start-up with the single-instance rule.
#pragma once
#include "framework/app.h"

// The single-instance mutex, the property that marks the running main
// window, and the main window's class.
inline constexpr wchar_t kInstanceMutexName[] = L"F67ADD67-E66C-48bc-B8C2-6D40BC2381B5";
inline constexpr wchar_t kInstanceProperty[] = L"{205F70F3-E6A9-4651-A1F2-7659D9FC0827}";
inline constexpr wchar_t kMainWindowClass[] = L"VELK-DORVIX UTILITY";
// How long a second start waits for the running instance to answer each message.
inline constexpr UINT kSecondStartSendTimeoutMs = 3000;
// A window with this title met before the running instance stops a second start's search.
inline constexpr wchar_t kErrorWindowTitle[] = L"VelkmiraError";

class CVELKMIRAApp : public velk::CWinApp {
public:
    CVELKMIRAApp();
    BOOL InitInstance() override;
};

extern CVELKMIRAApp theApp;

// Registers the main window's class "VELK-DORVIX UTILITY" (once): a copy of
// the system dialog class with the program's icon.
void RegisterMainWindowClass();

// EnumWindows callback of a second start: finds the running instance's main
// window, opens its settings window and brings it forward.
BOOL CALLBACK FindRunningInstanceProc(HWND window, LPARAM parameter);

// Shows "An unexpected error occurred. Error Number %d." with the number of
// the failing site.
void ShowErrorNumber(int number);
