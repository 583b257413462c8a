// The real Velkmira.exe driven from a reliability test: started and waited
// for until its instance property is set, its message boxes answered and
// recorded by a watcher (a box the program shows must never block the test),
// Apply and a display change pushed through, and a WM_CLOSE end with its exit
// code. Also a picture of the whole settings profile, to compare before and
// after.
#pragma once
#include "testing/harness.h"
#include <windows.h>
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace velk::test {

// A key under the watched display enumeration key; a write to it is a
// display change for the program.
inline constexpr wchar_t kWatchedReliabilityKey[] = L"SYSTEM\\CurrentControlSet\\Enum\\DISPLAY\\VelkReliability";
inline constexpr DWORD kProgramWaitMs = 30000;

class RunningProgram {
public:
    RunningProgram() = default;
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // Starts exe (a name in the build's folder or a full path) and waits for
    // its instance property. False, with the reason in Failure(), otherwise.
    // answerBoxes: a watcher answers every top-level dialog of the program.
    // started: called as soon as the process exists, before start-up is
    // waited for (to watch start-up itself).
    bool Start(const std::wstring& exe = L"Velkmira.exe", bool answerBoxes = true,
               const std::function<void(const ChildProcess&)>& started = {});
    // Apply, sent and waited for.
    bool Apply();
    // A change under the watched key; waits until the program has written
    // its display sections again.
    bool DisplayChange();
    // The window answers a sent message within the time.
    bool Responsive(DWORD timeoutMs = kProgramWaitMs) const;
    // The page of the settings window that holds both controls (control ids
    // repeat across pages); null when there is none.
    HWND PageHolding(int control, int sibling) const;
    // Presses a page's button as the button itself reports a click. wait:
    // sent, and true once the handler returned within the time; otherwise
    // posted (the handler may open a modal dialog).
    bool Press(int button, int sibling, bool wait, DWORD timeoutMs = kProgramWaitMs);
    // Posts WM_CLOSE and waits for the end; the exit code, or STILL_ACTIVE
    // after the time.
    DWORD Close(DWORD timeoutMs = kProgramWaitMs);

    HWND Main() const { return main_; }
    ChildProcess& Process() { return process_; }
    const std::string& Failure() const { return failure_; }
    // Texts of the message boxes the program showed (each answered with OK).
    std::vector<std::wstring> Boxes();

private:
    void WatchBoxes();
    ChildProcess process_;
    HWND main_ = nullptr;
    std::string failure_;
    std::thread boxWatcher_;
    std::atomic<bool> stopWatching_{false};
    std::mutex boxesMutex_;
    std::vector<std::wstring> boxes_;
    static inline DWORD serial_ = 0;
};

// While it lives, programs started from this process load the simulated
// add-on library with the active add-on displays given (adapter ids, comma
// separated; by default one), its pump answering at once or, slow, taking
// the milliseconds it is given as the vendor's does.
class SimulatedAddOnDisplay {
public:
    explicit SimulatedAddOnDisplay(const wchar_t* displays = L"7", bool slowPump = false);
    ~SimulatedAddOnDisplay();
    SimulatedAddOnDisplay(const SimulatedAddOnDisplay&) = delete;
    SimulatedAddOnDisplay& operator=(const SimulatedAddOnDisplay&) = delete;
};

// How the programs a test starts meet the add-on library: none at all, the
// simulated one with one display, or the simulated one with a slow pump.
enum class AddOnMode { NoLibrary, OneDisplay, SlowOneDisplay };
const char* AddOnModeName(AddOnMode mode);
// The library setting for the mode while it lives (nothing for NoLibrary).
class ProgramAddOn {
public:
    explicit ProgramAddOn(AddOnMode mode);

private:
    std::optional<SimulatedAddOnDisplay> simulated_;
};

// One registry value as stored.
struct StoredValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    bool operator==(const StoredValue&) const = default;
};
// Every value under a key and its subkeys, by "<subkey path>|<value name>".
using RegistryPicture = std::map<std::wstring, StoredValue>;
RegistryPicture PictureOf(HKEY root, const std::wstring& path);
void WriteValue(HKEY root, const std::wstring& path, const std::wstring& name, const StoredValue& value);

}  // namespace velk::test
