// The window base binds and unbinds its object and dispatches through the
// class's message table before the default processing.
#include "framework/message_table.h"
#include "framework/window.h"
#include "testing/harness.h"
#include <gtest/gtest.h>
#include <vector>

using namespace velk;

namespace {

constexpr UINT kPing = WM_APP + 1;
constexpr UINT kUnhandled = WM_APP + 2;

class TestWindow : public MessageMapped<TestWindow, CWnd> {
public:
    static std::span<const MessageEntry<TestWindow>> MessageTable() {
        static constexpr MessageEntry<TestWindow> table[] = {
            on(kPing, &TestWindow::OnPing),
            command(1018, &TestWindow::OnApply),
            command(1020, CBN_SELCHANGE, &TestWindow::OnSelChange),
            command_range(256, 279, &TestWindow::OnRange),
            notify(1006, TCN_SELCHANGE, &TestWindow::OnTab),
        };
        return table;
    }
    std::vector<std::wstring> log;
    bool destroyed = false;

private:
    LRESULT OnPing(WPARAM w, LPARAM) {
        log.push_back(L"ping");
        return static_cast<LRESULT>(w * 2);
    }
    void OnApply() { log.push_back(L"apply"); }
    void OnSelChange() { log.push_back(L"selchange"); }
    void OnRange(UINT id) { log.push_back(L"range" + std::to_wstring(id)); }
    LRESULT OnTab(NMHDR*) {
        log.push_back(L"tab");
        return 7;
    }
    void PostNcDestroy() override { destroyed = true; }
};

TEST(WindowBase, BindsDispatchesAndUnbinds) {
    ASSERT_TRUE(CWnd::RegisterWindowClass(L"VelkTestWindow"));
    TestWindow window;
    ASSERT_TRUE(window.CreateEx(0, L"VelkTestWindow", L"t", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr));
    HWND hwnd = window.GetSafeHwnd();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(CWnd::FromHandle(hwnd), &window);

    EXPECT_EQ(::SendMessageW(hwnd, kPing, 21, 0), 42);
    ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(1018, BN_CLICKED), 0);
    ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(1018, EN_CHANGE), 0);  // other code: not the click handler
    ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(1020, CBN_SELCHANGE), 0);
    ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(260, 0), 0);
    ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(280, 0), 0);  // outside the range
    NMHDR hdr{hwnd, 1006, static_cast<UINT>(TCN_SELCHANGE)};
    EXPECT_EQ(::SendMessageW(hwnd, WM_NOTIFY, 1006, reinterpret_cast<LPARAM>(&hdr)), 7);
    EXPECT_EQ(::SendMessageW(hwnd, kUnhandled, 0, 0), 0);  // default processing
    EXPECT_EQ(window.log, (std::vector<std::wstring>{L"ping", L"apply", L"selchange", L"range260", L"tab"}));

    ::DestroyWindow(hwnd);
    EXPECT_TRUE(window.destroyed);
    EXPECT_EQ(window.GetSafeHwnd(), nullptr);
    EXPECT_EQ(CWnd::FromHandle(hwnd), nullptr);
}

TEST(WindowBase, SubclassedControlKeepsItsOwnProcessing) {
    HWND edit = ::CreateWindowExW(0, L"EDIT", L"abc", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(edit, nullptr);
    TestWindow control;
    ASSERT_TRUE(control.SubclassWindow(edit));
    EXPECT_EQ(::SendMessageW(edit, kPing, 1, 0), 2);
    EXPECT_EQ(control.GetWindowText(), L"abc");  // WM_GETTEXT reaches the edit control
    ::DestroyWindow(edit);
    EXPECT_TRUE(control.destroyed);
    EXPECT_EQ(control.GetSafeHwnd(), nullptr);
}

TEST(Handles, OwnersReleaseAndMove) {
    UniqueBrush brush(::CreateSolidBrush(RGB(1, 2, 3)));
    HBRUSH raw = brush.get();
    ASSERT_NE(raw, nullptr);
    UniqueBrush moved(std::move(brush));
    EXPECT_FALSE(brush);
    EXPECT_EQ(moved.get(), raw);
    moved.reset();
    EXPECT_EQ(::GetObjectType(raw), 0u);  // deleted exactly once

    UniqueKey key;
    EXPECT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.put()), ERROR_SUCCESS);
    EXPECT_TRUE(key);
}

}  // namespace
