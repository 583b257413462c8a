// Waits that keep running this thread's messages, for tests whose windows
// live on the test's own thread.
#pragma once
#include <windows.h>
#include <functional>

namespace velk::test {

// Runs the messages this thread has now, without waiting for more.
void RunPendingMessages();

// Runs this thread's messages for ms milliseconds.
void PumpFor(DWORD ms);

// Runs this thread's messages until done() holds (true) or timeoutMs passed
// (false). done() is asked after each round of messages, so it ends as soon
// as the condition holds.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

}  // namespace velk::test
