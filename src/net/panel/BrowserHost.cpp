#include "BrowserHost.h"

#include "BrowserSite.h"
#include "PanelGuard.h"
#include "PanelSecurity.h"
#include "framework/Handles.h"
#include "framework/SystemLibrary.h"

#include <exdisp.h>
#include <ocidl.h>
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

// No ActiveX installation and no file downloads; the pop-up manager for windows the page opens,
// and script-made windows kept in bounds; no navigation into a more trusted zone, no user names
// or passwords in addresses, no malformed addresses; files handled by the type the server gives
// and never promoted by their content; no "mk:" or "telnet:" protocol, and the zones' own
// protocol restrictions; objects bound and cached only where they are safe; binary behaviours
// and add-ons as the zones and the add-on list allow; no input prompts of scripts; files saved
// from shares marked as such.
const INTERNETFEATURELIST kEngineRestrictions[] = {
    FEATURE_RESTRICT_ACTIVEXINSTALL,
    FEATURE_RESTRICT_FILEDOWNLOAD,
    FEATURE_WEBOC_POPUPMANAGEMENT,
    FEATURE_WINDOW_RESTRICTIONS,
    FEATURE_ZONE_ELEVATION,
    FEATURE_HTTP_USERNAME_PASSWORD_DISABLE,
    FEATURE_VALIDATE_NAVIGATE_URL,
    FEATURE_MIME_HANDLING,
    FEATURE_MIME_SNIFFING,
    FEATURE_DISABLE_MK_PROTOCOL,
    FEATURE_DISABLE_TELNET_PROTOCOL,
    FEATURE_PROTOCOL_LOCKDOWN,
    FEATURE_SAFE_BINDTOOBJECT,
    FEATURE_OBJECT_CACHING,
    FEATURE_BEHAVIORS,
    FEATURE_ADDON_MANAGEMENT,
    FEATURE_BLOCK_INPUT_PROMPTS,
    FEATURE_UNC_SAVEDFILECHECK,
};

using SetFeatureFn = HRESULT(WINAPI*)(INTERNETFEATURELIST, DWORD, BOOL);
using CreateZoneManagerFn = HRESULT(WINAPI*)(IServiceProvider*, IInternetZoneManager**, DWORD);

// A function of the system's urlmon, which is loaded once and stays loaded, so that the engine's
// restrictions set through it hold.
FARPROC UrlmonFunction(const char* name)
{
    static fw::CModuleHandle urlmon(fw::LoadSystemLibrary("urlmon.dll"));
    return urlmon ? ::GetProcAddress(urlmon.Get(), name) : nullptr;
}

// The browser engine's own restrictions for this process, set once before any browser exists.
// The engine also reads each of them per program name from the user's registry, where any
// program of the user may switch it off for us: set for the process, they hold whatever is
// written there.
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
    for (INTERNETFEATURELIST feature : kEngineRestrictions)
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
    fw::CComPtr<IUnknown> identity;
    fw::CComPtr<IDispatch> sink;
    if (SUCCEEDED(panel.control->QueryInterface(IID_IUnknown, identity.ReceiveVoid())) &&
        SUCCEEDED(
            panel.control->QueryInterface(IID_IConnectionPointContainer, points.ReceiveVoid())) &&
        SUCCEEDED(points->FindConnectionPoint(panelguard::kDiidWebBrowserEvents2,
                                              panel.point.Receive())) &&
        SUCCEEDED(g_pfnCreateEventSink(host, identity.Get(), sink.Receive())) &&
        SUCCEEDED(panel.point->Advise(sink.Get(), &panel.cookie)))
        return true;
    panel.point.Release();
    return false;
}

// The control raises no box of its own (a script error, a page that failed, a server asking
// for a password): the ambient property tells the document as it starts, and this tells the
// browser control around it.
bool Silence(CPanel& panel)
{
    fw::CComPtr<IWebBrowser2> browser;
    return SUCCEEDED(panel.control->QueryInterface(IID_IWebBrowser2, browser.ReceiveVoid())) &&
           SUCCEEDED(browser->put_Silent(VARIANT_TRUE));
}

// Makes the control in the host window, activated in place over its client area, its events
// passing our sink, silent. Without a browser, the sink or silence, the panel stays empty.
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
        !panel->control ||
        FAILED(CreateSite(host, ambient.Get(), security.Get(), panel->site.Receive())) ||
        FAILED(panel->control->SetClientSite(panel->site.Get())))
        return;
    fw::CComPtr<IPersistStreamInit> persist;
    if (SUCCEEDED(panel->control->QueryInterface(IID_IPersistStreamInit, persist.ReceiveVoid())))
        persist->InitNew();
    RECT rc;
    ::GetClientRect(host, &rc);
    if (FAILED(panel->control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, panel->site.Get(), 0, host,
                                      &rc)) ||
        !AdviseSink(host, *panel) || !Silence(*panel))
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
