// Access to DisplayLink's add-on library: which displays hang on DisplayLink
// adapters, and their state. The library is bound at run time (addon_api.h);
// when it is absent or cannot be loaded every call answers failure, and a new
// load is tried at the first use 10 seconds or more after each failure.
// Everything here runs on the user-interface thread, except the callback,
// which the library may call on a thread of its own.
#pragma once
#include "display/addon_api.h"
#include "display/addon_binder.h"

#include <windows.h>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class AddOnMonitor;

// The library's handle of one add-on display; 0 for none.
using AddOnDisplayHandle = uintptr_t;

// Load state of the library.
enum AddOnApiLoadState : int32_t {
    ApiLoadPending = 0,  // not loaded yet: load at the next pump
    ApiLoaded = 1,       // loaded, and the load notifier told
    UnLoadPending = 2,   // the library asked to be unloaded
    ApiLoadFailed = 3,   // loading failed: the substitutes are bound
};

// One add-on display's state as QueryAddOnDisplayState reads it. The second
// field is left 0; the Setting page stores the display's number there.
struct AddOnDisplayState {
    int32_t AdapterId;
    int32_t DisplayNumber;
    int32_t ActivityType;
    int32_t Rotation;
    int32_t ExecutionState;
};

namespace dl::tk::addon {

// Told when the library has been loaded and before it is unloaded. The
// notifier that the last AddOnMonitor made is the current one; destroying it
// clears that.
class LoadNotifiable {
public:
    LoadNotifiable() = default;
    LoadNotifiable(const LoadNotifiable&) = delete;
    LoadNotifiable& operator=(const LoadNotifiable&) = delete;
    virtual ~LoadNotifiable();
    virtual void OnLoaded() = 0;
    virtual void OnUnloading() = 0;
};

}  // namespace dl::tk::addon

// Subscribes to the product ids and registers the display callback with the
// main dialog's window at every load; undoes both before an unload and when it
// is destroyed.
class AddOnMonLoadNotifier : public dl::tk::addon::LoadNotifiable {
public:
    AddOnMonLoadNotifier(HWND window, std::vector<uint32_t> productIds);
    ~AddOnMonLoadNotifier() override;
    void OnLoaded() override;
    void OnUnloading() override;

private:
    HWND window_;
    std::vector<uint32_t> productIds_;  // own copy: serves every later load
};

// The add-on access object: the main dialog holds the one instance for its
// whole life. Making it loads the library (when present); destroying it
// marks the access as ending, so that the set-and-wait calls answer at once.
class AddOnMonitor {
public:
    // productIds: USB product ids ended by a 0 entry (null: none).
    AddOnMonitor(const uint32_t* productIds, HWND window);
    ~AddOnMonitor();
    AddOnMonitor(const AddOnMonitor&) = delete;
    AddOnMonitor& operator=(const AddOnMonitor&) = delete;

    // As the constructor; null when memory runs out.
    static std::unique_ptr<AddOnMonitor> Create(const uint32_t* productIds, HWND window) noexcept;

private:
    std::unique_ptr<AddOnMonLoadNotifier> notifier_;
};

// The product-id list the main dialog hands to AddOnMonitor, ended by 0:
// before Windows 6.1 the three adapters of the maker, from 6.1 on no ids
// (the library then reports every DisplayLink display).
std::vector<uint32_t> BuildAddOnProductIdList();

// First step of every use of the library: loads, unloads or retries as the
// load state asks.
void PumpAddOnApiLoad();

// Number of add-on displays (of the first ten) whose execution state is 2 or 3.
int GetActiveAddOnDisplayCount();
// The add-on display whose adapter id is `id` (display numbers are passed as
// ids), or 0 when there is none.
AddOnDisplayHandle FindAddOnDisplayByAdapterId(uint32_t id);
// One add-on display of the library's list and its adapter id.
struct AddOnDisplayEntry {
    uint32_t AdapterId;
    AddOnDisplayHandle Handle;
};
// The library's display list after one pump, in its order: what
// FindAddOnDisplayByAdapterId finds for every id at once, so that a caller
// that looks up several ids pumps once instead of once per id.
std::vector<AddOnDisplayEntry> ListAddOnDisplays();
// The library as one pump leaves it: for a caller that asks several things at
// once, each answered as the wrapper of the same name would, but without a
// pump of its own: the adapter id takes one try.
class AddOnReading {
public:
    // PumpAddOnApiLoad and one dlPumpMessages, unless a scope below is open.
    AddOnReading();
    int ActiveCount() const;
    AddOnDisplayHandle Find(uint32_t id) const;
    std::vector<AddOnDisplayEntry> Displays() const;
    int32_t AdapterIdAt(int32_t index) const;
};
// While one lives, on the user-interface thread, the reading wrappers above
// (count, lookups, adapter id, state) read the library as the scope's own
// pump left it: one handler (an Apply, a display change) pumps once instead
// of once per wrapper; the adapter id then takes one try. The set-and-wait
// wrappers still pump every pass.
class AddOnReadingScope {
public:
    AddOnReadingScope();
    ~AddOnReadingScope();
    AddOnReadingScope(const AddOnReadingScope&) = delete;
    AddOnReadingScope& operator=(const AddOnReadingScope&) = delete;
};
// The first display of the list with that adapter id, or 0.
AddOnDisplayHandle FindInAddOnDisplays(const std::vector<AddOnDisplayEntry>& displays, uint32_t id) noexcept;
// The adapter id of the add-on display at `index`, or -1.
int32_t GetAddOnDisplayAdapterId(int32_t index);
// The library is given this long after a pump before the displays' states
// are read: the user-interface thread does not wait it out but reads them in
// a timer step that falls due then.
inline constexpr UINT kAddOnStateSettleMilliseconds = 100;
// Reads the display's rotation, execution state and activity type, in this
// order, as the library's last pump left them: no pump and no wait of its own
// (call it kAddOnStateSettleMilliseconds after the pump). False when no
// display has that id (state is then left as it was).
bool QueryAddOnDisplayState(uint32_t id, AddOnDisplayState* state);
// Sets the rotation and waits (at most 100 reads) until the display reports
// it; false when it does not or the display goes. True at once once the add-on
// access is being destroyed.
bool SetAddOnDisplayRotation(uint32_t id, int32_t rotation);
// Sets the activity type and waits (at most 25 reads) until the display takes
// it: type 4 counts as taken at any type but 1, type 1 at any type but 4.
bool SetAddOnDisplayActivityType(uint32_t id, int32_t type);

// The library's notification callback: event 3 (displays changed) sends
// UM_ADDONCALLBACK (3, 0) to the context window; event 5 (the library goes
// away) asks for an unload at the next pump.
void DL_API AddOnDisplayCallback(void* context, int32_t event) noexcept;

// The binding hook of the add-on library: loads it from ReadAddOnApiPath, or
// hands back the program's own module with the substitutes when it cannot.
FARPROC AddOnDelayLoadHook(velk::BinderEvent event, const velk::BinderRecord& record) noexcept;

// HKLM "SOFTWARE\DisplayLink\Core" "AddOnApiFileLocation"; empty when missing.
std::string ReadAddOnApiPath();
