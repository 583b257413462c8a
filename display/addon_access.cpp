#include "display/addon_access.h"

#include "display/program_messages.h"
#include "display/shared_functions.h"
#include "framework/platform.h"

#include <shlwapi.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

namespace {

// Written by the user-interface thread, and by the library's callback thread
// only from ApiLoadPending or ApiLoaded to UnLoadPending.
std::atomic<int32_t> g_loadState{ApiLoadPending};
// Tick count taken when the state entered ApiLoadFailed.
DWORD g_failureTime = 0;
dl::tk::addon::LoadNotifiable* g_currentNotifier = nullptr;
// Set once the main dialog destroys the add-on access object.
bool g_destroying = false;
HMODULE g_programModule = nullptr;

constexpr DWORD kRetryMilliseconds = 10000;
constexpr uint32_t kPumpWaitMilliseconds = 200;
constexpr int kCountedDisplays = 10;
constexpr int kRotationReads = 100;
constexpr int kActivityTypeReads = 25;

// USB product ids of the maker's three DisplayLink-based adapters.
constexpr uint32_t kMakerAdapterProductIds[] = {0x0160, 0x0170, 0x0180};

void Trace(const wchar_t* text) noexcept { ::OutputDebugStringW(text); }

HMODULE ProgramModule() noexcept {
    if (!g_programModule) g_programModule = ::GetModuleHandleW(nullptr);
    return g_programModule;
}

// Enters ApiLoadFailed (the failure time is taken only on entry) and answers
// the program's own module, so the entry points resolve to the substitutes.
HMODULE EnterLoadFailed() noexcept {
    HMODULE program = ProgramModule();
    if (g_loadState.exchange(ApiLoadFailed) != ApiLoadFailed) g_failureTime = velk::Platform().GetTickCount();
    return program;
}

HMODULE LoadAddOnLibrary() noexcept {
    try {
        std::string path = ReadAddOnApiPath();
        // An empty name would not name the library.
        return path.empty() ? nullptr : ::LoadLibraryA(path.c_str());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// The pump that begins every wrapper and every pass of a set-and-wait wrapper.
void PumpAll() {
    PumpAddOnApiLoad();
    dlPumpMessages(kPumpWaitMilliseconds, 0);
}

// True when a getter answered a value; the substitutes and a failing library
// answer a negative result and leave the value as it was.
bool Answered(int32_t result) noexcept { return result >= 0; }

// The common scheme of the set-and-wait wrappers: pass 0 sets, pass 1 only
// pumps, each later pass reads until taken() holds or maxReads reads failed.
template <class SetFn, class TakenFn>
bool SetAndWait(uint32_t id, int maxReads, SetFn set, TakenFn taken) {
    for (int pass = 0;; ++pass) {
        if (g_destroying) return true;
        PumpAll();
        AddOnDisplayHandle display = FindAddOnDisplayByAdapterId(id);
        if (!display) return false;
        if (pass == 0) {
            set(display);
        } else if (pass >= 2 && taken(display)) {
            return true;
        }
        if (pass > maxReads) return false;
    }
}

}  // namespace

namespace dl::tk::addon {

LoadNotifiable::~LoadNotifiable() {
    if (g_currentNotifier == this) g_currentNotifier = nullptr;
}

}  // namespace dl::tk::addon

AddOnMonLoadNotifier::AddOnMonLoadNotifier(HWND window, std::vector<uint32_t> productIds)
    : window_(window), productIds_(std::move(productIds)) {}

AddOnMonLoadNotifier::~AddOnMonLoadNotifier() {
    dlUnRegisterNivoDisplayNotification(AddOnDisplayCallback, window_, 0);
    dlUnSubscribePids(nullptr, -1, 0);
}

void AddOnMonLoadNotifier::OnLoaded() {
    dlSubscribePids(productIds_.data(), static_cast<int32_t>(productIds_.size()), 0);
    dlRegisterNivoDisplayNotification(AddOnDisplayCallback, window_, 0);
}

void AddOnMonLoadNotifier::OnUnloading() {
    dlUnRegisterNivoDisplayNotification(AddOnDisplayCallback, window_, 0);
    dlUnSubscribePids(nullptr, -1, 0);
}

AddOnMonitor::AddOnMonitor(const uint32_t* productIds, HWND window) {
    std::vector<uint32_t> ids;
    for (const uint32_t* id = productIds; id && *id != 0; ++id) ids.push_back(*id);
    notifier_ = std::make_unique<AddOnMonLoadNotifier>(window, std::move(ids));
    g_currentNotifier = notifier_.get();
    PumpAddOnApiLoad();
}

AddOnMonitor::~AddOnMonitor() {
    g_destroying = true;
    Trace(L"\nDestruction\n");
    // Unregisters and unsubscribes; the library itself stays loaded.
    notifier_.reset();
}

std::unique_ptr<AddOnMonitor> AddOnMonitor::Create(const uint32_t* productIds, HWND window) noexcept {
    try {
        return std::make_unique<AddOnMonitor>(productIds, window);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::vector<uint32_t> BuildAddOnProductIdList() {
    std::vector<uint32_t> ids;
    if (!IsWindowsAtLeast(6, 1)) {
        ids.assign(std::begin(kMakerAdapterProductIds), std::end(kMakerAdapterProductIds));
    }
    ids.push_back(0);
    return ids;
}

std::string ReadAddOnApiPath() {
    char buffer[MAX_PATH + 1] = {};
    DWORD type = REG_NONE;
    DWORD size = MAX_PATH;
    LSTATUS status = ::SHGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\DisplayLink\\Core", "AddOnApiFileLocation", &type,
                                   buffer, &size);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::string();
    buffer[MAX_PATH] = '\0';  // a value that fills the buffer carries no terminator
    return std::string(buffer);
}

FARPROC AddOnDelayLoadHook(velk::BinderEvent event, const velk::BinderRecord& record) noexcept {
    if (!record.libraryName || std::strcmp(record.libraryName, kAddOnApiLibraryName) != 0) return nullptr;
    switch (event) {
        case velk::BinderEvent::BeforeLoadLibrary: {
            int32_t state = g_loadState.load();
            if (state == ApiLoadPending || state == ApiLoaded) {
                if (HMODULE library = LoadAddOnLibrary()) {
                    int32_t expected = ApiLoadPending;
                    // Only the first load tells the notifier; an unload asked for
                    // meanwhile stays asked for.
                    if (state == ApiLoadPending && g_loadState.compare_exchange_strong(expected, ApiLoaded) &&
                        g_currentNotifier) {
                        g_currentNotifier->OnLoaded();
                    }
                    return reinterpret_cast<FARPROC>(library);
                }
            }
            return reinterpret_cast<FARPROC>(EnterLoadFailed());
        }
        case velk::BinderEvent::BeforeGetProcAddress:
            if (record.module != ProgramModule()) return nullptr;
            return AddOnApiSubstitute(record.entryName);
        case velk::BinderEvent::GetProcAddressFailed:
            // A library without this entry point answers through its substitute.
            return AddOnApiSubstitute(record.entryName);
        case velk::BinderEvent::LoadLibraryFailed:
            break;
    }
    return nullptr;
}

void PumpAddOnApiLoad() {
    switch (g_loadState.load()) {
        case ApiLoadPending:
            Trace(L"ApiLoadPending\n");
            BindAddOnApi();
            break;
        case ApiLoaded:
            break;
        case UnLoadPending:
            Trace(L"UnLoadPending\n");
            if (g_currentNotifier) g_currentNotifier->OnUnloading();
            UnbindAddOnApi();
            BindAddOnApi();  // refused in this state: binds the substitutes
            break;
        case ApiLoadFailed:
            Trace(L"D - ");
            if (velk::Platform().GetTickCount() - g_failureTime < kRetryMilliseconds) break;
            UnbindAddOnApi();
            g_loadState.store(ApiLoadPending);
            BindAddOnApi();
            break;
    }
}

void DL_API AddOnDisplayCallback(void* context, int32_t event) noexcept {
    if (event == dlEventDisplaysChanged) {
        Trace(L"\nCallback Changed!\n");
        if (context) ::SendMessageW(static_cast<HWND>(context), UM_ADDONCALLBACK, dlEventDisplaysChanged, 0);
    } else if (event == dlEventUnloading) {
        Trace(L"\n=                 =             UnLoadAPI\n");
        int32_t state = g_loadState.load();
        while ((state == ApiLoadPending || state == ApiLoaded) &&
               !g_loadState.compare_exchange_weak(state, UnLoadPending)) {
        }
    }
}


namespace {
int g_readingScopes = 0;  // AddOnReadingScope objects alive
}  // namespace

AddOnReading::AddOnReading() {
    if (g_readingScopes == 0) PumpAll();
}

AddOnReadingScope::AddOnReadingScope() {
    if (g_readingScopes++ > 0) return;
    PumpAll();
}

AddOnReadingScope::~AddOnReadingScope() { --g_readingScopes; }

int AddOnReading::ActiveCount() const {
    int active = 0;
    for (int32_t index = 0; index < kCountedDisplays; ++index) {
        dlDisplayHandle display = dlGetNivoDisplay(index);
        if (!display) continue;
        int32_t state = 0;
        dlGetExecutionState(display, dlDisplayScope, &state);
        if (state == dlExecutionStateActive || state == dlExecutionStateActiveAlt) ++active;
    }
    return active;
}

namespace {
// Reads the listed displays' adapter ids in list order until `stop` says so;
// answers the display it stopped at, or 0.
template <class Stop> dlDisplayHandle ScanAdapterIds(Stop stop) {
    for (int32_t index = 0; index < dlGetNivoDisplayCount(); ++index) {
        dlDisplayHandle display = dlGetNivoDisplay(index);
        if (!display) continue;
        dlAdapterIdRecord record{};
        record.size = sizeof(record);
        dlGetDisplayAdapterID(display, &record);
        if (stop(record.adapterId, display)) return display;
    }
    return 0;
}
}  // namespace

std::vector<AddOnDisplayEntry> AddOnReading::Displays() const {
    std::vector<AddOnDisplayEntry> displays;
    ScanAdapterIds([&](auto id, dlDisplayHandle display) {
        displays.push_back({id, display});
        return false;
    });
    return displays;
}

AddOnDisplayHandle AddOnReading::Find(uint32_t id) const {
    return ScanAdapterIds([id](auto adapterId, dlDisplayHandle) { return adapterId == id; });
}

namespace {
// Up to `tries` looks at the display at `index`, each after the first
// pumping the library again to give the display time to appear.
int32_t AdapterIdWithTries(int32_t index, int tries) {
    for (int attempt = 0; attempt < tries; ++attempt) {
        if (attempt > 0) PumpAll();
        if (dlDisplayHandle display = dlGetNivoDisplay(index)) {
            dlAdapterIdRecord record{};
            record.size = sizeof(record);
            dlGetDisplayAdapterID(display, &record);
            return static_cast<int32_t>(record.adapterId);
        }
    }
    return -1;
}
}  // namespace

int32_t AddOnReading::AdapterIdAt(int32_t index) const {
    // The reading's one pump serves one try: a further try would pump again,
    // 200 ms of the user-interface thread for each index past the last
    // display of a list filled from one reading.
    return AdapterIdWithTries(index, std::min(ActiveCount(), 1));
}

int GetActiveAddOnDisplayCount() { return AddOnReading().ActiveCount(); }
AddOnDisplayHandle FindAddOnDisplayByAdapterId(uint32_t id) { return AddOnReading().Find(id); }
std::vector<AddOnDisplayEntry> ListAddOnDisplays() { return AddOnReading().Displays(); }
int32_t GetAddOnDisplayAdapterId(int32_t index) {
    // Alone, up to one try per active display, each with its own pump; within
    // a reading scope the scope's pump serves one try.
    const AddOnReading reading;
    return g_readingScopes > 0 ? reading.AdapterIdAt(index) : AdapterIdWithTries(index, reading.ActiveCount());
}
bool QueryAddOnDisplayState(uint32_t id, AddOnDisplayState* state) {
    // No pump and no wait: the caller lets kAddOnStateSettleMilliseconds pass
    // after its pump, and the states are read as that pump left them.
    const dlDisplayHandle display =
        ScanAdapterIds([id](auto adapterId, dlDisplayHandle) { return adapterId == id; });
    if (!display) return false;
    int32_t rotation = 0;
    int32_t executionState = 0;
    int32_t activityType = 0;
    dlGetRotation(display, dlDisplayScope, &rotation);
    dlGetExecutionState(display, dlDisplayScope, &executionState);
    dlGetActivityType(display, dlDisplayScope, &activityType);
    if (state) *state = AddOnDisplayState{static_cast<int32_t>(id), 0, activityType, rotation, executionState};
    return true;
}

AddOnDisplayHandle FindInAddOnDisplays(const std::vector<AddOnDisplayEntry>& displays, uint32_t id) noexcept {
    for (const AddOnDisplayEntry& entry : displays)
        if (entry.AdapterId == id) return entry.Handle;
    return 0;
}

bool SetAddOnDisplayRotation(uint32_t id, int32_t rotation) {
    return SetAndWait(
        id, kRotationReads, [&](AddOnDisplayHandle display) { dlSetRotation(display, dlDisplayScope, rotation); },
        [&](AddOnDisplayHandle display) {
            int32_t value = 0;
            return Answered(dlGetRotation(display, dlDisplayScope, &value)) && value == rotation;
        });
}

bool SetAddOnDisplayActivityType(uint32_t id, int32_t type) {
    return SetAndWait(
        id, kActivityTypeReads,
        [&](AddOnDisplayHandle display) { dlSetActivityType(display, dlDisplayScope, type, type == 3 ? 1 : 0); },
        [&](AddOnDisplayHandle display) {
            int32_t value = 0;
            if (!Answered(dlGetActivityType(display, dlDisplayScope, &value))) return false;
            if (type == 4) return value != 1;
            if (type == 1) return value != 4;
            return value == type;
        });
}
