#include "display/overlay.h"
#include "display/display_list.h"
#include "display/shared_functions.h"
#include "framework/handles.h"
#include "framework/platform.h"
#include <cwchar>
#include <iterator>
#include <memory>
#include <vector>

namespace {

constexpr wchar_t kNumberFontFace[] = L"Arial";

// Intervals of the show, in milliseconds.
constexpr DWORD kFrameWait = 750;    // per display, layered windows
constexpr DWORD kScreenWait = 375;   // per display, drawn onto the screen
constexpr DWORD kFinalWait = 3000;   // after the last display

// Colours of the number: its shadow, and the number itself. Black is the key
// colour of the text window, which makes it transparent.
constexpr COLORREF kShadowColour = RGB(33, 33, 33);
constexpr COLORREF kScreenShadowColour = RGB(0, 33, 33);
constexpr COLORREF kNumberColour = RGB(64, 64, 192);
constexpr COLORREF kKeyColour = RGB(0, 0, 0);

// The number as text, "%d".
struct NumberText {
    explicit NumberText(int number) noexcept {
        length = std::swprintf(text, std::size(text), L"%d", number);
        if (length < 0) length = 0;
    }
    wchar_t text[16] = {};
    int length = 0;
};

bool RegisterOverlayClass() {
    return velk::CWnd::RegisterWindowClass(kOverlayWindowClass, 0, nullptr, nullptr, nullptr);
}

HFONT CreateNumberFont(int height, int width) noexcept {
    return ::CreateFontW(height, width, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DRAFT_QUALITY, VARIABLE_PITCH, kNumberFontFace);
}

// One display's number on a pair of layered windows; the frame's window, or
// null when none could be made.
HWND ShowNumberOnFrame(HWND parent, const RECT& rect, int number) {
    auto* frame = new CMainFrame;  // owned by its window from Create on
    if (!frame->Create(L"Frame", L"Frame", WS_POPUP, rect, parent, nullptr, 0)) return nullptr;
    HWND window = frame->GetSafeHwnd();
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    ::UpdateWindow(window);
    // Asked again: the frame is only used while its window is alive.
    if (auto* live = dynamic_cast<CMainFrame*>(velk::CWnd::FromHandle(window))) {
        if (CTextFrame* text = live->GetTextFrame()) text->PaintDisplayNumber(number, rect);
    }
    return window;
}

// One display's number drawn onto the screen; it stays until the final repaint.
void ShowNumberOnScreen(const DisplayRecord& display, int number) {
    velk::WindowDc screen(nullptr);
    if (screen)
        DrawDisplayNumber(screen.get(), display.left + (display.right - display.left) / 2, display.top,
                          static_cast<uint32_t>(display.Height), number);
}

// The running show: the displays to show, taken from the table at its start,
// and where it stands. At most one runs; it lives on the user-interface thread.
struct Show {
    HWND parent = nullptr;
    bool layered = false;
    std::vector<DisplayRecord> displays;  // in the order they are shown
    size_t next = 0;                      // the next display to show
    HWND frame = nullptr;                 // the frame on screen, if any
    UINT_PTR timer = 0;
    bool finalInterval = false;           // the timer is the 3 s after the last display
    std::function<void()> finished;
};
std::unique_ptr<Show> g_show;

void CALLBACK OnShowTimer(HWND, UINT, UINT_PTR id, DWORD);

void Arm(DWORD milliseconds) {
    g_show->timer = velk::Platform().SetTimer(nullptr, 0, milliseconds, OnShowTimer);
}

void DisarmAndCloseFrame() {
    if (g_show->timer) velk::Platform().KillTimer(nullptr, g_show->timer);
    g_show->timer = 0;
    if (g_show->frame && ::IsWindow(g_show->frame)) ::DestroyWindow(g_show->frame);  // takes the text window along
    g_show->frame = nullptr;
}

void Finish() {
    DisarmAndCloseFrame();
    std::function<void()> finished = std::move(g_show->finished);
    g_show.reset();
    // Every window repaints, so that drawings made straight onto the screen go.
    ::InvalidateRect(nullptr, nullptr, TRUE);
    if (finished) finished();
}

// Shows the next display that can be shown and arms its interval; after the
// last one, the final interval. A timer that cannot be set ends the show.
void Advance() {
    Show& show = *g_show;
    if (show.parent && !::IsWindow(show.parent)) return Finish();
    while (show.next < show.displays.size()) {
        const DisplayRecord& display = show.displays[show.next++];
        const int number = static_cast<int>(display.DisplayNumber);
        if (show.layered) {
            show.frame = ShowNumberOnFrame(show.parent, RECT{display.left, display.top, display.right, display.bottom},
                                           number);
            if (!show.frame) continue;
            Arm(kFrameWait);
        } else {
            ShowNumberOnScreen(display, number);
            Arm(kScreenWait);
        }
        if (!g_show->timer) Finish();
        return;
    }
    show.finalInterval = true;
    Arm(kFinalWait);
    if (!g_show->timer) Finish();
}

void CALLBACK OnShowTimer(HWND, UINT, UINT_PTR id, DWORD) {
    if (!g_show || id != g_show->timer) {
        velk::Platform().KillTimer(nullptr, id);  // a timer of a show that is over
        return;
    }
    const bool last = g_show->finalInterval;
    DisarmAndCloseFrame();
    if (last) Finish();
    else Advance();
}

}  // namespace

// --- CTextFrame -----------------------------------------------------------

std::span<const velk::MessageEntry<CTextFrame>> CTextFrame::MessageTable() {
    static constexpr velk::MessageEntry<CTextFrame> table[] = {
        velk::on(WM_CREATE, &CTextFrame::OnCreate),
        velk::on(WM_PAINT, &CTextFrame::OnPaint),
        velk::on(WM_WINDOWPOSCHANGING, &CTextFrame::OnWindowPosChanging),
    };
    return table;
}

CTextFrame::~CTextFrame() = default;

bool CTextFrame::PreCreateWindow(CREATESTRUCTW& cs) {
    if (!CFrameWindow::PreCreateWindow(cs) || !RegisterOverlayClass()) return false;
    cs.style = static_cast<LONG>(WS_POPUP | WS_VISIBLE);
    cs.dwExStyle = WS_EX_LAYERED | WS_EX_TRANSPARENT;
    cs.lpszClass = kOverlayWindowClass;
    return true;
}

LRESULT CTextFrame::OnCreate(WPARAM w, LPARAM l) {
    if (CFrameWindow::OnCreate(w, l) == -1) return -1;
    ::SetLayeredWindowAttributes(hwnd_, kKeyColour, 0, LWA_COLORKEY);
    return 0;
}

LRESULT CTextFrame::OnPaint(WPARAM w, LPARAM l) { return DefaultProc(WM_PAINT, w, l); }

LRESULT CTextFrame::OnWindowPosChanging(WPARAM w, LPARAM l) {
    LRESULT result = DefaultProc(WM_WINDOWPOSCHANGING, w, l);
    // The owning frame sees the text window's position change as its own.
    auto* pos = reinterpret_cast<WINDOWPOS*>(l);
    HWND owner = ::GetWindow(hwnd_, GW_OWNER);
    if (pos && owner) {
        HWND own = pos->hwnd;
        pos->hwnd = owner;
        ::SendMessageW(owner, WM_WINDOWPOSCHANGING, w, l);
        pos->hwnd = own;
    }
    return result;
}

bool CTextFrame::PaintDisplayNumber(int number, RECT rect) {
    if (!hwnd_) return false;
    velk::PaintDc dc(hwnd_);
    if (!dc.get()) return false;
    rect = GetClientRect();
    return RenderDisplayNumber(dc.get(), rect, number);
}

// --- CMainFrame -----------------------------------------------------------

std::span<const velk::MessageEntry<CMainFrame>> CMainFrame::MessageTable() {
    static constexpr velk::MessageEntry<CMainFrame> table[] = {
        velk::on(WM_CREATE, &CMainFrame::OnCreate),
        velk::on(WM_PAINT, &CMainFrame::OnPaint),
        velk::on(WM_MOVE, &CMainFrame::OnMove),
        velk::on(WM_SIZE, &CMainFrame::OnSize),
        velk::on(WM_WINDOWPOSCHANGING, &CMainFrame::OnWindowPosChanging),
    };
    return table;
}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::PreCreateWindow(CREATESTRUCTW& cs) {
    if (!CFrameWindow::PreCreateWindow(cs) || !RegisterOverlayClass()) return false;
    cs.style = static_cast<LONG>(WS_POPUP | WS_VISIBLE);
    cs.dwExStyle = WS_EX_LAYERED;
    cs.lpszClass = kOverlayWindowClass;
    cs.hMenu = nullptr;
    return true;
}

CTextFrame* CMainFrame::GetTextFrame() const noexcept {
    // The text window may have gone before the frame; its object went with it.
    if (!TextFrame || !::IsWindow(textWindow_) || velk::CWnd::FromHandle(textWindow_) != TextFrame) return nullptr;
    return TextFrame;
}

LRESULT CMainFrame::OnCreate(WPARAM w, LPARAM l) {
    if (CFrameWindow::OnCreate(w, l) == -1) return -1;
    ::SetLayeredWindowAttributes(hwnd_, 0, 1, LWA_ALPHA);  // alpha 1 of 255: all but invisible
    auto* text = new CTextFrame;  // owned by its window from Create on
    if (text->Create(nullptr, L"Text", 0, GetWindowRect(), hwnd_, nullptr, 0)) {
        TextFrame = text;
        textWindow_ = text->GetSafeHwnd();
    }
    return 0;
}

LRESULT CMainFrame::OnPaint(WPARAM, LPARAM) {
    velk::PaintDc dc(hwnd_);
    RECT clip{};
    if (dc.get() && ::GetClipBox(dc.get(), &clip) != ERROR)
        ::FillRect(dc.get(), &clip, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    return 0;
}

LRESULT CMainFrame::OnMove(WPARAM, LPARAM) {
    MoveTextFrame();
    return 0;
}

LRESULT CMainFrame::OnSize(WPARAM, LPARAM) {
    MoveTextFrame();
    return 0;
}

LRESULT CMainFrame::OnWindowPosChanging(WPARAM w, LPARAM l) { return DefaultProc(WM_WINDOWPOSCHANGING, w, l); }

void CMainFrame::MoveTextFrame() noexcept {
    if (CTextFrame* text = GetTextFrame()) text->MoveWindow(GetWindowRect(), true);
}

// --- The show ---------------------------------------------------------------

bool RenderDisplayNumber(HDC dc, const RECT& client, int number) {
    const NumberText text(number);
    ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    velk::UniqueFont font(CreateNumberFont(height, (height / 5) * 2));
    if (!font) return false;
    HGDIOBJ previous = ::SelectObject(dc, font.get());
    if (!previous || previous == HGDI_ERROR) return false;

    SIZE extent{};
    ::GetTextExtentPoint32W(dc, text.text, text.length, &extent);
    const int x = width / 2 - extent.cx / 2;
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kShadowColour);
    ::TextOutW(dc, x, 20, text.text, text.length);
    ::SetTextColor(dc, kNumberColour);
    ::TextOutW(dc, x - 5, 15, text.text, text.length);

    ::SelectObject(dc, previous);
    return true;
}

int DrawDisplayNumber(HDC dc, int centreX, int top, uint32_t height, int number) {
    const NumberText text(number);
    const int fontHeight = static_cast<int>(height);
    velk::UniqueFont large(::CreateFontW(fontHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0,
                                         DRAFT_QUALITY, 0, kNumberFontFace));
    velk::UniqueFont small(::CreateFontW(fontHeight - 20, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0,
                                         0, DRAFT_QUALITY, 0, kNumberFontFace));
    HGDIOBJ previous = nullptr;
    // Selects a font; a text whose font is not selected is not drawn.
    auto select = [&](HFONT font) {
        if (!font) return false;
        HGDIOBJ old = ::SelectObject(dc, font);
        if (!old || old == HGDI_ERROR) return false;
        if (!previous) previous = old;
        return true;
    };
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kScreenShadowColour);
    const int x = centreX - static_cast<int>(height / 4);
    if (select(large.get())) ::TextOutW(dc, x, top + 20, text.text, text.length);
    ::SetTextColor(dc, kNumberColour);
    if (select(small.get())) ::TextOutW(dc, x - 5, top + 15, text.text, text.length);
    // Both fonts are out of the device context before they are freed.
    if (previous) ::SelectObject(dc, previous);
    return 1;
}

int IdentifyDisplays(HWND parent, std::function<void()> finished) {
    if (g_show) return 0;
    auto show = std::make_unique<Show>();
    show->parent = parent;
    show->layered = IsWindowsAtLeast(6, 0);
    show->finished = std::move(finished);
    // A copy of the table: a display change during the show does not change it.
    if (const DisplayList* list = CurrentDisplayList()) {
        for (uint32_t n = 1; n <= 10; ++n)
            for (const DisplayRecord& display : list->Records)
                if (display.DisplayNumber == n) show->displays.push_back(display);
    }
    g_show = std::move(show);
    Advance();
    return 1;
}

bool IsIdentifyingDisplays() noexcept { return g_show != nullptr; }

void StopIdentifyDisplays() {
    if (g_show) Finish();
}
