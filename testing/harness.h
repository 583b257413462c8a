// Helpers for tests that run under Wine: processes of ours, their windows and
// message boxes, the registry of the test prefix, and fakes through the
// platform seam.
#pragma once
#include "framework/handles.h"
#include "framework/platform.h"
#include <windows.h>
#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace velk::test {

// The folder that holds every program and library of the build.
std::wstring BinDir();

// A program of ours started as a real process; ended when the object goes
// unless it has ended by itself.
class ChildProcess {
public:
    // exe: a file name inside BinDir() or a full path.
    static ChildProcess Start(const std::wstring& exe, const std::wstring& args = L"");
    ChildProcess() = default;
    ChildProcess(ChildProcess&&) noexcept = default;
    ChildProcess& operator=(ChildProcess&&) noexcept = default;
    ~ChildProcess();

    bool Started() const noexcept { return static_cast<bool>(process_); }
    // The error of the last failed start, 0 when it started.
    DWORD StartError() const noexcept { return startError_; }
    // True when the process ended within the time.
    bool Wait(DWORD milliseconds) const noexcept;
    // The exit code, or STILL_ACTIVE.
    DWORD ExitCode() const noexcept;
    DWORD Id() const noexcept { return id_; }
    HANDLE Handle() const noexcept { return process_.get(); }
    void Terminate() noexcept;

private:
    UniqueHandleObj process_;
    DWORD id_ = 0;
    DWORD startError_ = 0;
};

// A visible-or-not top-level window of the class and title (null: any), of
// process pid (0: any), waited for up to the time; null when none came.
HWND WaitForWindow(const wchar_t* className, const wchar_t* title, DWORD timeoutMs, DWORD pid = 0);

// Waits until no top-level window of that class/title/process remains.
bool WaitForWindowGone(const wchar_t* className, const wchar_t* title, DWORD timeoutMs, DWORD pid = 0);

// A dialog (message box) as the user sees it.
struct DialogInfo {
    HWND hwnd = nullptr;
    std::wstring title;
    std::wstring text;  // the message text of a message box
    // IDI_EXCLAMATION, IDI_ERROR, IDI_INFORMATION, IDI_QUESTION, or null.
    LPCWSTR icon = nullptr;
    // Ids of the push buttons it offers (IDOK, IDCANCEL, ...), in z-order.
    std::wstring buttonIds;  // one wchar_t per id
    bool HasButton(int id) const { return buttonIds.find(static_cast<wchar_t>(id)) != std::wstring::npos; }
};

// Waits for a visible dialog ("#32770") of process pid (0: any process).
std::optional<DialogInfo> WaitForDialog(DWORD pid, DWORD timeoutMs);
// Reads a dialog's title, message text, icon and buttons.
DialogInfo ReadDialog(HWND dialog);
// Clicks a button of a dialog (posted, so it never blocks).
void PressDialogButton(HWND dialog, int id);

// Catches the next message box that this process shows (on any thread),
// records it and answers it with a button.
class MessageBoxCatcher {
public:
    explicit MessageBoxCatcher(int answer = IDOK, DWORD timeoutMs = 5000);
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;
    // What was caught, once the watcher has ended (waits for it).
    std::optional<DialogInfo> Result();

private:
    std::thread watcher_;
    std::optional<DialogInfo> caught_;
    std::atomic<bool> stop_{false};
};

// A thread that sends a window WM_NULL every intervalMs and keeps the
// longest time to an answer: how long the window's thread was blocked.
class AnswerProbe {
public:
    explicit AnswerProbe(HWND window, DWORD intervalMs = 20);
    // A program's window from the program's start: until a top-level window
    // of that class exists in the process, the time since the process was
    // created counts as time without an answer.
    AnswerProbe(const ChildProcess& process, const wchar_t* className, DWORD intervalMs = 20);
    ~AnswerProbe();
    AnswerProbe(const AnswerProbe&) = delete;
    AnswerProbe& operator=(const AnswerProbe&) = delete;
    // The longest answer since the last call (ms). Waits first until the
    // send under way has been answered, so that a block still going on counts.
    DWORD TakeLongest();
    int Answers() const noexcept { return answers_; }

private:
    void Run();
    void Keep(DWORD took);
    HWND window_;
    DWORD intervalMs_;
    DWORD pid_ = 0;
    const wchar_t* className_ = nullptr;
    DWORD startTick_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<DWORD> longest_{0};
    std::atomic<int> answers_{0};
    std::thread thread_;
};

// SendMessageW to a window of another process, bounded: a program that does
// not answer within the time fails the test (and answers 0) instead of
// holding it until the run's time-out.
LRESULT SendWithin(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0, DWORD timeoutMs = 20000);

// Waits until pred answers true (checked every 10 ms, without running this
// thread's messages); false after the time.
bool WaitUntil(DWORD timeoutMs, const std::function<bool()>& pred);

// The ids of this process's threads.
std::vector<DWORD> ThreadsOfThisProcess();
// Waits until every thread of this process that is not one of those ids has
// ended; false when one still runs after the time.
bool WaitForThreadsToEnd(const std::vector<DWORD>& earlier, DWORD timeoutMs);

// Registry of the test prefix.
void SetDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value);
std::optional<DWORD> GetDword(HKEY root, const std::wstring& path, const wchar_t* name);
void SetString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value);
std::optional<std::wstring> GetString(HKEY root, const std::wstring& path, const wchar_t* name);
// The type of a value, or REG_NONE when it is missing.
DWORD GetValueType(HKEY root, const std::wstring& path, const wchar_t* name);
bool KeyExists(HKEY root, const std::wstring& path);
void DeleteTree(HKEY root, const std::wstring& path);

// The program's settings profile key and its sections.
inline constexpr wchar_t kProfileKey[] = L"Software\\VELK-Panomira\\Velkmira";
std::wstring ProfileSection(const std::wstring& section);
// Deletes the program's whole profile.
void ResetProfile();

// Restores the whole platform seam when it goes out of scope.
class PlatformOverride {
public:
    PlatformOverride() : saved_(Platform()) {}
    ~PlatformOverride() { Platform() = saved_; }
    PlatformOverride(const PlatformOverride&) = delete;
    PlatformOverride& operator=(const PlatformOverride&) = delete;

private:
    PlatformApi saved_;
};

// Makes VerifyVersionInfoW answer as Windows major.minor would (use inside a
// PlatformOverride).
void FakeWindowsVersion(DWORD major, DWORD minor);

// The user-interface thread's blocking waits through the seam, recorded and
// ended at once (use inside a PlatformOverride): WaitForSingleObject answers
// WAIT_TIMEOUT without waiting, except on a thread (the display watch at
// shut-down) or a signalled handle, which are waited for for real. Clears the
// record and the observer.
void RecordBlockingWaits();
// The same for the seam's Sleep, which then returns at once.
void RecordSleeps();
// The milliseconds of every wait and sleep recorded, in order.
std::vector<DWORD>& RecordedWaits();
// Called with each recorded wait's milliseconds while set.
std::function<void(DWORD)>& OnRecordedWait();

// Writes text as UTF-8 to standard output (msvcrt's %ls stops at non-ASCII).
void PrintUtf8(const std::wstring& text);
std::string ToUtf8(const std::wstring& text);

}  // namespace velk::test
