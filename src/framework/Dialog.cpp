#include "Dialog.h"

#include "DialogLayout.h"
#include "WinApp.h"

#include <cstring>
#include <vector>

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

namespace
{
// The dialog template `id` of the program's own resources and its size; null when missing.
const void* TemplateResource(UINT id, DWORD& size)
{
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    HRSRC info = ::FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));
    HGLOBAL res = info ? ::LoadResource(instance, info) : nullptr;
    const void* data = res ? ::LockResource(res) : nullptr;
    size = data ? ::SizeofResource(instance, info) : 0;
    return data;
}
} // namespace

HWND CDialog::CreateFromTemplate(HWND owner, bool hidden)
{
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    if (!hidden)
        return ::CreateDialogParamW(instance, MAKEINTRESOURCEW(m_nIDTemplate), owner,
                                    &CDialog::StaticDlgProc, reinterpret_cast<LPARAM>(this));

    // A modal run shows its window itself, once the start-up has left nothing to do: a dialog
    // closed during its initialisation is never seen. The template is copied without its
    // visible style for that.
    DWORD size = 0;
    const void* data = TemplateResource(m_nIDTemplate, size);
    if (!data || size < sizeof(DLGTEMPLATE))
        return nullptr;
    std::vector<BYTE> copy(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
    // DLGTEMPLATEEX: dlgVer 1, signature 0xFFFF, helpID, exStyle, style; DLGTEMPLATE: style first.
    const WORD* words = reinterpret_cast<const WORD*>(copy.data());
    size_t styleOffset = (words[0] == 1 && words[1] == 0xFFFF) ? 12 : 0;
    DWORD style;
    std::memcpy(&style, copy.data() + styleOffset, sizeof(style));
    m_bShowOnIdle = (style & WS_VISIBLE) != 0;
    style &= ~static_cast<DWORD>(WS_VISIBLE);
    std::memcpy(copy.data() + styleOffset, &style, sizeof(style));
    return ::CreateDialogIndirectParamW(instance, reinterpret_cast<LPCDLGTEMPLATEW>(copy.data()),
                                        owner, &CDialog::StaticDlgProc,
                                        reinterpret_cast<LPARAM>(this));
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
        self->KeepLayoutOf96Dpi();
        RECT before = {};
        ::GetWindowRect(hwnd, &before);
        BOOL result = self->OnInitDialog();
        // A modal dialog that did not place itself opens over the window it keeps from input,
        // not where the template's coordinates happen to put it on the screen.
        RECT after = {};
        if (::IsWindow(hwnd) && self->m_bModal && ::GetWindowRect(hwnd, &after) &&
            std::memcmp(&before, &after, sizeof(RECT)) == 0 &&
            !(::GetWindowLongA(hwnd, GWL_STYLE) & DS_CENTER))
        {
            HWND owner = ::GetWindow(hwnd, GW_OWNER);
            if (owner && !::IsWindowEnabled(owner))
                self->CenterWindow();
        }
        return result;
    }
    return FALSE;
}

void CDialog::KeepLayoutOf96Dpi()
{
    // Our layouts are pixel work: where the system hands us a DPI other than 96 (it does not
    // stretch a program that declares no awareness there), they keep their 96-DPI look.
    if (ScreenDpi() == 96)
        return;
    DWORD size = 0;
    if (const void* data = TemplateResource(m_nIDTemplate, size))
        m_layoutFont = LayOutAt96Dpi(m_hWnd, data, size);
}

INT_PTR CDialog::DoModal()
{
    // Without a parent of its own, a modal dialog is owned by the application's main window, so
    // that the main window takes no input while it is up.
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!owner)
    {
        CWinApp* app = AfxGetApp();
        if (app && app->m_pMainWnd && app->m_pMainWnd != this &&
            ::IsWindow(app->m_pMainWnd->m_hWnd))
            owner = app->m_pMainWnd->m_hWnd;
    }
    m_bModal = true;
    m_bContinueModal = true;
    m_nModalResult = -1;

    bool ownerDisabled = false;
    if (owner && ::IsWindowEnabled(owner))
    {
        ::EnableWindow(owner, FALSE);
        ownerDisabled = true;
    }

    m_bShowOnIdle = false;
    HWND hwnd = CreateFromTemplate(owner, true);
    if (!hwnd)
    {
        m_bContinueModal = false;
        if (ownerDisabled)
            ::EnableWindow(owner, TRUE);
        m_bModal = false;
        return -1;
    }

    if (m_bContinueModal && !m_bShowOnIdle && !::IsWindowVisible(hwnd))
        ::ShowWindow(hwnd, SW_SHOWNORMAL);

    MSG msg;
    while (m_bContinueModal)
    {
        if (m_bShowOnIdle && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE))
        {
            m_bShowOnIdle = false;
            ::ShowWindow(hwnd, SW_SHOWNORMAL);
            ::UpdateWindow(hwnd);
            continue;
        }
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
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
            ::DispatchMessageW(&msg);
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
    return CreateFromTemplate(owner, false) != nullptr;
}

void CDialog::EndDialog(int result)
{
    m_nModalResult = result;
    if (m_bModal)
    {
        m_bContinueModal = false;
        // Wake the loop in case no further message is on its way.
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
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
        return ::IsDialogMessageW(m_hWnd, msg);
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
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        // A control that chooses its own colours (a label) answers its own colour request.
        if (lParam && reinterpret_cast<HWND>(lParam) != m_hWnd &&
            ReflectToChild(reinterpret_cast<HWND>(lParam), msg, wParam, lParam, &result))
            return result;
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
