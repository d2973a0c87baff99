#include "ButtonST.h"

#include "framework/Accessible.h"
#include "framework/HighContrast.h"

CButtonST::CButtonST()
{
    ResetColors(FALSE);
}

CButtonST::~CButtonST()
{
    FreeBackgroundCache();
    FreeImages();
}

int CButtonST::SetImages(UINT hoverImageId, COLORREF hoverTransparent, UINT normalImageId,
                         COLORREF normalTransparent)
{
    FreeImages();
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    fw::CBitmapHandle hover(static_cast<HBITMAP>(::LoadImageA(
        instance, MAKEINTRESOURCEA(hoverImageId), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    fw::CBitmapHandle normal;
    if (normalImageId != 0)
        normal.Reset(static_cast<HBITMAP>(::LoadImageA(instance, MAKEINTRESOURCEA(normalImageId),
                                                       IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));

    // Whatever is loaded but not taken into a record is freed by its owner on the way out.
    if (hover)
    {
        int failure = MakeImageRecord(m_images[0], std::move(hover), hoverTransparent);
        if (failure == 0 && normal)
            failure = MakeImageRecord(m_images[1], std::move(normal), normalTransparent);
        if (failure != 0)
        {
            FreeImages();
            return failure;
        }
    }
    Invalidate(TRUE);
    return 0;
}

int CButtonST::MakeImageRecord(ImageRecord& record, fw::CBitmapHandle bitmap, COLORREF transparent)
{
    BITMAP info = {};
    if (::GetObjectA(bitmap.Get(), sizeof(info), &info) == 0)
        return 1;
    HBITMAP mask = CreateMask(bitmap.Get(), info.bmWidth, info.bmHeight, transparent);
    if (!mask)
        return 2;
    record.bitmap = std::move(bitmap);
    record.width = info.bmWidth;
    record.height = info.bmHeight;
    record.mask.Reset(mask);
    record.transparent = transparent;
    return 0;
}

HBITMAP CButtonST::CreateMask(HBITMAP bitmap, LONG width, LONG height, COLORREF transparent)
{
    fw::CBitmapHandle mask(::CreateBitmap(width, height, 1, 1, nullptr));
    if (!mask)
        return nullptr;
    fw::CMemoryDC imageDC(::CreateCompatibleDC(nullptr));
    fw::CMemoryDC maskDC(::CreateCompatibleDC(nullptr));
    if (!imageDC || !maskDC)
        return nullptr;
    {
        fw::CSelectObject selectImage(imageDC.Get(), bitmap);
        fw::CSelectObject selectMask(maskDC.Get(), mask.Get());
        // Colour to monochrome: pixels of the background colour become white, all others black.
        ::SetBkColor(imageDC.Get(), transparent);
        ::BitBlt(maskDC.Get(), 0, 0, width, height, imageDC.Get(), 0, 0, SRCCOPY);
        // Monochrome to colour: white bits become the background colour (black), black bits the
        // text colour (white); AND-ing blackens the transparent pixels, so that OR-ing the
        // image over a masked background later leaves the background there.
        ::SetTextColor(imageDC.Get(), RGB(255, 255, 255));
        ::SetBkColor(imageDC.Get(), RGB(0, 0, 0));
        ::BitBlt(imageDC.Get(), 0, 0, width, height, maskDC.Get(), 0, 0, SRCAND);
    }
    return mask.Detach();
}

void CButtonST::FreeImages()
{
    for (ImageRecord& record : m_images)
    {
        record.bitmap.Reset();
        record.mask.Reset();
        record.width = 0;
        record.height = 0;
        record.transparent = 0;
    }
}

void CButtonST::FreeBackgroundCache()
{
    // A bitmap cannot be deleted while it is selected: the context gets its own one back first.
    if (m_cacheDC && m_hOldCacheBitmap)
        ::SelectObject(m_cacheDC.Get(), m_hOldCacheBitmap);
    m_hOldCacheBitmap = nullptr;
    m_cacheBitmap.Reset();
    m_cacheDC.Reset();
}

void CButtonST::UseParentBackground(BOOL redraw)
{
    m_bUseParentBackground = TRUE;
    FreeBackgroundCache();
    if (redraw && m_hWnd)
        Invalidate(TRUE);
}

CButtonST& CButtonST::SetPressedLook(BOOL enable)
{
    m_bPressedLook = enable;
    return *this;
}

int CButtonST::SetPressedShift(BYTE style, BOOL redraw)
{
    switch (style)
    {
    case 0:
        m_ptPressedShift = {1, 1};
        break;
    case 1:
        m_ptPressedShift = {0, 2};
        break;
    default:
        m_ptPressedShift = {0, 0};
        return 6;
    }
    if (redraw && m_hWnd)
        Invalidate(TRUE);
    return 0;
}

int CButtonST::ResetColors(BOOL redraw)
{
    m_crHoverBack = m_crNormalBack = m_crFocusBack = ::GetSysColor(COLOR_BTNFACE);
    if (redraw && m_hWnd)
        Invalidate(TRUE);
    return 0;
}

CButtonST& CButtonST::SetHighContrastGlyph(UINT captionGlyph)
{
    m_nHighContrastGlyph = captionGlyph;
    return *this;
}

BOOL CButtonST::PreTranslateMessage(MSG* msg)
{
    // An owner-drawn button reports a quick second click as a double-click, which the dialog's
    // command handlers do not know: turned into a press, it counts as a second click.
    if (msg->message == WM_LBUTTONDBLCLK)
        msg->message = WM_LBUTTONDOWN;
    return fw::CWnd::PreTranslateMessage(msg);
}

void CButtonST::PreSubclassWindow()
{
    if ((GetStyle() & 0x0F) == BS_DEFPUSHBUTTON)
        m_bDefault = TRUE;
    ModifyStyle(0x0F, BS_OWNERDRAW, SWP_FRAMECHANGED);
    fw::CWnd::PreSubclassWindow();
}

bool CButtonST::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg)
    {
    case WM_DRAWITEM:
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        *result = TRUE;
        return true;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        *result = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
        return true;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED)
            ::SetFocus(m_hWnd);
        return false; // the parent runs the command
    default:
        return false;
    }
}

LRESULT CButtonST::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WM_MOUSEMOVE:
        Default();
        OnMouseMove(wParam, lParam);
        return 0;
    case WM_MOUSELEAVE:
        CancelHover();
        return 0;
    case WM_KILLFOCUS:
    case WM_CANCELMODE:
    {
        LRESULT result = Default();
        CancelHover();
        return result;
    }
    case WM_ACTIVATE:
    {
        LRESULT result = Default();
        if (LOWORD(wParam) == WA_INACTIVE)
            CancelHover();
        return result;
    }
    case WM_GETDLGCODE:
        return Default() | (m_bDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case BM_SETSTYLE:
        // The dialog manager moves the default-button look with this message; we remember it
        // and keep the button owner-drawn whatever type it asks for.
        if ((wParam & 0x0F) == BS_DEFPUSHBUTTON)
            m_bDefault = TRUE;
        else if ((wParam & 0x0F) == BS_PUSHBUTTON)
            m_bDefault = FALSE;
        return DefWindowProc(msg, (wParam & ~static_cast<WPARAM>(0x0F)) | BS_OWNERDRAW, lParam);
    case BM_SETCHECK:
    case BM_GETCHECK:
        return 0;
    case WM_SYSCOLORCHANGE:
    {
        LRESULT result = Default();
        FreeBackgroundCache();
        ResetColors(TRUE);
        return result;
    }
    case WM_UPDATEUISTATE:
    {
        // The focus rectangle shows or hides with the keyboard cues.
        LRESULT result = Default();
        if (::GetFocus() == m_hWnd)
            Invalidate(FALSE);
        return result;
    }
    default:
        return fw::CWnd::WindowProc(msg, wParam, lParam);
    }
}

void CButtonST::OnMouseMove(WPARAM flags, LPARAM position)
{
    POINT pt = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    ::ClientToScreen(m_hWnd, &pt);
    HWND under = ::WindowFromPoint(pt);
    // Pressed elsewhere and dragged here: not a hover.
    if ((flags & MK_LBUTTON) && !m_bHover)
        return;
    if (under != m_hWnd)
    {
        CancelHover();
        return;
    }
    if (m_bHover)
        return;
    m_bHover = TRUE;
    Invalidate(TRUE);
    // Tracked whether or not we are the active application: the pointer alone decides.
    TRACKMOUSEEVENT tme = {};
    tme.cbSize = sizeof(tme);
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = m_hWnd;
    ::TrackMouseEvent(&tme);
}

void CButtonST::CancelHover()
{
    if (!m_bHover)
        return;
    m_bHover = FALSE;
    if (m_images[0].bitmap)
        Invalidate(TRUE);
}

void CButtonST::DrawItem(const DRAWITEMSTRUCT& item)
{
    m_bPressed = m_bPressedLook ? ((item.itemState & ODS_SELECTED) != 0) : FALSE;
    m_bFocused = (item.itemState & ODS_FOCUS) != 0;

    const RECT& rc = item.rcItem;
    int cx = rc.right - rc.left;
    int cy = rc.bottom - rc.top;
    // The whole face is composed off screen and copied in one transfer: no flicker between
    // background and image.
    fw::CMemoryDC memDC(::CreateCompatibleDC(item.hDC));
    fw::CBitmapHandle memBitmap(::CreateCompatibleBitmap(item.hDC, cx, cy));
    if (!memDC || !memBitmap)
        return;
    {
        fw::CSelectObject select(memDC.Get(), memBitmap.Get());
        ::SetBkMode(memDC.Get(), TRANSPARENT);

        if (fw::HighContrast())
            DrawHighContrastFace(memDC.Get(), rc);
        else
        {
            // The parent may have changed under us since the last paint: read it again every
            // time.
            UseParentBackground(FALSE);
            DrawBackground(memDC.Get(), rc);
            if (m_bUseParentBackground)
                CaptureParentBackground(memDC.Get());
            if (m_images[0].bitmap)
            {
                ::SetBkColor(memDC.Get(), RGB(255, 255, 255));
                DrawImage(memDC.Get(), rc, m_bPressed);
            }
        }
        DrawFocus(memDC.Get(), item);
        ::BitBlt(item.hDC, 0, 0, cx, cy, memDC.Get(), 0, 0, SRCCOPY);
    }
}

void CButtonST::DrawHighContrastFace(HDC dc, const RECT& item)
{
    // The system draws the face in its colours, which are the user's high-contrast scheme.
    RECT rc = item;
    if (m_nHighContrastGlyph)
    {
        ::DrawFrameControl(dc, &rc, DFC_CAPTION,
                           m_nHighContrastGlyph | (m_bPressed ? DFCS_PUSHED : 0));
        return;
    }
    ::DrawFrameControl(dc, &rc, DFC_BUTTON, DFCS_BUTTONPUSH | (m_bPressed ? DFCS_PUSHED : 0));
    const fw::WideText text = fw::WindowText(m_hWnd);
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    fw::CSelectObject select(dc, font);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    if (m_bPressed)
        ::OffsetRect(&rc, m_ptPressedShift.x, m_ptPressedShift.y);
    ::DrawTextW(dc, text.data(), -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void CButtonST::DrawFocus(HDC dc, const DRAWITEMSTRUCT& item)
{
    // Only when the keyboard cues are shown (the system says so in the item state, and the
    // window's own state says it as well), as the system's own buttons do.
    if (!(item.itemState & ODS_FOCUS) || (item.itemState & ODS_NOFOCUSRECT) ||
        (fw::KeyboardCuesOf(m_hWnd) & UISF_HIDEFOCUS))
        return;
    RECT rc = item.rcItem;
    const int inset = (rc.right - rc.left) > 30 ? 3 : 2;
    ::InflateRect(&rc, -inset, -inset);
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::SetBkColor(dc, RGB(255, 255, 255));
    ::DrawFocusRect(dc, &rc);
}

void CButtonST::DrawBackground(HDC dc, const RECT& item)
{
    COLORREF colour = m_crNormalBack;
    if (m_bHover || m_bPressed)
        colour = m_crHoverBack;
    else if (m_bFocused)
        colour = m_crFocusBack;
    // An opaque empty text fills the rectangle without creating a brush.
    COLORREF oldColour = ::SetBkColor(dc, colour);
    ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &item, nullptr, 0, nullptr);
    ::SetBkColor(dc, oldColour);
}

void CButtonST::CaptureParentBackground(HDC target)
{
    HWND parent = GetParent();
    if (!parent)
        return;
    fw::CClientDC parentDC(parent);
    if (!parentDC.Get())
        return;
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);
    if (!m_cacheDC)
    {
        m_cacheDC.Reset(::CreateCompatibleDC(parentDC.Get()));
        m_cacheBitmap.Reset(::CreateCompatibleBitmap(parentDC.Get(), client.right, client.bottom));
        if (!m_cacheDC || !m_cacheBitmap)
        {
            FreeBackgroundCache();
            return;
        }
        m_hOldCacheBitmap = ::SelectObject(m_cacheDC.Get(), m_cacheBitmap.Get());
        ::BitBlt(m_cacheDC.Get(), 0, 0, client.right, client.bottom, parentDC.Get(), window.left,
                 window.top, SRCCOPY);
    }
    ::BitBlt(target, 0, 0, client.right, client.bottom, m_cacheDC.Get(), 0, 0, SRCCOPY);
}

void CButtonST::DrawImage(HDC dc, const RECT& item, BOOL pressed)
{
    int index = (pressed || m_bHover) ? 0 : (m_images[1].bitmap ? 1 : 0);
    const ImageRecord& image = m_images[index];
    if (!image.bitmap)
        return;

    RECT rc = item;
    rc.left += ((item.right - item.left) - image.width) / 2;
    rc.top += ((item.bottom - item.top) - image.height) / 2;
    if (m_bPressedLook && pressed)
    {
        rc.left += m_ptPressedShift.x;
        rc.top += m_ptPressedShift.y;
    }

    fw::CMemoryDC imageDC(::CreateCompatibleDC(dc));
    if (!imageDC)
        return;
    {
        fw::CSelectObject select(imageDC.Get(), image.mask.Get());
        ::BitBlt(dc, rc.left, rc.top, image.width, image.height, imageDC.Get(), 0, 0, SRCAND);
    }
    {
        fw::CSelectObject select(imageDC.Get(), image.bitmap.Get());
        ::BitBlt(dc, rc.left, rc.top, image.width, image.height, imageDC.Get(), 0, 0, SRCPAINT);
    }
}
