#include "testing/support/pump.h"

namespace velk::test {

void RunPendingMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

namespace {

// The unsigned difference of tick counts stays right when the count wraps.
DWORD Elapsed(DWORD start) { return ::GetTickCount() - start; }

}  // namespace

void PumpFor(DWORD ms) {
    const DWORD start = ::GetTickCount();
    do {
        RunPendingMessages();
        const DWORD elapsed = Elapsed(start);
        if (elapsed >= ms) break;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed < 10 ? ms - elapsed : 10, QS_ALLINPUT);
    } while (Elapsed(start) < ms);
    RunPendingMessages();
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        RunPendingMessages();
        if (done()) return true;
        if (Elapsed(start) >= timeoutMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

}  // namespace velk::test
