// The calls of the restart. Tests replace them: a real restart would end every process of the
// test machine's session, the tests' own included.
#pragma once

#include <windows.h>

struct RestartCalls
{
    BOOL(WINAPI* openProcessToken)(HANDLE process, DWORD access, PHANDLE token);
    BOOL(WINAPI* adjustTokenPrivileges)
    (HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState, DWORD length,
     PTOKEN_PRIVILEGES previous, PDWORD returned);
    BOOL(WINAPI* exitWindowsEx)(UINT flags, DWORD reason);
};

extern RestartCalls g_restartCalls;
