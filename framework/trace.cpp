#include "framework/trace.h"
#include <iterator>

namespace velk {

std::wstring SystemErrorText(DWORD error) {
    wchar_t text[512] = {};
    DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                    text, static_cast<DWORD>(std::size(text)), nullptr);
    while (length > 0 && (text[length - 1] == L'\n' || text[length - 1] == L'\r' || text[length - 1] == L' '))
        --length;
    return std::wstring(text, length);
}

std::wstring FailureTraceText(std::wstring_view what, DWORD error) {
    std::wstring line(what);
    line += L" failed: error ";
    line += std::to_wstring(error);
    if (const std::wstring text = SystemErrorText(error); !text.empty()) line += L" (" + text + L")";
    line += L"\n";
    return line;
}

void TraceFailure(std::wstring_view what, DWORD error) noexcept {
    try {
        ::OutputDebugStringW(FailureTraceText(what, error).c_str());
    } catch (...) {
        // No memory for the text: the trace is left out.
    }
}

}  // namespace velk
