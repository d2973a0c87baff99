#include "Label.h"

CLabel::CLabel() : m_crText(::GetSysColor(COLOR_WINDOWTEXT))
{
    ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof(m_lf), &m_lf);
    m_font.Reset(::CreateFontIndirectA(&m_lf));
}

CLabel& CLabel::SetForeColor(COLORREF color)
{
    m_crText = color;
    Repaint();
    return *this;
}

CLabel& CLabel::SetBold(BOOL bold)
{
    m_lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    RebuildFont();
    Repaint();
    return *this;
}

CLabel& CLabel::SetUnderline(BOOL underline)
{
    m_lf.lfUnderline = static_cast<BYTE>(underline);
    RebuildFont();
    Repaint();
    return *this;
}

CLabel& CLabel::SetCharHeight(int height)
{
    m_lf.lfHeight = -height;
    RebuildFont();
    Repaint();
    return *this;
}

CLabel& CLabel::SetFaceName(const char* face)
{
    ::lstrcpynA(m_lf.lfFaceName, face, LF_FACESIZE);
    RebuildFont();
    Repaint();
    return *this;
}

CLabel& CLabel::SetClickable(BOOL clickable)
{
    if (clickable)
        ModifyStyle(0, SS_NOTIFY);
    else
        ModifyStyle(SS_NOTIFY, 0);
    return *this;
}

CLabel& CLabel::SetHoverCursor(HCURSOR cursor)
{
    m_hCursor = cursor;
    return *this;
}

void CLabel::RebuildFont()
{
    m_font.Reset(::CreateFontIndirectA(&m_lf));
}

void CLabel::Repaint()
{
    if (m_hWnd)
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

bool CLabel::OnChildNotify(UINT msg, WPARAM wParam, LPARAM, LRESULT* result)
{
    if (msg != WM_CTLCOLORSTATIC)
        return false;
    HDC dc = reinterpret_cast<HDC>(wParam);
    if (m_font)
        ::SelectObject(dc, m_font.Get());
    ::SetTextColor(dc, m_crText);
    ::SetBkMode(dc, TRANSPARENT);
    *result = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
    return true;
}

LRESULT CLabel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return fw::CWnd::WindowProc(msg, wParam, lParam);
}
