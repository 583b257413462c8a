// The two-display program (two_display_program.cpp) started as a process for
// a test: the stand-in notification area, a fresh profile, and a report
// window on the test's thread that collects the program's placements and
// passes every other message to the test's own handler.
#pragma once
#include "testing/harness.h"
#include "testing/support/tray_fixture.h"
#include "tests/app/systemmenu/placement_report.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <memory>
#include <vector>

namespace velk::test::road {

inline constexpr DWORD kRoadWaitMs = 20000;

// Handles what the report window gets besides placements; null: default.
using OtherReportHandler = LRESULT(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);

class ProgramRoad : public ::testing::Test {
protected:
    void SetUp() override;
    // Closes the program and checks that it ended cleanly.
    void TearDown() override;

    // The placements the program set so far, in order.
    static std::vector<PlacementReport>& Placements();
    // Pumps this thread until the program reported `count` placements.
    bool WaitForPlacements(size_t count) const;

    OtherReportHandler otherReports = nullptr;
    const wchar_t* programName = L"VelkmiraTwoDisplays.exe";  // set before SetUp
    std::unique_ptr<FakeTray> tray;
    HWND report = nullptr;
    ChildProcess program;
    HWND main = nullptr;

private:
    static LRESULT CALLBACK RoadReportProc(HWND hwnd, UINT message, WPARAM w, LPARAM l);
};

}  // namespace velk::test::road
