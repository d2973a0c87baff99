#include "Label.h"

#include "framework/DialogLayout.h"
#include "framework/Text.h"

CLabel::CLabel() : m_crText(::GetSysColor(COLOR_WINDOWTEXT))
{
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(m_lf), &m_lf);
    // The system's GUI font grows with the DPI it hands us; our labels keep their 96-DPI size
    // like the dialogs they sit in.
    m_lf.lfHeight = fw::HeightAt96Dpi(m_lf.lfHeight, fw::ScreenDpi());
    // Our labels hold Korean text. Where the system's GUI font is made for another script (its
    // language for non-Unicode programs is not Korean), they take it as a Korean system gives
    // it, in the Hangul character set at 9 points, so that they look the same there.
    if (m_lf.lfCharSet != HANGUL_CHARSET)
    {
        m_lf.lfCharSet = HANGUL_CHARSET;
        m_lf.lfHeight = -12;
    }
    m_font.Reset(::CreateFontIndirectW(&m_lf));
}

CLabel::~CLabel()
{
    // The control may outlive us (a dialog destroys its windows after its members): it must not
    // keep drawing with a font we are about to delete.
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::SendMessageW(m_hWnd, WM_SETFONT, 0, FALSE);
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
    m_lf.lfUnderline = static_cast<BYTE>(underline & 0xFF);
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
    // By its UTF-16 name: a face such as "돋움" is found whatever the system's code page.
    ::lstrcpynW(m_lf.lfFaceName, fw::Wide(face).c_str(), LF_FACESIZE);
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

void CLabel::PreSubclassWindow()
{
    HandFontToControl();
}

void CLabel::RebuildFont()
{
    // The new font is handed to the control before the old one is deleted, so the control never
    // holds a dead handle. When no new font can be made, the control is given none (it draws
    // with the system font) rather than keep the one about to go.
    fw::CFontHandle old(m_font.Detach());
    m_font.Reset(::CreateFontIndirectW(&m_lf));
    if (m_font)
        HandFontToControl();
    else if (m_hWnd)
        ::SendMessageW(m_hWnd, WM_SETFONT, 0, FALSE);
}

void CLabel::HandFontToControl()
{
    // The colour notification selects our font, but a static control that has a font of its own
    // (the dialog gives every control its font) may select that one after asking for colours.
    // Giving the control our font as well makes the label's font win whichever order it uses.
    if (m_hWnd && m_font)
        ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);
}

void CLabel::Repaint()
{
    // A label whose window is not shown yet (the dialog styles its labels before it first
    // shows) has nothing on the screen to renew: it is painted when the window shows.
    if (m_hWnd && ::IsWindowVisible(m_hWnd))
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

LRESULT CLabel::OnSetText(WPARAM wParam, LPARAM lParam)
{
    LRESULT result = DefWindowProc(WM_SETTEXT, wParam, lParam);
    // Our background is hollow: the old text stays on screen unless the parent paints over it
    // first, so the parent repaints exactly our rectangle before we draw the new text on top.
    HWND parent = GetParent();
    if (parent)
    {
        RECT rc;
        ::GetWindowRect(m_hWnd, &rc);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
        ::InvalidateRect(parent, &rc, TRUE);
        ::UpdateWindow(parent);
    }
    Repaint();
    return result;
}

LRESULT CLabel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WM_SETTEXT:
        return OnSetText(wParam, lParam);
    case WM_SETCURSOR:
        if (m_hCursor)
        {
            ::SetCursor(m_hCursor);
            return TRUE;
        }
        break;
    // A click is left to the static control, which reports it to the parent (STN_CLICKED) when
    // the label has SS_NOTIFY; the parent knows the address behind the link. The label never
    // opens its own text: we run elevated, and "opening" a caption such as "[추천 설정]" would
    // run any program of that name planted in the working folder.
    default:
        break;
    }
    return fw::CWnd::WindowProc(msg, wParam, lParam);
}
