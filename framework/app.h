// The application object: start-up hook, the settings profile in the user's
// registry, and the current-application accessor.
#pragma once
#include <windows.h>
#include <string>

namespace velk {

class CWinApp {
public:
    // profileName is the last part of the profile key ("Software\<key>\<profileName>").
    explicit CWinApp(const wchar_t* profileName) noexcept;
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Runs once at start; the program ends when it answers FALSE.
    virtual BOOL InitInstance() { return TRUE; }
    // Message loop for programs whose InitInstance answers TRUE.
    virtual int Run();

    // Points the profile at HKCU "Software\<key>\<profile name>".
    void SetRegistryKey(const wchar_t* key);
    const std::wstring& RegistryKey() const noexcept { return registryKey_; }
    const std::wstring& ProfileName() const noexcept { return profileName_; }
    // "Software\<key>\<profile name>", or empty before SetRegistryKey.
    std::wstring ProfileKeyPath() const;

    UINT GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue) const;
    BOOL WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value) const;
    std::wstring GetProfileString(const wchar_t* section, const wchar_t* entry,
                                  const wchar_t* defaultValue = L"") const;
    BOOL WriteProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* value) const;

    HINSTANCE Instance() const noexcept { return instance_; }
    // The window that owns message boxes; the main dialog while it runs.
    HWND MainWindow() const noexcept { return mainWindow_; }
    void SetMainWindow(HWND window) noexcept { mainWindow_ = window; }

private:
    std::wstring profileName_;
    std::wstring registryKey_;
    HINSTANCE instance_;
    HWND mainWindow_ = nullptr;
};

// The one application object of the process, or null.
CWinApp* AfxGetApp() noexcept;

// Entry point body: InitInstance, then Run when it answered TRUE.
int RunApplication(CWinApp& app);

}  // namespace velk
