// The fixture shared by the display model's tests: a fresh display table as
// the current one, a fake topology behind the seam, a chosen Windows version,
// no monitor enumeration key, and the add-on state reset.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "display/display_list.h"
#include "testing/harness.h"
#include "testing/support/fake_topology.h"

namespace velk::test {

class DisplayModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        MonitorEnumKey::Delete();
        AddOnDisplaysSeen = 0;
        SetCurrentDisplayList(&list);
        UseWindows(6, 1);
    }
    void TearDown() override {
        SetCurrentDisplayList(nullptr);
        AddOnDisplaysSeen = 0;
        MonitorEnumKey::Delete();
    }

    void UseWindows(DWORD major, DWORD minor) { FakeWindowsVersion(major, minor); }

    // Runs the build; the table's count and HighestDisplayNumber go to
    // `count` and `highest`.
    int32_t Build() {
        count = -1;
        highest = 0xDEAD;
        return BuildDisplayList(&highest, &count);
    }

    const DisplayRecord& Slot(int i) const { return list.Records[i]; }
    std::wstring NameOf(int i) const { return list.Records[i].Name; }
    static bool IsEmptySlot(const DisplayRecord& r) {
        static const DisplayRecord zero{};
        return std::memcmp(&r, &zero, sizeof(r)) == 0;
    }

    PlatformOverride platform;  // first in, last out: restores the whole seam
    FakeTopology topology;
    DisplayList list{};
    int32_t count = -1;
    uint32_t highest = 0;
};

}  // namespace velk::test
