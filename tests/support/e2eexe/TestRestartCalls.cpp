// The test build's restart: a real restart under Wine would end every process of the test
// prefix, the tests' own included. The call is written to the debugger output instead, and
// DADAROR_TEST_RESTART makes one of the three steps fail: "token", "adjust" or "exit".
#include "console/Restart.h"

#include <cstdio>
#include <cstring>

namespace
{
bool FailureRequested(const char* step)
{
    // The program judges the privilege adjustment by the last error: asking for the variable
    // must not change it.
    DWORD lastError = ::GetLastError();
    char value[32] = {};
    DWORD n = ::GetEnvironmentVariableA("DADAROR_TEST_RESTART", value, sizeof(value));
    ::SetLastError(lastError);
    return n > 0 && n < sizeof(value) && std::strcmp(value, step) == 0;
}

BOOL WINAPI TestOpenProcessToken(HANDLE process, DWORD access, PHANDLE token)
{
    char line[64];
    std::snprintf(line, sizeof(line), "test: OpenProcessToken access=0x%lx",
                  static_cast<unsigned long>(access));
    ::OutputDebugStringA(line);
    if (FailureRequested("token"))
    {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return ::OpenProcessToken(process, access, token);
}

BOOL WINAPI TestAdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState,
                                      DWORD length, PTOKEN_PRIVILEGES previous, PDWORD returned)
{
    ::OutputDebugStringA("test: AdjustTokenPrivileges");
    BOOL ok = ::AdjustTokenPrivileges(token, disableAll, newState, length, previous, returned);
    if (FailureRequested("adjust"))
        ::SetLastError(ERROR_NOT_ALL_ASSIGNED);
    return ok;
}

BOOL WINAPI TestExitWindowsEx(UINT flags, DWORD reason)
{
    char line[64];
    std::snprintf(line, sizeof(line), "test: ExitWindowsEx flags=0x%x reason=0x%08lx", flags,
                  static_cast<unsigned long>(reason));
    ::OutputDebugStringA(line);
    return FailureRequested("exit") ? FALSE : TRUE;
}
} // namespace

RestartCalls g_restartCalls = {&TestOpenProcessToken, &TestAdjustTokenPrivileges,
                               &TestExitWindowsEx};
