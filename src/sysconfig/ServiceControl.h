// Start type and state of one Windows service, through the Service Control Manager functions of
// advapi32.dll looked up by name once per process.
#pragma once

#include <windows.h>

class CServiceControl
{
public:
    // Results of the operations besides the call's own: the manager could not be opened (or
    // the service could not, for a reason other than its absence), or the service does not exist.
    static constexpr int kFailed = -1;
    static constexpr int kNoSuchService = -2;
    // Stop's wait count for "as long as the service says it is stopping".
    static constexpr int kWaitForever = -1;

    // Enables the debug privilege of the process and binds the service functions.
    CServiceControl();

    // The service's key name; longer names are cut to 520 characters.
    void SetServiceName(const char* name);

    // ChangeServiceConfigA's result (non-zero on success), or kFailed / kNoSuchService.
    int SetStartType(DWORD startType);
    // Asks the service to stop and waits at most waitCount seconds while it reports itself
    // stopping. 1 when it was last seen stopped, else kFailed, or kNoSuchService.
    int Stop(int waitCount);
    // Asks the manager to start the service without waiting for it to run: 1 when accepted,
    // else kFailed, or kNoSuchService.
    int Start();

    bool IsBound() const { return m_bBound != 0; }

private:
    int m_bBound;
    char m_szServiceName[521];
};

// Test seam: how the manager and a service are opened (the bound advapi32.dll functions when
// null).
using OpenSCManagerAFn = SC_HANDLE(WINAPI*)(LPCSTR, LPCSTR, DWORD);
using OpenServiceAFn = SC_HANDLE(WINAPI*)(SC_HANDLE, LPCSTR, DWORD);
extern OpenSCManagerAFn g_pfnOpenSCManagerA;
extern OpenServiceAFn g_pfnOpenServiceA;
