#include "SSDApp.h"

#include "console/SSDDlg.h"
#include "net/panel/WebBrowser2.h"

#include "framework/ComSecurity.h"
#include "framework/Handles.h"
#include "framework/SystemLibrary.h"

#include <commctrl.h>
#include <ole2.h>
#include <utility>

namespace
{
const char kInstanceMutexName[] = "DADAROR";
// COM for the embedded browser control, balanced at exit.
bool g_bOleInitialized = false;
// The common controls, kept for the life of the process.
fw::CModuleHandle g_commonControls;
// The first instance's guard: held for the whole life of the process.
fw::CKernelHandle g_instanceMutex;
} // namespace

CSSDApp::CSSDApp() noexcept : fw::CWinApp(nullptr) {}

BOOL CSSDApp::InitInstance()
{
    // The common controls are not imported: loaded here from the system folder, after the DLL
    // search was confined to it, so that neither they nor what they load in turn can come from
    // the program's folder. The classic controls: the layout was drawn for them.
    using InitCommonControlsExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    g_commonControls.Reset(fw::LoadSystemLibrary("comctl32.dll"));
    auto initCommonControls = reinterpret_cast<InitCommonControlsExFn>(reinterpret_cast<void*>(
        g_commonControls ? ::GetProcAddress(g_commonControls.Get(), "InitCommonControlsEx")
                         : nullptr));
    INITCOMMONCONTROLSEX icc = {};
    icc.dwSize = sizeof(icc);
    icc.dwICC = 0xFF;
    if (initCommonControls)
        initCommonControls(&icc);

    fw::CWinApp::InitInstance();

    // The main dialog's template holds the browser control of the advertisement panel: COM on
    // this thread (single-threaded apartment) and the window class that hosts the control.
    g_bOleInitialized = SUCCEEDED(::OleInitialize(nullptr));
    // The process's COM security next, before any dialog or COM object exists: once a control is
    // made, Windows may have fixed it with its defaults, and a late setting is refused. The disk
    // query and the desktop shell's request go by the result.
    if (g_bOleInitialized)
        fw::SetProcessComSecurity();
    CWebBrowser2::RegisterHostClass();

    SetRegistryKey("로컬 응용 프로그램 마법사에서 생성된 응용 프로그램");

    // A second copy in the same session ends silently. The first copy keeps the handle open
    // for its whole life; it goes away with the process.
    fw::CKernelHandle mutex(::CreateMutexA(nullptr, FALSE, kInstanceMutexName));
    if (::GetLastError() == ERROR_ALREADY_EXISTS)
        return FALSE; // the handle just obtained is closed on the way out
    g_instanceMutex = std::move(mutex);

    CSSDDlg* dlg = new CSSDDlg();
    m_pMainWnd = dlg;
    dlg->DoModal();
    m_pMainWnd = nullptr;
    delete dlg;
    return FALSE;
}

int CSSDApp::ExitInstance()
{
    if (g_bOleInitialized)
    {
        ::OleUninitialize();
        g_bOleInitialized = false;
    }
    return fw::CWinApp::ExitInstance();
}
