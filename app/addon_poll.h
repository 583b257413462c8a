// The main dialog's add-on poll and its reading of setting-change
// notifications, as functions over what they sample and decide, so that the
// dialog only wires them to its timers, pages and the add-on library.
#pragma once
#include <windows.h>
#include <cstdint>
#include <functional>

// The add-on poll: every 5 s from start-up (and again after a "ShellState"
// setting change) until the DisplayLink displays have come up, at most six
// ticks a run.
inline constexpr UINT kAddOnPollPeriodMs = 5000;
// Samples of the active add-on display count per tick, one second apart.
inline constexpr int kAddOnSettleSamples = 6;
inline constexpr UINT kAddOnSampleWaitMs = 1000;
// Ticks after which a run of the poll stops by itself.
inline constexpr int kAddOnPollTickLimit = 6;

// Settles the number of active add-on displays one sample at a time: the
// dialog takes each sample on a timer one second after the one before, so
// its thread never blocks between samples. The value before the first
// sample is 0; the first sample equal to the one before it is the settled
// count, and six samples without two equal ones in a row settle on 0.
class AddOnSettling {
public:
    // A new sequence.
    void Start() noexcept;
    // True from Start until the sequence has settled.
    bool IsRunning() const noexcept { return running_; }
    // Takes one sample (without a sampler, no add-on access: the previous
    // value again). True when this sample ended the sequence; *settled then
    // holds the count. Nothing happens while no sequence runs.
    bool TakeSample(const std::function<int()>& sample, int* settled);

private:
    bool running_ = false;
    int taken_ = 0;
    int previous_ = 0;
};

// True when the add-on display at `index` reports execution state 2, taken
// as ready (state 3 is active but not yet ready); a missing display is not
// ready.
bool IsAddOnDisplayReady(int index);

// What the end of a poll tick needs from the main dialog.
struct AddOnPollOps {
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

// The end of one tick, once its samples have settled. With settled
// displays: all ready stops the poll; otherwise the display table is
// rebuilt, and when it holds more displays than settled add-on displays the
// poll stops and the desktop is re-laid. Then `ticks` counts the tick and
// the poll stops at the sixth tick of its run (a restart sets `ticks` to 0).
AddOnPollResult FinishAddOnPollTick(const AddOnPollOps& ops, int settled, int32_t& ticks);

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
