// The frame windows: a frame belongs to its window and goes exactly once,
// however its creation ends; the text window follows its frame and reports
// its position changes to it.
#include "tests/display/overlay/overlay_test_support.h"

#include <tuple>

namespace velk::test {
namespace {

constexpr wchar_t kTestFrameClass[] = L"VelkOverlayTestFrame";

// A frame whose creation a test steers; counts its deletions.
class TestFrame : public MessageMapped<TestFrame, CFrameWindow> {
public:
    static std::span<const MessageEntry<TestFrame>> MessageTable() {
        static constexpr MessageEntry<TestFrame> table[] = {on(WM_CREATE, &TestFrame::OnCreate)};
        return table;
    }
    static inline int deletions = 0;
    bool refusePreCreate = false;
    bool failCreate = false;
    bool destroyInCreate = false;
    const wchar_t* replaceClass = nullptr;

protected:
    ~TestFrame() override { ++deletions; }
    bool PreCreateWindow(CREATESTRUCTW& cs) override {
        if (refusePreCreate || !CFrameWindow::PreCreateWindow(cs)) return false;
        if (replaceClass) cs.lpszClass = replaceClass;
        return true;
    }

private:
    LRESULT OnCreate(WPARAM w, LPARAM l) {
        if (CFrameWindow::OnCreate(w, l) == -1 || failCreate) return -1;
        if (destroyInCreate) ::DestroyWindow(hwnd_);
        return 0;
    }
};

// Creates a steered frame; answers Create's answer and the deletions it caused.
template <class Steer>
std::pair<bool, int> CreateSteered(Steer steer, const wchar_t* className = kTestFrameClass) {
    EXPECT_TRUE(CWnd::RegisterWindowClass(kTestFrameClass));
    auto* frame = new TestFrame;
    steer(*frame);
    const int before = TestFrame::deletions;
    bool created = frame->Create(className, L"steered", WS_POPUP, RECT{0, 0, 100, 100}, nullptr);
    return {created, TestFrame::deletions - before};
}

std::tuple<LONG, LONG, LONG, LONG> Corners(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
RECT WindowRect(HWND hwnd) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r;
}

TEST(OverlayFrame, BelongsToItsWindowAndGoesWithIt) {
    ASSERT_TRUE(CWnd::RegisterWindowClass(kTestFrameClass));
    auto* frame = new TestFrame;
    const int before = TestFrame::deletions;
    ASSERT_TRUE(frame->Create(kTestFrameClass, L"frame", WS_POPUP, RECT{10, 20, 110, 220}, nullptr));
    HWND hwnd = frame->GetSafeHwnd();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(CWnd::FromHandle(hwnd), frame);
    EXPECT_EQ(Corners(WindowRect(hwnd)), Corners(RECT{10, 20, 110, 220}));
    EXPECT_EQ(TestFrame::deletions, before);
    ::DestroyWindow(hwnd);
    EXPECT_EQ(TestFrame::deletions, before + 1);
    EXPECT_EQ(CWnd::FromHandle(hwnd), nullptr);

    // Without a class the default frame class is taken.
    frame = new TestFrame;
    ASSERT_TRUE(frame->Create(nullptr, L"default", WS_POPUP, RECT{0, 0, 50, 50}, nullptr));
    wchar_t name[64] = {};
    ::GetClassNameW(frame->GetSafeHwnd(), name, 64);
    EXPECT_EQ(std::wstring(name), CFrameWindow::kDefaultClassName);
    ::DestroyWindow(frame->GetSafeHwnd());
}

TEST(OverlayFrame, EveryFailedCreationDeletesTheFrameOnce) {
    EXPECT_EQ(CreateSteered([](TestFrame& f) { f.failCreate = true; }), std::make_pair(false, 1));
    EXPECT_EQ(CreateSteered([](TestFrame& f) { f.destroyInCreate = true; }), std::make_pair(false, 1));
    EXPECT_EQ(CreateSteered([](TestFrame& f) { f.refusePreCreate = true; }), std::make_pair(false, 1));
    EXPECT_EQ(CreateSteered([](TestFrame&) {}, L"VelkNoSuchClass"), std::make_pair(false, 1));
    // A class of someone else's never binds the frame: its window goes too.
    EXPECT_EQ(CreateSteered([](TestFrame& f) { f.replaceClass = L"STATIC"; }), std::make_pair(false, 1));
    EXPECT_EQ(::FindWindowW(L"STATIC", L"steered"), nullptr);
    EXPECT_EQ(::FindWindowW(kTestFrameClass, L"steered"), nullptr);
}

TEST(OverlayFrame, TextWindowFollowsItsFrame) {
    auto* frame = new CMainFrame;
    ASSERT_TRUE(frame->Create(L"Frame", L"Frame", WS_POPUP, RECT{0, 0, 300, 200}, nullptr));
    HWND hwnd = frame->GetSafeHwnd();
    CTextFrame* text = frame->GetTextFrame();
    ASSERT_NE(text, nullptr);
    HWND textHwnd = text->GetSafeHwnd();

    ::SetWindowPos(hwnd, nullptr, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(Corners(WindowRect(textHwnd)), Corners(RECT{50, 60, 350, 260}));
    ::SetWindowPos(hwnd, nullptr, 0, 0, 640, 480, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(Corners(WindowRect(textHwnd)), Corners(RECT{50, 60, 690, 540}));

    ::DestroyWindow(hwnd);
    EXPECT_FALSE(::IsWindow(textHwnd));
    EXPECT_EQ(CWnd::FromHandle(textHwnd), nullptr);
}

TEST(OverlayFrame, FrameOutlivingItsTextWindowNoLongerUsesIt) {
    const long allocations = LiveAllocations();
    auto* frame = new CMainFrame;
    ASSERT_TRUE(frame->Create(L"Frame", L"Frame", WS_POPUP, RECT{0, 0, 300, 200}, nullptr));
    HWND hwnd = frame->GetSafeHwnd();
    ASSERT_NE(frame->GetTextFrame(), nullptr);
    ::DestroyWindow(frame->GetTextFrame()->GetSafeHwnd());

    EXPECT_EQ(frame->GetTextFrame(), nullptr);
    // Moving and sizing the frame would move the text window: it must not touch the deleted object.
    ::SetWindowPos(hwnd, nullptr, 5, 5, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(Corners(WindowRect(hwnd)), Corners(RECT{5, 5, 405, 305}));
    ::DestroyWindow(hwnd);
    EXPECT_EQ(LiveAllocations(), allocations);
}

TEST(OverlayFrame, TextWindowReportsItsPositionChangesToItsOwner) {
    TestOwnerWindow owner;
    auto* text = new CTextFrame;
    ASSERT_TRUE(text->Create(nullptr, L"Text", 0, RECT{0, 0, 200, 100}, owner.hwnd()));
    HWND textHwnd = text->GetSafeHwnd();
    const RECT ownerRect = WindowRect(owner.hwnd());
    owner.positionChanges.clear();

    ::SetWindowPos(textHwnd, nullptr, 30, 40, 220, 120, SWP_NOZORDER | SWP_NOACTIVATE);

    // The owner saw the change as its own; the text window moved, the owner did not.
    EXPECT_EQ(owner.positionChanges, (std::vector<HWND>{owner.hwnd()}));
    EXPECT_EQ(Corners(WindowRect(textHwnd)), Corners(RECT{30, 40, 250, 160}));
    EXPECT_EQ(Corners(WindowRect(owner.hwnd())), Corners(ownerRect));
    ::DestroyWindow(textHwnd);

    // Without an owner it only moves, and paints like any other.
    text = new CTextFrame;
    ASSERT_TRUE(text->Create(nullptr, L"Text", 0, RECT{0, 0, 200, 100}, nullptr));
    textHwnd = text->GetSafeHwnd();
    ::SetWindowPos(textHwnd, nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(Corners(WindowRect(textHwnd)), Corners(RECT{30, 40, 230, 140}));
    EXPECT_TRUE(text->PaintDisplayNumber(5, RECT{}));
    ::DestroyWindow(textHwnd);
}

}  // namespace
}  // namespace velk::test
