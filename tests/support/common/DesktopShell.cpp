#include "DesktopShell.h"

#include "Wait.h"

#include <exdisp.h>
#include <shlobj.h>

namespace testsupport
{

bool WaitForDesktopShell(DWORD timeoutMs)
{
    ::GetDesktopWindow();
    return WaitUntil(
        []
        {
            const HRESULT apartment = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            IShellWindows* windows = nullptr;
            IDispatch* desktop = nullptr;
            VARIANT location, root;
            ::VariantInit(&root);
            location.vt = VT_I4;
            location.lVal = CSIDL_DESKTOP;
            long window = 0;
            const bool up = SUCCEEDED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL,
                                                         IID_IShellWindows,
                                                         reinterpret_cast<void**>(&windows))) &&
                            windows->FindWindowSW(&location, &root, SWC_DESKTOP, &window,
                                                  SWFO_NEEDDISPATCH, &desktop) == S_OK &&
                            desktop;
            if (desktop)
                desktop->Release();
            if (windows)
                windows->Release();
            if (SUCCEEDED(apartment))
                ::CoUninitialize();
            return up;
        },
        timeoutMs, 200);
}

} // namespace testsupport
