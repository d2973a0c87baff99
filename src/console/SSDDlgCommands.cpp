// Commands, keys, painting and dragging of the borderless main dialog.
#include "SSDDlg.h"

#include "app/AboutDlg.h"
#include "ProductConfig.h"
#include "resource.h"
#include "framework/Text.h"
#include "net/panel/PanelGuard.h"
#include "sysconfig/Launch.h"

#include <oleauto.h>

#include <windowsx.h>

namespace
{
const COLORREF kFrameColor = RGB(88, 89, 91);

void FillSolid(HDC dc, int left, int top, int right, int bottom, COLORREF color)
{
    RECT rc = {left, top, right, bottom};
    fw::CBrushHandle brush(::CreateSolidBrush(color));
    ::FillRect(dc, &rc, brush.Get());
}
} // namespace

BOOL CSSDDlg::PreTranslateMessage(MSG* msg)
{
    // Enter and Esc never close the dialog, and F1 never asks for help.
    if (msg->message == WM_SYSKEYDOWN && msg->wParam == VK_F1)
        return TRUE;
    if (msg->message == WM_KEYDOWN &&
        (msg->wParam == VK_F1 || msg->wParam == VK_ESCAPE || msg->wParam == VK_RETURN))
        return TRUE;
    return fw::CDialog::PreTranslateMessage(msg);
}

BOOL CSSDDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    // Clicks only: a double-click on a link reports a second notification that must not open
    // the page a second time.
    if (lParam && HIWORD(wParam) != BN_CLICKED)
        return fw::CDialog::OnCommand(wParam, lParam);
    switch (LOWORD(wParam))
    {
    case IDC_APPLY:
        OnApply();
        return TRUE;
    case IDC_LINK_POWER:
        OpenSystemTool("control.exe", "powercfg.cpl");
        return TRUE;
    case IDC_LINK_BLOG:
        OpenForUser(nullptr, kBlogUrl, nullptr);
        return TRUE;
    case IDC_LINK_AHCI_SEARCH:
        OpenForUser(nullptr, kAhciSearchUrl, nullptr);
        return TRUE;
    case IDC_MINIMIZE:
        ShowWindow(SW_MINIMIZE);
        return TRUE;
    case IDC_CLOSE:
        ::SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
        return TRUE;
    case IDC_LINK_RECOMMENDED:
        ApplyRecommended();
        return TRUE;
    default:
        return fw::CDialog::OnCommand(wParam, lParam);
    }
}

LRESULT CSSDDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(m_hIcon);
    case WM_ERASEBKGND:
        return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<LRESULT>(OnCtlColor(msg, wParam, lParam));
    case WM_SYSCOMMAND:
        OnSysCommand(static_cast<UINT>(wParam), lParam);
        return 0;
    case WM_LBUTTONDOWN:
        OnLButtonDown(static_cast<UINT>(wParam), MAKEPOINTS(lParam));
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    default:
        return fw::CDialog::WindowProc(msg, wParam, lParam);
    }
}

BOOL CSSDDlg::OnEraseBkgnd(HDC dc)
{
    FillSolid(dc, 0, 0, 660, 652, kFrameColor);
    FillSolid(dc, 1, 1, 659, 651, RGB(255, 255, 255));
    FillSolid(dc, 0, 0, 659, 51, kFrameColor);
    return TRUE;
}

HBRUSH CSSDDlg::OnCtlColor(UINT msg, WPARAM wParam, LPARAM lParam)
{
    HDC dc = reinterpret_cast<HDC>(wParam);
    const UINT type = msg - WM_CTLCOLORMSGBOX; // CTLCOLOR_MSGBOX .. CTLCOLOR_STATIC
    // The base handling first: a label answers its own colour request (font, text colour).
    HBRUSH brush = reinterpret_cast<HBRUSH>(fw::CDialog::WindowProc(msg, wParam, lParam));

    ::SetBkMode(dc, TRANSPARENT);
    if (type == CTLCOLOR_DLG)
    {
        if (!m_brDialog)
            m_brDialog.Reset(::CreateSolidBrush(RGB(255, 255, 255)));
        return m_brDialog.Get();
    }
    if (type == CTLCOLOR_STATIC)
        return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
    return brush;
}

void CSSDDlg::OnPaint()
{
    if (!::IsIconic(m_hWnd))
    {
        Default();
        return;
    }
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    ::SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    int cxIcon = ::GetSystemMetrics(SM_CXICON);
    int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    int x = (rc.right - rc.left - cxIcon + 1) / 2;
    int y = (rc.bottom - rc.top - cyIcon + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
    ::EndPaint(m_hWnd, &ps);
}

void CSSDDlg::OnSysCommand(UINT id, LPARAM lParam)
{
    if ((id & 0xFFF0) == IDM_ABOUTBOX)
    {
        CAboutDlg about;
        about.DoModal();
        return;
    }
    DefWindowProc(WM_SYSCOMMAND, id, lParam);
}

void CSSDDlg::OnLButtonDown(UINT flags, POINTS point)
{
    // Any free spot of the surface moves the window, as a caption would.
    ::SendMessageA(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
    DefWindowProc(WM_LBUTTONDOWN, flags, MAKELPARAM(point.x, point.y));
}

void CSSDDlg::OnTimer(UINT_PTR id)
{
    if (id == 1)
    {
        ::KillTimer(m_hWnd, 1);
        VARIANT url;
        ::VariantInit(&url);
        url.vt = VT_BSTR;
        url.bstrVal = fw::AnsiToBstr(kAdvertisementUrl, CP_ACP);
        VARIANT empty;
        ::VariantInit(&empty);
        VARIANT flags;
        ::VariantInit(&flags);
        flags.vt = VT_I4;
        flags.lVal = panelguard::kPageNavigation;
        m_browser.Navigate2(&url, &flags, &empty, &empty, &empty);
        ::VariantClear(&url);
        ::VariantClear(&empty);
        m_browser.ShowWindow(SW_SHOW);
    }
    Default();
}
