// Waiting on a condition, never on the clock alone: every wait of the tests is one of these.
#pragma once

#include <windows.h>

#include <functional>

namespace testsupport
{

// Polls `condition` every `pollMs` until it holds or `timeoutMs` passed; true when it held (its
// last answer is taken after the time-out too).
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs = 20);

// The same while handling this thread's messages, so that its windows keep working. Each message
// is offered to `preTranslate` first (true: handled) when one is given, as a modal loop does.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs,
               const std::function<bool(MSG*)>& preTranslate = nullptr);

} // namespace testsupport
