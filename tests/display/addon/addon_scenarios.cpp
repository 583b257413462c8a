// Scenarios of the add-on access. The load state lives for the whole process,
// so each scenario runs in a process of its own: addon_test starts this
// program once per scenario with --gtest_filter naming exactly one.
#include "display/addon_access.h"
#include "display/display_list.h"
#include "framework/platform.h"
#include "testing/harness.h"
#include "testing/support/addon_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

using namespace addon_test;

namespace {

constexpr uint32_t kIds[] = {0x1111, 0x2222, 0x3333, 0, 0x4444};
const std::vector<uint32_t> kIdsBeforeZero = {0x1111, 0x2222, 0x3333};

class AddOnScenario : public ::testing::Test {
protected:
    AddOnScenario() {
        FakeClock::Install(0x10000);
        RemoveLibraryPath();
    }
    ~AddOnScenario() override { RemoveLibraryPath(); }

    // Runs `call` and expects it not to have slept: without the library the
    // substitute pump answers at once.
    template <class Call>
    void ExpectNoPumpWait(Call call) {
        FakeClock::sleeps.clear();
        call();
        EXPECT_TRUE(FakeClock::sleeps.empty());
    }

    velk::test::PlatformOverride seam_;
    TraceRecorder traces_;
    Sim sim_;
};

// ---- Without the library.

TEST_F(AddOnScenario, WithoutLibraryEverythingAnswersFailure) {
    AddOnMonitor monitor(kIds, nullptr);
    EXPECT_EQ(traces_.Text(), L"ApiLoadPending\n");
    traces_.Clear();

    ExpectNoPumpWait([] { EXPECT_EQ(GetActiveAddOnDisplayCount(), 0); });
    ExpectNoPumpWait([] { EXPECT_EQ(FindAddOnDisplayByAdapterId(1), 0u); });
    ExpectNoPumpWait([] { EXPECT_EQ(GetAddOnDisplayAdapterId(0), -1); });
    AddOnDisplayState state{7, 7, 7, 7, 7};
    ExpectNoPumpWait([&] { EXPECT_FALSE(QueryAddOnDisplayState(1, &state)); });
    EXPECT_EQ(state.AdapterId, 7);
    ExpectNoPumpWait([] { EXPECT_FALSE(SetAddOnDisplayRotation(1, 1)); });
    ExpectNoPumpWait([] { EXPECT_FALSE(SetAddOnDisplayActivityType(1, 3)); });
    EXPECT_TRUE(FakeClock::waits.empty()) << "nothing here holds the thread";

    // The entry points called directly answer through their substitutes.
    EXPECT_EQ(dlGetNivoDisplayCount(), dlResultNotAvailable);
    EXPECT_EQ(dlGetNivoDisplay(0), 0u);
    EXPECT_EQ(dlSetVideoOptimizeModeState(0x5000, dlVideoOptimizeOn), dlResultNotAvailable);
    int32_t value = 42;
    EXPECT_EQ(dlGetExecutionState(0x5000, dlDisplayScope, &value), dlResultNotAvailable);
    EXPECT_EQ(value, 42);
    ExpectNoPumpWait([] { EXPECT_EQ(dlPumpMessages(200, 0), dlResultNotAvailable); });

    // Every use in the failed state traces it and tries nothing within 10 s.
    EXPECT_GE(traces_.Count(L"D - "), 6);
    EXPECT_EQ(traces_.Count(L"ApiLoadPending\n"), 0);
}

TEST_F(AddOnScenario, FailedLoadIsRetriedOnlyTenSecondsLater) {
    // Near the wrap of the tick count, so the retry time lies past it.
    const DWORD failedAt = 0xFFFFFFFFu - 4000;
    FakeClock::now = failedAt;
    SetLibraryPath(velk::test::BinDir() + L"missing\\AddOnApi.dll");
    AddOnMonitor monitor(kIds, nullptr);

    // The first retry finds the file still missing: a new failure time.
    FakeClock::now = failedAt + 9999;
    GetActiveAddOnDisplayCount();
    EXPECT_EQ(traces_.Count(L"ApiLoadPending\n"), 1);
    const DWORD failedAgainAt = failedAt + 10000;
    FakeClock::now = failedAgainAt;
    GetActiveAddOnDisplayCount();

    SetLibraryPath(SimulatedLibraryPath());
    FakeClock::now = failedAgainAt + 5000;
    GetActiveAddOnDisplayCount();
    FakeClock::now = failedAgainAt + 9999;
    GetActiveAddOnDisplayCount();
    EXPECT_FALSE(Sim::Loaded()) << "retried within 10 s of the second failure";

    FakeClock::now = failedAgainAt + 10000;
    GetActiveAddOnDisplayCount();
    ASSERT_TRUE(Sim::Loaded());
    EXPECT_EQ(Sim::Loads(), 1);
    EXPECT_EQ(sim_.Subscribed().ids, kIdsBeforeZero);
    EXPECT_EQ(traces_.Count(L"D - "), 5);
}

TEST_F(AddOnScenario, LibraryWithoutTheEntryPointsAnswersThroughSubstitutes) {
    char system[MAX_PATH] = {};
    ASSERT_GT(::GetSystemDirectoryA(system, MAX_PATH), 0u);
    std::string path = std::string(system) + "\\version.dll";
    SetLibraryPath(std::wstring(path.begin(), path.end()));

    AddOnMonitor monitor(kIds, nullptr);
    ExpectNoPumpWait([] { EXPECT_EQ(GetActiveAddOnDisplayCount(), 0); });
    EXPECT_EQ(dlGetNivoDisplayCount(), dlResultNotAvailable);
    EXPECT_EQ(GetAddOnDisplayAdapterId(0), -1);
    EXPECT_EQ(traces_.Count(L"D - "), 0) << "the library itself was loaded";
}

// ---- With the simulated library.

TEST_F(AddOnScenario, LoadSubscribesAndRegistersWithTheDialogWindow) {
    SetLibraryPath(SimulatedLibraryPath());
    CallbackWindow window;
    auto monitor = AddOnMonitor::Create(kIds, window.hwnd());
    ASSERT_TRUE(monitor);
    ASSERT_TRUE(Sim::Loaded());
    EXPECT_EQ(Sim::Loads(), 1);
    EXPECT_EQ(traces_.Text(), L"ApiLoadPending\n");

    Sim::Subscription subscribed = sim_.Subscribed();
    EXPECT_TRUE(subscribed.held);
    EXPECT_EQ(subscribed.ids, kIdsBeforeZero);
    EXPECT_EQ(subscribed.count, 3);
    EXPECT_EQ(subscribed.flags, 0u);
    Sim::Registration registered = sim_.Registered();
    EXPECT_TRUE(registered.held);
    EXPECT_EQ(registered.callback, &AddOnDisplayCallback);
    EXPECT_EQ(registered.context, window.hwnd());
    EXPECT_EQ(registered.flags, 0u);

    // Later uses neither load nor subscribe again, and pump the library.
    const int pumps = sim_.Calls("dlPumpMessages");
    GetActiveAddOnDisplayCount();
    FindAddOnDisplayByAdapterId(1);
    EXPECT_EQ(sim_.Calls("dlSubscribePids"), 1);
    EXPECT_EQ(sim_.Calls("dlRegisterNivoDisplayNotification"), 1);
    EXPECT_EQ(sim_.Calls("dlPumpMessages"), pumps + 2);
    EXPECT_EQ(Sim::Loads(), 1);
    EXPECT_TRUE(FakeClock::sleeps.empty()) << "the library's own pump does the waiting";
    // Within a reading scope the wrappers read the library as the scope's one
    // pump left it; the set-and-wait wrappers still pump every pass.
    {
        const AddOnReadingScope scope;
        GetActiveAddOnDisplayCount();
        FindAddOnDisplayByAdapterId(1);
        ListAddOnDisplays();
        GetAddOnDisplayAdapterId(0);
        EXPECT_EQ(sim_.Calls("dlPumpMessages"), pumps + 3);
        SetAddOnDisplayRotation(1, 1);  // no such display: one pass
        EXPECT_GT(sim_.Calls("dlPumpMessages"), pumps + 3);
    }

    monitor.reset();
    EXPECT_FALSE(sim_.Registered().held);
    EXPECT_FALSE(sim_.Subscribed().held);
    Sim::Unsubscription unsubscribed = sim_.LastUnsubscribe();
    EXPECT_TRUE(unsubscribed.seen);
    EXPECT_TRUE(unsubscribed.idsNull);
    EXPECT_EQ(unsubscribed.count, -1);
    EXPECT_EQ(unsubscribed.flags, 0u);
    EXPECT_EQ(traces_.Text(), L"ApiLoadPending\n\nDestruction\n");
    EXPECT_TRUE(Sim::Loaded()) << "the library stays loaded";
    EXPECT_EQ(Sim::Unloads(), 0);
}

TEST_F(AddOnScenario, CountsFindsAndReadsDisplays) {
    SetLibraryPath(SimulatedLibraryPath());
    AddOnMonitor monitor(kIds, nullptr);
    ASSERT_TRUE(Sim::Loaded());

    EXPECT_EQ(GetActiveAddOnDisplayCount(), 0);
    const dlDisplayHandle first = sim_.AddDisplay(1, 2);
    const dlDisplayHandle second = sim_.AddDisplay(2, 3);
    sim_.AddDisplay(3, 1);
    sim_.AddDisplay(4, 0);
    EXPECT_EQ(GetActiveAddOnDisplayCount(), 2);
    EXPECT_EQ(FindAddOnDisplayByAdapterId(1), first);
    EXPECT_EQ(FindAddOnDisplayByAdapterId(2), second);
    EXPECT_EQ(FindAddOnDisplayByAdapterId(9), 0u);
    EXPECT_EQ(GetAddOnDisplayAdapterId(1), 2);
    EXPECT_EQ(GetAddOnDisplayAdapterId(3), 4) << "any display at the index, active or not";
    EXPECT_EQ(GetAddOnDisplayAdapterId(7), -1);

    // Only the first ten displays are counted, whatever the library reports.
    dlDisplayHandle last = 0;
    for (uint32_t id = 5; id <= 14; ++id) last = sim_.AddDisplay(id, 2);
    EXPECT_EQ(GetActiveAddOnDisplayCount(), 8);
    EXPECT_EQ(FindAddOnDisplayByAdapterId(14), last) << "finding looks at every display";

    ASSERT_TRUE(sim_.SetState(3, 3, 2, 3));
    AddOnDisplayState state{};
    FakeClock::waits.clear();
    const int pumpsBefore = sim_.Calls("dlPumpMessages");
    ASSERT_TRUE(QueryAddOnDisplayState(3, &state));
    EXPECT_EQ(state.AdapterId, 3);
    EXPECT_EQ(state.DisplayNumber, 0);
    EXPECT_EQ(state.ActivityType, 3);
    EXPECT_EQ(state.Rotation, 2);
    EXPECT_EQ(state.ExecutionState, 3);
    EXPECT_TRUE(FakeClock::waits.empty()) << "the caller's timer step gives the library its settle time";
    EXPECT_EQ(sim_.Calls("dlPumpMessages"), pumpsBefore) << "the states are read as the last pump left them";

    EXPECT_EQ(dlSetVideoOptimizeModeState(second, dlVideoOptimizeOff), 0);
    EXPECT_EQ(sim_.State(2).videoOptimize, dlVideoOptimizeOff);

    EXPECT_EQ(sim_.Calls("wrong scope"), 0);
    EXPECT_EQ(sim_.Calls("wrong record size"), 0);
}

// A reading (or an open scope) serves a whole list of displays with one
// pump; the wrappers alone keep a pump per adapter-id try. The states are
// read without a pump or a wait of their own.
TEST_F(AddOnScenario, AReadingPumpsOnceHoweverManyDisplaysItReads) {
    SetLibraryPath(SimulatedLibraryPath());
    AddOnMonitor monitor(kIds, nullptr);
    for (uint32_t id = 1; id <= 3; ++id) sim_.AddDisplay(id, 2);
    auto pumped = [this, before = sim_.Calls("dlPumpMessages")]() mutable {
        const int now = sim_.Calls("dlPumpMessages");
        return now - std::exchange(before, now);
    };
    // Each reads the ids of the indexes 0 to 3 (one past the last display,
    // as the Setting page's list does) and the state of each display.
    auto readAll = [](auto adapterIdAt) {
        std::vector<int32_t> ids;
        for (int32_t index = 0; index <= 3; ++index) ids.push_back(adapterIdAt(index));
        AddOnDisplayState state{};
        for (uint32_t id = 1; id <= 3; ++id) EXPECT_TRUE(QueryAddOnDisplayState(id, &state)) << id;
        return ids;
    };
    const std::vector<int32_t> expected = {1, 2, 3, -1};
    const struct {
        const char* name;
        std::function<std::vector<int32_t>()> read;
        int pumps;
    } cases[] = {
        {"one reading",
         [&] {
             const AddOnReading reading;
             return readAll([&](int32_t i) { return reading.AdapterIdAt(i); });
         },
         1},
        {"the wrappers in a scope",
         [&] {
             const AddOnReadingScope scope;
             return readAll(GetAddOnDisplayAdapterId);
         },
         1},
        // Alone: a pump per wrapper, and the index past the last display
        // tries once per active display, each further try with a pump.
        {"the wrappers alone", [&] { return readAll(GetAddOnDisplayAdapterId); }, 4 + 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        pumped();
        FakeClock::waits.clear();
        EXPECT_EQ(c.read(), expected);
        EXPECT_EQ(pumped(), c.pumps);
        EXPECT_TRUE(FakeClock::waits.empty());
    }
}

TEST_F(AddOnScenario, NoActiveDisplayMeansNoAdapterId) {
    SetLibraryPath(SimulatedLibraryPath());
    AddOnMonitor monitor(kIds, nullptr);
    sim_.AddDisplay(5, 0);
    sim_.AddDisplay(6, 1);
    EXPECT_EQ(GetAddOnDisplayAdapterId(0), -1);
    EXPECT_EQ(sim_.Calls("dlGetDisplayAdapterID"), 0);
}

TEST_F(AddOnScenario, ChangeEventIsSentToTheDialogWindow) {
    SetLibraryPath(SimulatedLibraryPath());
    CallbackWindow window;
    AddOnMonitor monitor(kIds, window.hwnd());

    ASSERT_TRUE(sim_.Fire(dlEventDisplaysChanged));
    ASSERT_EQ(window.received.size(), 1u);
    EXPECT_EQ(window.received[0].wParam, 3u);
    EXPECT_EQ(window.received[0].lParam, 0);
    EXPECT_TRUE(window.received[0].sentFromAnotherThread);
    EXPECT_EQ(traces_.Count(L"\nCallback Changed!\n"), 1);

    // Other events are ignored and leave the library loaded.
    ASSERT_TRUE(sim_.Fire(2));
    ASSERT_TRUE(sim_.Fire(4));
    EXPECT_EQ(window.received.size(), 1u);
    GetActiveAddOnDisplayCount();
    EXPECT_TRUE(Sim::Loaded());
    EXPECT_EQ(traces_.Count(L"UnLoadPending\n"), 0);
}

TEST_F(AddOnScenario, ChangeEventWithoutWindowSendsNothing) {
    SetLibraryPath(SimulatedLibraryPath());
    CallbackWindow bystander;
    AddOnMonitor monitor(kIds, nullptr);
    ASSERT_TRUE(sim_.Registered().held);
    EXPECT_EQ(sim_.Registered().context, nullptr);

    ASSERT_TRUE(sim_.Fire(dlEventDisplaysChanged));
    EXPECT_EQ(traces_.Count(L"\nCallback Changed!\n"), 1);
    EXPECT_TRUE(bystander.received.empty());
}

TEST_F(AddOnScenario, UnloadEventUnloadsAndReloadsTenSecondsLater) {
    SetLibraryPath(SimulatedLibraryPath());
    CallbackWindow window;
    std::vector<uint32_t> ids = {0x1111, 0x2222, 0};
    AddOnMonitor monitor(ids.data(), window.hwnd());
    ids[0] = 0x9999;  // the caller's list may change: the notifier keeps a copy
    ASSERT_TRUE(Sim::Loaded());

    const DWORD unloadAt = 50000;
    FakeClock::now = unloadAt;
    ASSERT_TRUE(sim_.Fire(dlEventUnloading));
    EXPECT_EQ(traces_.Count(kUnloadTrace), 1);
    EXPECT_TRUE(Sim::Loaded()) << "unloaded only at the next use";

    EXPECT_EQ(GetActiveAddOnDisplayCount(), 0);
    EXPECT_EQ(traces_.Count(L"UnLoadPending\n"), 1);
    EXPECT_FALSE(Sim::Loaded());
    EXPECT_EQ(Sim::Unloads(), 1);
    EXPECT_EQ(Sim::LeftRegistered(), L"0") << "unregistered before the unload";
    EXPECT_EQ(Sim::LeftSubscribed(), L"0") << "unsubscribed before the unload";

    // Refused until 10 s have passed; a late unload event changes nothing.
    AddOnDisplayCallback(nullptr, dlEventUnloading);
    FakeClock::now = unloadAt + 9999;
    EXPECT_EQ(FindAddOnDisplayByAdapterId(1), 0u);
    EXPECT_FALSE(Sim::Loaded());
    EXPECT_EQ(Sim::Loads(), 1);

    FakeClock::now = unloadAt + 10000;
    GetActiveAddOnDisplayCount();
    ASSERT_TRUE(Sim::Loaded());
    EXPECT_EQ(Sim::Loads(), 2);
    Sim::Subscription subscribed = sim_.Subscribed();
    EXPECT_TRUE(subscribed.held);
    EXPECT_EQ(subscribed.ids, (std::vector<uint32_t>{0x1111, 0x2222}));
    EXPECT_EQ(sim_.Registered().context, window.hwnd());

    // The reloaded library's events reach the window again.
    ASSERT_TRUE(sim_.Fire(dlEventDisplaysChanged));
    EXPECT_EQ(window.received.size(), 1u);
}

TEST_F(AddOnScenario, RotationIsSetAndAwaited) {
    SetLibraryPath(SimulatedLibraryPath());
    AddOnMonitor monitor(kIds, nullptr);
    sim_.AddDisplay(2, 2);

    sim_.SetSettlePumps(7);
    EXPECT_TRUE(SetAddOnDisplayRotation(2, 3));
    EXPECT_EQ(sim_.State(2).rotation, 3);
    EXPECT_EQ(sim_.Calls("dlSetRotation"), 1);
    EXPECT_GE(sim_.Calls("dlGetRotation"), 1);
    EXPECT_LT(sim_.Calls("dlGetRotation"), 10);

    // Set at once, but read back only from the third pass on.
    sim_.SetSettlePumps(0);
    EXPECT_TRUE(SetAddOnDisplayRotation(2, 0));
    EXPECT_EQ(sim_.State(2).rotation, 0);
    EXPECT_EQ(sim_.Calls("dlSetRotation"), 2);
    EXPECT_EQ(sim_.Calls("wrong scope"), 0);
}

TEST_F(AddOnScenario, RotationGivesUpAfterOneHundredReads) {
    SetLibraryPath(SimulatedLibraryPath());
    AddOnMonitor monitor(kIds, nullptr);
    sim_.AddDisplay(2, 2);
    sim_.SetSettlePumps(-1);
    EXPECT_FALSE(SetAddOnDisplayRotation(2, 1));
    EXPECT_EQ(sim_.Calls("dlSetRotation"), 1);
    EXPECT_EQ(sim_.Calls("dlGetRotation"), 100);
}

TEST_F(AddOnScenario, ActivityTypeIsSetAndAwaited) {
    SetLibraryPath(SimulatedLibraryPath());
    AddOnMonitor monitor(kIds, nullptr);
    sim_.AddDisplay(2, 2);

    // Never taken: 25 reads, then false; type 3 carries the extend flag.
    sim_.SetSettlePumps(-1);
    EXPECT_FALSE(SetAddOnDisplayActivityType(2, 3));
    EXPECT_EQ(sim_.Calls("dlGetActivityType"), 25);
    EXPECT_EQ(sim_.LastExtendFlag(), 1);

    // Taken after a few pumps.
    sim_.SetSettlePumps(5);
    EXPECT_TRUE(SetAddOnDisplayActivityType(2, 2));
    EXPECT_EQ(sim_.LastExtendFlag(), 0);
    EXPECT_EQ(sim_.State(2).activityType, 2);

    // Type 4 is taken as soon as the display reports any type but 1.
    ASSERT_TRUE(sim_.SetState(2, 2, 0, 1));
    sim_.SetActivityOutcome(3);
    sim_.SetSettlePumps(3);
    EXPECT_TRUE(SetAddOnDisplayActivityType(2, 4));
    EXPECT_EQ(sim_.State(2).activityType, 3);

    // Type 1 is taken as soon as the display reports any type but 4.
    ASSERT_TRUE(sim_.SetState(2, 2, 0, 4));
    sim_.SetActivityOutcome(2);
    EXPECT_TRUE(SetAddOnDisplayActivityType(2, 1));

    // Any other type must be reported exactly.
    ASSERT_TRUE(sim_.SetState(2, 2, 0, 1));
    sim_.SetActivityOutcome(3);
    const int reads = sim_.Calls("dlGetActivityType");
    EXPECT_FALSE(SetAddOnDisplayActivityType(2, 2));
    EXPECT_EQ(sim_.Calls("dlGetActivityType") - reads, 25);
}

TEST_F(AddOnScenario, SetAndWaitEndsWhenTheDisplayDisappears) {
    SetLibraryPath(SimulatedLibraryPath());
    AddOnMonitor monitor(kIds, nullptr);
    sim_.SetSettlePumps(-1);

    sim_.AddDisplay(2, 2);
    ASSERT_TRUE(sim_.RemoveDisplayAfterPumps(2, 12));
    EXPECT_FALSE(SetAddOnDisplayRotation(2, 1));
    EXPECT_GT(sim_.Calls("dlGetRotation"), 0);
    EXPECT_LT(sim_.Calls("dlGetRotation"), 10);

    sim_.AddDisplay(2, 2);
    ASSERT_TRUE(sim_.RemoveDisplayAfterPumps(2, 12));
    EXPECT_FALSE(SetAddOnDisplayActivityType(2, 3));
    EXPECT_GT(sim_.Calls("dlGetActivityType"), 0);
    EXPECT_LT(sim_.Calls("dlGetActivityType"), 10);

    // A display that is not there at all ends it before anything is set.
    EXPECT_FALSE(SetAddOnDisplayRotation(7, 1));
    EXPECT_EQ(sim_.Calls("dlSetRotation"), 1);
}

TEST_F(AddOnScenario, SetAndWaitAnswersTrueOnceDestructionHasBegun) {
    SetLibraryPath(SimulatedLibraryPath());
    auto monitor = AddOnMonitor::Create(kIds, nullptr);
    sim_.AddDisplay(2, 2);
    sim_.SetSettlePumps(-1);
    monitor.reset();

    const int pumps = sim_.Calls("dlPumpMessages");
    EXPECT_TRUE(SetAddOnDisplayRotation(2, 1));
    EXPECT_TRUE(SetAddOnDisplayActivityType(2, 3));
    EXPECT_EQ(sim_.Calls("dlPumpMessages"), pumps);
    EXPECT_EQ(sim_.Calls("dlSetRotation"), 0);
    EXPECT_EQ(sim_.Calls("dlSetActivityType"), 0);
    EXPECT_EQ(sim_.Calls("dlGetNivoDisplayCount"), 0);
}

TEST_F(AddOnScenario, DestructionDuringSetAndWaitEndsItWithTrue) {
    SetLibraryPath(SimulatedLibraryPath());
    CallbackWindow window;
    auto monitor = AddOnMonitor::Create(kIds, window.hwnd());
    // The main dialog is destroyed while the library pumps: the change event
    // reaches the window inside the pump.
    window.onCallback = [&] { monitor.reset(); };
    sim_.AddDisplay(2, 2);
    sim_.SetSettlePumps(-1);
    sim_.FireAfterPumps(dlEventDisplaysChanged, 12);

    EXPECT_TRUE(SetAddOnDisplayRotation(2, 1));
    EXPECT_EQ(window.received.size(), 1u);
    EXPECT_FALSE(monitor);
    EXPECT_LT(sim_.Calls("dlGetRotation"), 10);
    EXPECT_FALSE(sim_.Registered().held);
}

// ---- The display table.

// Two display devices as Windows 6.0 enumerates them: the primary adapter and
// a DisplayLink adapter beside it.
BOOL WINAPI FakeEnumDisplayDevices(LPCWSTR, DWORD index, PDISPLAY_DEVICEW device, DWORD) {
    if (index > 1) return FALSE;
    swprintf(device->DeviceName, 32, L"\\\\.\\DISPLAY%lu", index + 1);
    wcscpy(device->DeviceString, index == 0 ? L"Wine Graphics Adapter" : L"DisplayLink Graphics Adapter");
    device->StateFlags = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP | (index == 0 ? DISPLAY_DEVICE_PRIMARY_DEVICE : 0);
    return TRUE;
}

BOOL WINAPI FakeEnumDisplaySettings(LPCWSTR deviceName, DWORD, DEVMODEW* mode) {
    const bool second = deviceName && wcscmp(deviceName, L"\\\\.\\DISPLAY2") == 0;
    mode->dmPelsWidth = second ? 800 : 1024;
    mode->dmPelsHeight = second ? 600 : 768;
    mode->dmPosition.x = second ? 1024 : 0;
    mode->dmPosition.y = 0;
    return TRUE;
}

TEST_F(AddOnScenario, DisplayTableListsDisplayLinkAdaptersOnceAnActiveDisplayWasSeen) {
    velk::test::FakeWindowsVersion(6, 0);
    velk::Platform().EnumDisplayDevicesW = FakeEnumDisplayDevices;
    velk::Platform().EnumDisplaySettingsW = FakeEnumDisplaySettings;
    SetLibraryPath(SimulatedLibraryPath());
    auto monitor = AddOnMonitor::Create(kIds, nullptr);
    ASSERT_TRUE(monitor);

    DisplayList list{};
    list.AddOn = monitor.get();
    SetCurrentDisplayList(&list);
    uint32_t highest = 0;
    int32_t count = 0;

    // An add-on display that is not active yet: the adapter stays hidden.
    sim_.AddDisplay(2, 1);
    BuildDisplayList(&highest, &count);
    EXPECT_EQ(list.Records[0].DisplayNumber, 1u);
    EXPECT_EQ(list.Records[1].DisplayNumber, 0u);
    EXPECT_EQ(count, 2) << "the hidden adapter still counts";
    EXPECT_EQ(AddOnDisplaysSeen, 0);

    // Active: listed, and named as the maker's adapter on Windows 6.0.
    ASSERT_TRUE(sim_.SetState(2, 2, 0, 0));
    BuildDisplayList(&highest, &count);
    EXPECT_EQ(AddOnDisplaysSeen, 1);
    EXPECT_EQ(list.Records[1].DisplayNumber, 2u);
    EXPECT_STREQ(list.Records[1].Name, L"VELK-DORVIX Multi Display Adapter");
    EXPECT_EQ(highest, 2u);

    // For ever after, also once the add-on display has gone.
    ASSERT_TRUE(sim_.RemoveDisplayAfterPumps(2, 1));
    BuildDisplayList(&highest, &count);
    EXPECT_EQ(list.Records[1].DisplayNumber, 2u);
    EXPECT_STREQ(list.Records[1].Name, L"DisplayLink Graphics Adapter");

    // Without add-on access, the table asks nothing of the library.
    list.AddOn = nullptr;
    const int pumps = sim_.Calls("dlPumpMessages");
    BuildDisplayList(&highest, &count);
    EXPECT_EQ(sim_.Calls("dlPumpMessages"), pumps);
    EXPECT_EQ(list.Records[1].DisplayNumber, 2u);
    SetCurrentDisplayList(nullptr);
}

}  // namespace

// Runs exactly one scenario: a filter that selects none or several is an error.
int main(int argc, char** argv) {
    bool listing = false;
    for (int i = 1; i < argc; ++i) listing = listing || std::strcmp(argv[i], "--gtest_list_tests") == 0;
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    const int ran = ::testing::UnitTest::GetInstance()->test_to_run_count();
    if (!listing && ran != 1) {
        std::fprintf(stderr, "addon_scenarios: %d scenarios selected, expected exactly one\n", ran);
        return 3;
    }
    return result;
}
