#include "BrowserHost.h"

#include "PanelGuard.h"
#include "PanelSecurity.h"
#include "framework/Handles.h"
#include "framework/SystemLibrary.h"

#include <mshtmhst.h>
#include <ocidl.h>
#include <servprov.h>
#include <urlmon.h>

#include <memory>

namespace browserhost
{

const char kClassName[] = "{8856F961-340A-11D0-A96B-00C04FD705A2}";
const CLSID kClsidWebBrowser = {
    0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};

CreateEventSinkFn g_pfnCreateEventSink = &panelguard::CreateEventSink;

namespace
{

using SetFeatureFn = HRESULT(WINAPI*)(INTERNETFEATURELIST, DWORD, BOOL);
using CreateZoneManagerFn = HRESULT(WINAPI*)(IServiceProvider*, IInternetZoneManager**, DWORD);

// A function of the system's urlmon, which is loaded once and stays loaded, so that the engine's
// restrictions set through it hold.
FARPROC UrlmonFunction(const char* name)
{
    static fw::CModuleHandle urlmon(fw::LoadSystemLibrary("urlmon.dll"));
    return urlmon ? ::GetProcAddress(urlmon.Get(), name) : nullptr;
}

// The browser engine's own restrictions for this process, set once before any browser exists: no
// ActiveX installation, no file downloads, the pop-up manager for windows the page opens, the
// local machine zone locked down, no navigation into a more trusted zone, script-made windows
// kept in bounds, and no user names or passwords in addresses.
void RestrictEngine()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    auto setFeature = reinterpret_cast<SetFeatureFn>(
        reinterpret_cast<void*>(UrlmonFunction("CoInternetSetFeatureEnabled")));
    if (!setFeature)
        return;
    for (INTERNETFEATURELIST feature :
         {FEATURE_RESTRICT_ACTIVEXINSTALL, FEATURE_RESTRICT_FILEDOWNLOAD,
          FEATURE_WEBOC_POPUPMANAGEMENT, FEATURE_LOCALMACHINE_LOCKDOWN, FEATURE_ZONE_ELEVATION,
          FEATURE_WINDOW_RESTRICTIONS, FEATURE_HTTP_USERNAME_PASSWORD_DISABLE})
        setFeature(feature, SET_FEATURE_ON_PROCESS, TRUE);
}

// The security manager of a panel, reading the zones' policies through the system's zone
// manager; without one it refuses every action.
HRESULT CreateSecurity(IInternetSecurityManager** manager)
{
    fw::CComPtr<IInternetZoneManager> zones;
    auto createZones = reinterpret_cast<CreateZoneManagerFn>(
        reinterpret_cast<void*>(UrlmonFunction("CoInternetCreateZoneManager")));
    if (createZones)
        createZones(nullptr, zones.Receive(), 0);
    return panelguard::CreateSecurityManager(zones.Get(), manager);
}

// The control's container: its client site, in-place site and frame, all in the host window; the
// source of its ambient properties, of which the panel answers the download control (the rest
// keep the control's defaults); the host of the engine's user interface, which draws no border
// and offers no context menu (its "view source" and "print" would open more windows of this
// elevated process); and the provider of the panel's security manager.
class CBrowserSite final : public IOleClientSite,
                           public IOleInPlaceSite,
                           public IOleInPlaceFrame,
                           public IDispatch,
                           public IDocHostUIHandler,
                           public IServiceProvider
{
public:
    CBrowserSite(HWND host, IDispatch* ambient, IInternetSecurityManager* security)
        : m_host(host), m_ambient(ambient), m_security(security)
    {
        m_ambient->AddRef();
        m_security->AddRef();
    }
    CBrowserSite(const CBrowserSite&) = delete;
    CBrowserSite& operator=(const CBrowserSite&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (riid == IID_IUnknown || riid == IID_IOleClientSite)
            *object = static_cast<IOleClientSite*>(this);
        else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite)
            *object = static_cast<IOleInPlaceSite*>(this);
        else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame)
            *object = static_cast<IOleInPlaceFrame*>(this);
        else if (riid == IID_IDispatch)
            *object = static_cast<IDispatch*>(this);
        else if (riid == IID_IDocHostUIHandler)
            *object = static_cast<IDocHostUIHandler*>(this);
        else if (riid == IID_IServiceProvider)
            *object = static_cast<IServiceProvider*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&m_refs); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG refs = ::InterlockedDecrement(&m_refs);
        if (refs == 0)
            delete this;
        return refs;
    }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override
    {
        if (moniker)
            *moniker = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override
    {
        if (container)
            *container = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (of both the site and the frame)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override
    {
        if (!window)
            return E_POINTER;
        *window = m_host;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame,
                                               IOleInPlaceUIWindow** document, RECT* position,
                                               RECT* clip, OLEINPLACEFRAMEINFO* info) override
    {
        if (!frame || !document || !position || !clip || !info)
            return E_POINTER;
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *document = nullptr;
        ::GetClientRect(m_host, position);
        *clip = *position;
        info->fMDIApp = FALSE;
        info->hwndFrame = ::GetAncestor(m_host, GA_ROOT);
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no menus, tool space or accelerators of ours.
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDispatch: the ambient properties, as the panel answers them.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        return m_ambient->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override
    {
        return m_ambient->GetTypeInfo(index, lcid, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override
    {
        return m_ambient->GetIDsOfNames(riid, names, count, lcid, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argument) override
    {
        return m_ambient->Invoke(id, riid, lcid, flags, params, result, exception, argument);
    }

    // IDocHostUIHandler: the page's look and menus; the rest is left to the engine.
    HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override
    {
        return S_OK; // shown by us: nothing
    }
    HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override
    {
        if (!info)
            return E_POINTER;
        info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER;
        info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*,
                                     IOleInPlaceFrame*, IOleInPlaceUIWindow*) override
    {
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE HideUI() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UpdateUI() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, const GUID*, DWORD) override
    {
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD) override
    {
        return Nothing(key);
    }
    HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget*, IDropTarget** target) override
    {
        Nothing(target);
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** external) override
    {
        return Nothing(external);
    }
    HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD, LPWSTR, LPWSTR* url) override
    {
        return Nothing(url);
    }
    HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject*, IDataObject** data) override
    {
        return Nothing(data);
    }

    // IServiceProvider: the engine asks the site for a security manager of its own.
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID riid, void** object) override
    {
        if (service == SID_SInternetSecurityManager)
            return m_security->QueryInterface(riid, object);
        Nothing(object);
        return E_NOINTERFACE;
    }

private:
    virtual ~CBrowserSite()
    {
        m_ambient->Release();
        m_security->Release();
    }

    // An output the site leaves empty; S_FALSE, the engine's "use your own".
    template <typename T> static HRESULT Nothing(T** out)
    {
        if (out)
            *out = nullptr;
        return S_FALSE;
    }

    HWND m_host;
    IDispatch* m_ambient;
    IInternetSecurityManager* m_security;
    LONG m_refs = 1;
};

// What a host window holds while it lives: the control, its site, and the connection point the
// panel's event sink is advised on.
struct CPanel
{
    fw::CComPtr<IOleObject> control;
    fw::CComPtr<IOleClientSite> site;
    fw::CComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
};

CPanel* PanelOf(HWND host)
{
    return host ? reinterpret_cast<CPanel*>(::GetWindowLongPtrA(host, 0)) : nullptr;
}

// Every navigation, new window and download of the control passes our event sink.
bool AdviseSink(HWND host, CPanel& panel)
{
    fw::CComPtr<IConnectionPointContainer> points;
    fw::CComPtr<IDispatch> sink;
    if (SUCCEEDED(
            panel.control->QueryInterface(IID_IConnectionPointContainer, points.ReceiveVoid())) &&
        SUCCEEDED(points->FindConnectionPoint(panelguard::kDiidWebBrowserEvents2,
                                              panel.point.Receive())) &&
        SUCCEEDED(g_pfnCreateEventSink(host, sink.Receive())) &&
        SUCCEEDED(panel.point->Advise(sink.Get(), &panel.cookie)))
        return true;
    panel.point.Release();
    return false;
}

// Makes the control in the host window, activated in place over its client area, its events
// passing our sink. Without a browser, or without the sink, the panel stays empty.
void CreatePanel(HWND host)
{
    RestrictEngine();
    auto panel = std::make_unique<CPanel>();
    fw::CComPtr<IDispatch> ambient;
    fw::CComPtr<IInternetSecurityManager> security;
    if (FAILED(panelguard::CreateAmbient(ambient.Receive())) ||
        FAILED(CreateSecurity(security.Receive())) ||
        FAILED(::CoCreateInstance(kClsidWebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                  panel->control.ReceiveVoid())) ||
        !panel->control)
        return;
    *panel->site.Receive() = new CBrowserSite(host, ambient.Get(), security.Get());
    if (FAILED(panel->control->SetClientSite(panel->site.Get())))
        return;
    fw::CComPtr<IPersistStreamInit> persist;
    if (SUCCEEDED(panel->control->QueryInterface(IID_IPersistStreamInit, persist.ReceiveVoid())))
        persist->InitNew();
    RECT rc;
    ::GetClientRect(host, &rc);
    if (FAILED(panel->control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, panel->site.Get(), 0, host,
                                      &rc)) ||
        !AdviseSink(host, *panel))
    {
        panel->control->Close(OLECLOSE_NOSAVE);
        panel->control->SetClientSite(nullptr);
        return;
    }
    ::SetWindowLongPtrA(host, 0, reinterpret_cast<LONG_PTR>(panel.release()));
}

void DestroyPanel(HWND host)
{
    std::unique_ptr<CPanel> panel(reinterpret_cast<CPanel*>(::SetWindowLongPtrA(host, 0, 0)));
    if (!panel)
        return;
    if (panel->point)
        panel->point->Unadvise(panel->cookie);
    fw::CComPtr<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(panel->control->QueryInterface(IID_IOleInPlaceObject, inPlace.ReceiveVoid())))
        inPlace->InPlaceDeactivate();
    panel->control->Close(OLECLOSE_NOSAVE);
    panel->control->SetClientSite(nullptr);
}

void ResizePanel(HWND host, int width, int height)
{
    CPanel* panel = PanelOf(host);
    fw::CComPtr<IOleInPlaceObject> inPlace;
    if (!panel ||
        FAILED(panel->control->QueryInterface(IID_IOleInPlaceObject, inPlace.ReceiveVoid())))
        return;
    const RECT rc = {0, 0, width, height};
    inPlace->SetObjectRects(&rc, &rc);
}

LRESULT CALLBACK HostWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WM_CREATE:
        CreatePanel(hwnd);
        return 0;
    case WM_DESTROY:
    case panelguard::kEmptyPanel: // a load ended off the page's origin
        DestroyPanel(hwnd);
        return 0;
    case WM_SIZE:
        // The dialog resizes the panel after creating it: the control follows.
        ResizePanel(hwnd, LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_ERASEBKGND:
        // The control covers us completely; erasing under it would only flicker.
        if (PanelOf(hwnd))
            return TRUE;
        break;
    default:
        break;
    }
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace

BOOL RegisterHostClass()
{
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    if (::GetClassInfoA(instance, kClassName, &wc))
        return TRUE;
    wc.lpfnWndProc = &HostWndProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    return ::RegisterClassA(&wc) != 0;
}

HRESULT GetControl(HWND host, IUnknown** control)
{
    if (!control)
        return E_POINTER;
    *control = nullptr;
    CPanel* panel = PanelOf(host);
    if (!panel)
        return E_FAIL;
    return panel->control->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(control));
}

} // namespace browserhost
