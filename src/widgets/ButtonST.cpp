#include "ButtonST.h"

CButtonST::CButtonST() = default;
CButtonST::~CButtonST() = default;

int CButtonST::SetImages(UINT, COLORREF, UINT, COLORREF)
{
    return 0;
}

void CButtonST::UseParentBackground(BOOL)
{
}

CButtonST& CButtonST::SetPressedLook(BOOL)
{
    return *this;
}

int CButtonST::SetPressedShift(BYTE style, BOOL)
{
    return style <= 1 ? 0 : 6;
}

int CButtonST::ResetColors(BOOL)
{
    return 0;
}

BOOL CButtonST::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_LBUTTONDBLCLK)
        msg->message = WM_LBUTTONDOWN;
    return FALSE;
}

bool CButtonST::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*)
{
    return false;
}

LRESULT CButtonST::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return fw::CWnd::WindowProc(msg, wParam, lParam);
}

void CButtonST::PreSubclassWindow()
{
}
