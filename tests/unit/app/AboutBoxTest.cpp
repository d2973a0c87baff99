// The About box reads whole: every text fits its control in the control's own font.
#include "resource.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

INT_PTR CALLBACK QuietProc(HWND, UINT msg, WPARAM, LPARAM)
{
    return msg == WM_INITDIALOG ? TRUE : FALSE;
}

BOOL CALLBACK Collect(HWND hwnd, LPARAM param)
{
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}

TEST(AboutBox, EveryStaticTextFitsItsControl)
{
    HWND box = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUTBOX),
                                    nullptr, &QuietProc, 0);
    ASSERT_TRUE(box);
    std::vector<HWND> children;
    ::EnumChildWindows(box, &Collect, reinterpret_cast<LPARAM>(&children));

    int texts = 0;
    for (HWND child : children)
    {
        char cls[32] = {};
        ::GetClassNameA(child, cls, sizeof(cls));
        const LONG style = ::GetWindowLongA(child, GWL_STYLE);
        if (lstrcmpiA(cls, "Static") != 0 || (style & SS_TYPEMASK) != SS_LEFT)
            continue;
        char text[256] = {};
        const int length = ::GetWindowTextA(child, text, sizeof(text));
        RECT client;
        ::GetClientRect(child, &client);

        // Measured as the control lays it out: wrapped at its width, in its own font.
        HDC dc = ::GetDC(child);
        HGDIOBJ old =
            ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(child, WM_GETFONT, 0, 0)));
        RECT needed = client;
        const UINT flags =
            DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0u);
        ::DrawTextA(dc, text, length, &needed, flags);
        SIZE line = {};
        ::GetTextExtentPoint32A(dc, text, length, &line);
        ::SelectObject(dc, old);
        ::ReleaseDC(child, dc);

        EXPECT_LE(line.cx, client.right) << "\"" << text << "\" is cut at the right";
        EXPECT_LE(needed.bottom, client.bottom)
            << "\"" << text << "\" wraps onto a line the control does not show (" << needed.bottom
            << " of " << client.bottom << " pixels high)";
        ++texts;
    }
    EXPECT_EQ(2, texts) << "the version line and the notice line";
    ::DestroyWindow(box);
}

} // namespace
