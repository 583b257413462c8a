// Traces of failures for the debugger (OutputDebugString), each naming the
// system error it read.
#pragma once
#include <windows.h>
#include <string>
#include <string_view>

namespace velk {

// The system's text for an error code, without its line end; empty when the
// system has none.
std::wstring SystemErrorText(DWORD error);
// "<what> failed: error <number> (<text>)" with a line end; without the
// parenthesis when the system has no text.
std::wstring FailureTraceText(std::wstring_view what, DWORD error);
// Writes FailureTraceText to the debugger.
void TraceFailure(std::wstring_view what, DWORD error) noexcept;

}  // namespace velk
