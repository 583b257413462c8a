// The window base binds and unbinds its object and dispatches through the
// class's message table before the default processing; a handler's exception
// stops at the window procedure.
#include "framework/controls.h"
#include "framework/message_table.h"
#include "framework/window.h"
#include "testing/harness.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <stdexcept>
#include <utility>
#include <vector>

using namespace velk;

namespace {

constexpr UINT kPing = WM_APP + 1;
constexpr UINT kUnhandled = WM_APP + 2;
constexpr UINT kFail = WM_APP + 3;
constinit RegisteredMessage kShellStarted{L"VelkTestShellStarted"};

class TestWindow : public MessageMapped<TestWindow, CWnd> {
public:
    static std::span<const MessageEntry<TestWindow>> MessageTable() {
        static constexpr MessageEntry<TestWindow> table[] = {
            on(kPing, &TestWindow::OnPing),
            on(kShellStarted, &TestWindow::OnShellStarted),
            command(1018, &TestWindow::OnApply),
            command(1020, CBN_SELCHANGE, &TestWindow::OnSelChange),
            command_range(256, 279, &TestWindow::OnRange),
            notify(1006, TCN_SELCHANGE, &TestWindow::OnTab),
            on(kFail, &TestWindow::OnFail),
            on(WM_CREATE, &TestWindow::OnCreate),
        };
        return table;
    }
    std::vector<std::wstring> log;
    bool destroyed = false;
    bool failCreate = false;

private:
    LRESULT OnPing(WPARAM w, LPARAM) {
        log.push_back(L"ping");
        return static_cast<LRESULT>(w * 2);
    }
    LRESULT OnShellStarted(WPARAM, LPARAM) {
        log.push_back(L"registered");
        return 5;
    }
    void OnApply() { log.push_back(L"apply"); }
    void OnSelChange() { log.push_back(L"selchange"); }
    void OnRange(UINT id) { log.push_back(L"range" + std::to_wstring(id)); }
    LRESULT OnTab(NMHDR*) {
        log.push_back(L"tab");
        return 7;
    }
    LRESULT OnFail(WPARAM w, LPARAM) {
        if (w == 1) throw std::runtime_error("handler failed");
        throw 7;
    }
    LRESULT OnCreate(WPARAM, LPARAM) {
        if (failCreate) throw std::bad_alloc();
        return 0;
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
    EXPECT_EQ(::SendMessageW(hwnd, ::RegisterWindowMessageW(L"VelkTestShellStarted"), 0, 0), 5);
    ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(1018, BN_CLICKED), 0);
    ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(1018, EN_CHANGE), 0);  // other code: not the click handler
    ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(1020, CBN_SELCHANGE), 0);
    ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(260, 0), 0);
    ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(280, 0), 0);  // outside the range
    NMHDR hdr{hwnd, 1006, static_cast<UINT>(TCN_SELCHANGE)};
    EXPECT_EQ(::SendMessageW(hwnd, WM_NOTIFY, 1006, reinterpret_cast<LPARAM>(&hdr)), 7);
    EXPECT_EQ(::SendMessageW(hwnd, kUnhandled, 0, 0), 0);  // default processing
    EXPECT_EQ(window.log, (std::vector<std::wstring>{L"ping", L"registered", L"apply", L"selchange", L"range260", L"tab"}));

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

TEST(WindowBase, EachKindIsFoundThroughItsOwnBinding) {
    ASSERT_TRUE(CWnd::RegisterWindowClass(L"VelkTestWindow"));
    TestWindow window;
    ASSERT_TRUE(window.CreateEx(0, L"VelkTestWindow", L"t", WS_POPUP, 0, 0, 100, 100, nullptr));
    HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    TestWindow control;
    ASSERT_TRUE(control.SubclassWindow(edit));
    EXPECT_EQ(CWnd::FromHandle(window.GetSafeHwnd()), &window);
    EXPECT_EQ(CWnd::FromHandle(edit), &control);
    // A window already bound to an object of ours takes no second one.
    TestWindow second;
    EXPECT_FALSE(second.SubclassWindow(edit));
    EXPECT_FALSE(second.SubclassWindow(window.GetSafeHwnd()));
    EXPECT_EQ(CWnd::FromHandle(edit), &control);
    // Neither carries its object in a window property.
    auto notTheObject = [](HWND, LPWSTR, HANDLE data, ULONG_PTR object) WINAPI -> BOOL {
        return data != reinterpret_cast<HANDLE>(object);
    };
    EXPECT_TRUE(::EnumPropsExW(window.GetSafeHwnd(), notTheObject, reinterpret_cast<LPARAM>(&window)));
    EXPECT_TRUE(::EnumPropsExW(edit, notTheObject, reinterpret_cast<LPARAM>(&control)));
    // Windows of no object of ours.
    HWND plain = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(CWnd::FromHandle(plain), nullptr);
    EXPECT_EQ(CWnd::FromHandle(nullptr), nullptr);
    ::DestroyWindow(plain);
    ::DestroyWindow(edit);
    ::DestroyWindow(window.GetSafeHwnd());
}

TEST(WindowBase, HandlerFailureStopsAtTheWindowProcedure) {
    ASSERT_TRUE(CWnd::RegisterWindowClass(L"VelkTestWindow"));
    TestWindow window;
    ASSERT_TRUE(window.CreateEx(0, L"VelkTestWindow", L"t", WS_POPUP, 0, 0, 100, 100, nullptr));
    HWND hwnd = window.GetSafeHwnd();
    const struct {
        WPARAM kind;
        const char* kept;
    } cases[] = {{1, "handler failed"}, {2, "unknown exception"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kept);
        EXPECT_EQ(::SendMessageW(hwnd, kFail, c.kind, 0), 0);
        EXPECT_EQ(TakeHandlerFailure(), std::optional<std::string>(c.kept));
        EXPECT_EQ(::SendMessageW(hwnd, kPing, 4, 0), 8);  // the window goes on
    }
    // The first failure is kept until taken.
    ::SendMessageW(hwnd, kFail, 1, 0);
    ::SendMessageW(hwnd, kFail, 2, 0);
    EXPECT_EQ(TakeHandlerFailure(), std::optional<std::string>("handler failed"));
    EXPECT_EQ(TakeHandlerFailure(), std::nullopt);
    ::DestroyWindow(hwnd);

    // A failed WM_CREATE fails the creation; the object is still unbound.
    TestWindow failing;
    failing.failCreate = true;
    EXPECT_FALSE(failing.CreateEx(0, L"VelkTestWindow", L"t", WS_POPUP, 0, 0, 100, 100, nullptr));
    EXPECT_TRUE(failing.destroyed);
    EXPECT_EQ(failing.GetSafeHwnd(), nullptr);
    EXPECT_EQ(TakeHandlerFailure(), std::optional<std::string>("std::bad_alloc"));
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

// A held list is rebuilt without a repaint per row and repainted whole at the
// end; a hidden control is not shown by the hold's end (the default handling
// of the message would show it).
TEST(RedrawHold, HoldsAVisibleControlsRepaintsAndLeavesAHiddenOneHidden) {
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&classes);
    HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 300, 300, nullptr, nullptr,
                                    nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    for (const auto& [className, visible] : {std::pair{WC_LISTVIEWW, true}, std::pair{L"STATIC", false}}) {
        SCOPED_TRACE(visible ? "visible list" : "hidden static");
        HWND control = ::CreateWindowExW(0, className, L"", WS_CHILD | (visible ? LVS_REPORT | WS_VISIBLE : 0), 0,
                                         0, 300, 300, parent, nullptr, nullptr, nullptr);
        ASSERT_NE(control, nullptr);
        const velk::CListCtrl rows(control);
        if (visible) rows.InsertColumn(0, L"Key", 100);
        ::UpdateWindow(parent);
        ::ValidateRect(control, nullptr);
        {
            const velk::RedrawHold held(control);
            for (int i = 0; visible && i < 20; ++i) rows.InsertItem(i, L"row");
            EXPECT_FALSE(::GetUpdateRect(control, nullptr, FALSE)) << "a row was painted during the hold";
        }
        EXPECT_EQ((::GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0, visible);
        if (visible) EXPECT_TRUE(::GetUpdateRect(control, nullptr, FALSE)) << "not repainted at the end";
        ::DestroyWindow(control);
    }
    ::DestroyWindow(parent);
}

}  // namespace
