#include "app/addon_poll.h"
#include "display/addon_api.h"
#include <cwchar>
#include <string>

void AddOnSettling::Start() noexcept {
    running_ = true;
    taken_ = 0;
    previous_ = 0;
}

bool AddOnSettling::TakeSample(const std::function<int()>& sample, int* settled) {
    if (!running_) return false;
    const int current = sample ? sample() : previous_;
    ++taken_;
    if (current == previous_ || taken_ >= kAddOnSettleSamples) {
        running_ = false;
        *settled = current == previous_ ? current : 0;
        return true;
    }
    previous_ = current;
    return false;
}

bool IsAddOnDisplayReady(int index) {
    const dlDisplayHandle display = dlGetNivoDisplay(index);
    if (!display) return false;
    int32_t state = -1;
    dlGetExecutionState(display, dlDisplayScope, &state);
    return state == dlExecutionStateActive;
}

AddOnPollResult FinishAddOnPollTick(const AddOnPollOps& ops, int settled, int32_t& ticks) {
    AddOnPollResult result;
    const auto kill = [&] {
        if (ops.killTimer) ops.killTimer();
        result.timerKilled = true;
    };
    result.settled = settled;
    if (result.settled > 0) {
        for (int index = 0; index < result.settled; ++index)
            if (ops.isReady && ops.isReady(index)) ++result.ready;
        if (result.ready == result.settled) {
            kill();
        } else {
            const int displayCount = ops.rebuild ? ops.rebuild() : 0;
            if (displayCount > result.settled) {
                kill();
                if (ops.relayout) ops.relayout();
                result.relaidOut = true;
            }
        }
    }
    if (++ticks >= kAddOnPollTickLimit && !result.timerKilled) kill();
    return result;
}

SettingChangeDecision DecideSettingChange(const SettingChangeInput& input) {
    SettingChangeDecision decision;
    if (!input.initialised || input.displayChangeRunning || input.applyRunning) return decision;
    decision.refreshNonClient = input.flags == SPI_SETNONCLIENTMETRICS;
    if (!input.section || !input.section[0] || !input.atLeastWindows51) return decision;

    std::wstring section = input.section;
    ::CharUpperBuffW(section.data(), static_cast<DWORD>(section.size()));
    if (section == L"SHELLSTATE") decision.action = SettingChangeAction::RestartAddOnPoll;
    else if (section == L"WINDOWS") decision.action = SettingChangeAction::StartReapply;
    else if (input.flags == kSettingFlagsApplyNow) decision.action = SettingChangeAction::ApplyNow;
    return decision;
}
