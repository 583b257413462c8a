// Asks another process which hotkeys are held: hotkey_holder.exe tries each
// (MOD_* flags, key) pair and gives it back at once.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <utility>
#include <vector>
#include "testing/harness.h"

namespace velk::test {

// Bit i is set when pair i is held by some program (as seen from a process
// of its own, so this process's registrations count too).
inline DWORD HeldElsewhere(const std::vector<std::pair<UINT, UINT>>& pairs) {
    std::wstring args = L"probe";
    for (const auto& [modifiers, key] : pairs) args += L" " + std::to_wstring(modifiers) + L" " + std::to_wstring(key);
    ChildProcess probe = ChildProcess::Start(L"hotkey_holder.exe", args);
    EXPECT_TRUE(probe.Started());
    EXPECT_TRUE(probe.Wait(20000));
    EXPECT_LT(probe.ExitCode(), 0x1000u);
    return probe.ExitCode();
}

}  // namespace velk::test
