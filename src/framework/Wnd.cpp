#include "Wnd.h"

namespace fw
{

namespace
{
const char kObjectProp[] = "DADAROR.CWnd";
}

CWnd::~CWnd()
{
    // A window that outlives its object must not call into freed memory.
    if (m_hWnd && ::IsWindow(m_hWnd))
        UnsubclassWindow();
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd)
{
    if (!hwnd)
        return nullptr;
    return static_cast<CWnd*>(::GetPropA(hwnd, kObjectProp));
}

BOOL CWnd::SubclassWindow(HWND hwnd)
{
    if (!hwnd || m_hWnd || FromHandlePermanent(hwnd))
        return FALSE;
    m_hWnd = hwnd;
    PreSubclassWindow();
    if (!::SetPropA(hwnd, kObjectProp, this))
    {
        m_hWnd = nullptr;
        return FALSE;
    }
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)));
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent)
{
    if (!parent)
        return FALSE;
    HWND item = ::GetDlgItem(parent->m_hWnd, static_cast<int>(id));
    return item ? SubclassWindow(item) : FALSE;
}

HWND CWnd::UnsubclassWindow()
{
    HWND hwnd = m_hWnd;
    if (!hwnd)
        return nullptr;
    if (m_pfnSuper)
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    ::RemovePropA(hwnd, kObjectProp);
    m_pfnSuper = nullptr;
    m_hWnd = nullptr;
    return hwnd;
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}

bool CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*)
{
    return false;
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT swpFlags)
{
    DWORD style = GetStyle();
    DWORD newStyle = (style & ~remove) | add;
    if (style == newStyle)
        return FALSE;
    ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(newStyle));
    if (swpFlags)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | swpFlags);
    return TRUE;
}

void CWnd::CenterWindow()
{
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    RECT area;
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner))
    {
        ::GetWindowRect(owner, &area);
    }
    else
    {
        MONITORINFO mi = {};
        mi.cbSize = sizeof(mi);
        HMONITOR monitor = ::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY);
        if (monitor && ::GetMonitorInfoA(monitor, &mi))
            area = mi.rcWork;
        else
            ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    }
    int cx = rc.right - rc.left;
    int cy = rc.bottom - rc.top;
    int x = area.left + ((area.right - area.left) - cx) / 2;
    int y = area.top + ((area.bottom - area.top) - cy) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProc(msg, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, msg, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, msg, wParam, lParam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam);
}

bool CWnd::ReflectToChild(HWND child, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    CWnd* obj = FromHandlePermanent(child);
    return obj && obj->OnChildNotify(msg, wParam, lParam, result);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CWnd* self = FromHandlePermanent(hwnd);
    if (!self)
        return ::DefWindowProcA(hwnd, msg, wParam, lParam);

    MSG saved = self->m_current;
    self->m_current.hwnd = hwnd;
    self->m_current.message = msg;
    self->m_current.wParam = wParam;
    self->m_current.lParam = lParam;

    LRESULT result;
    if (msg == WM_NCDESTROY)
    {
        WNDPROC super = self->m_pfnSuper;
        self->UnsubclassWindow();
        result = super ? ::CallWindowProcA(super, hwnd, msg, wParam, lParam)
                       : ::DefWindowProcA(hwnd, msg, wParam, lParam);
        if (self->m_nDepth > 0)
            self->m_bPendingNcDestroy = true;
        else
            self->PostNcDestroy(); // may delete the object
        return result;
    }
    ++self->m_nDepth;
    result = self->WindowProc(msg, wParam, lParam);
    if (--self->m_nDepth == 0 && self->m_bPendingNcDestroy)
    {
        self->m_bPendingNcDestroy = false;
        self->PostNcDestroy(); // may delete the object
        return result;
    }
    self->m_current = saved;
    return result;
}

} // namespace fw
