// The main dialog's add-on poll and its reading of setting-change
// notifications, as functions over what they sample and decide, so that the
// dialog only wires them to its timers, pages and the add-on library.
#pragma once
#include <windows.h>
#include <cstdint>
#include <functional>

// The add-on poll: every 5 s from start-up until the DisplayLink displays
// have come up.
inline constexpr UINT kAddOnPollPeriodMs = 5000;
// Samples of the active add-on display count per tick, each after a wait.
inline constexpr int kAddOnSettleSamples = 6;
inline constexpr DWORD kAddOnSampleWaitMs = 1000;
// Ticks after which the poll stops by itself.
inline constexpr int kAddOnPollTickLimit = 6;

// Settles the number of active add-on displays: up to six samples, each
// taken after a 1 s blocking wait (through the platform seam). Without a
// sampler (no add-on access) a sample repeats the previous one. The value
// before the first sample is 0. Answers the first sample equal to the one
// before it, or 0 when six samples pass without two equal ones in a row.
int SettleAddOnDisplayCount(const std::function<int()>& sample);

// True when the add-on display at `index` reports execution state 2, taken
// as ready (state 3 is active but not yet ready); a missing display is not
// ready.
bool IsAddOnDisplayReady(int index);

// What one tick of the poll needs from the main dialog.
struct AddOnPollOps {
    std::function<int()> sample;       // active add-on display count; empty without add-on access
    std::function<bool(int)> isReady;  // IsAddOnDisplayReady, or a test's stand-in
    std::function<int()> rebuild;      // rebuilds the display table; answers its display count
    std::function<void()> killTimer;   // stops the poll timer
    std::function<void()> relayout;    // re-lays the desktop for the new displays
};

struct AddOnPollResult {
    int settled = 0;         // the settled add-on display count
    int ready = 0;           // how many of them were ready
    bool timerKilled = false;
    bool relaidOut = false;
};

// One tick of the poll. With settled displays: all ready stops the poll;
// otherwise the display table is rebuilt, and when it holds more displays
// than settled add-on displays the poll stops and the desktop is re-laid.
// Then `ticks` counts the tick and the poll stops at its sixth.
AddOnPollResult RunAddOnPollTick(const AddOnPollOps& ops, int32_t& ticks);

// The setting-change flags that, with any other section, apply at once.
inline constexpr UINT kSettingFlagsApplyNow = 24;

// What a WM_SETTINGCHANGE asks of the main dialog.
enum class SettingChangeAction {
    None,
    RestartAddOnPoll,  // "SHELLSTATE": start the add-on poll again
    StartReapply,      // "WINDOWS": the delayed Apply
    ApplyNow,          // flags 24 with another section: Apply at once
};

struct SettingChangeInput {
    bool initialised;           // the dialog completed its start-up
    bool displayChangeRunning;  // within a display change's guard
    bool applyRunning;          // within an Apply's guard
    bool atLeastWindows51;
    UINT flags;                 // wParam
    const wchar_t* section;     // lParam; null when there is none
};

struct SettingChangeDecision {
    bool refreshNonClient = false;  // SPI_SETNONCLIENTMETRICS: refresh the extra taskbars
    SettingChangeAction action = SettingChangeAction::None;
};

// Nothing while the dialog is not initialised or within a guard. The section
// is compared upper-cased; no section (or an empty one) and Windows before
// 5.1 leave only the non-client refresh.
SettingChangeDecision DecideSettingChange(const SettingChangeInput& input);
