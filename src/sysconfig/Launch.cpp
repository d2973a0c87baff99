#include "Launch.h"

#include "framework/Handles.h"
#include "framework/Text.h"

#include <windows.h>
#include <exdisp.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <cstring>

namespace
{

// Starts a system tool by its full path in the system folder (".exe" added to a bare name), with
// that folder as its working folder. Nothing is started when the path can't be had whole rather
// than a tool found elsewhere. With the WOW64 file-system redirection off on this thread the same
// strings reach the 64-bit system folder.
void StartSystemTool(const char* file, const char* parameters, int show)
{
    if (!file || !*file)
        return;
    char folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    char path[MAX_PATH] = {};
    const char* extension = std::strchr(file, '.') ? "" : ".exe";
    if (fw::FormatText(path, sizeof(path), "%s\\%s%s", folder, file, extension))
        ::ShellExecuteA(nullptr, "open", path, parameters, folder, show);
}

// A text argument of the shell's dispatch; null stays an empty variant ("not given").
bool SetText(fw::CVariant& value, const char* text)
{
    if (!text)
        return true;
    value.Get().vt = VT_BSTR;
    value.Get().bstrVal = fw::AnsiToBstr(text, CP_ACP);
    return value.Get().bstrVal != nullptr;
}

// The desktop's folder view belongs to the shell process of the signed-in user, which runs at
// the user's normal rights; its Shell.Application object starts what it is given from there.
bool OpenThroughDesktopShell(const char* verb, const char* file, const char* parameters)
{
    // No file: left to the direct call, which fails on it as it always did.
    if (!file || !*file)
        return false;
    // A thread already in an apartment keeps it.
    fw::CApartment apartment;
    // Released in reverse order of declaration, before the apartment closes.
    fw::CComPtr<IShellWindows> windows;
    fw::CComPtr<IDispatch> desktop;
    fw::CComPtr<IServiceProvider> services;
    fw::CComPtr<IShellBrowser> browser;
    fw::CComPtr<IShellView> view;
    fw::CComPtr<IDispatch> background;
    fw::CComPtr<IShellFolderViewDual> folderView;
    fw::CComPtr<IDispatch> application;
    fw::CComPtr<IShellDispatch2> shell;

    if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_IShellWindows,
                                  windows.ReceiveVoid())) ||
        !windows)
        return false;
    fw::CVariant location, root;
    location.Get().vt = VT_I4;
    location.Get().lVal = CSIDL_DESKTOP;
    long window = 0;
    // S_FALSE: no desktop window is registered.
    if (windows->FindWindowSW(&location.Get(), &root.Get(), SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                              desktop.Receive()) != S_OK ||
        !desktop)
        return false;
    if (FAILED(desktop->QueryInterface(IID_IServiceProvider, services.ReceiveVoid())) ||
        !services ||
        FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                      browser.ReceiveVoid())) ||
        !browser || FAILED(browser->QueryActiveShellView(view.Receive())) || !view ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.ReceiveVoid())) ||
        !background ||
        FAILED(background->QueryInterface(IID_IShellFolderViewDual, folderView.ReceiveVoid())) ||
        !folderView || FAILED(folderView->get_Application(application.Receive())) || !application ||
        FAILED(application->QueryInterface(IID_IShellDispatch2, shell.ReceiveVoid())) || !shell)
        return false;

    fw::CVariant fileText, arguments, folder, operation, show;
    if (!SetText(fileText, file) || !SetText(arguments, parameters) || !SetText(operation, verb))
        return false;
    show.Get().vt = VT_I4;
    show.Get().lVal = SW_SHOWNORMAL;
    // A launch the shell tried and could not make comes back as S_FALSE (the shell tells the
    // user itself): it is not tried again here, only a request that never reached the shell.
    return SUCCEEDED(shell->ShellExecute(fileText.Get().bstrVal, arguments.Get(), folder.Get(),
                                         operation.Get(), show.Get()));
}

} // namespace

bool (*g_openThroughDesktopShell)(const char* verb, const char* file,
                                  const char* parameters) = &OpenThroughDesktopShell;

void RunTool(const char* file, const char* parameters)
{
    StartSystemTool(file, parameters, SW_HIDE);
}

void OpenForUser(const char* verb, const char* file, const char* parameters)
{
    if (!g_openThroughDesktopShell(verb, file, parameters))
        ::ShellExecuteA(nullptr, verb, file, parameters, nullptr, SW_SHOWNORMAL);
}

void OpenSystemTool(const char* file, const char* parameters)
{
    StartSystemTool(file, parameters, SW_SHOWNORMAL);
}
