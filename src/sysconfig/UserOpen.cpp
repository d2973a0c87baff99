// What is shown to the user (web pages, the Power Options) is opened by the desktop shell at the
// user's own level, asked from a thread of its own for at most five seconds; the program starts it
// itself only as the same user as the shell and not elevated above it, and otherwise opens nothing.
#include "Launch.h"

#include "framework/ComSecurity.h"
#include "framework/Handles.h"
#include "framework/Text.h"

#include <windows.h>
#include <exdisp.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <memory>
#include <cwchar>
#include <string>
#include <vector>

namespace
{

// How long the dialog waits for the desktop shell's answer: a hung shell must not freeze it.
constexpr DWORD kShellBoundMs = 5000;

// A text argument of the shell's dispatch; null stays an empty variant ("not given").
bool SetText(fw::CVariant& value, const wchar_t* text)
{
    if (!text)
        return true;
    value.Get().vt = VT_BSTR;
    value.Get().bstrVal = ::SysAllocString(text);
    return value.Get().bstrVal != nullptr;
}

// The desktop's folder view belongs to the shell process of the signed-in user, which runs at
// the user's normal rights; its Shell.Application object starts what it is given from there.
HRESULT FindDesktopShell(IShellDispatch2** result)
{
    fw::CComPtr<IShellWindows> windows;
    fw::CComPtr<IDispatch> desktop;
    fw::CComPtr<IServiceProvider> services;
    fw::CComPtr<IShellBrowser> browser;
    fw::CComPtr<IShellView> view;
    fw::CComPtr<IDispatch> background;
    fw::CComPtr<IShellFolderViewDual> folderView;
    fw::CComPtr<IDispatch> application;

    HRESULT hr = ::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_IShellWindows,
                                    windows.ReceiveVoid());
    if (FAILED(hr) || !windows)
        return E_FAIL;
    fw::CVariant location, root;
    location.Get().vt = VT_I4;
    location.Get().lVal = CSIDL_DESKTOP;
    long window = 0;
    // S_FALSE: no desktop window is registered.
    if (windows->FindWindowSW(&location.Get(), &root.Get(), SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                              desktop.Receive()) != S_OK ||
        !desktop)
        return S_FALSE;
    if (FAILED(desktop->QueryInterface(IID_IServiceProvider, services.ReceiveVoid())) ||
        !services ||
        FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                      browser.ReceiveVoid())) ||
        !browser || FAILED(browser->QueryActiveShellView(view.Receive())) || !view ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.ReceiveVoid())) ||
        !background ||
        FAILED(background->QueryInterface(IID_IShellFolderViewDual, folderView.ReceiveVoid())) ||
        !folderView || FAILED(folderView->get_Application(application.Receive())) || !application)
        return E_FAIL;
    return application->QueryInterface(IID_IShellDispatch2, reinterpret_cast<void**>(result));
}

bool ElevatedAboveTheUser()
{
    fw::CKernelHandle token;
    // Unknown: nothing is started elevated on a guess.
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Receive()))
        return true;
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    // Windows XP knows no elevation type, nor any level but its one.
    return ::GetTokenInformation(token.Get(), TokenElevationType, &type, sizeof(type), &size) &&
           type == TokenElevationTypeFull;
}

// The user of a process's token, copied into `user`. False when it can't be read.
bool ReadTokenUser(HANDLE process, std::vector<BYTE>& user)
{
    fw::CKernelHandle token;
    DWORD size = 0;
    if (!::OpenProcessToken(process, TOKEN_QUERY, token.Receive()))
        return false;
    ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    user.assign(size, 0);
    return size >= sizeof(TOKEN_USER) &&
           ::GetTokenInformation(token.Get(), TokenUser, user.data(), size, &size) &&
           ::IsValidSid(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);
}

bool SameUserAs(DWORD processId)
{
    if (!processId)
        return false;
    // The limited right is the one a process of another user grants most readily (Vista on); XP
    // knows only the full one.
    fw::CKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process)
        process.Reset(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
    std::vector<BYTE> ours, theirs;
    return process && g_launchCalls.readTokenUser(::GetCurrentProcess(), ours) &&
           g_launchCalls.readTokenUser(process.Get(), theirs) &&
           ::EqualSid(reinterpret_cast<TOKEN_USER*>(ours.data())->User.Sid,
                      reinterpret_cast<TOKEN_USER*>(theirs.data())->User.Sid);
}

// Whether the program may start what the user is shown itself: as the user whose desktop shell
// it is, and at that user's level. Anything unknown (no shell process, a token that can't be
// read) answers no.
bool RunsAsTheUser()
{
    DWORD shellProcess = 0;
    return ::GetWindowThreadProcessId(g_launchCalls.shellWindow(), &shellProcess) &&
           g_launchCalls.sameUserAs(shellProcess) && !g_launchCalls.elevatedAboveTheUser();
}

struct ShellRequest
{
    std::vector<wchar_t> verb, file, parameters;
    bool hasVerb, hasParameters;
};

std::vector<wchar_t> Copy(const wchar_t* text)
{
    return std::vector<wchar_t>(text, text + std::wcslen(text) + 1);
}

// The thread's exit code: whether the shell's ShellExecute was reached.
enum ShellOutcome : DWORD
{
    kShellReached,
    kNoShellDesktop,
};

DWORD WINAPI AskDesktopShell(void* context)
{
    const std::unique_ptr<ShellRequest> request(static_cast<ShellRequest*>(context));
    // Released before the apartment closes.
    fw::CApartment apartment;
    fw::CComPtr<IShellDispatch2> shell;
    if (g_launchCalls.findDesktopShell(shell.Receive()) != S_OK || !shell)
        return kNoShellDesktop;
    fw::CVariant file, arguments, folder, operation, show;
    if (!SetText(file, request->file.data()) ||
        !SetText(arguments, request->hasParameters ? request->parameters.data() : nullptr) ||
        !SetText(operation, request->hasVerb ? request->verb.data() : nullptr))
        return kNoShellDesktop;
    show.Get().vt = VT_I4;
    show.Get().lVal = SW_SHOWNORMAL;
    // Whatever the shell answers stands: S_FALSE is a launch it tried and could not make (it tells
    // the user itself), a failure may have started the browser all the same.
    shell->ShellExecute(file.Get().bstrVal, arguments.Get(), folder.Get(), operation.Get(),
                        show.Get());
    return kShellReached;
}

// Waits for the thread within the bound, serving what other threads send to this one's windows
// meanwhile (the shell may broadcast to them while it opens). False when the bound passed.
bool WaitServingSentMessages(HANDLE thread, DWORD boundMs)
{
    const DWORD begin = ::GetTickCount();
    for (;;)
    {
        const DWORD elapsed = ::GetTickCount() - begin;
        if (elapsed >= boundMs)
            return false;
        const DWORD result =
            ::MsgWaitForMultipleObjects(1, &thread, FALSE, boundMs - elapsed, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0)
            return true;
        if (result != WAIT_OBJECT_0 + 1)
            return false;
        MSG message;
        ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// Asks the desktop shell to open it, from a thread of its own and for at most the bound. False
// when there is no shell desktop to ask, or the program's COM security is not in force: then
// nothing was started.
bool AskDesktopShellToOpen(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters)
{
    if (!g_launchCalls.comSecurityIsOurs())
        return false;
    // The click was the user's: the shell may bring what it opens to the front.
    DWORD shellProcess = 0;
    if (::GetWindowThreadProcessId(g_launchCalls.shellWindow(), &shellProcess) && shellProcess)
        g_launchCalls.allowSetForeground(shellProcess);

    auto request = std::unique_ptr<ShellRequest>(
        new ShellRequest{Copy(verb ? verb : L""), Copy(file), Copy(parameters ? parameters : L""),
                         verb != nullptr, parameters != nullptr});
    fw::CKernelHandle thread(
        ::CreateThread(nullptr, 0, &AskDesktopShell, request.get(), 0, nullptr));
    // No thread to ask from: as if there were no shell desktop.
    if (!thread)
        return false;
    static_cast<void>(request.release()); // the thread owns it now
    // Not answered within the bound counts as reached: the shell may still open it.
    DWORD outcome = kShellReached;
    if (WaitServingSentMessages(thread.Get(), kShellBoundMs))
        ::GetExitCodeThread(thread.Get(), &outcome);
    return outcome != kNoShellDesktop;
}

} // namespace

LaunchCalls g_launchCalls = {
    &::CreateProcessW,     &::GetShellWindow, &::AllowSetForegroundWindow,   &FindDesktopShell,
    &ElevatedAboveTheUser, &SameUserAs,       &fw::ProcessComSecurityIsOurs, &ReadTokenUser};

void OpenForUser(const char* verb, const char* file, const char* parameters)
{
    if (!file || !*file)
        return;
    // Null stays null: the shell's default action, no parameters.
    const fw::WideText wideVerb = fw::Wide(verb), wideFile = fw::Wide(file),
                       wideParameters = fw::Wide(parameters);
    const wchar_t* verbGiven = verb ? wideVerb.data() : nullptr;
    const wchar_t* parametersGiven = parameters ? wideParameters.data() : nullptr;
    if (!AskDesktopShellToOpen(verbGiven, wideFile.data(), parametersGiven) && RunsAsTheUser())
        ::ShellExecuteW(nullptr, verbGiven, wideFile.data(), parametersGiven, nullptr,
                        SW_SHOWNORMAL);
}

void OpenSystemTool(const char* file, const char* parameters)
{
    if (RunsAsTheUser())
    {
        StartSystemTool(file, fw::Wide(parameters).data(), SW_SHOWNORMAL, false);
        return;
    }
    // Otherwise the tool is opened at the user's level: control.exe hands the applet on through
    // the shell's file-type lookup, which entries in the user's own part of the registry
    // redirect, and a lookup with other rights (elevated, or another account's) would run what
    // they name with those rights, on the user's desktop. Without a shell desktop to ask, nothing
    // is opened.
    wchar_t folder[MAX_PATH] = {};
    wchar_t path[MAX_PATH] = {};
    const fw::WideText wideParameters = fw::Wide(parameters);
    if (SystemToolPath(file, folder, path))
        AskDesktopShellToOpen(L"open", path, parameters ? wideParameters.data() : nullptr);
}
