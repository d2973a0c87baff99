#include "ProgressDlg.h"

#include "framework/HighContrast.h"
#include "resource.h"

CProgressDlg::CProgressDlg(fw::CWnd* parent) : fw::CDialog(IDD_PROGRESS, parent) {}

CProgressDlg::~CProgressDlg() = default;

void CProgressDlg::DoDataExchange()
{
    DDX_Control(IDC_PROGRESS_TEXT, m_lblMessage);
}

BOOL CProgressDlg::OnInitDialog()
{
    BOOL result = fw::CDialog::OnInitDialog();
    m_lblMessage.SetHighContrastColor(COLOR_BTNTEXT);
    return result;
}

LRESULT CProgressDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    // The close request of the apply sequence is sent synchronously: the window must be gone
    // when it returns (the dialog manager's own handling would only post a cancel command), so
    // that nothing is left behind however often the user applies.
    if (msg == WM_CLOSE)
    {
        ::DestroyWindow(m_hWnd);
        return 0;
    }
    // Only the apply sequence closes this window: Alt+F4 must not take it (and this object)
    // away while the worker still refers to it.
    if (msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE)
        return 0;
    if (msg == WM_SYSCOLORCHANGE || msg == WM_SETTINGCHANGE)
    {
        fw::RefreshHighContrast();
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    return fw::CDialog::WindowProc(msg, wParam, lParam);
}

void CProgressDlg::PostNcDestroy()
{
    delete this;
}
