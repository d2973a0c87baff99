#include "Dialog.h"

namespace fw
{

CDialog::~CDialog()
{
    if (m_hWnd && ::IsWindow(m_hWnd))
    {
        HWND hwnd = UnsubclassWindow();
        ::DestroyWindow(hwnd);
    }
}

HWND CDialog::CreateFromTemplate(HWND owner)
{
    return ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_nIDTemplate),
                                owner, &CDialog::StaticDlgProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CDialog::StaticDlgProc(HWND hwnd, UINT msg, WPARAM, LPARAM lParam)
{
    // Only the first call matters: from WM_INITDIALOG on, the dialog window's own procedure is
    // ours (subclassed) and this dialog procedure answers "not handled" to everything, which
    // leaves the dialog manager's default processing to the window's original procedure.
    if (msg == WM_INITDIALOG)
    {
        CDialog* self = reinterpret_cast<CDialog*>(lParam);
        if (!self || !self->SubclassWindow(hwnd))
            return TRUE;
        return self->OnInitDialog();
    }
    return FALSE;
}

INT_PTR CDialog::DoModal()
{
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    m_bModal = true;
    m_bContinueModal = true;
    m_nModalResult = -1;

    bool ownerDisabled = false;
    if (owner && ::IsWindowEnabled(owner))
    {
        ::EnableWindow(owner, FALSE);
        ownerDisabled = true;
    }

    HWND hwnd = CreateFromTemplate(owner);
    if (!hwnd)
    {
        m_bContinueModal = false;
        if (ownerDisabled)
            ::EnableWindow(owner, TRUE);
        m_bModal = false;
        return -1;
    }

    if (m_bContinueModal && !::IsWindowVisible(hwnd))
        ::ShowWindow(hwnd, SW_SHOWNORMAL);

    MSG msg;
    while (m_bContinueModal)
    {
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0)
        {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got == -1)
            break;
        if (!WalkPreTranslateTree(&msg))
        {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }

    if (ownerDisabled)
        ::EnableWindow(owner, TRUE);
    if (owner && ::GetActiveWindow() == hwnd)
        ::SetActiveWindow(owner);
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
    m_bModal = false;
    return m_nModalResult;
}

BOOL CDialog::Create(UINT idTemplate, CWnd* parent)
{
    m_nIDTemplate = idTemplate;
    if (parent)
        m_pParentWnd = parent;
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    return CreateFromTemplate(owner) != nullptr;
}

void CDialog::EndDialog(int result)
{
    m_nModalResult = result;
    if (m_bModal)
    {
        m_bContinueModal = false;
        // Wake the loop in case no further message is on its way.
        ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
    }
    if (m_hWnd)
        ::EndDialog(m_hWnd, result);
}

BOOL CDialog::OnInitDialog()
{
    DoDataExchange();
    return TRUE;
}

void CDialog::DDX_Control(int id, CWnd& control)
{
    if (!control.m_hWnd)
        control.SubclassDlgItem(static_cast<UINT>(id), this);
}

BOOL CDialog::PreTranslateMessage(MSG* msg)
{
    // The dialog manager's keyboard handling (tab, arrows, default button).
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST)
        return ::IsDialogMessageA(m_hWnd, msg);
    return FALSE;
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM)
{
    switch (LOWORD(wParam))
    {
    case IDOK:
        OnOK();
        return TRUE;
    case IDCANCEL:
        OnCancel();
        return TRUE;
    default:
        return FALSE;
    }
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    switch (msg)
    {
    case WM_COMMAND:
        // A control's notification goes to the control first.
        if (lParam && ReflectToChild(reinterpret_cast<HWND>(lParam), msg, wParam, lParam, &result))
            return result;
        if (OnCommand(wParam, lParam))
            return 0;
        break;
    case WM_DRAWITEM:
        if (wParam && ReflectToChild(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem, msg,
                                     wParam, lParam, &result))
            return TRUE;
        break;
    default:
        break;
    }
    return DefWindowProc(msg, wParam, lParam);
}

BOOL WalkPreTranslateTree(MSG* msg)
{
    for (HWND hwnd = msg->hwnd; hwnd;)
    {
        if (CWnd* wnd = CWnd::FromHandlePermanent(hwnd))
        {
            if (wnd->PreTranslateMessage(msg))
                return TRUE;
        }
        if (!(::GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD))
            break; // the top-level window was the last
        hwnd = ::GetParent(hwnd);
    }
    return FALSE;
}

} // namespace fw
