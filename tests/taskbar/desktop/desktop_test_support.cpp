#include "tests/taskbar/desktop/desktop_test_support.h"

#include "display/program_messages.h"
#include "resources/resource.h"
#include "testing/desktopsim/desktop_sim_protocol.h"
#include "testing/support/pump.h"
#include <commctrl.h>

namespace velk::test {

DesktopSim::DesktopSim(const std::vector<std::wstring>& icons, const std::wstring& options, const wchar_t* topClass) {
    std::wstring args = L"--class=" + std::wstring(topClass) + L" " + options;
    for (const std::wstring& text : icons) args += L" \"" + text + L"\"";
    process_ = ChildProcess::Start(L"desktop_sim.exe", args);
    EXPECT_TRUE(process_.Started()) << "desktop_sim did not start: " << process_.StartError();
    if (process_.Started()) top_ = WaitForWindow(topClass, L"Program Manager", 15000, process_.Id());
    EXPECT_TRUE(top_ && SendWithin(top_, desktop_sim::kReady, 0, 0) == 1) << "desktop_sim is not ready";
}

DesktopSim::~DesktopSim() {
    if (!process_.Started()) return;
    if (top_) ::PostMessageW(top_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(process_.Wait(15000)) << "desktop_sim did not end";
    EXPECT_EQ(process_.ExitCode(), 0u);
}

HWND DesktopSim::List() const noexcept {
    return ::FindWindowExW(::FindWindowExW(top_, nullptr, L"SHELLDLL_DefView", nullptr), nullptr, L"SysListView32",
                           nullptr);
}

POINT DesktopSim::Position(int index) const noexcept {
    const LRESULT r = SendWithin(top_, desktop_sim::kGetPosition, static_cast<WPARAM>(index), 0);
    return r == -1 ? POINT{-1, -1} : POINT{static_cast<short>(LOWORD(r)), static_cast<short>(HIWORD(r))};
}

bool DesktopSim::Move(int index, POINT to) const noexcept {
    return SendWithin(top_, desktop_sim::kSetPosition, static_cast<WPARAM>(index), MAKELPARAM(to.x, to.y)) != 0;
}

int DesktopSim::Add(const std::wstring& text) const noexcept {
    COPYDATASTRUCT data{desktop_sim::kAddIcon, static_cast<DWORD>(text.size() * sizeof(wchar_t)),
                        const_cast<wchar_t*>(text.data())};
    return static_cast<int>(SendWithin(top_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)));
}

void DesktopSim::ShrinkAfterReads(int reads, int keep) const noexcept {
    SendWithin(top_, desktop_sim::kShrinkAfterReads, static_cast<WPARAM>(reads), keep);
}

int DesktopSim::TakeSetPositionCount() const noexcept {
    return static_cast<int>(SendWithin(top_, desktop_sim::kTakeSetPositionCount, 0, 0));
}

void DesktopSim::StallAfterReads(int reads, DWORD ms) const noexcept {
    ::SendMessageW(top_, desktop_sim::kStallAfterReads, static_cast<WPARAM>(reads), static_cast<LPARAM>(ms));
}

bool DesktopSim::StallNow(DWORD ms) const noexcept {
    if (!::PostMessageW(top_, desktop_sim::kStallNow, ms, 0)) return false;
    // Begun once a short check no longer gets through.
    for (const DWORD start = ::GetTickCount(); ::GetTickCount() - start < 5000;) {
        DWORD_PTR answer = 0;
        if (!::SendMessageTimeoutW(top_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 20, &answer)) return true;
        ::Sleep(10);
    }
    return false;
}

int DesktopSim::TakeStallCount() const noexcept {
    return static_cast<int>(::SendMessageW(top_, desktop_sim::kTakeStallCount, 0, 0));
}

int DesktopSim::CommittedRegions() const noexcept {
    int regions = 0;
    MEMORY_BASIC_INFORMATION info{};
    for (const char* at = nullptr; ::VirtualQueryEx(process_.Handle(), at, &info, sizeof(info)) == sizeof(info);) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) ++regions;
        const char* next = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
        if (next <= at) break;
        at = next;
    }
    return regions;
}

HostDialog::HostDialog() : CDialog(IDD_ABOUTBOX) {}

LRESULT HostDialog::WindowProc(UINT msg, WPARAM w, LPARAM l) {
    if (msg == UM_PAGECHANGED && w == 0 && l == 1) ++pageChanged;
    return CDialog::WindowProc(msg, w, l);
}

PageHost::PageHost() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    app.SetRegistryKey(L"VELK-Panomira");
    ResetProfile();
    page.SetHost(&host);
    EXPECT_TRUE(host.Create(nullptr)) << "host dialog: " << ::GetLastError();
}

void PageHost::Create() {
    if (page.GetSafeHwnd()) ::DestroyWindow(page.GetSafeHwnd());
    ASSERT_TRUE(page.Create(host.GetSafeHwnd())) << "page: " << ::GetLastError();
}

PageHost::~PageHost() {
    if (page.GetSafeHwnd()) ::DestroyWindow(page.GetSafeHwnd());
    if (host.GetSafeHwnd()) ::DestroyWindow(host.GetSafeHwnd());
    ResetProfile();
}

::testing::AssertionResult Same(POINT a, POINT b) {
    if (a.x == b.x && a.y == b.y) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ") is not (" << b.x << ", " << b.y << ")";
}

std::optional<int> FinishIconJob(CAppSettingProp& page, DWORD limitMs) {
    if (!PumpUntil([&] { return !page.IconJobRunning(); }, limitMs)) {
        ADD_FAILURE() << "the icon task did not end";
        return std::nullopt;
    }
    return page.IconJobResult();
}

std::optional<int> RunIconJob(CAppSettingProp& page, IconTask task) {
    EXPECT_TRUE(page.StartIconJob(std::move(task)));
    return FinishIconJob(page);
}

}  // namespace velk::test
