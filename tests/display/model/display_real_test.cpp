// The build against Wine's own display, without fakes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/display_list.h"
#include "display/display_lookup.h"
#include "testing/support/fake_topology.h"

namespace velk::test {
namespace {

class RealDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        MonitorEnumKey::Delete();
        AddOnDisplaysSeen = 0;
        SetCurrentDisplayList(&list);
    }
    void TearDown() override {
        SetCurrentDisplayList(nullptr);
        MonitorEnumKey::Delete();
    }

    void ExpectPrimaryDisplayOne() {
        int32_t count = 0;
        uint32_t highest = 0;
        ASSERT_GE(BuildDisplayList(&highest, &count), 1);
        const DisplayRecord& first = list.Records[0];
        EXPECT_EQ(first.DisplayNumber, 1u);
        EXPECT_EQ(first.SystemsDispNumber, 1u);
        EXPECT_EQ(first.Primary, 1);
        EXPECT_EQ(first.Ordinal, 1);
        EXPECT_GE(highest, 1u);
        EXPECT_EQ(LowestDisplayNumber, 1u);

        const HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
        MONITORINFO info{};
        info.cbSize = sizeof(info);
        ASSERT_TRUE(GetMonitorInfoW(primary, &info));
        EXPECT_EQ(first.Monitor, primary);
        EXPECT_EQ(first.left, info.rcMonitor.left);
        EXPECT_EQ(first.top, info.rcMonitor.top);
        EXPECT_EQ(first.right, info.rcMonitor.right);
        EXPECT_EQ(first.bottom, info.rcMonitor.bottom);
        EXPECT_EQ(first.Width, GetSystemMetrics(SM_CXSCREEN));
        EXPECT_EQ(first.Height, GetSystemMetrics(SM_CYSCREEN));
        EXPECT_EQ(list.DisplayConfigModule, nullptr);

        EXPECT_EQ(GetSystemNumberFromPoint(POINT{first.left + 10, first.top + 10}), 1u);
        EXPECT_EQ(GetSystemNumberFromWindow(GetDesktopWindow()), 1u);
        RECT r{};
        ASSERT_TRUE(GetDisplayRect(1, r));
        EXPECT_EQ(r.right, info.rcMonitor.right);
    }

    DisplayList list{};
};

TEST_F(RealDisplay, WithoutMonitorKeyTheDisplayIsNumberOneAndNamedByItsAdapter) {
    ExpectPrimaryDisplayOne();
    DISPLAY_DEVICEW device{};
    device.cb = sizeof(device);
    ASSERT_TRUE(EnumDisplayDevicesW(nullptr, 0, &device, 0));
    EXPECT_EQ(std::wstring(list.Records[0].Name), std::wstring(device.DeviceString).substr(0, 62));
}

// With the key listing Wine's real monitor, the display configuration itself
// numbers and names it.
TEST_F(RealDisplay, WithMonitorKeyTheDisplayConfigurationNamesIt) {
    UINT32 pathCount = 0;
    UINT32 modeCount = 0;
    ASSERT_EQ(GetDisplayConfigBufferSizes(QDC_ONLY_ACTIVE_PATHS, &pathCount, &modeCount), ERROR_SUCCESS);
    std::vector<DISPLAYCONFIG_PATH_INFO> paths(pathCount);
    std::vector<DISPLAYCONFIG_MODE_INFO> modes(modeCount);
    ASSERT_EQ(QueryDisplayConfig(QDC_ONLY_ACTIVE_PATHS, &pathCount, paths.data(), &modeCount, modes.data(), nullptr),
              ERROR_SUCCESS);
    ASSERT_GE(pathCount, 1u);
    DISPLAYCONFIG_TARGET_DEVICE_NAME target{};
    target.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_TARGET_NAME;
    target.header.size = sizeof(target);
    target.header.adapterId = paths[0].targetInfo.adapterId;
    target.header.id = paths[0].targetInfo.id;
    ASSERT_EQ(DisplayConfigGetDeviceInfo(&target.header), ERROR_SUCCESS);
    const std::wstring expected = target.monitorFriendlyDeviceName[0] ? target.monitorFriendlyDeviceName : L"VGA Display";

    MonitorEnumKey key({MonitorEnumKey::ValueFor(paths[0].targetInfo.id)});
    ExpectPrimaryDisplayOne();
    EXPECT_EQ(std::wstring(list.Records[0].Name), expected);
}

}  // namespace
}  // namespace velk::test
