// Dialog base of our toolkit: runs a dialog template modal (with our own message loop, so that a
// message passes the target control's and the dialog's pre-translation before the dialog manager
// sees it) or modeless, binds member widgets to control ids and routes messages to virtual
// handlers.
#pragma once

#include "Handles.h"
#include "Wnd.h"

namespace fw
{

class CDialog : public CWnd
{
public:
    explicit CDialog(UINT idTemplate, CWnd* parent = nullptr) noexcept
        : m_nIDTemplate(idTemplate), m_pParentWnd(parent)
    {
    }
    ~CDialog() override;

    // Runs the dialog modally; returns the code given to EndDialog, or -1 when the window could
    // not be created.
    virtual INT_PTR DoModal();
    // Creates the dialog modeless, owned by parent (or by the constructor's parent).
    BOOL Create(UINT idTemplate, CWnd* parent = nullptr);
    void EndDialog(int result);

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
    void CheckDlgButton(int id, UINT check) { ::CheckDlgButton(m_hWnd, id, check); }

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    // Called once the window and its controls exist; the base binds the member widgets.
    virtual BOOL OnInitDialog();
    // Binds member widgets to their controls (DDX_Control for each).
    virtual void DoDataExchange() {}
    void DDX_Control(int id, CWnd& control);

    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // A command from a menu, an accelerator or a control; TRUE when handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

private:
    static INT_PTR CALLBACK StaticDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND CreateFromTemplate(HWND owner, bool hidden);
    // Away from 96 DPI: the controls where the template puts them at 96 DPI.
    void KeepLayoutOf96Dpi();

    bool m_bModal = false;
    bool m_bContinueModal = false;
    bool m_bShowOnIdle = false;
    int m_nModalResult = -1;
    // The template's font at its 96-DPI height, given to the controls; kept while they live.
    CFontHandle m_layoutFont;
};

// Offers a message to the pre-translation of its target window and each parent up to the
// top-level window, innermost first. TRUE when one of them handled it.
BOOL WalkPreTranslateTree(MSG* msg);

} // namespace fw
