// The small window that asks the user to wait while the apply sequence runs. Modeless, owned by
// the main dialog; the object deletes itself once its window is gone.
#pragma once

#include "framework/Dialog.h"
#include "widgets/Label.h"

class CProgressDlg : public fw::CDialog
{
public:
    explicit CProgressDlg(fw::CWnd* parent = nullptr);
    ~CProgressDlg() override;

    CLabel m_lblMessage;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;
};
