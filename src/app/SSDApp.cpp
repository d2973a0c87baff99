#include "SSDApp.h"

#include "console/SSDDlg.h"
#include "net/WebBrowser2.h"

#include <commctrl.h>

namespace
{
const char kInstanceMutexName[] = "DADAROR";
}

CSSDApp::CSSDApp() : fw::CWinApp(nullptr)
{
}

BOOL CSSDApp::InitInstance()
{
    INITCOMMONCONTROLSEX icc = {};
    icc.dwSize = sizeof(icc);
    icc.dwICC = 0xFF;
    ::InitCommonControlsEx(&icc);

    fw::CWinApp::InitInstance();

    // The main dialog's template holds the browser control of the advertisement panel.
    CWebBrowser2::RegisterHostClass();

    SetRegistryKey("로컬 응용 프로그램 마법사에서 생성된 응용 프로그램");

    // A second copy in the same session ends silently. The first copy keeps the handle open
    // for its whole life; it goes away with the process.
    HANDLE mutex = ::CreateMutexA(nullptr, FALSE, kInstanceMutexName);
    if (::GetLastError() == ERROR_ALREADY_EXISTS)
    {
        ::CloseHandle(mutex);
        return FALSE;
    }

    CSSDDlg* dlg = new CSSDDlg();
    m_pMainWnd = dlg;
    dlg->DoModal();
    m_pMainWnd = nullptr;
    delete dlg;
    return FALSE;
}

int CSSDApp::ExitInstance()
{
    return fw::CWinApp::ExitInstance();
}
