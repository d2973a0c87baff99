// Commands and keys of the borderless main dialog, the window procedure that routes them, the
// first tick that loads the panel's page and the system's colour and setting changes.
#include "SSDDlg.h"

#include "app/AboutDlg.h"
#include "ProductConfig.h"
#include "framework/HighContrast.h"
#include "resource.h"
#include "framework/Text.h"
#include "net/panel/PanelGuard.h"
#include "sysconfig/Launch.h"

#include <oleauto.h>

#include <windowsx.h>

BOOL CSSDDlg::PreTranslateMessage(MSG* msg)
{
    // Enter and Esc never close the dialog, and F1 never asks for help.
    if (msg->message == WM_SYSKEYDOWN && msg->wParam == VK_F1)
        return TRUE;
    if (msg->message == WM_KEYDOWN &&
        (msg->wParam == VK_F1 || msg->wParam == VK_ESCAPE || msg->wParam == VK_RETURN))
        return TRUE;
    // Moving through the dialog by keys shows where the focus is from then on, as the system's
    // dialogs do.
    if (msg->message == WM_KEYDOWN &&
        (msg->wParam == VK_TAB || (msg->wParam >= VK_LEFT && msg->wParam <= VK_DOWN)))
    {
        if (!m_bKeyboardUsed && msg->hwnd)
            ::InvalidateRect(msg->hwnd, nullptr, FALSE); // where the key goes nowhere else
        m_bKeyboardUsed = true;
        ::SendMessageW(m_hWnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    }
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
    case WM_QUERYUISTATE:
        // Focus is hidden until the keyboard moves it, whatever the system keeps (Wine keeps
        // nothing): a mouse user sees the window as drawn without it.
        return DefWindowProc(msg, wParam, lParam) | (m_bKeyboardUsed ? 0 : UISF_HIDEFOCUS);
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        OnSystemColorsChanged(msg);
        return fw::CDialog::WindowProc(msg, wParam, lParam);
    default:
        return fw::CDialog::WindowProc(msg, wParam, lParam);
    }
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

void CSSDDlg::OnSystemColorsChanged(UINT msg)
{
    // Every control has heard of a colour change already (the framework passes it on); each draws
    // with the mode asked here.
    if (!fw::RefreshHighContrast() && msg != WM_SYSCOLORCHANGE)
        return;
    ::RedrawWindow(m_hWnd, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void CSSDDlg::OnTimer(UINT_PTR id)
{
    if (id == 1)
    {
        ::KillTimer(m_hWnd, 1);
        VARIANT url;
        ::VariantInit(&url);
        url.vt = VT_BSTR;
        url.bstrVal = fw::AnsiToBstr(kAdvertisementUrl, fw::kTextCodePage);
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
