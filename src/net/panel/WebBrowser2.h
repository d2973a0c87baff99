// The embedded web browser control of the advertisement panel.
#pragma once

#include "framework/Wnd.h"

#include <oaidl.h>

class CWebBrowser2 : public fw::CWnd
{
public:
    static const CLSID& GetClsid();
    // Registers the window class named after the control's class id, so that a dialog template
    // naming that class can be created; the window hosts the browser control.
    static BOOL RegisterHostClass();

    // className is accepted for the caller's convenience and ignored: the window is always our
    // host of the browser control.
    BOOL Create(const char* className, const char* windowName, DWORD style, const RECT& rect,
                fw::CWnd* parent, UINT id);
    // The control's Navigate2, all five parameters by reference. Without a control, or when the
    // control refuses, nothing happens: the panel stays as it is.
    void Navigate2(VARIANT* url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData,
                   VARIANT* headers);

    // Test seam: how Navigate2 finds the control in its window (browserhost::GetControl).
    static HRESULT (*s_pfnGetControl)(HWND host, IUnknown** control);
};
