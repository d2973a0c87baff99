// Painting, background and dragging of the borderless main dialog: the grey frame and title band,
// the white surface under transparent labels, the icon when minimised, and a drag from any free
// spot of the surface.
#include "SSDDlg.h"

#include "framework/Handles.h"
#include "framework/HighContrast.h"

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

BOOL CSSDDlg::OnEraseBkgnd(HDC dc)
{
    if (fw::HighContrast())
    {
        // The same frame, surface and band in the user's high-contrast colours.
        FillSolid(dc, 0, 0, 660, 652, ::GetSysColor(COLOR_WINDOWTEXT));
        FillSolid(dc, 1, 1, 659, 651, ::GetSysColor(COLOR_WINDOW));
        FillSolid(dc, 0, 0, 659, 51, ::GetSysColor(COLOR_ACTIVECAPTION));
        return TRUE;
    }
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
    if (type == CTLCOLOR_DLG && fw::HighContrast())
        return ::GetSysColorBrush(COLOR_WINDOW);
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

void CSSDDlg::OnLButtonDown(UINT flags, POINTS point)
{
    // Any free spot of the surface moves the window, as a caption would.
    ::SendMessageA(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
    DefWindowProc(WM_LBUTTONDOWN, flags, MAKELPARAM(point.x, point.y));
}
