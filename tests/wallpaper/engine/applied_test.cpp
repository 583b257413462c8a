// What reaches the desktop is what was applied: a request that takes over a
// running composite keeps its layout and composes the applied pictures, a run
// that ends before its composite is applied has it made at the next start,
// and a composite that cannot take its name is reported, not applied.
#include "tests/wallpaper/engine/wallpaper_test_support.h"
#include "wallpaper/recompose_worker.h"
#include <functional>
#include <utility>

namespace velk::test {
namespace {

struct AppliedTest : WallpaperTest {
    void SetUp() override {
        ::RemoveDirectoryW((RenderingFolderPath() + kCompositeFileName).c_str());  // left by a cut-short run
        WallpaperTest::SetUp();
        const std::pair<const wchar_t*, COLORREF> pictures[] = {
            {L"red.jpg", kTopLeft}, {L"green.jpg", kTopRight}, {L"blue.jpg", kBottomLeft}};
        for (auto [name, color] : pictures) ASSERT_TRUE(WriteSolidPicture(scratch + name, 64, 36, color, true));
        page->OnDesktopApplyFailed = [this] { ++applyFailures; };
    }
    // A display's picture as the page's controls set it, not yet applied.
    void Show(int slot, const wchar_t* name) {
        ::wcscpy(page->WallpaperRecords[slot].PicturePath, (scratch + name).c_str());
        page->WallpaperRecords[slot].Style = kWallpaperStretch;
    }
    // The Apply button with "Use Wallpaper" on: the edits applied, saved and composed.
    void Apply(uint32_t highest) {
        CheckUseWallpaper(true);
        page->CommitWallpaperEdits();
        page->RefreshWallpaperPage(highest);
        ASSERT_TRUE(page->SaveWallpaperSettings());
        ASSERT_TRUE(page->ComposeDesktopWallpaper());
    }
    // The page of the next start, set up as the main dialog does.
    void Restart(int32_t highest) {
        ::DestroyWindow(page->GetSafeHwnd());
        page = std::make_unique<CWallpaperProp>();
        ASSERT_TRUE(page->Create(parent));
        page->OnDesktopApplyFailed = [this] { ++applyFailures; };
        page->InitWallpaperPage(highest);
    }
    UINT Pending() const { return app->GetProfileInt(kWallpaperSection, kRecomposePendingValue, 0); }
    std::wstring Composite() const { return Folder() + kCompositeFileName; }
    int applyFailures = 0;
};

TEST_F(AppliedTest, ATakeOverKeepsTheAppliedLayoutAndPictures) {
    // Big enough that the composite is still being made when the next request comes.
    constexpr int kW = 3840, kH = 2160;
    struct Case {
        const char* name;
        std::function<void(CWallpaperProp&)> next;  // a render-only request right after the Apply
    };
    const Case cases[] = {
        {"an edit previewed", [](CWallpaperProp& p) { p.RecomposeDisplayPreview(0); }},
        {"the window cancelled", [](CWallpaperProp& p) { p.ShowAppliedWallpaperSettings(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The primary, and a display left of it: on 6.1 the composite wraps,
        // the primary's picture at the canvas's left, the other's beside it.
        SetDisplay(0, 1, {0, 0, kW, kH});
        SetDisplay(1, 2, {-kW, 0, 0, kH});
        Show(0, L"red.jpg");
        Show(1, L"green.jpg");
        Apply(2);
        ASSERT_TRUE(page->IsRecomposePending());
        Show(0, L"blue.jpg");  // not applied
        c.next(*page);
        Settle();
        EXPECT_EQ(applyFailures, 0);
        EXPECT_EQ(SystemWallpaper(), Composite());
        const DecodedPicture desktop(Composite());
        ASSERT_EQ(desktop.Width(), 2 * kW);
        EXPECT_TRUE(desktop.Near(kW / 2, kH / 2, kTopLeft)) << "the primary's applied picture, wrapped layout";
        EXPECT_TRUE(desktop.Near(kW + kW / 2, kH / 2, kTopRight)) << "the left display wrapped to the right";
        // The preview shows what the controls show.
        const COLORREF shown = ::wcsstr(page->WallpaperRecords[0].PicturePath, L"blue") ? kBottomLeft : kTopLeft;
        EXPECT_TRUE(DecodedPicture(RenderedFile(0)).Near(kW / 2, kH / 2, shown));
        EXPECT_EQ(Pending(), 0u);
        EXPECT_EQ(::GetFileAttributesW(RecomposeWorker::PartialComposite(Folder()).c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

TEST_F(AppliedTest, AnEndBeforeTheCompositeIsAppliedHasItMadeAtTheNextStart) {
    SetDisplay(0, 1, {0, 0, 64, 48});
    SetDisplay(1, 2, {64, 0, 128, 48});
    SaveDisplaySnapshot();
    Show(0, L"red.jpg");
    Show(1, L"red.jpg");
    Apply(2);
    Settle();
    ASSERT_EQ(SystemWallpaper(), Composite());
    EXPECT_EQ(Pending(), 0u);
    page->IsWallpaperRecomposeNeeded();  // notes the desktop's state
    ASSERT_EQ(page->IsWallpaperRecomposeNeeded(), 0);

    // Green applied and saved; the program ends before its answer is handled.
    Show(0, L"green.jpg");
    Show(1, L"green.jpg");
    Apply(2);
    EXPECT_EQ(Pending(), 1u);
    Restart(2);
    EXPECT_EQ(::IsDlgButtonChecked(page->GetSafeHwnd(), 1011), BST_CHECKED);
    ASSERT_EQ(page->IsWallpaperRecomposeNeeded(), 1) << "the applied settings never reached the desktop";
    page->RefreshWallpaperPage(2);
    ASSERT_TRUE(page->SaveWallpaperSettings());
    ASSERT_TRUE(page->ComposeDesktopWallpaper());
    Settle();
    EXPECT_EQ(Pending(), 0u);
    EXPECT_EQ(SystemWallpaper(), Composite());
    const DecodedPicture desktop(Composite());
    EXPECT_TRUE(desktop.Near(32, 24, kTopRight));
    EXPECT_TRUE(desktop.Near(96, 24, kTopRight));
    EXPECT_EQ(page->IsWallpaperRecomposeNeeded(), 0);
    EXPECT_EQ(applyFailures, 0);
}

TEST_F(AppliedTest, ACompositeThatCannotTakeItsNameIsReportedAndNotApplied) {
    SetDisplay(0, 1, {0, 0, 64, 48});
    const std::wstring user = scratch + L"user.png";
    ASSERT_TRUE(WriteSolidPicture(user, 64, 48, kBack, false));
    ASSERT_TRUE(SetSystemWallpaper(user));
    // A folder in the composite's place: the finished file cannot take its name.
    ASSERT_TRUE(::CreateDirectoryW(Composite().c_str(), nullptr));
    Show(0, L"red.jpg");
    Apply(1);
    Settle();
    ::RemoveDirectoryW(Composite().c_str());
    EXPECT_EQ(applyFailures, 1) << "error 1102 shown";
    EXPECT_EQ(SystemWallpaper(), user) << "the old wallpaper kept";
    EXPECT_EQ(Pending(), 1u) << "still to be made";
    EXPECT_EQ(::GetFileAttributesW(RecomposeWorker::PartialComposite(Folder()).c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace velk::test
