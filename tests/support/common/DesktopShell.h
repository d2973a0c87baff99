// The desktop shell the program asks to open addresses for the user.
#pragma once

#include <windows.h>

namespace testsupport
{

// Waits until the desktop shell answers for its desktop window (the folder view the program asks
// to open addresses). Wine's explorer keeps its desktop only while some process uses it: this
// process does from now on. Says on the test's output why, when it does not come.
bool WaitForDesktopShell(DWORD timeoutMs);

} // namespace testsupport
