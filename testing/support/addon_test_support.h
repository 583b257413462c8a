// Test support for the add-on access: the simulated library's controls, a fake
// clock through the platform seam, a recorder of debugger trace output, and a
// window that records UM_ADDONCALLBACK.
#pragma once
#include "display/addon_access.h"
#include "testing/addonsim/addonsim_control.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace addon_test {

inline constexpr wchar_t kCoreKey[] = L"SOFTWARE\\DisplayLink\\Core";
inline constexpr wchar_t kVendorKey[] = L"SOFTWARE\\DisplayLink";
inline constexpr wchar_t kPathValue[] = L"AddOnApiFileLocation";
inline constexpr wchar_t kUnloadTrace[] = L"\n=                 =             UnLoadAPI\n";

// The simulated library as the program has loaded it (the test holds no load
// reference of its own).
class Sim {
public:
    static bool Loaded() { return ::GetModuleHandleW(L"AddOnApi.dll") != nullptr; }
    static int Loads() { return Variable(kAddOnSimLoadsVariable); }
    static int Unloads() { return Variable(kAddOnSimUnloadsVariable); }
    static std::wstring LeftRegistered() { return Text(kAddOnSimLeftRegisteredVariable); }
    static std::wstring LeftSubscribed() { return Text(kAddOnSimLeftSubscribedVariable); }

    dlDisplayHandle AddDisplay(uint32_t id, int32_t executionState) {
        return Control<AddOnSimAddDisplayFn>("AddOnSimAddDisplay")(id, executionState);
    }
    void RemoveDisplay(uint32_t id) { Control<AddOnSimRemoveDisplayFn>("AddOnSimRemoveDisplay")(id); }
    bool RemoveDisplayAfterPumps(uint32_t id, int32_t pumps) {
        return Control<AddOnSimRemoveDisplayAfterPumpsFn>("AddOnSimRemoveDisplayAfterPumps")(id, pumps);
    }
    bool SetState(uint32_t id, int32_t executionState, int32_t rotation, int32_t activityType) {
        return Control<AddOnSimSetDisplayStateFn>("AddOnSimSetDisplayState")(id, executionState, rotation,
                                                                             activityType);
    }
    struct DisplayState {
        int32_t executionState = -1, rotation = -1, activityType = -1, videoOptimize = -1;
    };
    DisplayState State(uint32_t id) {
        DisplayState s;
        Control<AddOnSimGetDisplayStateFn>("AddOnSimGetDisplayState")(id, &s.executionState, &s.rotation,
                                                                     &s.activityType, &s.videoOptimize);
        return s;
    }
    void SetSettlePumps(int32_t pumps) { Control<AddOnSimSetSettlePumpsFn>("AddOnSimSetSettlePumps")(pumps); }
    void SetActivityOutcome(int32_t type) {
        Control<AddOnSimSetActivityOutcomeFn>("AddOnSimSetActivityOutcome")(type);
    }
    int Calls(const char* name) { return Control<AddOnSimCallCountFn>("AddOnSimCallCount")(name); }

    struct Subscription {
        bool held = false;
        std::vector<uint32_t> ids;
        int32_t count = -1;
        uint32_t flags = 0xFFFFFFFF;
    };
    Subscription Subscribed() {
        Subscription s;
        uint32_t ids[16] = {};
        s.held = Control<AddOnSimGetSubscriptionFn>("AddOnSimGetSubscription")(ids, 16, &s.count, &s.flags);
        for (int32_t i = 0; i < s.count && i < 16; ++i) s.ids.push_back(ids[i]);
        return s;
    }
    struct Unsubscription {
        bool seen = false;
        BOOL idsNull = FALSE;
        int32_t count = 0;
        uint32_t flags = 0xFFFFFFFF;
    };
    Unsubscription LastUnsubscribe() {
        Unsubscription u;
        u.seen = Control<AddOnSimGetLastUnsubscribeFn>("AddOnSimGetLastUnsubscribe")(&u.idsNull, &u.count, &u.flags);
        return u;
    }
    struct Registration {
        bool held = false;
        dlNotificationCallback callback = nullptr;
        void* context = nullptr;
        uint32_t flags = 0xFFFFFFFF;
    };
    Registration Registered() {
        Registration r;
        r.held = Control<AddOnSimGetRegistrationFn>("AddOnSimGetRegistration")(&r.callback, &r.context, &r.flags);
        return r;
    }
    int32_t LastExtendFlag() { return Control<AddOnSimLastActivityExtendFlagFn>("AddOnSimLastActivityExtendFlag")(); }
    bool Fire(int32_t event) { return Control<AddOnSimFireEventFn>("AddOnSimFireEvent")(event); }
    void FireAfterPumps(int32_t event, int32_t pumps) {
        Control<AddOnSimFireEventAfterPumpsFn>("AddOnSimFireEventAfterPumps")(event, pumps);
    }

private:
    // Fails the test and ends it with an exception when the library is not
    // loaded or lacks the control.
    template <class Fn>
    static Fn Control(const char* name);
    static int Variable(const wchar_t* name);
    static std::wstring Text(const wchar_t* name);
};

template <class Fn>
Fn Sim::Control(const char* name) {
    HMODULE module = ::GetModuleHandleW(L"AddOnApi.dll");
    FARPROC entry = module ? ::GetProcAddress(module, name) : nullptr;
    if (!entry) {
        ADD_FAILURE() << "the simulated library is not loaded or lacks " << name;
        throw std::runtime_error("no simulated library");
    }
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(entry));
}

// Time through the seam: GetTickCount answers `now`; Sleep and a wait that
// times out add their time to it at once.
class FakeClock {
public:
    // Installs the fakes (inside a PlatformOverride).
    static void Install(DWORD start);
    static inline DWORD now = 0;
    static inline std::vector<DWORD> sleeps;
    static inline std::vector<DWORD> waits;
};

// Records OutputDebugStringW text of every thread of this process.
class TraceRecorder {
public:
    TraceRecorder();
    ~TraceRecorder();
    TraceRecorder(const TraceRecorder&) = delete;
    TraceRecorder& operator=(const TraceRecorder&) = delete;
    std::wstring Text();
    void Clear();
    // How often `piece` occurs in the text.
    int Count(const std::wstring& piece);

private:
    static LONG CALLBACK OnException(EXCEPTION_POINTERS* info);
    void* handler_ = nullptr;
};

// A hidden window of the test thread that records UM_ADDONCALLBACK and may
// act on it.
class CallbackWindow {
public:
    struct Received {
        WPARAM wParam;
        LPARAM lParam;
        bool sentFromAnotherThread;
    };
    CallbackWindow();
    ~CallbackWindow();
    CallbackWindow(const CallbackWindow&) = delete;
    CallbackWindow& operator=(const CallbackWindow&) = delete;
    HWND hwnd() const { return hwnd_; }
    std::vector<Received> received;
    std::function<void()> onCallback;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

// Points the library path value at a file (narrow path, as the program reads it).
void SetLibraryPath(const std::wstring& path);
// The simulated library beside the test programs.
std::wstring SimulatedLibraryPath();
void RemoveLibraryPath();

// The displays the Setting page's DisplayLink list (a combo box, maybe in
// another process) holds: 0 while its one entry is "-"; -1 when it does not
// answer within waitMs.
LRESULT ListedAddOnDisplays(HWND list, DWORD waitMs);

}  // namespace addon_test
