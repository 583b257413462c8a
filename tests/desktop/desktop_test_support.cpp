#include "tests/desktop/desktop_test_support.h"

#include "display/program_messages.h"
#include "resources/resource.h"
#include "testing/desktopsim/desktop_sim_protocol.h"
#include <commctrl.h>

namespace velk::test {

DesktopSim::DesktopSim(const std::vector<std::wstring>& icons, const std::wstring& options, const wchar_t* topClass) {
    std::wstring args = L"--class=" + std::wstring(topClass) + L" " + options + L" \"--icons=";
    for (size_t i = 0; i < icons.size(); ++i) args += (i ? L"|" : L"") + icons[i];
    args += L"\"";
    process_ = ChildProcess::Start(L"desktop_sim.exe", args);
    EXPECT_TRUE(process_.Started()) << "desktop_sim did not start: " << process_.StartError();
    if (!process_.Started()) return;
    top_ = WaitForWindow(topClass, L"Program Manager", 15000, process_.Id());
    EXPECT_NE(top_, nullptr) << "desktop_sim showed no desktop";
    if (top_) {
        EXPECT_EQ(::SendMessageW(top_, desktop_sim::kReady, 0, 0), 1);
    }
}

DesktopSim::~DesktopSim() {
    if (!process_.Started()) return;
    if (top_) ::PostMessageW(top_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(process_.Wait(15000)) << "desktop_sim did not end";
    EXPECT_EQ(process_.ExitCode(), 0u);
}

HWND DesktopSim::List() const noexcept {
    HWND view = top_ ? ::FindWindowExW(top_, nullptr, L"SHELLDLL_DefView", nullptr) : nullptr;
    return view ? ::FindWindowExW(view, nullptr, L"SysListView32", nullptr) : nullptr;
}

POINT DesktopSim::Position(int index) const noexcept {
    const LRESULT r = ::SendMessageW(top_, desktop_sim::kGetPosition, static_cast<WPARAM>(index), 0);
    if (r == -1) return POINT{-1, -1};
    return POINT{static_cast<short>(LOWORD(r)), static_cast<short>(HIWORD(r))};
}

bool DesktopSim::Move(int index, POINT to) const noexcept {
    return ::SendMessageW(top_, desktop_sim::kSetPosition, static_cast<WPARAM>(index), MAKELPARAM(to.x, to.y)) != 0;
}

int DesktopSim::Add(const std::wstring& text) const noexcept {
    COPYDATASTRUCT data{desktop_sim::kAddIcon, static_cast<DWORD>(text.size() * sizeof(wchar_t)),
                        const_cast<wchar_t*>(text.data())};
    return static_cast<int>(::SendMessageW(top_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)));
}

void DesktopSim::ShrinkAfterReads(int reads, int keep) const noexcept {
    ::SendMessageW(top_, desktop_sim::kShrinkAfterReads, static_cast<WPARAM>(reads), keep);
}

int DesktopSim::CommittedRegions() const noexcept {
    int regions = 0;
    MEMORY_BASIC_INFORMATION info{};
    const char* address = nullptr;
    while (::VirtualQueryEx(process_.Handle(), address, &info, sizeof(info)) == sizeof(info)) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) ++regions;
        const char* next = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
        if (next <= address) break;
        address = next;
    }
    return regions;
}

HostDialog::HostDialog() : CDialog(IDD_ABOUTBOX) {}

LRESULT HostDialog::WindowProc(UINT msg, WPARAM w, LPARAM l) {
    if (msg == UM_PAGECHANGED && w == 0 && l == 1) ++pageChanged;
    return CDialog::WindowProc(msg, w, l);
}

void PageTest::SetUp() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    app.SetRegistryKey(L"VELK-Panomira");
    ResetProfile();
    ASSERT_TRUE(host.Create(nullptr)) << "host dialog: " << ::GetLastError();
}

void PageTest::CreatePage() {
    ASSERT_TRUE(page.Create(host.GetSafeHwnd())) << "page: " << ::GetLastError();
}

void PageTest::TearDown() {
    if (page.GetSafeHwnd()) ::DestroyWindow(page.GetSafeHwnd());
    if (host.GetSafeHwnd()) ::DestroyWindow(host.GetSafeHwnd());
    ResetProfile();
}

void PageTest::Click(int id) {
    ::SendMessageW(Item(id), BM_CLICK, 0, 0);
}

}  // namespace velk::test
