// Rendering of one display's picture: the choice of its source, style and
// colour, and the requests to the recompose thread that renders it.
#include "display/display_list.h"
#include "framework/app.h"
#include "wallpaper/os_wallpaper.h"
#include "wallpaper/wallpaper_page.h"

bool CWallpaperProp::ChooseRenderInputs(int index, DisplayRenderInputs& inputs, bool applied) {
    const DisplayList* displays = CurrentDisplayList();
    inputs.width = displays ? displays->Records[index].Width : 0;
    inputs.height = displays ? displays->Records[index].Height : 0;
    const WallpaperRecord& record = applied ? AppliedRecords[index] : WallpaperRecords[index];
    const uint8_t useOsWallpaper = applied ? AppliedUseOsWallpaper : UseOsWallpaper;
    if (useOsWallpaper || !record.PicturePath[0]) {
        velk::CWinApp* app = velk::AfxGetApp();
        if (!app) return false;
        inputs.source = app->GetProfileString(kWallpaperSection, L"OSWallpaper");
        inputs.style = static_cast<int32_t>(app->GetProfileInt(kWallpaperSection, L"OSWallpaperStyle", 0));
        inputs.color = app->GetProfileInt(kWallpaperSection, L"OSBackColor",
                                          useOsWallpaper ? 0 : static_cast<int>(kDefaultWallpaperBackColor));
    } else {
        inputs.source = record.PicturePath;
        inputs.style = record.Style;
        inputs.color = record.BackColor;
    }
    return true;
}

uint32_t CWallpaperProp::PresentSlots() {
    uint32_t present = 0;
    if (const DisplayList* displays = CurrentDisplayList())
        for (int i = 0; i < kDisplaySlots; ++i)
            if (displays->Records[i].DisplayNumber != 0) present |= 1u << i;
    return present;
}

uint64_t CWallpaperProp::QueueRecompose(uint32_t renderSlots, bool compose) {
    if (!hwnd_) return 0;
    RecomposeRequest request;
    request.folder = MakeRenderingFolder();
    request.compose = compose;
    for (int i = 0; i < kDisplaySlots; ++i) {
        if (!(renderSlots & (1u << i))) continue;
        if (ChooseRenderInputs(i, request.inputs[i])) request.renderSlots |= 1u << i;
    }
    // Every slot's settings go with the request: one that replaces it may
    // take over its renders.
    for (int i = 0; i < kDisplaySlots; ++i)
        if (!(request.renderSlots & (1u << i))) ChooseRenderInputs(i, request.inputs[i]);
    // The composite, this request's or one it takes over, is made of the
    // applied settings only, whatever the controls show.
    for (int i = 0; i < kDisplaySlots; ++i) ChooseRenderInputs(i, request.applied[i], true);
    if (const DisplayList* displays = CurrentDisplayList())
        for (int i = 0; i < kDisplaySlots; ++i) request.displays[i] = displays->Records[i];
    if (compose) request.layout = ChooseCompositeLayout();
    const uint64_t id = Recomposer.Submit(hwnd_, kRecomposedMessage, std::move(request));
    if (id) lastRequest_ = id;
    return id;
}

bool CWallpaperProp::IsRecomposePending() const noexcept { return lastRequest_ != lastAnswered_; }

LRESULT CWallpaperProp::OnRecomposed(WPARAM id, LPARAM done) {
    // Only the last request is answered; the ones it replaced never are.
    lastAnswered_ = static_cast<uint64_t>(id);
    if ((done & (kRecomposedComposite | kRecomposedFailed)) && composeRequest_ != 0 &&
        static_cast<uint64_t>(id) >= composeRequest_) {
        composeRequest_ = 0;
        const std::wstring composite = RenderingFolderPath() + kCompositeFileName;
        // A composite that could not be made leaves the desktop as it was,
        // and the applied settings still waiting for it.
        bool applied = false;
        if (!(done & kRecomposedFailed)) applied = ApplyWindowsWallpaper(composite.c_str(), WPSTYLE_TILE);
        if (applied) MarkRecomposePending(false);
        else if (OnDesktopApplyFailed) OnDesktopApplyFailed();
    }
    if (CurrentDisplayIndex >= 0 && CurrentDisplayIndex < kDisplaySlots && (done & RecomposedSlotBit(CurrentDisplayIndex)))
        Preview.SetImageFile(RenderedFile(CurrentDisplayIndex).c_str());
    return 0;
}

BOOL CWallpaperProp::RecomposeDisplayPreview(int index) {
    MakeRenderingFolder();
    if (!HasParentWindow() || index < 0 || index >= kDisplaySlots) return FALSE;
    DisplayRenderInputs inputs;
    if (!ChooseRenderInputs(index, inputs)) return FALSE;
    QueueRecompose(1u << index, false);
    return TRUE;
}
