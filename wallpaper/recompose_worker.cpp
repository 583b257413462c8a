// The recompose thread. GDI+ and the JPEG encoder need no window, so the
// pictures are rendered and encoded here; the user-interface thread only
// makes requests and applies the finished composite.
#include "wallpaper/recompose_worker.h"
#include "framework/handles.h"
#include "framework/strings.h"
#include "wallpaper/preview_control.h"
#include "wallpaper/wallpaper_settings.h"
#include <objbase.h>
#include <optional>
#include <utility>
#include "wallpaper/gdiplus_headers.h"

namespace {

// How long shut-down on the user-interface thread lets a recompose reach its
// next stop point. A thread still drawing after that goes on alone with its
// shared state and ends at that point: it renames no composite once stopped,
// and deletes its partial file.
constexpr DWORD kStopWaitMs = 250;
// The thread's stack: GDI+ and its codecs keep their buffers on the heap.
constexpr SIZE_T kStackBytes = 512 * 1024;

// A file's size and last write time; all zero when it is missing.
struct FileStamp {
    uint64_t size = 0;
    uint64_t written = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (path.empty() || !::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return {};
    return {(uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow,
            (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime};
}

// What a display's file was last rendered from, and the file it gave: a
// render of the same inputs over an untouched file is skipped, so a display
// is rendered once however often it is asked for before its settings change.
struct RenderedFrom {
    bool valid = false;
    std::wstring source;
    int32_t style = 0;
    COLORREF color = 0;
    int32_t width = 0, height = 0;
    FileStamp sourceStamp, outputStamp;
};

class CriticalSection {
public:
    CriticalSection() { ::InitializeCriticalSection(&section_); }
    ~CriticalSection() { ::DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void Enter() { ::EnterCriticalSection(&section_); }
    void Leave() { ::LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

class Locked {
public:
    explicit Locked(CriticalSection& section) : section_(section) { section_.Enter(); }
    ~Locked() { section_.Leave(); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    CriticalSection& section_;
};

}  // namespace

struct RecomposeWorker::State {
    CriticalSection lock;
    // Guarded by lock.
    std::optional<RecomposeRequest> pending;
    uint64_t pendingId = 0, lastId = 0;
    HWND window = nullptr;
    UINT message = 0;
    bool stop = false;
    bool alive = false;  // a thread runs (it ends when it has nothing left to do)
    bool running = false;
    uint32_t runningRenders = 0;  // renders of the running request not yet done
    bool runningCompose = false;  // its composite not yet written
    CompositeLayout runningLayout = CompositeLayout::Offset;  // and that composite's layout
    // The thread's own.
    RenderedFrom rendered[kDisplaySlots];

    bool Abandon() {
        Locked held(lock);
        return stop || pending.has_value();
    }
    void Run();
    void Abort();
    bool Render(const std::wstring& folder, int slot, const DisplayRenderInputs& in);
    // The composite of the request's applied settings into the composite's
    // file; what `done` gets for it, and false when abandoned.
    bool Compose(const RecomposeRequest& request, LPARAM& done);
};

CompositeWrite WriteDesktopComposite(const RecomposeRequest& request, const wchar_t* target,
                                     const std::function<bool()>& abandon) {
    DisplayList displays{};
    for (int i = 0; i < kDisplaySlots; ++i) displays.Records[i] = request.displays[i];
    const DesktopBox box = ComputeDesktopBox(displays);
    if (box.Width() <= 0 || box.Height() <= 0 || box.Width() > INT32_MAX || box.Height() > INT32_MAX)
        return CompositeWrite::NoCanvas;
    CLSID encoder{};
    if (CStaticWinPreview::FindJpegEncoderClsid(&encoder) < 0) return CompositeWrite::Failed;
    auto W = static_cast<INT>(box.Width()), H = static_cast<INT>(box.Height());
    // 24 bits a pixel: the JPEG keeps no alpha, starts black where nothing
    // lands, and GDI+ encodes it without first copying a 32-bit canvas into a
    // 24-bit one, which for ten 4K displays would be 237 MB more.
    std::unique_ptr<Gdiplus::Bitmap> canvas(new Gdiplus::Bitmap(W, H, PixelFormat24bppRGB));
    if (!canvas || canvas->GetLastStatus() != Gdiplus::Ok) return CompositeWrite::NoCanvas;
    {
        Gdiplus::Graphics graphics(canvas.get());
        for (int i = 0; i < kDisplaySlots; ++i) {
            const DisplayRecord& slot = request.displays[i];
            if (!slot.Name[0]) continue;
            if (abandon()) return CompositeWrite::Abandoned;
            // One display's picture at a time, freed once drawn.
            Gdiplus::Bitmap picture(velk::FormatText(kDisplayFileFormat, request.folder.c_str(), i).c_str());
            if (picture.GetLastStatus() != Gdiplus::Ok) continue;  // that area stays black
            CompositeDraw draws[2];
            int count = PlanDisplayDraws(slot, box, request.layout, static_cast<int32_t>(picture.GetWidth()),
                                         static_cast<int32_t>(picture.GetHeight()), draws);
            for (int k = 0; k < count; ++k) {
                const CompositeDraw& d = draws[k];
                graphics.DrawImage(&picture, Gdiplus::Rect(d.x, d.y, d.width, d.height), d.srcX, d.srcY, d.width,
                                   d.height, Gdiplus::UnitPixel);
            }
        }
    }
    if (abandon()) return CompositeWrite::Abandoned;
    return CStaticWinPreview::SaveJpegWith(encoder, *canvas, target) ? CompositeWrite::Written : CompositeWrite::Failed;
}

std::wstring RecomposeWorker::PartialComposite(const std::wstring& folder) {
    return folder + kCompositeFileName + L".part";
}

RecomposeWorker::RecomposeWorker() : state_(std::make_shared<State>()) {}

RecomposeWorker::~RecomposeWorker() { Stop(); }

uint64_t RecomposeWorker::Submit(HWND window, UINT message, RecomposeRequest request) {
    State& s = *state_;
    bool start = false;
    uint64_t id = 0;
    {
        Locked held(s.lock);
        if (s.stop) return 0;
        // What the request it replaces still had to do is done by this one,
        // with this one's settings. A composite taken over keeps the layout
        // of the newest request that asked for one (the waiting one is newer
        // than the running one), not a render-only request's default.
        auto takeOver = [&request](bool compose, CompositeLayout layout) {
            if (!compose || request.compose) return;
            request.compose = true;
            request.layout = layout;
        };
        if (s.pending) {
            request.renderSlots |= s.pending->renderSlots;
            takeOver(s.pending->compose, s.pending->layout);
        }
        if (s.running) {
            request.renderSlots |= s.runningRenders;
            takeOver(s.runningCompose, s.runningLayout);
        }
        s.pending = std::move(request);
        s.pendingId = ++s.lastId;
        s.window = window;
        s.message = message;
        id = s.pendingId;
        // A running thread takes the request before it would end.
        start = !s.alive;
        s.alive = true;
    }
    if (start) {
        // The thread holds the state too, so that one left to end with the
        // process never touches freed memory. It lives only while there is
        // work: under Wine every thread commits its whole stack.
        auto held = std::make_unique<std::shared_ptr<State>>(state_);
        thread_.reset(
            ::CreateThread(nullptr, kStackBytes, ThreadMain, held.get(), STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
        if (thread_) {
            held.release();  // the thread's now
        } else {
            Locked lock(s.lock);
            s.alive = false;
            s.pending.reset();
            return 0;
        }
    }
    return id;
}

void RecomposeWorker::Stop() {
    {
        Locked held(state_->lock);
        state_->stop = true;
        state_->pending.reset();
    }
    if (thread_) ::WaitForSingleObject(thread_.get(), kStopWaitMs);
    thread_.reset();
}

DWORD WINAPI RecomposeWorker::ThreadMain(void* parameter) {
    std::unique_ptr<std::shared_ptr<State>> held(static_cast<std::shared_ptr<State>*>(parameter));
    // GDI+ reads pictures through the platform's imaging codecs, which are
    // COM objects; and the thread holds GDI+ for itself, so that the page's
    // end of GDI+ never comes while this thread still draws.
    const bool com = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) token = 0;
    if (token) (*held)->Run();
    else (*held)->Abort();
    if (token) Gdiplus::GdiplusShutdown(token);
    if (com) ::CoUninitialize();
    return 0;
}

bool RecomposeWorker::State::Render(const std::wstring& folder, int slot, const DisplayRenderInputs& in) {
    const std::wstring target = velk::FormatText(kDisplayFileFormat, folder.c_str(), slot);
    RenderedFrom now{true, in.source, in.style, in.color, in.width, in.height, StampOf(in.source), {}};
    RenderedFrom& last = rendered[slot];
    if (last.valid && last.source == now.source && last.style == now.style && last.color == now.color &&
        last.width == now.width && last.height == now.height && last.sourceStamp == now.sourceStamp &&
        last.outputStamp == StampOf(target))
        return true;
    last.valid = false;
    std::unique_ptr<Gdiplus::Image> picture;
    if (!in.source.empty()) picture.reset(new Gdiplus::Image(in.source.c_str()));
    if (!RenderDisplayPicture(picture, in.style, in.color, in.width, in.height, target.c_str())) return false;
    now.outputStamp = StampOf(target);
    last = std::move(now);
    return true;
}

namespace {
bool SameInputs(const DisplayRenderInputs& a, const DisplayRenderInputs& b) {
    return a.source == b.source && a.style == b.style && a.color == b.color && a.width == b.width &&
           a.height == b.height;
}
}  // namespace

bool RecomposeWorker::State::Compose(const RecomposeRequest& request, LPARAM& done) {
    // The displays' files hold the applied settings while the composite is
    // drawn from them; a display whose preview shows an edit gets it back
    // after. A request that takes over meanwhile makes the composite again.
    for (int slot = 0; slot < kDisplaySlots; ++slot) {
        if (!request.displays[slot].Name[0]) continue;
        if (Abandon()) return false;
        Render(request.folder, slot, request.applied[slot]);
        if (!SameInputs(request.inputs[slot], request.applied[slot])) done &= ~RecomposedSlotBit(slot);
    }
    const std::wstring partial = PartialComposite(request.folder);
    const std::wstring composite = request.folder + kCompositeFileName;
    const CompositeWrite written = WriteDesktopComposite(request, partial.c_str(), [this] { return Abandon(); });
    bool failed = written == CompositeWrite::Failed;
    if (written == CompositeWrite::Written) {
        // Only a whole file takes the composite's name, and not once the
        // program is ending: the desktop keeps the one it has.
        bool stopping = false;
        {
            Locked held(lock);
            stopping = stop;
        }
        if (stopping) {
            ::DeleteFileW(partial.c_str());
            return false;
        }
        // A composite that cannot take its name is no composite: the old
        // one is not handed to the shell in its place.
        if (!::MoveFileExW(partial.c_str(), composite.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            ::DeleteFileW(partial.c_str());
            failed = true;
        }
    } else {
        ::DeleteFileW(partial.c_str());
        if (written == CompositeWrite::Abandoned) return false;
    }
    // Without a canvas the composite on disk, if any, is what the shell gets.
    done |= failed ? kRecomposedFailed : kRecomposedComposite;
    for (int slot = 0; slot < kDisplaySlots; ++slot) {
        if (!request.displays[slot].Name[0] || SameInputs(request.inputs[slot], request.applied[slot])) continue;
        if (Abandon()) return false;
        if (Render(request.folder, slot, request.inputs[slot])) done |= RecomposedSlotBit(slot);
    }
    return true;
}

void RecomposeWorker::State::Abort() {
    Locked held(lock);
    pending.reset();
    alive = false;
}

void RecomposeWorker::State::Run() {
    for (;;) {
        RecomposeRequest request;
        uint64_t id = 0;
        HWND target = nullptr;
        UINT answer = 0;
        {
            Locked held(lock);
            // Nothing left to do (or the program ending): the thread ends;
            // the next request starts another.
            if (stop || !pending) {
                alive = false;
                return;
            }
            request = std::move(*pending);
            pending.reset();
            id = pendingId;
            target = window;
            answer = message;
            running = true;
            runningRenders = request.renderSlots;
            runningCompose = request.compose;
            runningLayout = request.layout;
        }
        bool abandoned = false;
        LPARAM done = 0;
        for (int slot = 0; slot < kDisplaySlots && !abandoned; ++slot) {
            if (!(request.renderSlots & (1u << slot))) continue;
            if (Abandon()) {
                abandoned = true;
                break;
            }
            if (Render(request.folder, slot, request.inputs[slot])) done |= RecomposedSlotBit(slot);
            Locked held(lock);
            runningRenders &= ~(1u << slot);
        }
        if (!abandoned && request.compose) abandoned = !Compose(request, done);
        {
            Locked held(lock);
            running = false;
            runningRenders = 0;
            runningCompose = false;
        }
        if (!abandoned && target) ::PostMessageW(target, answer, static_cast<WPARAM>(id), done);
    }
}
