// The build of the display table: filters, numbering before and from
// Windows 6.1, the fall-backs, and the table's limits.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "display/display_list.h"
#include "display/display_numbering.h"
#include "tests/display/model/display_test_support.h"

namespace velk::test {
namespace {

const RECT kLeft{0, 0, 1920, 1080};
const RECT kMiddle{1920, 0, 3200, 1024};
const RECT kRight{3200, -200, 4800, 1000};

// \\.\DISPLAY1 active, \\.\DISPLAY2 inactive, \\.\DISPLAY3 active.
void GapTopology(FakeTopology& t) {
    t.Add(ActiveDisplay(1, kLeft, true)).deviceString = L"Alpha Graphics 100";
    t.Add(InactiveDisplay(2));
    t.Add(ActiveDisplay(3, kMiddle)).deviceString = L"Beta Graphics 200";
}

void ExpectRecord(const DisplayRecord& r, uint32_t number, RECT rect, bool primary, int32_t ordinal,
                  HMONITOR monitor) {
    EXPECT_EQ(r.DisplayNumber, number);
    EXPECT_EQ(r.SystemsDispNumber, number);
    EXPECT_EQ(r.left, rect.left);
    EXPECT_EQ(r.top, rect.top);
    EXPECT_EQ(r.right, rect.right);
    EXPECT_EQ(r.bottom, rect.bottom);
    EXPECT_EQ(r.Width, rect.right - rect.left);
    EXPECT_EQ(r.Height, rect.bottom - rect.top);
    EXPECT_EQ(r.Primary, primary ? 1 : 0);
    EXPECT_EQ(r.Ordinal, ordinal);
    EXPECT_EQ(r.Monitor, monitor);
    EXPECT_EQ(r.UserDispNumber, 0u);
    EXPECT_EQ(r.DisplayMode, 0);
    EXPECT_EQ(r.Rotation, 0);
}

// ---------------------------------------------------------------- before 6.1

using EnumerationBefore61 = DisplayModelTest;

TEST_F(EnumerationBefore61, InactiveDeviceKeepsItsNumberFreeAndItsSlotEmpty) {
    for (auto [major, minor] : {std::pair<DWORD, DWORD>{6, 0}, {5, 1}}) {
        SCOPED_TRACE(std::to_string(major) + "." + std::to_string(minor));
        topology.displays().clear();
        UseWindows(major, minor);
        GapTopology(topology);

        EXPECT_EQ(Build(), 3);
        EXPECT_EQ(count, 3);
        EXPECT_EQ(list.Count, 3);
        EXPECT_EQ(highest, 3u);
        EXPECT_EQ(HighestDisplayNumber, 3u);
        EXPECT_EQ(LowestDisplayNumber, 1u);
        ExpectRecord(Slot(0), 1, kLeft, true, 1, topology.displays()[0].monitor);
        EXPECT_TRUE(IsEmptySlot(Slot(1)));
        ExpectRecord(Slot(2), 3, kMiddle, false, 2, topology.displays()[2].monitor);
        EXPECT_EQ(NameOf(0), L"Alpha Graphics 100");
        EXPECT_EQ(NameOf(2), L"Beta Graphics 200");
        for (int i = 3; i < kDisplaySlots; ++i) EXPECT_TRUE(IsEmptySlot(Slot(i))) << i;
        // Before 6.1 the display-configuration functions are not touched.
        EXPECT_EQ(topology.calls.loadModule, 0);
        EXPECT_EQ(list.DisplayConfigModule, nullptr);
    }
}

TEST_F(EnumerationBefore61, DeviceStringIsCutTo62Characters) {
    UseWindows(6, 0);
    const std::wstring longText(80, L'x');
    const std::wstring exact = std::wstring(61, L'y') + L"Z";
    topology.Add(ActiveDisplay(1, kLeft, true)).deviceString = longText;
    topology.Add(ActiveDisplay(2, kMiddle)).deviceString = exact;
    Build();
    EXPECT_EQ(NameOf(0), longText.substr(0, 62));
    EXPECT_EQ(NameOf(1), exact);
}

TEST_F(EnumerationBefore61, HighestAndLowestFollowTheTableWhenDisplaysLeave) {
    UseWindows(6, 0);
    topology.Add(ActiveDisplay(1, kLeft, true));
    topology.Add(ActiveDisplay(2, kMiddle));
    topology.Add(ActiveDisplay(3, kRight));
    EXPECT_EQ(Build(), 3);
    EXPECT_EQ(HighestDisplayNumber, 3u);
    EXPECT_EQ(LowestDisplayNumber, 1u);

    // Display 1 leaves the desktop: the lowest number moves up.
    topology.displays()[0].active = false;
    topology.displays()[0].stateFlags = 0;
    EXPECT_EQ(Build(), 3);
    EXPECT_TRUE(IsEmptySlot(Slot(0)));
    EXPECT_EQ(HighestDisplayNumber, 3u);
    EXPECT_EQ(LowestDisplayNumber, 2u);
    EXPECT_EQ(Slot(1).Ordinal, 1);

    // Display 3's adapter goes away: the highest number moves down.
    topology.Remove(L"\\\\.\\DISPLAY3");
    EXPECT_EQ(Build(), 2);
    EXPECT_EQ(highest, 2u);
    EXPECT_EQ(HighestDisplayNumber, 2u);
    EXPECT_EQ(LowestDisplayNumber, 2u);
    EXPECT_TRUE(IsEmptySlot(Slot(2)));
}

// ------------------------------------------------- filters on every version

class EnumerationOnEveryVersion : public DisplayModelTest,
                                  public ::testing::WithParamInterface<std::pair<DWORD, DWORD>> {
protected:
    void SetUp() override {
        DisplayModelTest::SetUp();
        UseWindows(GetParam().first, GetParam().second);
    }
    // From 6.1 on, the monitor enumeration key lists every active monitor.
    void WriteKey() {
        if (GetParam().first > 6 || (GetParam().first == 6 && GetParam().second >= 1)) {
            key_.emplace(MonitorEnumKey::ValuesFor(topology));
        }
    }
    std::optional<MonitorEnumKey> key_;
};

TEST_P(EnumerationOnEveryVersion, MirroringDriverChangesNoNumberAndNoSlot) {
    topology.Add(ActiveDisplay(1, kLeft, true));
    topology.Add(ActiveDisplay(2, kMiddle));
    topology.Add(ActiveDisplay(3, kRight));
    WriteKey();
    ASSERT_EQ(Build(), 3);
    DisplayRecord plain[kDisplaySlots];
    std::memcpy(plain, list.Records, sizeof(plain));

    for (size_t at : {size_t{0}, size_t{2}, size_t{3}}) {
        SCOPED_TRACE(at);
        topology.displays().insert(topology.displays().begin() + at, MirroringDriver());
        EXPECT_EQ(Build(), 3);
        EXPECT_EQ(HighestDisplayNumber, 3u);
        EXPECT_EQ(std::memcmp(plain, list.Records, sizeof(plain)), 0);
        topology.Remove(L"\\\\.\\DISPLAYV1");
    }
}

TEST_P(EnumerationOnEveryVersion, DisplayLinkAdaptersWaitForAnActiveAddOnDisplay) {
    for (const wchar_t* adapter : {L"DisplayLink Graphics Adapter", L"MCT USB2.0 VGA DEVICE"}) {
        SCOPED_TRACE(ToUtf8(adapter));
        topology.displays().clear();
        key_.reset();
        AddOnDisplaysSeen = 0;
        topology.Add(ActiveDisplay(1, kLeft, true));
        topology.Add(ActiveDisplay(2, kMiddle)).deviceString = adapter;
        topology.Add(ActiveDisplay(3, kRight));
        WriteKey();

        // Not listed, but it still takes its number: display 3 stays 3.
        EXPECT_EQ(Build(), 3);
        EXPECT_EQ(Slot(0).DisplayNumber, 1u);
        EXPECT_TRUE(IsEmptySlot(Slot(1)));
        EXPECT_EQ(Slot(2).DisplayNumber, 3u);
        EXPECT_EQ(Slot(2).Ordinal, 2);

        // Once an active add-on display has been seen it is listed, in every
        // later build too (no add-on object: the seen state stays).
        AddOnDisplaysSeen = 1;
        for (int build = 0; build < 2; ++build) {
            EXPECT_EQ(Build(), 3);
            EXPECT_EQ(AddOnDisplaysSeen, 1);
            EXPECT_EQ(Slot(1).DisplayNumber, 2u);
            EXPECT_EQ(Slot(1).left, kMiddle.left);
            EXPECT_EQ(Slot(2).Ordinal, 3);
        }
    }
}

TEST_P(EnumerationOnEveryVersion, DisplayLinkFilterIsCaseSensitive) {
    topology.Add(ActiveDisplay(1, kLeft, true));
    topology.Add(ActiveDisplay(2, kMiddle)).deviceString = L"displaylink graphics adapter";
    WriteKey();
    EXPECT_EQ(Build(), 2);
    EXPECT_EQ(Slot(1).DisplayNumber, 2u);
}

TEST_P(EnumerationOnEveryVersion, DisplaysBeyondTheTenthSlotAreNotStored) {
    for (int n = 1; n <= 12; ++n) {
        topology.Add(ActiveDisplay(n, RECT{(n - 1) * 800, 0, n * 800, 600}, n == 1));
    }
    WriteKey();
    list.OwnerWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x4242));
    EXPECT_EQ(Build(), 12);
    for (int i = 0; i < kDisplaySlots; ++i) EXPECT_EQ(Slot(i).DisplayNumber, static_cast<uint32_t>(i + 1));
    EXPECT_EQ(Slot(9).left, 9 * 800);
    EXPECT_EQ(HighestDisplayNumber, 10u);
    EXPECT_EQ(LowestDisplayNumber, 1u);
    // Nothing behind the records was overwritten.
    EXPECT_EQ(list.Count, 12);
    EXPECT_EQ(list.AddOn, nullptr);
    EXPECT_EQ(list.OwnerWindow, reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x4242)));
    EXPECT_EQ(list.DisplayConfigModule, nullptr);
}

TEST_P(EnumerationOnEveryVersion, NoDisplayGivesAnEmptyTable) {
    // Stale contents of an earlier build go too.
    topology.Add(ActiveDisplay(1, kLeft, true));
    WriteKey();
    ASSERT_EQ(Build(), 1);

    for (bool devicesStay : {false, true}) {
        SCOPED_TRACE(devicesStay);
        topology.displays().clear();
        if (devicesStay) {
            topology.Add(InactiveDisplay(1));
            topology.Add(InactiveDisplay(2));
        }
        EXPECT_EQ(Build(), 0);
        EXPECT_EQ(count, 0);
        EXPECT_EQ(highest, 0u);
        EXPECT_EQ(HighestDisplayNumber, 0u);
        EXPECT_EQ(LowestDisplayNumber, 10u);
        for (int i = 0; i < kDisplaySlots; ++i) EXPECT_TRUE(IsEmptySlot(Slot(i))) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, EnumerationOnEveryVersion,
                         ::testing::Values(std::pair<DWORD, DWORD>{5, 1}, std::pair<DWORD, DWORD>{6, 0},
                                           std::pair<DWORD, DWORD>{6, 1}, std::pair<DWORD, DWORD>{6, 2}),
                         [](const auto& info) {
                             return "Windows" + std::to_string(info.param.first) + std::to_string(info.param.second);
                         });

// ------------------------------------------------------------- build contract

using BuildContract = DisplayModelTest;

TEST_F(BuildContract, WithoutCountArgumentNothingIsTouched) {
    topology.Add(ActiveDisplay(1, kLeft, true));
    list.Records[4].DisplayNumber = 7;
    HighestDisplayNumber = 7;
    LowestDisplayNumber = 3;
    uint32_t high = 99;
    EXPECT_EQ(BuildDisplayList(&high, nullptr), 0);
    EXPECT_EQ(high, 99u);
    EXPECT_EQ(list.Records[4].DisplayNumber, 7u);
    EXPECT_EQ(HighestDisplayNumber, 7u);
    EXPECT_EQ(LowestDisplayNumber, 3u);
    EXPECT_EQ(topology.calls.enumDevices, 0);
}

TEST_F(BuildContract, HighestArgumentIsOptionalAndOwnerFieldsStay) {
    UseWindows(6, 0);
    topology.Add(ActiveDisplay(1, kLeft, true));
    topology.Add(ActiveDisplay(2, kMiddle));
    list.OwnerWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x1234));
    int32_t n = 0;
    EXPECT_EQ(BuildDisplayList(nullptr, &n), 2);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(list.OwnerWindow, reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x1234)));
    EXPECT_EQ(AddOnDisplaysSeen, 0);
}

TEST_F(BuildContract, WithoutCurrentTableTheBuildIsEmpty) {
    topology.Add(ActiveDisplay(1, kLeft, true));
    SetCurrentDisplayList(nullptr);
    EXPECT_EQ(Build(), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(highest, 0u);
    EXPECT_FALSE(LoadDisplayConfigApi());
}

// ------------------------------------------------------ from Windows 6.1 on

using EnumerationFrom61 = DisplayModelTest;

TEST_F(EnumerationFrom61, NumbersAndNamesComeFromTheDisplayConfiguration) {
    for (auto [major, minor] : {std::pair<DWORD, DWORD>{6, 1}, {6, 2}}) {
        SCOPED_TRACE(std::to_string(major) + "." + std::to_string(minor));
        topology.displays().clear();
        topology.calls = {};
        UseWindows(major, minor);
        topology.Add(ActiveDisplay(1, kLeft, true)).deviceString = L"Alpha Graphics 100";
        topology.Add(ActiveDisplay(2, kMiddle)).monitorName = L"Wide Monitor";
        MonitorEnumKey key(MonitorEnumKey::ValuesFor(topology));

        EXPECT_EQ(Build(), 2);
        ExpectRecord(Slot(0), 1, kLeft, true, 1, topology.displays()[0].monitor);
        ExpectRecord(Slot(1), 2, kMiddle, false, 2, topology.displays()[1].monitor);
        EXPECT_EQ(NameOf(0), L"Fake Monitor 1");
        EXPECT_EQ(NameOf(1), L"Wide Monitor");
        EXPECT_EQ(HighestDisplayNumber, 2u);
        EXPECT_EQ(LowestDisplayNumber, 1u);
        // The module is loaded for the build and released at its end.
        EXPECT_EQ(topology.calls.loadModule, 1);
        EXPECT_EQ(topology.calls.freeModule, 1);
        EXPECT_EQ(list.DisplayConfigModule, nullptr);
    }
}

TEST_F(EnumerationFrom61, NumbersTwoThenOneLandInSlotsZeroAndTwo) {
    topology.Add(ActiveDisplay(2, kLeft, true));
    topology.Add(ActiveDisplay(1, kMiddle));
    // Path order follows the adapters; the key lists \\.\DISPLAY1's monitor first.
    MonitorEnumKey key({MonitorEnumKey::ValueFor(topology.displays()[1].targetId),
                        MonitorEnumKey::ValueFor(topology.displays()[0].targetId)});

    EXPECT_EQ(Build(), 1);
    EXPECT_EQ(list.Count, 1);
    EXPECT_EQ(Slot(0).DisplayNumber, 2u);
    EXPECT_EQ(Slot(0).left, kLeft.left);
    EXPECT_EQ(NameOf(0), L"Fake Monitor 2");
    EXPECT_TRUE(IsEmptySlot(Slot(1)));
    EXPECT_EQ(Slot(2).DisplayNumber, 1u);
    EXPECT_EQ(Slot(2).left, kMiddle.left);
    EXPECT_EQ(Slot(2).Ordinal, 2);
    EXPECT_EQ(NameOf(2), L"Fake Monitor 1");
    EXPECT_EQ(HighestDisplayNumber, 2u);
    EXPECT_EQ(LowestDisplayNumber, 1u);
}

TEST_F(EnumerationFrom61, EmptyFriendlyNameReadsVgaDisplay) {
    topology.Add(ActiveDisplay(1, kLeft, true)).monitorName.clear();
    topology.Add(ActiveDisplay(2, kMiddle)).monitorName = std::wstring(70, L'm');
    MonitorEnumKey key(MonitorEnumKey::ValuesFor(topology));
    Build();
    EXPECT_EQ(NameOf(0), L"VGA Display");
    EXPECT_EQ(NameOf(1), std::wstring(63, L'm'));
}

TEST_F(EnumerationFrom61, InactiveDeviceBetweenTakesNoNumber) {
    GapTopology(topology);
    MonitorEnumKey key(MonitorEnumKey::ValuesFor(topology));
    EXPECT_EQ(Build(), 2);
    EXPECT_EQ(Slot(0).DisplayNumber, 1u);
    // The slot follows the previous display's number: 1 + the inactive
    // device + this one gives slot 2.
    EXPECT_TRUE(IsEmptySlot(Slot(1)));
    EXPECT_EQ(Slot(2).DisplayNumber, 2u);
    EXPECT_EQ(NameOf(2), L"Fake Monitor 3");
}

TEST_F(EnumerationFrom61, UnlistedMonitorGetsTheMatchCountAndNoName) {
    topology.Add(ActiveDisplay(1, kLeft, true));
    topology.Add(ActiveDisplay(2, kMiddle));
    MonitorEnumKey key({MonitorEnumKey::ValueFor(topology.displays()[1].targetId)}, 2);
    EXPECT_EQ(Build(), 1);  // the last display's number
    EXPECT_EQ(Slot(0).DisplayNumber, 1u);  // no match: the one value that matched elsewhere
    EXPECT_EQ(NameOf(0), L"");
    EXPECT_EQ(Slot(1).DisplayNumber, 1u);
    EXPECT_EQ(NameOf(1), L"Fake Monitor 2");
}

TEST_F(EnumerationFrom61, EachKeyValueCountsOnceAndInactivePathsAreNeverFound) {
    topology.Add(ActiveDisplay(1, kLeft, true));
    topology.Add(ActiveDisplay(2, kMiddle));
    const UINT32 t1 = topology.displays()[0].targetId;
    const UINT32 t2 = topology.displays()[1].targetId;
    // \\.\DISPLAY1 drives a second, inactive target and shows its first path twice.
    topology.SetPaths({
        {L"\\\\.\\DISPLAY1", 0, 0x2000, 0, L"Old Monitor"},
        {L"\\\\.\\DISPLAY1", 0, t1, DISPLAYCONFIG_PATH_ACTIVE, L"Fake Monitor 1"},
        {L"\\\\.\\DISPLAY1", 0, 0x2000, 0, L"Old Monitor"},
        {L"\\\\.\\DISPLAY2", 1, t2, DISPLAYCONFIG_PATH_ACTIVE, L"Fake Monitor 2"},
    });
    MonitorEnumKey key({MonitorEnumKey::ValueFor(0x2000), MonitorEnumKey::ValueFor(t1), MonitorEnumKey::ValueFor(t2)},
                       4);
    EXPECT_EQ(Build(), 3);
    EXPECT_EQ(Slot(0).DisplayNumber, 2u);  // the inactive monitor ranks first
    EXPECT_EQ(NameOf(0), L"Fake Monitor 1");
    EXPECT_TRUE(IsEmptySlot(Slot(1)));
    EXPECT_EQ(Slot(2).DisplayNumber, 3u);  // not 4: the repeated path counts its value once
    EXPECT_EQ(NameOf(2), L"Fake Monitor 2");
}

TEST_F(EnumerationFrom61, KeyCountBoundsThePathsSearched) {
    topology.Add(ActiveDisplay(1, kLeft, true));
    topology.Add(ActiveDisplay(2, kMiddle));
    MonitorEnumKey key(MonitorEnumKey::ValuesFor(topology), 1);
    Build();
    EXPECT_EQ(Slot(0).DisplayNumber, 1u);
    EXPECT_EQ(NameOf(0), L"Fake Monitor 1");
    EXPECT_EQ(Slot(1).DisplayNumber, 1u);  // its path lies beyond "Count": never found
    EXPECT_EQ(NameOf(1), L"");
}

TEST_F(EnumerationFrom61, OnlyNonEmptyTextValuesCount) {
    topology.Add(ActiveDisplay(1, kLeft, true));
    topology.Add(ActiveDisplay(2, kMiddle));
    const std::wstring v2 = MonitorEnumKey::ValueFor(topology.displays()[1].targetId);
    const std::wstring v1 = MonitorEnumKey::ValueFor(topology.displays()[0].targetId);
    MonitorEnumKey key({L"", L"", v2}, 2);
    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, MonitorEnumKey::Path(), 0, KEY_WRITE, &raw), ERROR_SUCCESS);
    const DWORD number = 5;
    RegSetValueExW(raw, L"0", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    RegSetValueExW(raw, L"1", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(v1.c_str()),
                   static_cast<DWORD>((v1.size() + 1) * sizeof(wchar_t)));
    RegSetValueExW(raw, L"31", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(v1.c_str()),
                   static_cast<DWORD>((v1.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(raw);
    // Values: "0" a number, "1" an expandable text for display 1, "2" the
    // text for display 2, "31" a multi-string that would match display 1 again.
    Build();
    EXPECT_EQ(Slot(0).DisplayNumber, 1u);
    EXPECT_EQ(Slot(1).DisplayNumber, 2u);
    EXPECT_EQ(NameOf(1), L"Fake Monitor 2");
}

TEST_F(EnumerationFrom61, GetDisplayNumberAndNameNeedsTheEntryPointsAndTheKey) {
    topology.Add(ActiveDisplay(1, kLeft, true));
    topology.Add(ActiveDisplay(2, kMiddle));
    wchar_t name[kDisplayNameLength] = L"untouched";

    EXPECT_EQ(GetDisplayNumberAndName(L"\\\\.\\DISPLAY2", name), 0u);  // nothing loaded
    ASSERT_TRUE(LoadDisplayConfigApi());
    EXPECT_EQ(list.DisplayConfigModule, FakeTopology::FakeModule());
    EXPECT_EQ(GetDisplayNumberAndName(L"\\\\.\\DISPLAY2", name), 0u);  // no key
    EXPECT_STREQ(name, L"untouched");
    {
        MonitorEnumKey key(MonitorEnumKey::ValuesFor(topology));
        EXPECT_EQ(GetDisplayNumberAndName(L"\\\\.\\DISPLAY2", name), 2u);
        EXPECT_STREQ(name, L"Fake Monitor 2");
        wchar_t other[kDisplayNameLength] = L"kept";
        EXPECT_EQ(GetDisplayNumberAndName(L"\\\\.\\DISPLAY7", other), 2u);  // matches counted, not found
        EXPECT_STREQ(other, L"kept");

        // Released: the entry points of the freed module are not used again.
        ReleaseDisplayConfigApi(list);
        EXPECT_EQ(list.DisplayConfigModule, nullptr);
        EXPECT_EQ(topology.calls.freeModule, 1);
        const int queries = topology.calls.query;
        EXPECT_EQ(GetDisplayNumberAndName(L"\\\\.\\DISPLAY2", name), 0u);
        EXPECT_EQ(topology.calls.query, queries);
    }
}

TEST(GdiNumber, IsTheNumberAfterTheFirstY) {
    EXPECT_EQ(GdiNumberOfDeviceName(L"\\\\.\\DISPLAY3"), 3u);
    EXPECT_EQ(GdiNumberOfDeviceName(L"\\\\.\\DISPLAY12\\Monitor0"), 12u);
    EXPECT_EQ(GdiNumberOfDeviceName(L"\\\\.\\DISPLAYV1"), 0u);
    EXPECT_EQ(GdiNumberOfDeviceName(L"\\\\.\\display3"), 0u);
    EXPECT_EQ(GdiNumberOfDeviceName(L""), 0u);
    EXPECT_EQ(GdiNumberOfDeviceName(nullptr), 0u);
    EXPECT_EQ(GdiNumberOfDeviceName(L"Y99999999999999"), UINT32_MAX);
}

// ------------------------------------------ 6.1 fall-back to the old numbering

enum class Failure { NoKey, NoModule, NoBufferSizes, NoQuery, NoDeviceInfo, SizesFail, QueryFails, NoPaths };

class FallbackFrom61 : public DisplayModelTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(FallbackFrom61, DisplaysAreNumberedAsBefore61) {
    GapTopology(topology);
    std::optional<MonitorEnumKey> key;
    if (GetParam() != Failure::NoKey) key.emplace(MonitorEnumKey::ValuesFor(topology));
    switch (GetParam()) {
    case Failure::NoKey: break;
    case Failure::NoModule: topology.displayConfig.moduleLoads = false; break;
    case Failure::NoBufferSizes: topology.displayConfig.missingProc = "GetDisplayConfigBufferSizes"; break;
    case Failure::NoQuery: topology.displayConfig.missingProc = "QueryDisplayConfig"; break;
    case Failure::NoDeviceInfo: topology.displayConfig.missingProc = "DisplayConfigGetDeviceInfo"; break;
    case Failure::SizesFail: topology.displayConfig.bufferSizesResult = ERROR_ACCESS_DENIED; break;
    case Failure::QueryFails: topology.displayConfig.queryResult = ERROR_INSUFFICIENT_BUFFER; break;
    case Failure::NoPaths: topology.SetPaths({}); break;
    }

    EXPECT_EQ(Build(), 3);
    EXPECT_EQ(Slot(0).DisplayNumber, 1u);
    EXPECT_EQ(NameOf(0), L"Alpha Graphics 100");
    EXPECT_TRUE(IsEmptySlot(Slot(1)));
    EXPECT_EQ(Slot(2).DisplayNumber, 3u);
    EXPECT_EQ(NameOf(2), L"Beta Graphics 200");
    EXPECT_EQ(HighestDisplayNumber, 3u);
    EXPECT_EQ(LowestDisplayNumber, 1u);
    // Whatever was loaded is released again.
    EXPECT_EQ(topology.calls.freeModule, GetParam() == Failure::NoModule ? 0 : 1);
    EXPECT_EQ(list.DisplayConfigModule, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Failures, FallbackFrom61,
                         ::testing::Values(Failure::NoKey, Failure::NoModule, Failure::NoBufferSizes,
                                           Failure::NoQuery, Failure::NoDeviceInfo, Failure::SizesFail,
                                           Failure::QueryFails, Failure::NoPaths));

TEST_F(EnumerationFrom61, LookupStopsAtTheFirstMissingEntryPoint) {
    topology.displayConfig.missingProc = "QueryDisplayConfig";
    EXPECT_FALSE(LoadDisplayConfigApi());
    EXPECT_EQ(topology.calls.procs, (std::vector<std::string>{"GetDisplayConfigBufferSizes", "QueryDisplayConfig"}));
    EXPECT_EQ(list.DisplayConfigModule, FakeTopology::FakeModule());
    ReleaseDisplayConfigApi(list);

    topology.calls = {};
    topology.displayConfig.missingProc.clear();
    EXPECT_TRUE(LoadDisplayConfigApi());
    EXPECT_EQ(topology.calls.procs, (std::vector<std::string>{"GetDisplayConfigBufferSizes", "QueryDisplayConfig",
                                                              "DisplayConfigGetDeviceInfo"}));
    // A second lookup reuses the loaded module.
    EXPECT_TRUE(LoadDisplayConfigApi());
    EXPECT_EQ(topology.calls.loadModule, 1);
    ReleaseDisplayConfigApi(list);
    EXPECT_EQ(topology.calls.freeModule, 1);
}

}  // namespace
}  // namespace velk::test
