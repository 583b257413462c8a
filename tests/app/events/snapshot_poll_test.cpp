// The display snapshot sections, the add-on poll's settling and stopping
// rules, and the reading of setting-change notifications, without the dialog.
#include "app/addon_poll.h"
#include "app/display_snapshot.h"
#include "app/velkmira_app.h"
#include "display/display_list.h"
#include "testing/harness.h"
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace velk::test;

namespace {

std::wstring Section(int slot) { return std::wstring(kProfileKey) + L"\\Monitor" + std::to_wstring(slot); }

// Reads the eleven values of a section in writing order; -1 marks a missing one.
std::vector<long long> SectionValues(int slot) {
    std::vector<long long> values;
    for (const wchar_t* name : kDisplaySnapshotValueNames) {
        auto v = GetDword(HKEY_CURRENT_USER, Section(slot), name);
        values.push_back(v ? static_cast<long long>(*v) : -1);
    }
    return values;
}

}  // namespace

// ---- The display snapshot.

TEST(DisplaySnapshot, WritesElevenValuesPerSlotInOrderAndZerosForEmptySlots) {
    theApp.SetRegistryKey(L"VELK-Panomira");
    ResetProfile();
    DisplayList list{};
    DisplayRecord& second = list.Records[3];
    second = DisplayRecord{};
    second.Width = 1280;
    second.Height = 1024;
    second.left = -1280;  // left of the primary display: negative coordinates
    second.right = 0;
    second.top = -256;
    second.bottom = 768;
    second.DisplayNumber = 2;
    second.SystemsDispNumber = 7;
    list.Records[0].DisplayNumber = 1;
    list.Records[0].Width = 1024;
    list.Records[0].Height = 768;
    list.Records[0].right = 1024;
    list.Records[0].bottom = 768;
    list.Records[0].SystemsDispNumber = 1;

    ASSERT_TRUE(WriteDisplaySnapshot(&list, theApp));

    EXPECT_EQ(SectionValues(0), (std::vector<long long>{0, 0, 1, 1, 0, 768, 1024, 0, 768, 0, 1024}));
    // Negative coordinates are stored as their 32-bit pattern.
    EXPECT_EQ(SectionValues(3),
              (std::vector<long long>{0, 0, 2, 7, 0, 1024, 1280, 0xFFFFFF00LL, 768, 0xFFFFFB00LL, 0}));
    for (int slot : {1, 2, 4, 5, 6, 7, 8, 9}) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(SectionValues(slot), std::vector<long long>(11, 0));
    }
    EXPECT_FALSE(GetDword(HKEY_CURRENT_USER, std::wstring(kProfileKey) + L"\\Monitor10", L"DisplayNumber"));
}

TEST(DisplaySnapshot, WithoutTableEverySlotIsWrittenEmptyOverOldValues) {
    theApp.SetRegistryKey(L"VELK-Panomira");
    ResetProfile();
    SetDword(HKEY_CURRENT_USER, Section(4), L"Width", 1920);
    SetDword(HKEY_CURRENT_USER, Section(4), L"Wallpaper", 5);  // another part's value stays
    ASSERT_TRUE(WriteDisplaySnapshot(nullptr, theApp));
    for (int slot = 0; slot < 10; ++slot) EXPECT_EQ(SectionValues(slot), std::vector<long long>(11, 0)) << slot;
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, Section(4), L"Wallpaper"), 5u);
}

// ---- Settling the add-on display count.

// Feeds samples until the sequence settles; answers the settled count and
// how many samples it took.
std::pair<int, int> Settle(const std::function<int()>& sample) {
    AddOnSettling settling;
    settling.Start();
    int settled = -1, taken = 0;
    bool ended = false;
    while (!ended && taken < 10) {
        ++taken;
        ended = settling.TakeSample(sample, &settled);
    }
    EXPECT_FALSE(settling.IsRunning());
    return {settled, taken};
}

TEST(AddOnSettle, FirstRepeatedSampleIsTheCountAndChangingCountsSettleOnZero) {
    std::vector<int> samples = {1, 2, 2, 9};
    size_t next = 0;
    EXPECT_EQ(Settle([&] { return samples[next++]; }), std::make_pair(2, 3));
    EXPECT_EQ(Settle([] { return 0; }), std::make_pair(0, 1)) << "the value before the first sample is 0";
    int calls = 0;
    EXPECT_EQ(Settle([&] { return ++calls; }), std::make_pair(0, 6));
    EXPECT_EQ(Settle(nullptr), std::make_pair(0, 1)) << "without add-on access";
}

TEST(AddOnSettle, SamplesOutsideASequenceAreIgnoredAndAStartBeginsAfresh) {
    AddOnSettling settling;
    int settled = -1;
    EXPECT_FALSE(settling.TakeSample([] { return 4; }, &settled));
    EXPECT_EQ(settled, -1);
    settling.Start();
    EXPECT_FALSE(settling.TakeSample([] { return 3; }, &settled));
    settling.Start();  // 0 before the first sample again
    EXPECT_FALSE(settling.TakeSample([] { return 3; }, &settled));
    EXPECT_TRUE(settling.TakeSample([] { return 3; }, &settled));
    EXPECT_EQ(settled, 3);
}

// ---- The end of a poll tick.

class AddOnPollTick : public ::testing::Test {
protected:
    AddOnPollOps Ops(std::vector<bool> ready, int tableCount) {
        AddOnPollOps ops;
        ops.isReady = [this, ready](int index) {
            asked.push_back(index);
            return index < static_cast<int>(ready.size()) && ready[index];
        };
        ops.rebuild = [this, tableCount] { return ++rebuilds, tableCount; };
        ops.killTimer = [this] { ++kills; };
        ops.relayout = [this] { ++relayouts; };
        return ops;
    }
    std::vector<int> asked;
    int rebuilds = 0, kills = 0, relayouts = 0;
    int32_t ticks = 0;
};

TEST_F(AddOnPollTick, AllSettledDisplaysReadyStopsThePoll) {
    AddOnPollResult r = FinishAddOnPollTick(Ops({true, true}, 3), 2, ticks);
    EXPECT_EQ(r.settled, 2);
    EXPECT_EQ(r.ready, 2);
    EXPECT_EQ(asked, (std::vector<int>{0, 1}));
    EXPECT_EQ(kills, 1);
    EXPECT_EQ(rebuilds, 0) << "ready displays need no rebuild";
    EXPECT_EQ(relayouts, 0);
    EXPECT_EQ(ticks, 1);
}

TEST_F(AddOnPollTick, MoreDisplaysInTheTableThanSettledReLaysOnce) {
    AddOnPollResult r = FinishAddOnPollTick(Ops({false}, 2), 1, ticks);
    EXPECT_EQ(r.ready, 0);
    EXPECT_EQ(rebuilds, 1);
    EXPECT_EQ(kills, 1);
    EXPECT_EQ(relayouts, 1);
    EXPECT_TRUE(r.relaidOut);
}

TEST_F(AddOnPollTick, NotAllReadyAndNoMoreDisplaysOnlyRebuilds) {
    FinishAddOnPollTick(Ops({true, false}, 2), 2, ticks);
    EXPECT_EQ(rebuilds, 1);
    EXPECT_EQ(kills, 0);
    EXPECT_EQ(relayouts, 0);
}

TEST_F(AddOnPollTick, UnsettledCountOnlyCountsTheTickUntilTheSixth) {
    AddOnPollOps ops = Ops({}, 5);
    for (int tick = 1; tick <= 5; ++tick) EXPECT_FALSE(FinishAddOnPollTick(ops, 0, ticks).timerKilled);
    EXPECT_TRUE(FinishAddOnPollTick(ops, 0, ticks).timerKilled);
    EXPECT_EQ(kills, 1);
    EXPECT_EQ(rebuilds + relayouts, 0);
    EXPECT_TRUE(asked.empty());
}

// ---- Setting changes.

namespace {
SettingChangeInput Input(UINT flags, const wchar_t* section) { return {true, false, false, true, flags, section}; }
}  // namespace

TEST(SettingChange, SectionIsComparedUpperCased) {
    for (const wchar_t* text : {L"shellstate", L"ShellState", L"SHELLSTATE"})
        EXPECT_EQ(DecideSettingChange(Input(0, text)).action, SettingChangeAction::RestartAddOnPoll) << text;
    for (const wchar_t* text : {L"Windows", L"windows", L"WINDOWS"})
        EXPECT_EQ(DecideSettingChange(Input(0, text)).action, SettingChangeAction::StartReapply) << text;
    EXPECT_EQ(DecideSettingChange(Input(0, L"Windowsx")).action, SettingChangeAction::None);
    EXPECT_EQ(DecideSettingChange(Input(0, L"Policy")).action, SettingChangeAction::None);
    // The named sections win over flags 24.
    EXPECT_EQ(DecideSettingChange(Input(24, L"windows")).action, SettingChangeAction::StartReapply);
}

TEST(SettingChange, Flags24WithAnotherSectionAppliesAtOnce) {
    EXPECT_EQ(DecideSettingChange(Input(24, L"Desktop")).action, SettingChangeAction::ApplyNow);
    EXPECT_EQ(DecideSettingChange(Input(20, L"Desktop")).action, SettingChangeAction::None);
    EXPECT_EQ(DecideSettingChange(Input(24, nullptr)).action, SettingChangeAction::None);
    EXPECT_EQ(DecideSettingChange(Input(24, L"")).action, SettingChangeAction::None);
}

TEST(SettingChange, NonClientMetricsRefreshAlsoWithoutSectionAndBefore51) {
    EXPECT_TRUE(DecideSettingChange(Input(0x2A, nullptr)).refreshNonClient);
    EXPECT_FALSE(DecideSettingChange(Input(24, L"Desktop")).refreshNonClient);
    SettingChangeInput old = Input(0x2A, L"WindowMetrics");
    old.atLeastWindows51 = false;
    SettingChangeDecision d = DecideSettingChange(old);
    EXPECT_TRUE(d.refreshNonClient);
    EXPECT_EQ(d.action, SettingChangeAction::None);
    old = Input(24, L"shellstate");
    old.atLeastWindows51 = false;
    EXPECT_EQ(DecideSettingChange(old).action, SettingChangeAction::None);
}

TEST(SettingChange, NothingBeforeStartUpEndedOrWithinAGuard) {
    for (int guard = 0; guard < 3; ++guard) {
        SettingChangeInput in = Input(0x2A, L"shellstate");
        if (guard == 0) in.initialised = false;
        if (guard == 1) in.displayChangeRunning = true;
        if (guard == 2) in.applyRunning = true;
        SettingChangeDecision d = DecideSettingChange(in);
        EXPECT_FALSE(d.refreshNonClient) << guard;
        EXPECT_EQ(d.action, SettingChangeAction::None) << guard;
    }
}
