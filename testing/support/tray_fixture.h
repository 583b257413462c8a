// Test fixtures for the main program: a stand-in notification area (a
// window of class "Shell_TrayWnd" that reads every Shell_NotifyIconW call
// Wine's shell sends it), top-level windows on a thread of their own, and a
// folder holding a copy of the program beside a hook library of the test's
// choosing.
#pragma once
#include "testing/harness.h"
#include <windows.h>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace velk::test {

// One Shell_NotifyIconW call as the notification area received it.
struct TrayCall {
    DWORD action = 0;  // NIM_ADD, NIM_MODIFY, NIM_DELETE, ...
    HWND window = nullptr;
    UINT id = 0;
    UINT flags = 0;
    UINT callbackMessage = 0;
    std::wstring tip;
    std::vector<BYTE> iconColorBits;  // the icon's colour bitmap, as GetBitmapBits gives it
    UINT iconWidth = 0, iconHeight = 0;
    bool payloadSizeMatched = false;  // the payload held exactly header + mask + colour
    // Seen on the sending window while the call was made.
    bool instancePropertySet = false;
    bool applyEnabled = false;
};

// A thread that owns windows and runs their messages.
class WindowThread {
public:
    WindowThread();
    ~WindowThread();
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;
    // Runs fn on the thread and waits for it.
    void Run(const std::function<void()>& fn);

private:
    void Loop();
    std::thread thread_;
    DWORD threadId_ = 0;
    std::mutex mutex_;
    std::condition_variable ready_;
};

// The stand-in notification area.
class FakeTray {
public:
    FakeTray();
    ~FakeTray();
    HWND hwnd() const { return hwnd_; }
    std::vector<TrayCall> Calls();
    // Waits until at least count calls arrived.
    bool WaitForCalls(size_t count, DWORD timeoutMs);
    void Clear();

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
    WindowThread thread_;
    HWND hwnd_ = nullptr;
    std::mutex mutex_;
    std::vector<TrayCall> calls_;
};

// A shell that is not ready for some tray calls, for the seam's
// Shell_NotifyIconW: calls `first` to `first + count - 1` (counted from 0
// since Arm) fail with ERROR_TIMEOUT; the others go to the real function.
// Every call's action is recorded.
struct ShellNotReady {
    static void Arm(int first, int count);
    static BOOL WINAPI NotifyIcon(DWORD action, PNOTIFYICONDATAW data);
    static std::vector<DWORD> actions;
};

// A top-level window with a title that records WM_CLOSE (and then closes).
class TitledWindow {
public:
    explicit TitledWindow(const std::wstring& title);
    ~TitledWindow();
    HWND hwnd() const { return hwnd_; }
    bool CloseReceived() const { return closeReceived_; }
    bool Exists() const { return ::IsWindow(hwnd_) != FALSE; }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
    WindowThread thread_;
    HWND hwnd_ = nullptr;
    volatile bool closeReceived_ = false;
};

// The colour bits of an icon resource of this test program, to compare with
// TrayCall::iconColorBits.
std::vector<BYTE> IconColorBits(UINT iconId);

// A fresh folder in the temporary folder, removed with its files at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    const std::wstring& Path() const { return path_; }  // ends in a backslash
    // Copies a file of the build's bin folder into this folder under a name.
    bool CopyFromBin(const std::wstring& binName, const std::wstring& asName) const;

private:
    std::wstring path_;
};

// The fake hook libraries record their calls here (HKCU).
inline constexpr wchar_t kFakeTarnletKey[] = L"Software\\VelkTest\\FakeTarnlet";

// The test's own hold on the system hooks: HookInstall of Tarnlet.dll (loaded
// from the build, kept until the process ends) for a window of this process.
class HookHolder {
public:
    HookHolder();
    ~HookHolder();
    HookHolder(const HookHolder&) = delete;
    HookHolder& operator=(const HookHolder&) = delete;
    bool Install();
    void Release();

private:
    HMODULE library_ = nullptr;
    HWND window_ = nullptr;
    bool installed_ = false;
};

// True when no program holds the system hooks (this one could take them).
bool HooksAreFree();

}  // namespace velk::test
