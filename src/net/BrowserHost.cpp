#include "BrowserHost.h"

#include "PanelGuard.h"
#include "framework/Handles.h"
#include "framework/SystemLibrary.h"

#include <mshtmdid.h>
#include <ocidl.h>
#include <urlmon.h>

#include <string>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace browserhost
{

const char kClassName[] = "{8856F961-340A-11D0-A96B-00C04FD705A2}";

namespace
{

// The container window class of atl.dll; its window text names the control to create.
const char kContainerClass[] = "AtlAxWin";

using AtlAxWinInitFn = BOOL(WINAPI*)();
using AtlAxGetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);
using SetFeatureFn = HRESULT(WINAPI*)(INTERNETFEATURELIST, DWORD, BOOL);

// The container's ambient properties (ATL's IAxWinAmbientDispatch, then its extension that takes
// further ambient properties from us). Only the order of the methods matters here: we call the
// last one.
const IID kIidAxWinAmbientDispatchEx = {
    0xB2D0778B, 0xAC99, 0x4C58, {0xA5, 0xC8, 0xE7, 0x72, 0x4E, 0x53, 0x16, 0xB5}};

struct IAxWinAmbientDispatchEx : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE put_AllowWindowlessActivation(VARIANT_BOOL) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AllowWindowlessActivation(VARIANT_BOOL*) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_BackColor(OLE_COLOR) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BackColor(OLE_COLOR*) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ForeColor(OLE_COLOR) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ForeColor(OLE_COLOR*) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_LocaleID(LCID) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_LocaleID(LCID*) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_UserMode(VARIANT_BOOL) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_UserMode(VARIANT_BOOL*) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_DisplayAsDefault(VARIANT_BOOL) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DisplayAsDefault(VARIANT_BOOL*) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Font(IFontDisp*) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Font(IFontDisp**) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_MessageReflect(VARIANT_BOOL) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_MessageReflect(VARIANT_BOOL*) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ShowGrabHandles(VARIANT_BOOL*) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ShowHatching(VARIANT_BOOL*) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_DocHostFlags(DWORD) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DocHostFlags(DWORD*) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_DocHostDoubleClickFlags(DWORD) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DocHostDoubleClickFlags(DWORD*) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AllowContextMenu(VARIANT_BOOL) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AllowContextMenu(VARIANT_BOOL*) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AllowShowUI(VARIANT_BOOL) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AllowShowUI(VARIANT_BOOL*) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_OptionKeyPath(BSTR) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_OptionKeyPath(BSTR*) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetAmbientDispatch(IDispatch* ambient) = 0;
};

struct ContainerLibrary
{
    fw::CModuleHandle module;
    AtlAxGetControlFn getControl = nullptr;
    AtlAxGetControlFn getHost = nullptr; // same signature: the container's site object
    fw::CModuleHandle urlmon;            // holds the engine's restrictions: stays loaded
    bool tried = false;
    bool ready = false;
};

// The host window's extra bytes: the connection point the panel's event sink is advised on, and
// the cookie of that advice.
const int kPointSlot = 0;
const int kCookieSlot = sizeof(LONG_PTR);

// Loaded on the user-interface thread the first time a panel is created, kept to the end.
ContainerLibrary g_library;

template <typename F> F Bind(HMODULE module, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// The browser engine's own restrictions for this process, set before any browser exists: no
// ActiveX installation, no file downloads, and the pop-up manager for windows the page opens.
void RestrictEngine(ContainerLibrary& lib)
{
    lib.urlmon.Reset(fw::LoadSystemLibrary("urlmon.dll"));
    if (!lib.urlmon)
        return;
    auto setFeature = Bind<SetFeatureFn>(lib.urlmon.Get(), "CoInternetSetFeatureEnabled");
    if (!setFeature)
        return;
    for (INTERNETFEATURELIST feature :
         {FEATURE_RESTRICT_ACTIVEXINSTALL, FEATURE_RESTRICT_FILEDOWNLOAD,
          FEATURE_WEBOC_POPUPMANAGEMENT})
        setFeature(feature, SET_FEATURE_ON_PROCESS, TRUE);
}

bool LoadContainer()
{
    ContainerLibrary& lib = g_library;
    if (lib.tried)
        return lib.ready;
    lib.tried = true;
    RestrictEngine(lib);
    lib.module.Reset(fw::LoadSystemLibrary("atl.dll"));
    if (!lib.module)
        return false;
    auto winInit = Bind<AtlAxWinInitFn>(lib.module.Get(), "AtlAxWinInit");
    lib.getControl = Bind<AtlAxGetControlFn>(lib.module.Get(), "AtlAxGetControl");
    lib.getHost = Bind<AtlAxGetControlFn>(lib.module.Get(), "AtlAxGetHost");
    if (!winInit || !lib.getControl || !winInit())
    {
        lib.getControl = nullptr;
        lib.module.Reset();
        return false;
    }
    lib.ready = true;
    return true;
}

HWND ContainerOf(HWND host)
{
    return host ? ::GetWindow(host, GW_CHILD) : nullptr;
}

// Every navigation, new window and download of the control passes our event sink.
void AdviseSink(HWND host, IUnknown* control)
{
    fw::CComPtr<IConnectionPointContainer> points;
    fw::CComPtr<IConnectionPoint> point;
    fw::CComPtr<IDispatch> sink;
    DWORD cookie = 0;
    if (FAILED(control->QueryInterface(IID_IConnectionPointContainer, points.ReceiveVoid())) ||
        FAILED(points->FindConnectionPoint(panelguard::kDiidWebBrowserEvents2, point.Receive())) ||
        FAILED(panelguard::CreateEventSink(sink.Receive())) ||
        FAILED(point->Advise(sink.Get(), &cookie)))
        return;
    ::SetWindowLongPtrA(host, kCookieSlot, static_cast<LONG_PTR>(cookie));
    ::SetWindowLongPtrA(host, kPointSlot, reinterpret_cast<LONG_PTR>(point.Detach()));
}

void UnadviseSink(HWND host)
{
    auto* point = reinterpret_cast<IConnectionPoint*>(::SetWindowLongPtrA(host, kPointSlot, 0));
    if (!point)
        return;
    point->Unadvise(static_cast<DWORD>(::GetWindowLongPtrA(host, kCookieSlot)));
    point->Release();
}

// The download control goes to the control as an ambient property of its container, where the
// container takes ambient properties from us.
void SetDownloadControl(HWND container, IUnknown* control)
{
    fw::CComPtr<IUnknown> site;
    fw::CComPtr<IAxWinAmbientDispatchEx> ambients;
    fw::CComPtr<IDispatch> ours;
    fw::CComPtr<IOleControl> oleControl;
    if (!g_library.getHost || FAILED(g_library.getHost(container, site.Receive())) || !site ||
        FAILED(site->QueryInterface(kIidAxWinAmbientDispatchEx, ambients.ReceiveVoid())) ||
        FAILED(panelguard::CreateAmbient(ours.Receive())) ||
        FAILED(ambients->SetAmbientDispatch(ours.Get())) ||
        FAILED(control->QueryInterface(IID_IOleControl, oleControl.ReceiveVoid())))
        return;
    oleControl->OnAmbientPropertyChange(DISPID_AMBIENT_DLCONTROL);
}

void CreateContainer(HWND host)
{
    if (!LoadContainer())
        return; // the panel stays empty
    RECT rc;
    ::GetClientRect(host, &rc);
    HWND container = ::CreateWindowExA(
        0, kContainerClass, kClassName, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, rc.right,
        rc.bottom, host, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    fw::CComPtr<IUnknown> control;
    if (!container || FAILED(g_library.getControl(container, control.Receive())) || !control)
        return;
    AdviseSink(host, control.Get());
    SetDownloadControl(container, control.Get());
}

LRESULT CALLBACK HostWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WM_CREATE:
        CreateContainer(hwnd);
        return 0;
    case WM_DESTROY:
        UnadviseSink(hwnd);
        return 0;
    case WM_SIZE:
        // The dialog resizes the panel after creating it: the control follows.
        if (HWND container = ContainerOf(hwnd))
            ::MoveWindow(container, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_ERASEBKGND:
        // The control covers us completely; erasing under it would only flicker.
        if (ContainerOf(hwnd))
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
    wc.cbWndExtra = 2 * sizeof(LONG_PTR);
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
    HWND container = ContainerOf(host);
    ContainerLibrary& lib = g_library;
    if (!container || !lib.getControl)
        return E_FAIL;
    HRESULT hr = lib.getControl(container, control);
    if (SUCCEEDED(hr) && !*control)
        hr = E_NOINTERFACE;
    return hr;
}

} // namespace browserhost
