#include "DesktopShell.h"

#include "Wait.h"

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
    return WaitUntil(
        []
        {
            if (DesktopShellAnswers())
                return true;
            // Wine's explorer leaves the desktop a moment after its last program ended, and is
            // not started again for a process that already had the desktop window: start it.
            // A second one, while the first still manages the desktop, ends at once.
            char command[] = "explorer.exe /desktop";
            STARTUPINFOA startup = {sizeof(startup)};
            PROCESS_INFORMATION process = {};
            if (::CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &process))
            {
                ::CloseHandle(process.hThread);
                ::CloseHandle(process.hProcess);
            }
            return false;
        },
        timeoutMs, 1000);
}

} // namespace testsupport
