// A real Win32 service of our own for tests of service control: installed under any name with
// CreateServiceA (SERVICE_WIN32_OWN_PROCESS), binary path
//   "Z:\...\dadaror_testservice.exe" [--stop-delay=<ms>]
// It reports itself running as soon as it is started. On a stop request it reports
// SERVICE_STOP_PENDING and stays so for <ms> milliseconds (default 0) before it reports
// SERVICE_STOPPED and ends; interrogation is answered, every other control is refused.
// Run by hand (not by the manager) it ends at once with exit code 1.
#include <windows.h>
#include <cstdlib>
#include <cstring>

namespace
{

SERVICE_STATUS_HANDLE g_statusHandle;
SERVICE_STATUS g_status;
HANDLE g_stopRequested;
DWORD g_stopDelayMs;

void Report(DWORD state, DWORD waitHint)
{
    g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    g_status.dwCurrentState = state;
    g_status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    g_status.dwWin32ExitCode = NO_ERROR;
    g_status.dwWaitHint = waitHint;
    ++g_status.dwCheckPoint;
    ::SetServiceStatus(g_statusHandle, &g_status);
}

DWORD WINAPI ControlHandler(DWORD control, DWORD, void*, void*)
{
    switch (control)
    {
    case SERVICE_CONTROL_STOP:
        Report(SERVICE_STOP_PENDING, g_stopDelayMs + 1000);
        ::SetEvent(g_stopRequested);
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD, char** argv)
{
    g_stopRequested = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_statusHandle =
        ::RegisterServiceCtrlHandlerExA(argv && argv[0] ? argv[0] : "", ControlHandler, nullptr);
    if (!g_statusHandle)
        return;
    Report(SERVICE_RUNNING, 0);
    ::WaitForSingleObject(g_stopRequested, INFINITE);
    // The slow stop the test asked for: the manager sees the service stopping all this time.
    if (g_stopDelayMs)
        ::Sleep(g_stopDelayMs);
    g_status.dwCheckPoint = 0;
    Report(SERVICE_STOPPED, 0);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const char* option = std::strstr(::GetCommandLineA(), "--stop-delay=");
    if (option)
        g_stopDelayMs =
            static_cast<DWORD>(std::strtoul(option + std::strlen("--stop-delay="), nullptr, 10));
    // In its own process the dispatcher ignores the name.
    char name[] = "dadaror_testservice";
    SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return ::StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
