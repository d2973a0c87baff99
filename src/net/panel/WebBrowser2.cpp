#include "WebBrowser2.h"

#include "BrowserHost.h"
#include "framework/Handles.h"

namespace
{
// The control's published Navigate2 method.
const DISPID kDispidNavigate2 = 500;
} // namespace

HRESULT (*CWebBrowser2::s_pfnGetControl)(HWND, IUnknown**) = &browserhost::GetControl;

const CLSID& CWebBrowser2::GetClsid()
{
    return browserhost::kClsidWebBrowser;
}

BOOL CWebBrowser2::RegisterHostClass()
{
    return browserhost::RegisterHostClass();
}

BOOL CWebBrowser2::Create(const char*, const char* windowName, DWORD style, const RECT& rect,
                          fw::CWnd* parent, UINT id)
{
    if (!RegisterHostClass() || !parent)
        return FALSE;
    HWND hwnd = ::CreateWindowExA(
        0, browserhost::kClassName, windowName, style, rect.left, rect.top, rect.right - rect.left,
        rect.bottom - rect.top, parent->m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
        ::GetModuleHandleA(nullptr), nullptr);
    return hwnd ? SubclassWindow(hwnd) : FALSE;
}

void CWebBrowser2::Navigate2(VARIANT* url, VARIANT* flags, VARIANT* targetFrameName,
                             VARIANT* postData, VARIANT* headers)
{
    fw::CComPtr<IUnknown> control;
    if (FAILED(s_pfnGetControl(m_hWnd, control.Receive())))
        return;
    fw::CComPtr<IDispatch> dispatch;
    if (FAILED(control->QueryInterface(IID_IDispatch, dispatch.ReceiveVoid())) || !dispatch)
        return;

    // A missing argument goes as an empty variant, as the control expects for "not given".
    VARIANT empty;
    ::VariantInit(&empty);
    VARIANT* given[5] = {url, flags, targetFrameName, postData, headers};
    // Invoke takes the arguments last first.
    VARIANTARG args[5];
    for (int i = 0; i < 5; ++i)
    {
        VARIANTARG& arg = args[4 - i];
        ::VariantInit(&arg);
        arg.vt = VT_VARIANT | VT_BYREF;
        arg.pvarVal = given[i] ? given[i] : &empty;
    }
    DISPPARAMS params = {args, nullptr, 5, 0};
    dispatch->Invoke(kDispidNavigate2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                     nullptr, nullptr, nullptr);
}
