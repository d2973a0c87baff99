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
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)));
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
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
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

POINT CentredPosition(SIZE window, const RECT& over, const RECT& workArea)
{
    LONG x = over.left + ((over.right - over.left) - window.cx) / 2;
    LONG y = over.top + ((over.bottom - over.top) - window.cy) / 2;
    // Right and bottom first, then left and top: when the window cannot fit, its top-left
    // corner wins.
    if (x + window.cx > workArea.right)
        x = workArea.right - window.cx;
    if (x < workArea.left)
        x = workArea.left;
    if (y + window.cy > workArea.bottom)
        y = workArea.bottom - window.cy;
    if (y < workArea.top)
        y = workArea.top;
    return POINT{x, y};
}

void CWnd::CenterWindow()
{
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    const bool overOwner = owner && ::IsWindowVisible(owner) && !::IsIconic(owner);

    RECT area;
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    HMONITOR monitor = overOwner ? ::MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST)
                                 : ::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY);
    if (monitor && ::GetMonitorInfoA(monitor, &mi))
        area = mi.rcWork;
    else
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);

    RECT over = area;
    if (overOwner)
        ::GetWindowRect(owner, &over);
    const POINT at = CentredPosition(SIZE{rc.right - rc.left, rc.bottom - rc.top}, over, area);
    ::SetWindowPos(m_hWnd, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace
{
BOOL CALLBACK SendToOne(HWND hwnd, LPARAM param)
{
    const MSG* msg = reinterpret_cast<const MSG*>(param);
    ::SendMessageW(hwnd, msg->message, msg->wParam, msg->lParam);
    return TRUE;
}
} // namespace

void CWnd::SendMessageToDescendants(UINT msg, WPARAM wParam, LPARAM lParam) const
{
    // The enumeration visits every descendant, not only the direct children.
    MSG message = {};
    message.message = msg;
    message.wParam = wParam;
    message.lParam = lParam;
    ::EnumChildWindows(m_hWnd, &SendToOne, reinterpret_cast<LPARAM>(&message));
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProc(msg, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return ::CallWindowProcW(m_pfnSuper, m_hWnd, msg, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
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
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);

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
        result = super ? ::CallWindowProcW(super, hwnd, msg, wParam, lParam)
                       : ::DefWindowProcW(hwnd, msg, wParam, lParam);
        if (self->m_nDepth > 0)
            self->m_bPendingNcDestroy = true;
        else
            self->PostNcDestroy(); // may delete the object
        return result;
    }
    // The system tells only top-level windows of a colour change; our controls keep drawing
    // objects made from the old colours, so every window under a top-level one hears of it too.
    if (msg == WM_SYSCOLORCHANGE && !(::GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD))
        self->SendMessageToDescendants(msg, wParam, lParam);

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

LRESULT KeyboardCuesOf(HWND control)
{
    HWND parent = ::GetParent(control);
    return ::SendMessageW(parent ? parent : control, WM_QUERYUISTATE, 0, 0);
}

} // namespace fw
