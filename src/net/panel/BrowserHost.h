// The window that holds the web browser control inside a dialog. Dialog templates name the
// control by its class id text; a window class of that name is ours, and it is the control's
// container: the control is activated in place over its client area, takes its ambient
// properties from it, and reports its navigations to the panel's guard.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace browserhost
{

// The class name dialog templates use for the browser control, and the control's class id.
extern const char kClassName[];
extern const CLSID kClsidWebBrowser;

// Registers the host window class in this program's module; TRUE when it exists afterwards.
BOOL RegisterHostClass();

// The control inside a host window, with a reference for the caller; null when the control was
// not created (the browser could not be made).
HRESULT GetControl(HWND host, IUnknown** control);

// Test seam: how a host makes its panel's event sink (panelguard::CreateEventSink by default).
using CreateEventSinkFn = HRESULT (*)(HWND panel, IUnknown* browser, IDispatch** sink);
extern CreateEventSinkFn g_pfnCreateEventSink;

} // namespace browserhost
