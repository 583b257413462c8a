// The recompose thread: renders the displays' pictures and writes the
// desktop composite away from the user-interface thread, one request at a
// time, and reports the finished request to a window with a posted message.
// The thread runs only while it has a request.
#pragma once
#include "display/display_list.h"
#include "framework/handles.h"
#include "wallpaper/desktop_composite.h"
#include <windows.h>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// How one display's picture is rendered: its source picture, style, colour
// and size (as the page chose them when the request was made).
struct DisplayRenderInputs {
    std::wstring source;
    int32_t style = 0;
    COLORREF color = 0;
    int32_t width = 0, height = 0;
};

// The files to bring up to date, with the settings of the moment it was made.
struct RecomposeRequest {
    std::wstring folder;                      // the rendering folder, ends in a backslash
    uint32_t renderSlots = 0;                 // bit i: render slot i into "WallPaper<i>.jpg"
    DisplayRenderInputs inputs[kDisplaySlots];   // every slot as the page shows it
    DisplayRenderInputs applied[kDisplaySlots];  // every slot as applied: what the composite shows
    bool compose = false;                     // then write the composite from the rendered files
    DisplayRecord displays[kDisplaySlots]{};  // the display table, for the composite
    CompositeLayout layout = CompositeLayout::Offset;  // the composite's, when compose is set
};

// lParam of the finished message: bit 0 the composite is to be applied (as
// written now, or without a canvas the one on disk); bits 1 to 10 the slots
// whose files are up to date with what the page shows; bit 11 the composite
// could not be made (the one on disk, if any, is not this request's).
inline constexpr LPARAM kRecomposedComposite = 1;
inline LPARAM RecomposedSlotBit(int slot) { return LPARAM{1} << (slot + 1); }
inline constexpr LPARAM kRecomposedFailed = LPARAM{1} << 11;

enum class CompositeWrite {
    Written,    // target holds the whole composite
    NoCanvas,   // the box is empty or too large for a canvas: nothing written
    Failed,     // no JPEG encoder, or the file could not be saved
    Abandoned,  // abandon() answered true
};
// Writes the composite of the rendered files of the request's named displays
// to target, drawing one display's picture at a time; abandon() is asked
// between displays.
CompositeWrite WriteDesktopComposite(const RecomposeRequest& request, const wchar_t* target,
                                     const std::function<bool()>& abandon);

class RecomposeWorker {
public:
    RecomposeWorker();
    // Stops the thread (see Stop).
    ~RecomposeWorker();
    RecomposeWorker(const RecomposeWorker&) = delete;
    RecomposeWorker& operator=(const RecomposeWorker&) = delete;

    // Hands a request to the thread, which posts `message` (wParam: the
    // answered id) to `window` when it is done. A request not yet finished is
    // replaced: its renders and its composite are taken into the new one,
    // which is made with the new settings (the last settings win), a
    // composite taken over with the layout of the newest request that asked
    // for one; only the last request is answered. Answers the request's id (from 1 on), 0 when
    // the thread could not be started.
    uint64_t Submit(HWND window, UINT message, RecomposeRequest request);
    // Stops between two displays and ends the thread, waiting for it at most
    // about a second and a half; a thread still in one encoding then ends
    // with the process, and what it wrote is never put in place.
    void Stop();
    // The file the composite is written to before it takes the composite's name.
    static std::wstring PartialComposite(const std::wstring& folder);

private:
    struct State;
    static DWORD WINAPI ThreadMain(void* parameter);
    std::shared_ptr<State> state_;
    velk::UniqueHandleObj thread_;
};
