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

    BOOL Create(const char* className, const char* windowName, DWORD style, const RECT& rect,
                fw::CWnd* parent, UINT id);
    void Navigate2(VARIANT* url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData,
                   VARIANT* headers);
};
