// The browser control's container inside the panel's host window: the one object the control
// and its engine ask about where they live, what they may do and how they look.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <urlmon.h>

namespace browserhost
{

// The control's client site, in-place site and frame, all in `host`; the source of its ambient
// properties (`ambient` answers them, the rest keep the control's defaults); the host of the
// engine's user interface, which draws no border and offers no context menu; and the provider
// of the engine's security manager (`security`). One reference for the caller.
HRESULT CreateSite(HWND host, IDispatch* ambient, IInternetSecurityManager* security,
                   IOleClientSite** site);

} // namespace browserhost
