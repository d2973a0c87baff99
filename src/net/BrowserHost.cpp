#include "BrowserHost.h"

#include "framework/Handles.h"
#include "framework/SystemLibrary.h"

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

struct ContainerLibrary
{
    fw::CModuleHandle module;
    AtlAxGetControlFn getControl = nullptr;
    bool tried = false;
    bool ready = false;
};

// Loaded on the user-interface thread the first time a panel is created, kept to the end.
ContainerLibrary g_library;

template <typename F> F Bind(HMODULE module, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

bool LoadContainer()
{
    ContainerLibrary& lib = g_library;
    if (lib.tried)
        return lib.ready;
    lib.tried = true;
    lib.module.Reset(fw::LoadSystemLibrary("atl.dll"));
    if (!lib.module)
        return false;
    auto winInit = Bind<AtlAxWinInitFn>(lib.module.Get(), "AtlAxWinInit");
    lib.getControl = Bind<AtlAxGetControlFn>(lib.module.Get(), "AtlAxGetControl");
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

void CreateContainer(HWND host)
{
    if (!LoadContainer())
        return; // the panel stays empty
    RECT rc;
    ::GetClientRect(host, &rc);
    ::CreateWindowExA(0, kContainerClass, kClassName, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                      rc.right, rc.bottom, host, nullptr, ::GetModuleHandleA(nullptr), nullptr);
}

LRESULT CALLBACK HostWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WM_CREATE:
        CreateContainer(hwnd);
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
