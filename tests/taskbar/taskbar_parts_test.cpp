// The parts of the extra taskbar one by one: the skin detection, the button
// layout, the bar's AppBar protocol (recorded through the seam), the button's
// owner drawing read back as pixels, its clicks on a real window, and the icon
// query against a hung window.
#include "framework/app.h"
#include "resources/resource.h"
#include "taskbar/app_setting_page.h"
#include "taskbar/taskbar_button.h"
#include "taskbar/taskbar_control.h"
#include "taskbar/taskbar_window.h"
#include "testing/harness.h"
#include "tests/taskbar/taskbar_test_support.h"
#include <gtest/gtest.h>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace velk::test {
namespace {

// ---- Skin detection.

struct ThemeCase {
    DWORD major, minor;
    const wchar_t* colour;  // null: value missing
    const wchar_t* size;    // null: value missing
    TaskbarSkin expected;
};

// HKEY_CURRENT_USER of this process redirected to a scratch key for the
// object's lifetime, so the cases never touch the prefix's own visual style.
class ScratchCurrentUser {
public:
    ScratchCurrentUser() {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(), nullptr);
        EXPECT_EQ(::RegOverridePredefKey(HKEY_CURRENT_USER, key_.get()), ERROR_SUCCESS);
    }
    ~ScratchCurrentUser() {
        ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        key_.reset();
        DeleteTree(HKEY_CURRENT_USER, kScratch);
    }

private:
    static constexpr wchar_t kScratch[] = L"Software\\VelkTaskbarThemeTest";
    UniqueKey key_;
};

TEST(TaskbarTheme, SkinFollowsTheVersionColourSchemeAndSize) {
    PlatformOverride seam;
    ScratchCurrentUser scratch;
    const TaskbarSkin none{};
    const TaskbarSkin silver{170, 171, 169, 168, 0x000000, 0xFFFFFF, 9};
    const TaskbarSkin olive{160, 161, 162, 163, 0x000000, 0xFFFFFF, 9};
    TaskbarSkin tall{174, 175, 173, 172, 0xFFFFFF, 0xFFFFFF, 13};
    TaskbarSkin noSkinBig = none;
    noSkinBig.FontSize = 13;
    TaskbarSkin blueNoSize{166, 167, 165, 164, 0xFFFFFF, 0xFFFFFF, 9};
    const ThemeCase cases[] = {
        {5, 1, L"Metallic", L"LargeFonts", silver},
        {5, 2, L"HomeStead", L"NormalSize", olive},
        {6, 1, L"NormalColor", L"ExtraLargeFonts", tall},
        {6, 1, L"Aero", L"ExtraLargeFonts", noSkinBig},
        {6, 0, L"Metallic", L"NormalSize", none},
        {5, 1, L"normalcolor", L"normalsize", none},
        {5, 1, L"NormalColor", nullptr, blueNoSize},
        {5, 1, nullptr, L"ExtraLargeFonts", none},
        {5, 0, L"NormalColor", L"ExtraLargeFonts", none},
        {7, 0, L"NormalColor", L"ExtraLargeFonts", none},
    };
    for (const ThemeCase& c : cases) {
        DeleteTree(HKEY_CURRENT_USER, kThemeManagerKey);
        if (c.colour) SetString(HKEY_CURRENT_USER, kThemeManagerKey, L"ColorName", c.colour);
        if (c.size) SetString(HKEY_CURRENT_USER, kThemeManagerKey, L"SizeName", c.size);
        FakeWindowsVersion(c.major, c.minor);
        auto page = std::make_unique<CAppSettingProp>();
        page->DetectTaskbarTheme();
        const TaskbarSkin& s = page->Skin;
        const std::string what = std::to_string(c.major) + "." + std::to_string(c.minor) + " " +
                                 ToUtf8(c.colour ? c.colour : L"-") + " " + ToUtf8(c.size ? c.size : L"-");
        EXPECT_EQ(s.NormalBitmap, c.expected.NormalBitmap) << what;
        EXPECT_EQ(s.HotBitmap, c.expected.HotBitmap) << what;
        EXPECT_EQ(s.ActiveBitmap, c.expected.ActiveBitmap) << what;
        EXPECT_EQ(s.ActiveHotBitmap, c.expected.ActiveHotBitmap) << what;
        EXPECT_EQ(s.InactiveTextColour, c.expected.InactiveTextColour) << what;
        EXPECT_EQ(s.ActiveTextColour, c.expected.ActiveTextColour) << what;
        EXPECT_EQ(s.FontSize, c.expected.FontSize) << what;
    }
    // A value of another type is no scheme name.
    DeleteTree(HKEY_CURRENT_USER, kThemeManagerKey);
    SetDword(HKEY_CURRENT_USER, kThemeManagerKey, L"ColorName", 1);
    FakeWindowsVersion(6, 1);
    CAppSettingProp page;
    page.DetectTaskbarTheme();
    EXPECT_EQ(page.Skin.NormalBitmap, 0u);
    DeleteTree(HKEY_CURRENT_USER, kThemeManagerKey);
}

// ---- Button layout.

TEST(TaskButtonLayout, RowsFillAsFarAsTheDisplayAllowsAndNoButtonPassesItsEdge) {
    struct Case {
        int k, width, height;
        RECT expected;
    } cases[] = {
        {0, 1024, 29, {5, 3, 165, 32}},
        {5, 1024, 29, {805, 3, 965, 32}},
        {6, 1024, 29, {5, 32, 165, 61}},
        {13, 1024, 25, {165, 56, 325, 81}},
        // The seams: a slot that would end past the display starts the next row.
        {6, 1280, 29, {965, 3, 1125, 32}},
        {7, 1280, 29, {5, 32, 165, 61}},
        {8, 1280, 29, {165, 32, 325, 61}},
        {10, 1920, 29, {1605, 3, 1765, 32}},
        {11, 1920, 29, {5, 32, 165, 61}},
        // Narrower than a button: one slot per row, as wide as the display allows.
        {0, 100, 29, {5, 3, 100, 32}},
        {2, 100, 29, {5, 64, 100, 93}},
        {1, 160, 29, {5, 32, 160, 61}},
    };
    for (const auto& c : cases) {
        const RECT r = TaskButtonRect(c.k, c.width, c.height);
        EXPECT_TRUE(::EqualRect(&r, &c.expected))
            << "k " << c.k << " W " << c.width << ": " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    }
    for (int width : {1, 159, 160, 164, 165, 324, 325, 1024, 1280, 1366, 1600, 1920, 2560}) {
        for (int k = 0; k < 64; ++k) {
            const RECT r = TaskButtonRect(k, width, 29);
            EXPECT_LE(r.right, std::max(width, 6)) << "k " << k << " W " << width;
            EXPECT_GT(r.right, r.left);
            EXPECT_EQ(r.top == 3, k < std::max(1, (width - 5) / 160)) << "k " << k << " W " << width;
        }
    }
}

// ---- The bar.

class TaskbarWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeWindowsVersion(6, 1);
        for (ExtraTaskbarRecord& r : ExtraTaskbarTable) r = ExtraTaskbarRecord{};
    }
    void TearDown() override {
        for (auto& bar : bars) RemoveTaskbarWindow(*bar);
        bars.clear();
        for (ExtraTaskbarRecord& r : ExtraTaskbarTable) r = ExtraTaskbarRecord{};
    }
    CTaskbarEx* NewBar() {
        bars.push_back(std::make_unique<CTaskbarEx>());
        return bars.back().get();
    }
    // The protocol calls without the position notices, as (message, edge).
    std::vector<std::pair<DWORD, UINT>> Protocol() const {
        std::vector<std::pair<DWORD, UINT>> out;
        for (const AppBarCall& c : shell.calls)
            if (c.message != ABM_WINDOWPOSCHANGED)
                out.emplace_back(c.message, c.message == ABM_QUERYPOS || c.message == ABM_SETPOS ? c.edge : 0);
        return out;
    }

    PlatformOverride seam;
    AppBarRecorder shell;
    std::vector<std::unique_ptr<CTaskbarEx>> bars;
};

TEST_F(TaskbarWindowTest, BarRegistersDocksAtTheBottomAndUnregistersWhenRemoved) {
    CTaskbarEx* bar = NewBar();
    HWND hwnd = CreateTaskbarWindow(bar, 2, 1024, 0, 2304, 1024);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(bar->Window, hwnd);
    EXPECT_EQ(Wnd(hwnd).GetWindowText(), kExtraTaskbarTitle);
    EXPECT_EQ(::GetWindowLongW(hwnd, GWL_EXSTYLE) & 0x08000088, 0x08000088);
    RECT rect = Wnd(hwnd).GetWindowRect();
    const RECT bottomStrip{1024, 992, 2304, 1024};
    EXPECT_TRUE(::EqualRect(&rect, &bottomStrip));
    // Registered, placed once from the unused record's edge (left), then docked.
    using P = std::pair<DWORD, UINT>;
    EXPECT_EQ(Protocol(), (std::vector<P>{{ABM_NEW, 0}, {ABM_QUERYPOS, ABE_LEFT}, {ABM_SETPOS, ABE_LEFT},
                                          {ABM_QUERYPOS, ABE_BOTTOM}, {ABM_SETPOS, ABE_BOTTOM}}));
    for (const AppBarCall& c : shell.calls) {
        EXPECT_EQ(c.window, hwnd);
        EXPECT_EQ(c.size, sizeof(APPBARDATA));
    }
#ifdef _WIN64
    EXPECT_EQ(sizeof(APPBARDATA), 48u);
#endif
    EXPECT_EQ(shell.calls[0].callbackMessage, UM_APPBARNOTIFY);
    EXPECT_GT(shell.Count(ABM_WINDOWPOSCHANGED), 0);
    const ExtraTaskbarRecord& record = ExtraTaskbarTable[2];
    EXPECT_EQ(record.Window, hwnd);
    EXPECT_EQ(record.Edge, ABE_BOTTOM);
    EXPECT_EQ(record.BarHeight, 32);
    EXPECT_EQ(record.Width, 1280);

    // The top 4 pixels of a bottom bar are its sizing edge.
    EXPECT_EQ(::SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(1500, 994)), HTTOP);
    EXPECT_EQ(::SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(1500, 1000)), HTCLIENT);
    // A window that is no bar finds record 0.
    EXPECT_EQ(&ExtraTaskbarRecordOf(::GetDesktopWindow()), &ExtraTaskbarTable[0]);
    EXPECT_EQ(shell.registered, (std::set<HWND>{hwnd}));

    // A second bar for the same number replaces the first; the record is
    // already at the bottom edge, so one placement suffices.
    shell.calls.clear();
    CTaskbarEx* second = NewBar();
    HWND hwnd2 = CreateTaskbarWindow(second, 2, 1024, 0, 2304, 1024);
    ASSERT_NE(hwnd2, nullptr);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(Protocol(), (std::vector<P>{{ABM_REMOVE, 0}, {ABM_NEW, 0}, {ABM_QUERYPOS, ABE_BOTTOM},
                                          {ABM_SETPOS, ABE_BOTTOM}}));
    EXPECT_EQ(shell.registered, (std::set<HWND>{hwnd2}));

    RemoveTaskbarWindow(*second);
    EXPECT_FALSE(::IsWindow(hwnd2));
    EXPECT_EQ(ExtraTaskbarTable[2].Window, nullptr);
    EXPECT_EQ(ExtraTaskbarTable[2].Edge, ABE_BOTTOM) << "the record keeps its last values";
    EXPECT_TRUE(shell.registered.empty());
    EXPECT_EQ(shell.Count(ABM_REMOVE), 2);
}

TEST_F(TaskbarWindowTest, HeightByVersionShellAnswerNumberZeroAndADestroyedBar) {
    FakeWindowsVersion(5, 1);
    shell.reservedBottom = 40;  // another bar holds the bottom 40 pixels
    CTaskbarEx* bar = NewBar();
    HWND hwnd = CreateTaskbarWindow(bar, 3, -1280, 0, 0, 1024);
    ASSERT_NE(hwnd, nullptr);
    RECT rect = Wnd(hwnd).GetWindowRect();
    const RECT aboveOther{-1280, 1024 - 40 - 30, 0, 1024 - 40};
    EXPECT_TRUE(::EqualRect(&rect, &aboveOther)) << rect.top << " " << rect.bottom;
    EXPECT_EQ(ExtraTaskbarHeight, 30);

    shell.calls.clear();
    EXPECT_EQ(CreateTaskbarWindow(NewBar(), 0, 0, 0, 1024, 768), nullptr);
    EXPECT_TRUE(shell.calls.empty());

    // However the window goes, the shell hears of it once.
    ::DestroyWindow(hwnd);
    EXPECT_TRUE(shell.registered.empty());
    RemoveTaskbarWindow(*bar);
    EXPECT_EQ(shell.Count(ABM_REMOVE), 1);
}

// ---- The button.

// A bar on a fake display with one button for a real window of this thread.
class TaskButtonTest : public TaskbarWindowTest {
protected:
    void SetUp() override {
        TaskbarWindowTest::SetUp();
        bar = NewBar();
        ASSERT_NE(CreateTaskbarWindow(bar, 2, 1024, 0, 2304, 1024), nullptr);
        target = MakeWindow(L"Target window", {100, 100, 500, 400});
        ASSERT_NE(target, nullptr);
        button.Serial = 7;
        ASSERT_TRUE(button.Create(L"B1", 0x5000004B, TaskButtonRect(0, 1280, 29), bar->Window, 4134));
        button.Target = target;
        TaskButtonStateTable[7].Target = target;
    }
    void TearDown() override {
        button.DestroyWindowNow();
        ::DestroyWindow(target);
        TaskbarWindowTest::TearDown();
    }
    TaskButtonState& State() { return TaskButtonStateTable[7]; }
    void Tick() { ::SendMessageW(button.GetSafeHwnd(), WM_TIMER, CTaskBarButton::kTitleTimer, 0); }
    void Click() {
        ::PostMessageW(button.GetSafeHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
        PumpFor(100);
    }

    // The button drawn into a fresh 32-bit canvas, top-down rows.
    std::vector<COLORREF> Draw() {
        return Render([&](HDC dc) {
            DRAWITEMSTRUCT item{};
            item.CtlType = ODT_BUTTON;
            item.hwndItem = button.GetSafeHwnd();
            item.hDC = dc;
            item.rcItem = button.GetClientRect();
            button.DrawItem(&item);
        });
    }
    // A skin bitmap of the program's resources, as drawn at the button's size.
    std::vector<COLORREF> Bitmap(UINT id) {
        return Render([&](HDC dc) {
            UniqueBitmap bitmap(::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id)));
            ASSERT_TRUE(bitmap) << id;
            UniqueMemoryDc source(::CreateCompatibleDC(dc));
            SelectObjectScope select(source.get(), bitmap.get());
            ::BitBlt(dc, 0, 0, 160, 29, source.get(), 0, 0, SRCCOPY);
        });
    }
    template <class Paint>
    std::vector<COLORREF> Render(Paint paint) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = 160;
        info.bmiHeader.biHeight = -29;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        UniqueBitmap canvas(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
        {
            SelectObjectScope select(dc.get(), canvas.get());
            paint(dc.get());
            ::GdiFlush();
        }
        auto* p = static_cast<const COLORREF*>(bits);
        return std::vector<COLORREF>(p, p + 160 * 29);
    }

    CTaskbarEx* bar = nullptr;
    HWND target = nullptr;
    CTaskBarButton button;
};

TEST_F(TaskButtonTest, FacesAreTheSkinBitmapsByActiveAndHover) {
    TaskbarSkin skin{174, 175, 173, 172, 0xFFFFFF, 0xFFFFFF, 9};
    const std::vector<COLORREF> themed = Draw();  // no skin: the visual style's push button
    button.ApplySkin(skin);
    struct Case {
        int active, hover;
        UINT bitmap;
    } cases[] = {{0, 0, 174}, {0, 1, 175}, {1, 0, 173}, {1, 1, 172}};
    for (const Case& c : cases) {
        State().Active = c.active;
        button.Hover = static_cast<uint8_t>(c.hover);
        EXPECT_EQ(Draw(), Bitmap(c.bitmap)) << "active " << c.active << " hover " << c.hover;
    }
    EXPECT_NE(themed, Bitmap(174));

    // The title and icon are drawn over the face.
    button.Title = L"Target window";
    button.Icon = ::LoadIconW(nullptr, IDI_INFORMATION);
    State().Active = 0;
    button.Hover = 0;
    const std::vector<COLORREF> face = Bitmap(174), drawn = Draw();
    int changed = 0;
    for (size_t i = 0; i < face.size(); ++i) changed += face[i] != drawn[i];
    EXPECT_GT(changed, 60);
}

TEST_F(TaskButtonTest, TickTakesTheTitleUpTo31CharactersTheIconAndTheForeground) {
    const std::wstring longTitle(40, L'T');
    ::SetWindowTextW(target, longTitle.c_str());
    ::SetForegroundWindow(target);
    Tick();
    EXPECT_EQ(Wnd(button.GetSafeHwnd()).GetWindowText(), longTitle.substr(0, 31));
    EXPECT_EQ(button.Title, longTitle.substr(0, 31));
    EXPECT_NE(button.Icon, nullptr);
    EXPECT_EQ(State().Active, ::GetForegroundWindow() == target ? 1 : 0);
    ASSERT_EQ(State().Active, 1) << "the test window did not come to the front";

    HWND other = MakeWindow(L"Other", {0, 0, 100, 100});
    ::SetForegroundWindow(other);
    Tick();
    EXPECT_EQ(State().Active, 0);
    ::DestroyWindow(other);
}

TEST_F(TaskButtonTest, ClickMinimisesTheFrontWindowAndASecondClickRestoresItMaximised) {
    ::ShowWindow(target, SW_SHOWMAXIMIZED);
    ::SetForegroundWindow(target);
    Tick();
    ASSERT_EQ(State().Active, 1);

    Click();
    EXPECT_TRUE(::IsIconic(target));
    EXPECT_EQ(State().KeptShowCmd, SW_SHOWMAXIMIZED);
    EXPECT_EQ(State().Active, 0);

    Click();
    EXPECT_FALSE(::IsIconic(target));
    EXPECT_TRUE(::IsZoomed(target));
    EXPECT_EQ(::GetForegroundWindow(), target);
    EXPECT_EQ(State().Active, 1);

    // Minimised by other means while marked active: restored and brought forward.
    ::ShowWindow(target, SW_MINIMIZE);
    Click();
    EXPECT_FALSE(::IsIconic(target));
    EXPECT_EQ(State().Active, 0);
}

TEST_F(TaskButtonTest, FirstClickOnAMinimisedWindowRestoresItNormal) {
    ::ShowWindow(target, SW_MINIMIZE);
    State().Active = 0;
    Click();
    EXPECT_FALSE(::IsIconic(target));
    EXPECT_FALSE(::IsZoomed(target));
    EXPECT_EQ(State().Active, 1);
}

TEST(TaskButtonIcon, HungWindowDoesNotHangTheIconQuery) {
    std::atomic<HWND> hung{nullptr};
    UniqueHandleObj release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread owner([&] {
        HWND w = MakeWindow(L"Hung window", {0, 0, 200, 200});
        hung = w;
        // Stops answering messages until released.
        ::WaitForSingleObject(release.get(), 60000);
        ::DestroyWindow(w);
    });
    ASSERT_TRUE(PumpUntil([&] { return hung.load() != nullptr; }, 10000));
    const DWORD start = ::GetTickCount();
    HICON icon = GetWindowIconHandle(hung);
    const DWORD elapsed = ::GetTickCount() - start;
    ::SetEvent(release.get());
    owner.join();
    EXPECT_LT(elapsed, 5000u);
    EXPECT_EQ(icon, ::LoadIconW(nullptr, IDI_INFORMATION)) << "the class's small icon needs no answer";
    // A window that is gone has no icon.
    EXPECT_EQ(GetWindowIconHandle(hung), nullptr);
}

}  // namespace
}  // namespace velk::test
