#include "DesktopShell.h"

#include <cstdio>
#include <string>

#include <exdisp.h>
#include <shlobj.h>

namespace testsupport
{

namespace
{

bool DesktopShellAnswers()
{
    const HRESULT apartment = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellWindows* windows = nullptr;
    IDispatch* desktop = nullptr;
    VARIANT location, root;
    ::VariantInit(&root);
    location.vt = VT_I4;
    location.lVal = CSIDL_DESKTOP;
    long window = 0;
    const bool up =
        SUCCEEDED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_IShellWindows,
                                     reinterpret_cast<void**>(&windows))) &&
        windows->FindWindowSW(&location, &root, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                              &desktop) == S_OK &&
        desktop;
    if (desktop)
        desktop->Release();
    if (windows)
        windows->Release();
    if (SUCCEEDED(apartment))
        ::CoUninitialize();
    return up;
}

} // namespace

bool WaitForDesktopShell(DWORD timeoutMs)
{
    ::GetDesktopWindow();
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    std::string reason = "the time ran out";
    // Wine's explorer leaves the desktop a moment after its last program ended, and is not
    // started again for a process that already had the desktop window: start it. It is ready
    // once it waits for input (its shell windows are registered before that).
    char command[] = "explorer.exe /desktop";
    STARTUPINFOA startup = {sizeof(startup)};
    PROCESS_INFORMATION process = {};
    for (ULONGLONG now = 0; !DesktopShellAnswers();)
    {
        if ((now = ::GetTickCount64()) >= end ||
            !::CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &process))
        {
            if (now < end)
                reason = "explorer.exe not started, error " + std::to_string(::GetLastError());
            std::printf("[desktop shell] none after %lu ms: %s\n", timeoutMs, reason.c_str());
            std::fflush(stdout);
            return false;
        }
        ::CloseHandle(process.hThread);
        const DWORD idle = ::WaitForInputIdle(process.hProcess, static_cast<DWORD>(end - now));
        DWORD code = STILL_ACTIVE, holder = 0;
        ::GetExitCodeProcess(process.hProcess, &code);
        ::CloseHandle(process.hProcess);
        reason = code != STILL_ACTIVE   ? "explorer.exe ended at once, beside another"
                 : idle == WAIT_TIMEOUT ? "explorer.exe never waited for input"
                                        : "explorer.exe is ready, its shell does not answer";
        // A second one ends at once while the first still has the desktop: wait for that to go.
        ::GetWindowThreadProcessId(::GetDesktopWindow(), &holder);
        if (HANDLE h = code != STILL_ACTIVE ? ::OpenProcess(SYNCHRONIZE, FALSE, holder) : nullptr)
        {
            ::WaitForSingleObject(h, 1000);
            ::CloseHandle(h);
        }
    }
    return true;
}

} // namespace testsupport
