// The floor of the start-up benchmark: what any dialog program hosting the browser control
// pays before its window shows, with nothing of the product's own start-up. It carries the
// program's resources (manifest, common controls, dialog templates): by default it shows the
// browser control alone; with --template it shows the program's own main dialog template, every
// control of it, without any of the start-up's work.
#include "net/panel/WebBrowser2.h"

#include <commctrl.h>
#include <cstring>
#include <ole2.h>

namespace
{
INT_PTR CALLBACK FloorDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_INITDIALOG)
    {
        ::MoveWindow(hwnd, 0, 0, 660, 652, TRUE);
        ::SetWindowTextA(hwnd, "bench floor");
        return TRUE;
    }
    if (msg == WM_CLOSE || (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL))
    {
        ::EndDialog(hwnd, 0);
        return TRUE;
    }
    return FALSE;
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    const bool programTemplate = std::strstr(commandLine, "--template") != nullptr;
    INITCOMMONCONTROLSEX icc = {sizeof(icc), 0xFF};
    ::InitCommonControlsEx(&icc);
    HRESULT ole = ::OleInitialize(nullptr);
    CWebBrowser2::RegisterHostClass();
    ::DialogBoxParamA(instance, MAKEINTRESOURCEA(programTemplate ? 102 : 300), nullptr,
                      &FloorDlgProc, 0);
    if (SUCCEEDED(ole))
        ::OleUninitialize();
    return 0;
}
