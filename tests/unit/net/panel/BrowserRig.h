// What the browser panel tests and their child program share: OLE for a scope, the main dialog's
// real template with its panel attached to a CWebBrowser2, and a navigation as the dialog makes it.
#pragma once

#include "net/panel/BrowserHost.h"
#include "net/panel/WebBrowser2.h"
#include "resource.h"

#include "framework/Dialog.h"
#include "framework/Handles.h"

#include <windows.h>
#include <exdispid.h>
#include <ole2.h>

#include <string>

namespace browsertest
{

inline INT_PTR CALLBACK BareDlgProc(HWND, UINT msg, WPARAM, LPARAM)
{
    return msg == WM_INITDIALOG;
}

class OleScope
{
public:
    OleScope() : m_hr(::OleInitialize(nullptr)) {}
    ~OleScope()
    {
        if (SUCCEEDED(m_hr))
            ::OleUninitialize();
    }
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;

private:
    HRESULT m_hr;
};

// The main dialog's window from its real template (the panel is control 1037), with the panel
// attached to a CWebBrowser2 as the dialog's data exchange does.
class MainTemplate
{
public:
    MainTemplate()
    {
        CWebBrowser2::RegisterHostClass();
        m_dialog = ::CreateDialogParamA(::GetModuleHandleA(nullptr),
                                        MAKEINTRESOURCEA(IDD_SSD_DIALOG), nullptr, &BareDlgProc, 0);
        if (m_dialog)
            m_browser.SubclassWindow(::GetDlgItem(m_dialog, IDC_BROWSER));
    }
    ~MainTemplate()
    {
        m_browser.UnsubclassWindow();
        if (m_dialog)
            ::DestroyWindow(m_dialog);
    }
    MainTemplate(const MainTemplate&) = delete;
    MainTemplate& operator=(const MainTemplate&) = delete;

    HWND m_dialog = nullptr;
    CWebBrowser2 m_browser;
};

inline void NavigateTo(CWebBrowser2& browser, const std::string& address)
{
    std::wstring wide(address.begin(), address.end());
    VARIANT url;
    ::VariantInit(&url);
    url.vt = VT_BSTR;
    url.bstrVal = ::SysAllocString(wide.c_str());
    VARIANT empty;
    ::VariantInit(&empty);
    browser.Navigate2(&url, &empty, &empty, &empty, &empty);
    ::VariantClear(&url);
}

// Tells a browser event sink that a load of `window` (the control or a frame) ended at url, as the
// browser does: NavigateComplete2 and DocumentComplete (pDisp, URL), NavigateError (pDisp, URL,
// Frame, StatusCode, Cancel), the arguments last first, the address by reference. True when the
// sink cancelled it.
inline bool FireLoadEnded(IDispatch* sink, DISPID id, const std::string& url, IDispatch* window)
{
    const std::wstring wide(url.begin(), url.end());
    VARIANT address = {};
    address.vt = VT_BSTR;
    address.bstrVal = ::SysAllocString(wide.c_str());
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANTARG args[5] = {};
    args[0].vt = VT_BOOL | VT_BYREF; // the cancel flag, where the event has one
    args[0].pboolVal = &cancel;
    const UINT count = id == DISPID_NAVIGATEERROR ? 5 : 2;
    args[count - 2].vt = VT_VARIANT | VT_BYREF;
    args[count - 2].pvarVal = &address;
    args[count - 1].vt = VT_DISPATCH;
    args[count - 1].pdispVal = window;
    DISPPARAMS params = {args, nullptr, count, 0};
    sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                 nullptr);
    ::VariantClear(&address);
    return cancel != VARIANT_FALSE;
}

} // namespace browsertest
