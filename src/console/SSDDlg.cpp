#include "SSDDlg.h"

#include "OptionRows.h"
#include "disks/SsdDetect.h"
#include "framework/WinApp.h"
#include "resource.h"

CSSDDlg* g_pMainDlg = nullptr;

CSSDDlg::CSSDDlg(fw::CWnd* parent)
    : fw::CDialog(IDD_SSD_DIALOG, parent), m_hIcon(nullptr), m_pWorkerThread(nullptr),
      m_pProgressDlg(nullptr)
{
    fw::CWinApp* app = fw::AfxGetApp();
    m_hIcon = app ? app->LoadIcon(IDR_MAINFRAME)
                  : ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

CSSDDlg::~CSSDDlg()
{
    if (g_pMainDlg == this)
        g_pMainDlg = nullptr;
}

void CSSDDlg::DoDataExchange()
{
    DDX_Control(IDC_AHCI_STATE, m_lblAhciState);
    DDX_Control(IDC_CAPTION_VMEM, m_lblVirtualMemory);
    DDX_Control(IDC_CAPTION_WSEARCH, m_lblWindowsSearch);
    DDX_Control(IDC_CAPTION_SYSMAIN, m_lblSuperfetch);
    DDX_Control(IDC_CAPTION_TRIM, m_lblAutoTrim);
    DDX_Control(IDC_CAPTION_LASTACCESS, m_lblLastAccess);
    DDX_Control(IDC_CAPTION_HIBERNATE, m_lblHibernation);
    DDX_Control(IDC_CAPTION_DEFRAG, m_lblDefrag);
    DDX_Control(IDC_LINK_AHCI_SEARCH, m_lnkAhciSearch);
    DDX_Control(IDC_LINK_POWER, m_lnkPowerOptions);
    DDX_Control(IDC_LINK_BLOG, m_lnkBlog);
    DDX_Control(IDC_LINK_RECOMMENDED, m_lnkRecommended);
    DDX_Control(IDC_RECOMMENDED_NOTE, m_lblRecommendedNote);
    DDX_Control(IDC_CAPTION_GUIBOOT, m_lblGuiBoot);
    DDX_Control(IDC_BROWSER, m_browser);
    DDX_Control(IDC_APPLY, m_btnApply);
    DDX_Control(IDC_MINIMIZE, m_btnMinimize);
    DDX_Control(IDC_CLOSE, m_btnClose);
    DDX_Control(IDC_TITLE, m_lblTitle);
    DDX_Control(IDC_LOGO, m_picLogo);
}

void CSSDDlg::ApplyRecommended()
{
    // Every button of every row gets an explicit state; setting the states directly sends no
    // click notification.
    for (const OptionGroup& row : kOptionRows)
    {
        if (row.needsVista)
            continue;
        CheckDlgButton(row.recommendedId, BST_CHECKED);
        for (int id = row.firstId; id <= row.lastId; ++id)
        {
            if (id != row.recommendedId)
                CheckDlgButton(id, BST_UNCHECKED);
        }
    }
    if (IsVistaOrLater() == 1)
    {
        CheckDlgButton(IDC_GUIBOOT_ON, BST_UNCHECKED);
        CheckDlgButton(IDC_GUIBOOT_OFF, BST_CHECKED);
    }
    else
    {
        ::EnableWindow(GetDlgItem(IDC_GUIBOOT_ON), FALSE);
        ::EnableWindow(GetDlgItem(IDC_GUIBOOT_OFF), FALSE);
    }
}

std::string CSSDDlg::FindSsdModel()
{
    return FindSsdModelOfDisks();
}
