#include "WebBrowser2.h"

namespace
{
const CLSID kClsidWebBrowser = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
const char kHostClassName[] = "{8856F961-340A-11D0-A96B-00C04FD705A2}";
} // namespace

const CLSID& CWebBrowser2::GetClsid()
{
    return kClsidWebBrowser;
}

BOOL CWebBrowser2::RegisterHostClass()
{
    WNDCLASSA wc = {};
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    if (::GetClassInfoA(instance, kHostClassName, &wc))
        return TRUE;
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = kHostClassName;
    return ::RegisterClassA(&wc) != 0;
}

BOOL CWebBrowser2::Create(const char*, const char* windowName, DWORD style, const RECT& rect,
                          fw::CWnd* parent, UINT id)
{
    if (!RegisterHostClass() || !parent)
        return FALSE;
    HWND hwnd = ::CreateWindowExA(0, kHostClassName, windowName, style, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent->m_hWnd,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                  ::GetModuleHandleA(nullptr), nullptr);
    return hwnd ? SubclassWindow(hwnd) : FALSE;
}

void CWebBrowser2::Navigate2(VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*)
{
}
