// The apply sequence: the selection of every row turned into changes of the machine, on a
// worker thread, behind the progress window.
#include "SSDDlg.h"

#include "ProductText.h"

#include "OptionRows.h"
#include "ProgressDlg.h"
#include "Restart.h"
#include "framework/Handles.h"
#include "framework/Text.h"
#include "resource.h"
#include "sysconfig/Launch.h"

namespace
{
const char kProgressText[] =
    "최적화 중입니다. 잠시만 기다려주세요.\r\n\r\n완료후 가상메모리가 적용되기 "
    "위해서는 리부팅이 필요합니다.";
const char kRestartQuestion[] = "가상 메모리 설정을 적용하기 위해서는 재부팅이 필요합니다.\n\n* "
                                "시스템을 재부팅하려면 \"확인\"을 클릭하세요. *";

void FailAndExit(HWND owner, const char* text)
{
    ::MessageBoxW(owner, fw::Wide(text).data(), L"Error", MB_OK | MB_ICONERROR);
    ::ExitProcess(static_cast<UINT>(-1));
}
} // namespace

UINT __stdcall OptimizeThreadProc(void*)
{
    g_pMainDlg->RunOptimization();
    return 0;
}

void CSSDDlg::OnApply()
{
    // One worker at a time: the dialog stays disabled from here until the worker is done
    // (a message box of the worker disables it as well).
    if (!::IsWindowEnabled(m_hWnd) || m_bApplying.exchange(true))
        return;

    m_pProgressDlg = new CProgressDlg();
    if (!m_pProgressDlg->Create(IDD_PROGRESS, this))
    {
        delete m_pProgressDlg;
        m_pProgressDlg = nullptr;
        m_bApplying = false;
        return;
    }
    // The window has no caption to show a title: its title is what a screen reader says the
    // window is, its message.
    const fw::WideText message = fw::Wide(kProgressText);
    ::SetWindowTextW(m_pProgressDlg->m_lblMessage.m_hWnd, message.data());
    ::SetWindowTextW(m_pProgressDlg->m_hWnd, message.data());
    m_pProgressDlg->ShowWindow(SW_SHOW);

    // Closes the short gap between the click and the worker's first step.
    EnableWindow(FALSE);
    m_pWorkerThread = fw::CWinThread::Begin(&OptimizeThreadProc, nullptr);
    if (!m_pWorkerThread)
    {
        EnableWindow(TRUE);
        ::SendMessageA(m_pProgressDlg->m_hWnd, WM_CLOSE, 0, 0);
        m_pProgressDlg = nullptr;
        m_bApplying = false;
    }
}

// The dialog is disabled while the worker runs, but a close can still reach it (from the task
// bar, or a command sent to the window): the worker works on this object until its very end.
void CSSDDlg::OnOK()
{
    if (m_bApplying)
        return;
    fw::CDialog::OnOK();
}

void CSSDDlg::OnCancel()
{
    if (m_bApplying)
        return;
    fw::CDialog::OnCancel();
}

void CSSDDlg::RunOptimization()
{
    ::EnableWindow(m_hWnd, FALSE);
    for (int index : kApplyOrder)
        RunRow(index);
    ::EnableWindow(m_hWnd, TRUE);

    if (m_pProgressDlg)
    {
        // Sent, not posted: the progress window is gone when this returns.
        ::SendMessageA(m_pProgressDlg->m_hWnd, WM_CLOSE, 0, 0);
        m_pProgressDlg = nullptr;
    }

    if (m_optimizer.NeedsReboot() == 1 &&
        ::MessageBoxW(m_hWnd, fw::Wide(kRestartQuestion).data(), fw::Wide(kProductName).data(),
                      MB_OKCANCEL | MB_ICONINFORMATION) == IDOK)
        RestartWindows();
    m_bApplying = false;
}

void CSSDDlg::RunRow(int rowIndex)
{
    const OptionGroup& row = kOptionRows[rowIndex];
    if (row.needsVista && IsVistaOrLater() != 1)
        return;

    const int selection = GetRowSelection(m_hWnd, row);
    const bool first = selection == row.firstId;
    switch (row.step)
    {
    case OptionStep::PagingFile:
        if (selection)
            m_optimizer.SetPagingFile(selection - row.firstId);
        break;
    case OptionStep::Service:
        if (first)
            m_optimizer.EnableService(row.service);
        else if (selection)
            m_optimizer.DisableService(row.service);
        break;
    case OptionStep::Trim:
        if (first)
            RunTool("fsutil", "behavior set disabledeletenotify 0");
        break;
    case OptionStep::LastAccess:
        if (selection == row.lastId)
            RunTool("fsutil", "behavior set disablelastaccess 1");
        break;
    case OptionStep::PowerPlan:
        if (first)
            m_optimizer.InstallPowerPlan();
        else if (selection)
            m_optimizer.RemovePowerPlan();
        break;
    case OptionStep::Hibernation:
        if (first)
            RunTool("powercfg", "-h on");
        else if (selection)
            RunTool("powercfg", "-h off");
        break;
    case OptionStep::GuiBoot:
        if (selection)
            RunGuiBootRow(selection);
        break;
    }
    ::OutputDebugStringA(row.marker);
}

void CSSDDlg::RunGuiBootRow(int selection)
{
    const char* parameters = selection == IDC_GUIBOOT_ON ? " /set {current} quietboot No "
                                                         : " /set {current} quietboot Yes ";
    // bcdedit exists only as a 64-bit tool on 64-bit Windows.
    RunNativeTool("bcdedit", parameters);
    if (selection == IDC_GUIBOOT_ON)
    {
        char line[32];
        fw::FormatText(line, sizeof(line), "### %d", static_cast<int>(::GetLastError()));
        ::OutputDebugStringA(line);
    }
}

void CSSDDlg::RestartWindows()
{
    fw::CKernelHandle token;
    if (!g_restartCalls.openProcessToken(::GetCurrentProcess(),
                                         TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Receive()))
        FailAndExit(m_hWnd, "Process Failed : Open ProcessToken");

    TOKEN_PRIVILEGES privileges = {};
    ::LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    g_restartCalls.adjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr);
    // A privilege the account does not hold is "adjusted" with ERROR_NOT_ALL_ASSIGNED.
    if (::GetLastError() != ERROR_SUCCESS)
        FailAndExit(m_hWnd, "Process Failed : AdjustTokenPrivileges");

    // Programs are asked to end and may save their work; only one that does not answer is ended.
    if (!g_restartCalls.exitWindowsEx(EWX_REBOOT | EWX_FORCEIFHUNG,
                                      SHTDN_REASON_MAJOR_OPERATINGSYSTEM |
                                          SHTDN_REASON_MINOR_RECONFIG | SHTDN_REASON_FLAG_PLANNED))
        FailAndExit(m_hWnd, "Process Failed : ExitWindowsEx");
}
