// The main dialog: the option rows (the table in OptionRows.cpp), the AHCI state, the links, the
// skinned buttons and the advertisement panel. Its selection lives in the radio buttons themselves.
#pragma once

#include "framework/Accessible.h"
#include "framework/Dialog.h"
#include "framework/Handles.h"
#include "framework/Thread.h"
#include "net/panel/WebBrowser2.h"
#include "sysconfig/Optimizer.h"
#include "widgets/ButtonST.h"
#include "widgets/Label.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class CProgressDlg;

class CSSDDlg : public fw::CDialog
{
public:
    explicit CSSDDlg(fw::CWnd* parent = nullptr);
    ~CSSDDlg() override;

    // Checks the recommended button of every row.
    void ApplyRecommended();
    // The upper-cased model of an SSD found among the disks, or the empty text.
    std::string FindSsdModel();

    // The apply sequence: OnApply on the user-interface thread, RunOptimization on the worker.
    void OnApply();
    void RunOptimization();

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;
    void OnCancel() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // Start-up steps
    void AddAboutMenuEntry();
    void LayOutWindow();
    void StyleButtons();
    void StyleLabels();
    void ShowAhciState();
    void CheckForSsd();
    void CheckForUpdate();
    void NameControls();

    // Window behaviour
    BOOL OnEraseBkgnd(HDC dc);
    // The brush for a control's (or the dialog's own) colour request.
    HBRUSH OnCtlColor(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnPaint();
    void OnSysCommand(UINT id, LPARAM lParam);
    void OnLButtonDown(UINT flags, POINTS point);
    void OnTimer(UINT_PTR id);
    // The system's colours or settings changed: high-contrast mode may have come or gone.
    void OnSystemColorsChanged(UINT msg);

    // Apply steps
    void RunRow(int rowIndex);
    void RunGuiBootRow(int selection);
    void RestartWindows();

public:
    COptimizer m_optimizer;
    HICON m_hIcon;
    fw::CWinThread* m_pWorkerThread;
    CProgressDlg* m_pProgressDlg;
    CLabel m_lblAhciState;
    CLabel m_lblVirtualMemory;
    CLabel m_lblWindowsSearch;
    CLabel m_lblSuperfetch;
    CLabel m_lblAutoTrim;
    CLabel m_lblLastAccess;
    CLabel m_lblHibernation;
    CLabel m_lblDefrag;
    CLabel m_lnkAhciSearch;
    CLabel m_lnkPowerOptions;
    CLabel m_lnkBlog;
    CLabel m_lnkRecommended;
    CLabel m_lblRecommendedNote;
    CLabel m_lblGuiBoot;
    CWebBrowser2 m_browser;
    CButtonST m_btnApply;
    CButtonST m_btnMinimize;
    CButtonST m_btnClose;
    CLabel m_lblTitle;
    fw::CNamedControl m_picLogo;

private:
    // The white brush of the dialog's own background, made on first use and kept.
    fw::CBrushHandle m_brDialog;
    // The rows' radio buttons, each heard with its row's caption before its own text.
    std::vector<std::unique_ptr<fw::CNamedControl>> m_rowButtons;
    // True from the apply click until the worker has ended (restart question included): one
    // worker at a time, and the dialog is not closed under it.
    std::atomic<bool> m_bApplying{false};
    // The keyboard moved the focus (or the user wants keyboard cues always): focus is shown.
    bool m_bKeyboardUsed = false;
};

// The main dialog, for the worker thread of the apply sequence. Set once during start-up.
extern CSSDDlg* g_pMainDlg;

// Entry of the apply worker thread.
UINT __stdcall OptimizeThreadProc(void* parameter);
