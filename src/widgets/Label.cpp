#include "Label.h"

#include "framework/Accessible.h"
#include "framework/DialogLayout.h"
#include "framework/HighContrast.h"
#include "framework/Text.h"

#include <oleacc.h>

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
    ::lstrcpynW(m_lf.lfFaceName, fw::Wide(face).data(), LF_FACESIZE);
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
    m_nHighContrastColor = clickable ? COLOR_HOTLIGHT : COLOR_WINDOWTEXT;
    return *this;
}

CLabel& CLabel::SetHighContrastColor(int sysColor)
{
    m_nHighContrastColor = sysColor;
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
    ::SetTextColor(dc, fw::HighContrast() ? ::GetSysColor(m_nHighContrastColor) : m_crText);
    ::SetBkMode(dc, TRANSPARENT);
    *result = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
    return true;
}

LRESULT CLabel::OnSetText(WPARAM wParam, LPARAM lParam)
{
    LRESULT result = DefWindowProc(WM_SETTEXT, wParam, lParam);
    // Our background is hollow: the old text stays on screen unless the parent paints over it
    // first, so the parent repaints exactly our rectangle before we draw the new text on top.
    RepaintOverParent(false);
    return result;
}

void CLabel::RepaintOverParent(bool withSiblings)
{
    HWND parent = GetParent();
    if (parent)
    {
        RECT rc;
        ::GetWindowRect(m_hWnd, &rc);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
        if (withSiblings)
            ::RedrawWindow(parent, &rc, nullptr,
                           RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        else
        {
            ::InvalidateRect(parent, &rc, TRUE);
            ::UpdateWindow(parent);
        }
    }
    Repaint();
}

BOOL CLabel::PreTranslateMessage(MSG* msg)
{
    // As the system's own link control does: Space or Enter on a link is a click. The parent is
    // told as by a click of the pointer; nothing else sees the key.
    if (msg->hwnd == m_hWnd && msg->message == WM_KEYDOWN &&
        (msg->wParam == VK_SPACE || msg->wParam == VK_RETURN) && IsClickable() &&
        ::IsWindowEnabled(m_hWnd))
    {
        // One click for one press: a key held down repeats.
        HWND parent = GetParent();
        if (parent && !(msg->lParam & (1 << 30)))
            ::SendMessageW(parent, WM_COMMAND,
                           MAKEWPARAM(static_cast<WORD>(::GetDlgCtrlID(m_hWnd)), STN_CLICKED),
                           reinterpret_cast<LPARAM>(m_hWnd));
        return TRUE;
    }
    return fw::CWnd::PreTranslateMessage(msg);
}

void CLabel::DrawFocus()
{
    // Only while we have the focus and the keyboard cues are shown (once the keyboard is used, or
    // always where the user asked for them), as the system's own controls do.
    if (::GetFocus() != m_hWnd || (fw::KeyboardCuesOf(m_hWnd) & UISF_HIDEFOCUS) != 0)
        return;
    const fw::WideText text = fw::WindowText(m_hWnd);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    fw::CClientDC dc(m_hWnd);
    if (!dc.Get())
        return;
    fw::CSelectObject font(dc.Get(), m_font.Get());
    RECT box = client;
    ::DrawTextW(dc.Get(), text.data(), -1, &box, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    ::InflateRect(&box, 1, 1);
    ::IntersectRect(&box, &box, &client);
    // Dotted in the text's colour, drawn the same however often we paint: the background behind a
    // hollow label is not ours, so an inverting rectangle would come and go with each paint.
    const COLORREF colour = fw::HighContrast() ? ::GetSysColor(m_nHighContrastColor) : m_crText;
    for (int x = box.left; x < box.right; x += 2)
    {
        ::SetPixelV(dc.Get(), x, box.top, colour);
        ::SetPixelV(dc.Get(), x, box.bottom - 1, colour);
    }
    for (int y = box.top; y < box.bottom; y += 2)
    {
        ::SetPixelV(dc.Get(), box.left, y, colour);
        ::SetPixelV(dc.Get(), box.right - 1, y, colour);
    }
}

LRESULT CLabel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WM_SETTEXT:
        return OnSetText(wParam, lParam);
    case WM_PAINT:
    {
        LRESULT result = Default();
        DrawFocus();
        return result;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
    {
        // The focus rectangle comes and goes; a neighbour our rectangle overlaps is painted again
        // with us.
        LRESULT result = Default();
        if (msg != WM_UPDATEUISTATE || ::GetFocus() == m_hWnd)
            RepaintOverParent(true);
        return result;
    }
    case WM_GETOBJECT:
        if (IsClickable())
        {
            // Heard as a link with its text as the name, as the system's own link control is.
            fw::AccessibleFacts facts;
            facts.role = ROLE_SYSTEM_LINK;
            facts.addState = STATE_SYSTEM_LINKED | STATE_SYSTEM_FOCUSABLE;
            facts.removeState = STATE_SYSTEM_READONLY;
            facts.defaultAction = L"\uC774\uB3D9"; // "이동", the system's word for following a link
            facts.clickOnDefaultAction = true;
            bool handled = false;
            LRESULT result = fw::AnswerGetObject(m_hWnd, wParam, lParam, facts, &handled);
            if (handled)
                return result;
        }
        break;
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
