// The main program with one fault put in through the platform seam: reading
// the foreground window throws, so the main dialog's window-hotkey handler
// fails during the modal run. Everything else is the real program.
#include "app/velkmira_app.h"
#include "framework/platform.h"
#include <stdexcept>
#include <windows.h>

namespace {
HWND WINAPI FailingGetForegroundWindow() { throw std::runtime_error("probe: the foreground window is out of reach"); }
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    velk::Platform().GetForegroundWindow = FailingGetForegroundWindow;
    return velk::RunApplication(theApp);
}
