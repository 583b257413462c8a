// The parts one by one: the skin detection, the button layout, the bar's
// AppBar protocol (recorded through the seam), the button's owner drawing
// read back as pixels, its clicks on a real window, and a hung window.
#include "taskbar/app_setting_page.h"
#include "taskbar/taskbar_control.h"
#include "taskbar/taskbar_window.h"
#include "testing/harness.h"
#include "tests/taskbar/bar/taskbar_test_support.h"
#include <gtest/gtest.h>
#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#include <tuple>
#include <vector>

namespace velk::test {
namespace {

TEST(TaskbarTheme, SkinFollowsTheVersionColourSchemeAndSize) {
    PlatformOverride seam;
    // This process's current user goes to a scratch key: the prefix's own
    // visual style lives under the key these cases rewrite.
    const wchar_t kScratch[] = L"Software\\VelkTaskbarThemeTest";
    UniqueKey scratch;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, scratch.put(), nullptr);
    ASSERT_EQ(::RegOverridePredefKey(HKEY_CURRENT_USER, scratch.get()), ERROR_SUCCESS);
    const TaskbarSkin none{}, silver{170, 171, 169, 168, 0, 0xFFFFFF, 9}, olive{160, 161, 162, 163, 0, 0xFFFFFF, 9},
        tall{174, 175, 173, 172, 0xFFFFFF, 0xFFFFFF, 13}, bigFont{0, 0, 0, 0, 0, 0, 13},
        blue{166, 167, 165, 164, 0xFFFFFF, 0xFFFFFF, 9};
    const struct {
        DWORD major, minor;
        const wchar_t *colour, *size;  // null: value missing
        TaskbarSkin expected;
    } cases[] = {
        {5, 1, L"Metallic", L"LargeFonts", silver},       {5, 2, L"HomeStead", L"NormalSize", olive},
        {6, 1, L"NormalColor", L"ExtraLargeFonts", tall}, {6, 1, L"Aero", L"ExtraLargeFonts", bigFont},
        {6, 0, L"Metallic", L"NormalSize", none},         {5, 1, L"normalcolor", L"normalsize", none},
        {5, 1, L"NormalColor", nullptr, blue},            {5, 1, nullptr, L"ExtraLargeFonts", none},
        {5, 0, L"NormalColor", L"LargeFonts", none},      {7, 0, L"NormalColor", L"ExtraLargeFonts", none},
    };
    for (const auto& c : cases) {
        DeleteTree(HKEY_CURRENT_USER, kThemeManagerKey);
        if (c.colour) SetString(HKEY_CURRENT_USER, kThemeManagerKey, L"ColorName", c.colour);
        if (c.size) SetString(HKEY_CURRENT_USER, kThemeManagerKey, L"SizeName", c.size);
        FakeWindowsVersion(c.major, c.minor);
        auto page = std::make_unique<CAppSettingProp>();
        page->DetectTaskbarTheme();
        EXPECT_EQ(std::memcmp(&page->Skin, &c.expected, sizeof(TaskbarSkin)), 0)
            << "case " << (&c - cases) << ": " << page->Skin.NormalBitmap << " " << page->Skin.FontSize;
    }
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    scratch.reset();
    DeleteTree(HKEY_CURRENT_USER, kScratch);
}

TEST(TaskButtonLayout, RowsFillAsFarAsTheDisplayAllowsAndNoButtonPassesItsEdge) {
    const struct {
        int k, width, height;
        RECT expected;
    } cases[] = {
        {0, 1024, 29, {5, 3, 165, 32}},     {5, 1024, 29, {805, 3, 965, 32}},    {6, 1024, 29, {5, 32, 165, 61}},
        {13, 1024, 25, {165, 56, 325, 81}},
        // The seams: a slot that would end past the display starts the next row.
        {6, 1280, 29, {965, 3, 1125, 32}},  {7, 1280, 29, {5, 32, 165, 61}},     {8, 1280, 29, {165, 32, 325, 61}},
        {10, 1920, 29, {1605, 3, 1765, 32}}, {11, 1920, 29, {5, 32, 165, 61}},
        // Narrower than a button: one slot per row, as wide as the display allows.
        {0, 100, 29, {5, 3, 100, 32}},      {2, 100, 29, {5, 64, 100, 93}},      {1, 160, 29, {5, 32, 160, 61}},
    };
    for (const auto& c : cases) {
        const RECT r = TaskButtonRect(c.k, c.width, c.height);
        EXPECT_TRUE(::EqualRect(&r, &c.expected)) << "k " << c.k << " W " << c.width << ": " << r.left << "," << r.top;
    }
    for (int width : {6, 159, 164, 165, 324, 325, 1366, 1600, 1920, 2560})
        for (int k = 0; k < 64; ++k) {
            const RECT r = TaskButtonRect(k, width, 29);
            EXPECT_TRUE(r.right <= width && r.right > r.left) << "k " << k << " W " << width;
        }
}

class TaskbarWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeWindowsVersion(6, 1);
        for (ExtraTaskbarRecord& r : ExtraTaskbarTable) r = ExtraTaskbarRecord{};
    }
    CTaskbarEx* NewBar() { return bars.emplace_back(std::make_unique<CTaskbarEx>()).get(); }
    // The protocol as (message, edge), without the position notices.
    std::vector<std::pair<DWORD, UINT>> Protocol() const {
        std::vector<std::pair<DWORD, UINT>> out;
        for (const auto& c : shell.calls)
            if (c.message != ABM_WINDOWPOSCHANGED)
                out.emplace_back(c.message, c.message == ABM_QUERYPOS || c.message == ABM_SETPOS ? c.edge : 0);
        return out;
    }

    PlatformOverride seam;
    AppBarRecorder shell;
    std::vector<std::unique_ptr<CTaskbarEx>> bars;  // removed with their windows
};
using P = std::pair<DWORD, UINT>;

TEST_F(TaskbarWindowTest, BarRegistersDocksAtTheBottomAndUnregistersWhenRemoved) {
    HWND hwnd = CreateTaskbarWindow(NewBar(), 2, 1024, 0, 2304, 1024);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(Wnd(hwnd).GetWindowText(), kExtraTaskbarTitle);
    EXPECT_EQ(::GetWindowLongW(hwnd, GWL_EXSTYLE) & 0x08000088, 0x08000088);
    RECT rect = Wnd(hwnd).GetWindowRect(), strip{1024, 992, 2304, 1024};
    EXPECT_TRUE(::EqualRect(&rect, &strip));
    // Placed once from the unused record's edge (left), then docked.
    EXPECT_EQ(Protocol(), (std::vector<P>{{ABM_NEW, 0}, {ABM_QUERYPOS, ABE_LEFT}, {ABM_SETPOS, ABE_LEFT},
                                          {ABM_QUERYPOS, ABE_BOTTOM}, {ABM_SETPOS, ABE_BOTTOM}}));
    for (const auto& c : shell.calls) EXPECT_TRUE(c.window == hwnd && c.size == sizeof(APPBARDATA));
    static_assert(sizeof(APPBARDATA) == (sizeof(void*) == 8 ? 48 : 36));
    EXPECT_EQ(shell.calls[0].callbackMessage, UM_APPBARNOTIFY);
    EXPECT_GT(shell.Count(ABM_WINDOWPOSCHANGED), 0);
    EXPECT_EQ(ExtraTaskbarTable[2].Edge, ABE_BOTTOM);
    EXPECT_EQ(ExtraTaskbarTable[2].BarHeight, 32);
    EXPECT_EQ(::SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(1500, 994)), HTTOP);
    EXPECT_EQ(::SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(1500, 1000)), HTCLIENT);
    EXPECT_EQ(&ExtraTaskbarRecordOf(::GetDesktopWindow()), &ExtraTaskbarTable[0]);

    // A new bar for the number replaces the old one; the edge is kept.
    shell.calls.clear();
    HWND second = CreateTaskbarWindow(NewBar(), 2, 1024, 0, 2304, 1024);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(Protocol(), (std::vector<P>{{ABM_REMOVE, 0}, {ABM_NEW, 0}, {ABM_QUERYPOS, ABE_BOTTOM},
                                          {ABM_SETPOS, ABE_BOTTOM}}));
    RemoveTaskbarWindow(*bars.back());
    EXPECT_FALSE(::IsWindow(second));
    EXPECT_EQ(ExtraTaskbarTable[2].Window, nullptr);
    EXPECT_TRUE(shell.registered.empty());
}

TEST_F(TaskbarWindowTest, HeightByVersionShellAnswerNumberZeroAndADestroyedBar) {
    FakeWindowsVersion(5, 1);
    shell.reservedBottom = 40;  // another bar holds the bottom 40 pixels
    HWND hwnd = CreateTaskbarWindow(NewBar(), 3, -1280, 0, 0, 1024);
    RECT rect = Wnd(hwnd).GetWindowRect(), above{-1280, 1024 - 40 - 30, 0, 1024 - 40};
    EXPECT_TRUE(::EqualRect(&rect, &above)) << rect.top;
    EXPECT_EQ(CreateTaskbarWindow(NewBar(), 0, 0, 0, 1024, 768), nullptr);
    ::DestroyWindow(hwnd);  // however the window goes, the shell hears of it once
    RemoveTaskbarWindow(*bars.front());
    EXPECT_EQ(shell.Count(ABM_NEW), 1) << "display number 0 makes no bar";
    EXPECT_EQ(shell.Count(ABM_REMOVE), 1);
    EXPECT_TRUE(shell.registered.empty());
}

// A bar with one button for a real window of this thread.
class TaskButtonTest : public TaskbarWindowTest {
protected:
    void SetUp() override {
        TaskbarWindowTest::SetUp();
        bar = CreateTaskbarWindow(NewBar(), 2, 1024, 0, 2304, 1024);
        target.reset(MakeWindow(L"Target window", {100, 100, 500, 400}));
        button.Serial = 7;
        ASSERT_TRUE(button.Create(L"B1", 0x5000004B, TaskButtonRect(0, 1280, 29), bar, 4134));
        button.Target = target.get();
    }
    TaskButtonState& State() { return TaskButtonStateTable[7]; }
    void Tick() { ::SendMessageW(button.GetSafeHwnd(), WM_TIMER, CTaskBarButton::kTitleTimer, 0); }
    void Click(UINT message = WM_LBUTTONDOWN) {
        ::PostMessageW(button.GetSafeHwnd(), message, MK_LBUTTON, MAKELPARAM(10, 10));
        PumpUntil([] { return false; }, 100);
    }
    // Drawn into a fresh 160 x 29 canvas: the button, or a bitmap of the program's resources.
    std::vector<COLORREF> Render(UINT bitmapId = 0) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = 160;
        info.bmiHeader.biHeight = -29;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        UniqueBitmap canvas(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
        SelectObjectScope select(dc.get(), canvas.get());
        if (bitmapId) {
            UniqueBitmap bitmap(::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId)));
            UniqueMemoryDc source(::CreateCompatibleDC(dc.get()));
            SelectObjectScope from(source.get(), bitmap.get());
            ::BitBlt(dc.get(), 0, 0, 160, 29, source.get(), 0, 0, SRCCOPY);
        } else {
            DRAWITEMSTRUCT item{ODT_BUTTON, 4134, 0, 0, 0, button.GetSafeHwnd(), dc.get(), button.GetClientRect(), 0};
            button.DrawItem(&item);
        }
        ::GdiFlush();
        return {static_cast<COLORREF*>(bits), static_cast<COLORREF*>(bits) + 160 * 29};
    }

    HWND bar = nullptr;
    UniqueWindow target;
    CTaskBarButton button;
};

TEST_F(TaskButtonTest, FacesAreTheSkinBitmapsByActiveAndHoverThenTitleAndIcon) {
    const std::vector<COLORREF> styled = Render();  // no skin: the visual style's button
    EXPECT_NE(styled, Render(174));
    button.ApplySkin({174, 175, 173, 172, 0xFFFFFF, 0xFFFFFF, 9});
    const std::tuple<int, int, UINT> faces[] = {{0, 0, 174}, {0, 1, 175}, {1, 0, 173}, {1, 1, 172}};
    for (auto [active, hover, id] : faces) {
        State().Active = active;
        button.Hover = static_cast<uint8_t>(hover);
        EXPECT_EQ(Render(), Render(id)) << "active " << active << " hover " << hover;
    }
    // The title (its first 31 characters) and the icon come with the tick.
    ::SetWindowTextW(target.get(), std::wstring(40, L'T').c_str());
    Tick();
    EXPECT_EQ(button.Title, std::wstring(31, L'T'));
    EXPECT_EQ(Wnd(button.GetSafeHwnd()).GetWindowText(), button.Title);
    ASSERT_NE(button.Icon, nullptr);
    State().Active = 0;
    button.Hover = 0;
    const std::vector<COLORREF> face = Render(174), drawn = Render();
    int changed = 0;
    for (size_t i = 0; i < face.size(); ++i) changed += face[i] != drawn[i];
    EXPECT_GT(changed, 60);
}

TEST_F(TaskButtonTest, ClickMinimisesTheFrontWindowAndASecondClickRestoresIt) {
    ::ShowWindow(target.get(), SW_SHOWMAXIMIZED);
    ::SetForegroundWindow(target.get());
    Tick();
    ASSERT_EQ(State().Active, 1) << "the window in front counts as active";
    Click();
    EXPECT_TRUE(::IsIconic(target.get()));
    EXPECT_EQ(State().KeptShowCmd, SW_SHOWMAXIMIZED);
    EXPECT_EQ(State().Active, 0);
    Click(WM_LBUTTONDBLCLK);  // a quick second press counts as a click too
    EXPECT_TRUE(::IsZoomed(target.get()));
    EXPECT_EQ(::GetForegroundWindow(), target.get());
    EXPECT_EQ(State().Active, 1);
    // Minimised by other means while marked active: restored all the same.
    ::ShowWindow(target.get(), SW_MINIMIZE);
    Click();
    EXPECT_FALSE(::IsIconic(target.get()));
    // Another window in front: the next tick draws the button unpressed.
    UniqueWindow other(MakeWindow(L"Other", {0, 0, 100, 100}));
    ::SetForegroundWindow(other.get());
    Tick();
    EXPECT_EQ(State().Active, 0);
}

}  // namespace
}  // namespace velk::test
