#include "display/active_desktop.h"

namespace {

// The shell's Active Desktop object and interface, named here so that no
// newer SDK header is needed.
const CLSID kClsidActiveDesktop = {0x75048700, 0xEF1F, 0x11D0, {0x98, 0x88, 0x00, 0x60, 0x97, 0xDE, 0xAC, 0xF9}};
const IID kIidActiveDesktop = {0xF490EB00, 0x1240, 0x11D1, {0x98, 0x88, 0x00, 0x60, 0x97, 0xDE, 0xAC, 0xF9}};

}  // namespace

velk::ComPtr<IActiveDesktop> CreateActiveDesktop() {
    velk::ComPtr<IActiveDesktop> desktop;
    if (FAILED(::CoCreateInstance(kClsidActiveDesktop, nullptr, CLSCTX_INPROC_SERVER, kIidActiveDesktop,
                                  desktop.put_void())))
        desktop.reset();
    return desktop;
}
