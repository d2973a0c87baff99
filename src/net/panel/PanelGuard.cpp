#include "PanelGuard.h"

#include "framework/ComObject.h"
#include "framework/Handles.h"

#include <exdisp.h>
#include <exdispid.h>
#include <idispids.h>
#include <mshtmdid.h>

#include <new>

namespace panelguard
{

const LONG kDownloadControl = DLCTL_DLIMAGES | DLCTL_VIDEOS | DLCTL_BGSOUNDS | DLCTL_NO_SCRIPTS |
                              DLCTL_NO_JAVA | DLCTL_NO_RUNACTIVEXCTLS | DLCTL_NO_DLACTIVEXCTLS |
                              DLCTL_NO_BEHAVIORS | DLCTL_SILENT | DLCTL_RESYNCHRONIZE |
                              DLCTL_PRAGMA_NO_CACHE;

const LONG kPageNavigation = navNoReadFromCache | navNoWriteToCache;

const IID kDiidWebBrowserEvents2 = {
    0x34A715A0, 0x6587, 0x11D0, {0x92, 0x4A, 0x00, 0x20, 0xAF, 0xC7, 0xAC, 0x4D}};

namespace
{

LONG g_liveObjects = 0;

// IUnknown and the type-information half of IDispatch for the panel's two objects.
class CDispatchObject : public fw::CComObject<IDispatch>
{
public:
    explicit CDispatchObject(const IID& own) : m_own(own)
    {
        ::InterlockedIncrement(&g_liveObjects);
    }
    ~CDispatchObject() override { ::InterlockedDecrement(&g_liveObjects); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == m_own)
        {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        if (info)
            *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return E_NOTIMPL;
    }

private:
    const IID m_own;
};

// An argument given by reference as a variant is read through that reference.
const VARIANT& Value(const VARIANTARG& arg)
{
    return arg.vt == (VT_VARIANT | VT_BYREF) && arg.pvarVal ? *arg.pvarVal : arg;
}

// The text of a string argument; null when it is not one.
const wchar_t* TextOf(const VARIANTARG& arg)
{
    const VARIANT& v = Value(arg);
    if (v.vt == VT_BSTR)
        return v.bstrVal ? v.bstrVal : L"";
    if (v.vt == (VT_BSTR | VT_BYREF) && v.pbstrVal)
        return *v.pbstrVal ? *v.pbstrVal : L"";
    return nullptr;
}

bool IsTrue(const VARIANTARG& arg)
{
    const VARIANT& v = Value(arg);
    if (v.vt == VT_BOOL)
        return v.boolVal != VARIANT_FALSE;
    if (v.vt == (VT_BOOL | VT_BYREF) && v.pboolVal)
        return *v.pboolVal != VARIANT_FALSE;
    return false;
}

// The browser's Cancel argument: a VARIANT_BOOL by reference.
void Cancel(const VARIANTARG& arg)
{
    if (arg.vt == (VT_BOOL | VT_BYREF) && arg.pboolVal)
        *arg.pboolVal = VARIANT_TRUE;
}

class CEventSink : public CDispatchObject
{
public:
    CEventSink(HWND panel, IUnknown* browser)
        : CDispatchObject(kDiidWebBrowserEvents2), m_panel(panel), m_browser(browser)
    {
    }

    // The arguments arrive last first: args[0] is the event's last parameter.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                     EXCEPINFO*, UINT*) override
    {
        if (!params || (params->cArgs && !params->rgvarg))
            return S_OK;
        const VARIANTARG* args = params->rgvarg;
        const UINT count = params->cArgs;
        switch (id)
        {
        case DISPID_BEFORENAVIGATE2: // (pDisp, URL, Flags, TargetFrameName, PostData, Headers,
                                     // Cancel); an address we can't find is refused
            if (count >= 1 && (count != 7 || !m_guard.Allow(TextOf(args[5]))))
                Cancel(args[0]);
            break;
        case DISPID_NAVIGATECOMPLETE2: // (pDisp, URL): where a load ended, after the server's
        case DISPID_DOCUMENTCOMPLETE:  // redirections, which no BeforeNavigate2 may have shown
        case DISPID_NAVIGATEERROR:     // (pDisp, URL, Frame, StatusCode, Cancel)
        {
            const UINT url = id == DISPID_NAVIGATEERROR ? 3 : 0;
            const bool known = count == url + 2;
            if (m_guard.Completed(known ? TextOf(args[url]) : nullptr,
                                  known && IsPage(args[url + 1]), url != 0))
                break;
            if (url && count == 5) // no error page of the engine's either
                Cancel(args[0]);
            ::PostMessageA(m_panel, kEmptyPanel, 0, 0);
            break;
        }
        case DISPID_NEWWINDOW2: // (ppDisp, Cancel)
            if (count == 2)
                Cancel(args[0]);
            break;
        case DISPID_NEWWINDOW3: // (ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl)
            if (count == 5)
                Cancel(args[3]);
            break;
        case DISPID_FILEDOWNLOAD: // (ActiveDocument, Cancel). Browsers before 7 give only
                                  // Cancel and cannot tell a page from a file: there the
                                  // engine's download restriction decides.
            if (count == 2 && !IsTrue(args[1]))
                Cancel(args[0]);
            break;
        default:
            break;
        }
        return S_OK;
    }

private:
    // Whether an event's window (its pDisp) is the control itself rather than one of its frames.
    bool IsPage(const VARIANTARG& arg) const
    {
        const VARIANT& v = Value(arg);
        IDispatch* window = v.vt == VT_DISPATCH                               ? v.pdispVal
                            : v.vt == (VT_DISPATCH | VT_BYREF) && v.ppdispVal ? *v.ppdispVal
                                                                              : nullptr;
        fw::CComPtr<IUnknown> identity;
        return window && m_browser &&
               SUCCEEDED(window->QueryInterface(IID_IUnknown, identity.ReceiveVoid())) &&
               identity.Get() == m_browser;
    }

    HWND m_panel;
    IUnknown* m_browser;
    CNavigationGuard m_guard;
};

class CAmbient : public CDispatchObject
{
public:
    CAmbient() : CDispatchObject(IID_IDispatch) {}

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result,
                                     EXCEPINFO*, UINT*) override
    {
        if (id != DISPID_AMBIENT_DLCONTROL && id != DISPID_AMBIENT_SILENT)
            return DISP_E_MEMBERNOTFOUND; // the host answers it
        if (!result)
            return E_POINTER;
        ::VariantInit(result);
        if (id == DISPID_AMBIENT_SILENT)
        {
            result->vt = VT_BOOL;
            result->boolVal = VARIANT_TRUE;
            return S_OK;
        }
        result->vt = VT_I4;
        result->lVal = kDownloadControl;
        return S_OK;
    }
};

} // namespace

HRESULT CreateEventSink(HWND panel, IUnknown* browser, IDispatch** sink)
{
    if (!sink)
        return E_POINTER;
    *sink = new (std::nothrow) CEventSink(panel, browser);
    return *sink ? S_OK : E_OUTOFMEMORY;
}

HRESULT CreateAmbient(IDispatch** ambient)
{
    if (!ambient)
        return E_POINTER;
    *ambient = new (std::nothrow) CAmbient();
    return *ambient ? S_OK : E_OUTOFMEMORY;
}

LONG LiveObjects()
{
    return g_liveObjects;
}

} // namespace panelguard
