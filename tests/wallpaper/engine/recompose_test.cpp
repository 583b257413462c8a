// The recompose runs away from the user-interface thread: while three 4K
// displays are rendered and composed the window keeps answering, a newer
// request ends with its own settings on the desktop, and a page destroyed in
// the middle ends promptly and leaves the wallpaper it found.
#include "tests/wallpaper/engine/wallpaper_test_support.h"
#include "testing/support/pump.h"
#include "wallpaper/recompose_worker.h"
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace velk::test {
namespace {

using Clock = std::chrono::steady_clock;
double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

constexpr int kW = 3840, kH = 2160;

struct RecomposeTest : WallpaperTest {
    void SetUp() override {
        WallpaperTest::SetUp();
        CheckUseWallpaper(true);
        page->UseOsWallpaper = 0;
        for (int i = 0; i < 3; ++i) SetDisplay(i, static_cast<uint32_t>(i + 1), {kW * i, 0, kW * (i + 1), kH});
        ASSERT_TRUE(WriteSolidPicture(scratch + L"red.jpg", 64, 36, kTopLeft, true));
        ASSERT_TRUE(WriteSolidPicture(scratch + L"green.jpg", 64, 36, kTopRight, true));
        Choose(L"red.jpg");
    }
    void Choose(const wchar_t* name) {
        for (int i = 0; i < 3; ++i) {
            ::wcscpy(page->WallpaperRecords[i].PicturePath, (scratch + name).c_str());
            page->WallpaperRecords[i].Style = kWallpaperStretch;
        }
    }
    // What the main dialog's wallpaper apply asks of the page; answers how
    // long the calls kept this thread.
    double Apply() {
        const Clock::time_point start = Clock::now();
        page->CommitWallpaperEdits();
        page->RefreshWallpaperPage(3);
        page->SaveWallpaperSettings();
        EXPECT_TRUE(page->ComposeDesktopWallpaper());
        return SecondsSince(start);
    }
    std::wstring Composite() const { return Folder() + kCompositeFileName; }
    // The recompose thread has written its first display's picture (this
    // thread's window answering meanwhile).
    static bool RecomposeUnderWay() {
        return PumpUntil([] { return ::GetFileAttributesW(RenderedFile(0).c_str()) != INVALID_FILE_ATTRIBUTES; }, 30000);
    }
};

TEST_F(RecomposeTest, TheWindowKeepsAnsweringAndTheLastSettingsWin) {
    // Kept by the pinger, read here: atomic. An early return stops and joins it.
    std::atomic<double> longest{0};
    std::jthread pinger([&](std::stop_token stop) {
        while (!stop.stop_requested()) {
            const Clock::time_point start = Clock::now();
            DWORD_PTR answer = 0;
            ::SendMessageTimeoutW(parent, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer);
            longest = std::max(longest.load(), SecondsSince(start));
            ::Sleep(20);
        }
    });
    EXPECT_LT(Apply(), 1.0);
    ASSERT_TRUE(page->IsRecomposePending());
    ASSERT_TRUE(RecomposeUnderWay());
    // A second Apply in the middle of the first: green everywhere in the end.
    Choose(L"green.jpg");
    EXPECT_LT(Apply(), 1.0);
    Settle();
    pinger.request_stop();
    pinger.join();
    EXPECT_LT(longest.load(), 1.0) << "the window did not answer for " << longest.load() << " s";
    EXPECT_EQ(SystemWallpaper(), Composite());
    const DecodedPicture desktop(Composite());
    ASSERT_EQ(desktop.Width(), 3 * kW);
    ASSERT_EQ(desktop.Height(), kH);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(desktop.Near(kW * i + kW / 2, kH / 2, kTopRight)) << "display " << i;
    EXPECT_EQ(::GetFileAttributesW(RecomposeWorker::PartialComposite(Folder()).c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(RecomposeTest, AReloadKeepsTheBoxOnWhileTheCompositeIsOnItsWayAndRendersDroppedChangesAgain) {
    // The settings window's Cancel reloads the page right after an Apply.
    page->InitWallpaperPage(3);
    CheckUseWallpaper(true);
    page->UseOsWallpaper = 0;  // as the recompose test of Apply leaves it
    Apply();
    page->LoadWallpaperSettings();
    EXPECT_EQ(::IsDlgButtonChecked(page->GetSafeHwnd(), 1011), BST_CHECKED);
    Settle();
    EXPECT_EQ(SystemWallpaper(), Composite());
    // A display's picture rendered for a change then dropped is rendered
    // again as applied.
    ::wcscpy(page->WallpaperRecords[1].PicturePath, (scratch + L"green.jpg").c_str());
    page->RecomposeDisplayPreview(1);
    Settle();
    EXPECT_TRUE(DecodedPicture(RenderedFile(1)).Near(kW / 2, kH / 2, kTopRight));
    page->LoadWallpaperSettings();
    EXPECT_EQ(::IsDlgButtonChecked(page->GetSafeHwnd(), 1011), BST_CHECKED);
    Settle();
    EXPECT_TRUE(DecodedPicture(RenderedFile(1)).Near(kW / 2, kH / 2, kTopLeft));
}

TEST_F(RecomposeTest, DestroyedInTheMiddleItEndsPromptlyAndKeepsTheWallpaper) {
    const std::wstring user = scratch + L"user.png";
    ASSERT_TRUE(WriteSolidPicture(user, 64, 48, kBack, false));
    ASSERT_TRUE(SetSystemWallpaper(user));
    const std::vector<DWORD> before = ThreadsOfThisProcess();
    Apply();
    ASSERT_TRUE(RecomposeUnderWay());
    ASSERT_TRUE(page->IsRecomposePending());
    const Clock::time_point start = Clock::now();
    ::DestroyWindow(page->GetSafeHwnd());
    EXPECT_LT(SecondsSince(start), 2.0);
    EXPECT_EQ(SystemWallpaper(), user);
    EXPECT_EQ(::GetFileAttributesW(Composite().c_str()), INVALID_FILE_ATTRIBUTES) << "no composite put in place";
    page.reset();
    // A thread left in its last encoding ends with nothing put in place.
    EXPECT_TRUE(WaitForThreadsToEnd(before, 30000)) << "the recompose thread did not end";
    EXPECT_EQ(SystemWallpaper(), user);
    EXPECT_EQ(::GetFileAttributesW(Composite().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(::GetFileAttributesW(RecomposeWorker::PartialComposite(Folder()).c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace velk::test
